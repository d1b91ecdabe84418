#include "libgr/extensions.h"

#include <gtest/gtest.h>

using libgr::hasExtensionIn;

TEST(Extensions, WholeWordSearch) {
    const char* list = "GL_ARB_one GL_EXT_two GL_last";
    EXPECT_TRUE(hasExtensionIn(list, "GL_ARB_one")); // first word
    EXPECT_TRUE(hasExtensionIn(list, "GL_EXT_two"));
    EXPECT_TRUE(hasExtensionIn(list, "GL_last")); // ended by the terminating NUL
    EXPECT_TRUE(hasExtensionIn("GL_only", "GL_only"));

    // Refused names and lists.
    EXPECT_FALSE(hasExtensionIn(nullptr, "GL_ARB_one"));
    EXPECT_FALSE(hasExtensionIn(list, nullptr));
    EXPECT_FALSE(hasExtensionIn(list, ""));
    EXPECT_FALSE(hasExtensionIn(list, "GL_ARB_one GL_EXT_two"));
    EXPECT_FALSE(hasExtensionIn("", "GL_x"));

    // Prefix of a longer word only; then also as a whole word later.
    EXPECT_FALSE(hasExtensionIn("GL_EXT_texture3D_more GL_x", "GL_EXT_texture3D"));
    EXPECT_TRUE(hasExtensionIn("GL_EXT_texture3D_more GL_EXT_texture3D", "GL_EXT_texture3D"));
    EXPECT_TRUE(hasExtensionIn("GL_EXT_texture3D_more GL_EXT_texture3D GL_y", "GL_EXT_texture3D"));
    // Suffix of a longer word only.
    EXPECT_FALSE(hasExtensionIn("GL_a XGL_name", "GL_name"));
    EXPECT_FALSE(hasExtensionIn("GL_a_GL_name GL_b", "GL_name"));
    // Not separated by a space: tabs and other characters do not end a word.
    EXPECT_FALSE(hasExtensionIn("GL_name\tGL_b", "GL_name"));

    // Back to back: the second copy starts where the rejected first one ended.
    EXPECT_TRUE(hasExtensionIn("GL_abGL_ab", "GL_ab"));
    EXPECT_TRUE(hasExtensionIn("GL_x GL_abGL_ab GL_y", "GL_ab"));
    EXPECT_FALSE(hasExtensionIn("GL_abGL_abc", "GL_ab"));
    // After a rejection the next occurrence needs a space unless it starts right there.
    EXPECT_FALSE(hasExtensionIn("GL_ab_GL_ab", "GL_ab"));
    EXPECT_FALSE(hasExtensionIn("GL_abXGL_ab", "GL_ab"));
}

TEST(Extensions, NoContextMeansNoExtensionAndNoChange) {
    // This executable has no GL context: there is no extension string to search.
    EXPECT_FALSE(libgr::hasExtension("GL_ARB_texture_compression"));
    EXPECT_EQ(libgr::probeTextureCompression(), 0);
    EXPECT_EQ(libgr::probeGenerateMipmap(), 0);
    EXPECT_EQ(libgr::probeTexture3D(), 0);
    EXPECT_EQ(libgr::probeAnisotropicFilter(), 0);
    EXPECT_EQ(libgr::hasTextureCompression, 0);
    EXPECT_EQ(libgr::hasGenerateMipmap, 0);
    EXPECT_EQ(libgr::hasTexture3D, 0);
    EXPECT_EQ(libgr::hasAnisotropicFilter, 0);
    EXPECT_EQ(libgr::glCompressedTexImage2DARB, nullptr);
    EXPECT_EQ(libgr::glTexImage3DEXT, nullptr);
}

#include "libgr/extensions.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace libgr;

TEST(Extensions, WholeWordSearch) {
    // Found: whole words, the last one ended by the NUL, a word after a longer one with the
    // name as prefix, and back to back (the second starts where the first ended).
    for (const char* list : {"GL_ab GL_cd", "GL_cd GL_ab", "GL_ab_more GL_ab GL_y", "GL_abGL_ab",
                             "GL_x GL_abGL_ab GL_y"})
        EXPECT_TRUE(hasExtensionIn(list, "GL_ab")) << list;
    // Not found: only a prefix or a suffix of a longer word, a tab is no separator, no list.
    for (const char* list : {"GL_ab_more GL_x", "GL_x XGL_ab", "GL_x_GL_ab GL_y", "GL_ab\tGL_y",
                             "GL_abGL_abc", "GL_ab_GL_ab", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(hasExtensionIn(list, "GL_ab")) << (list ? list : "(null)");
    for (const char* name : {static_cast<const char*>(nullptr), "", "GL_ab GL_cd"})
        EXPECT_FALSE(hasExtensionIn("GL_ab GL_cd", name)) << (name ? name : "(null)");
}

TEST(Extensions, NoContextMeansNoExtension) {
    // This executable has no GL context, so glGetString gives no extension string.
    EXPECT_FALSE(hasExtension("GL_ARB_texture_compression"));
    EXPECT_EQ(probeTextureCompression(), 0);
    EXPECT_EQ(hasTextureCompression, 0);
}

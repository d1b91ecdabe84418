// The whole-word search of an extension list, and the probes against the real driver's.
#include "libgr/extensions.h"

#include "gl_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>

using namespace libgr;

TEST(ExtensionsGL, ProbesFollowTheDriversList) {
    testgl::ensureContext();
    const std::string list =
        " " + std::string(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS))) + " ";
    const auto listed = [&](const char* name) {
        return list.find(std::string(" ") + name + " ") != std::string::npos;
    };
    ASSERT_TRUE(listed("GL_ARB_texture_compression")); // llvmpipe offers it
    EXPECT_FALSE(hasExtension(""));
    EXPECT_FALSE(hasExtension("GL_ARB_texture_compression GL_EXT_texture3D"));
    EXPECT_TRUE(hasExtension("GL_ARB_texture_compression"));
    const std::pair<std::intptr_t (*)(), const int*> probes[] = {
        {probeTextureCompression, &hasTextureCompression},
        {probeGenerateMipmap, &hasGenerateMipmap},
        {probeTexture3D, &hasTexture3D},
        {probeAnisotropicFilter, &hasAnisotropicFilter}};
    const char* names[] = {"GL_ARB_texture_compression", "GL_SGIS_generate_mipmap",
                           "GL_EXT_texture3D", "GL_EXT_texture_filter_anisotropic"};
    for (int round = 0; round < 2; ++round) // a second run leaves the same state
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(probes[i].first() != 0, listed(names[i])) << names[i];
            EXPECT_EQ(*probes[i].second, listed(names[i]) ? 1 : 0) << names[i];
        }
    // The flags are process-wide; the pointers are only called while their flag is set.
    hasTextureCompression = hasGenerateMipmap = hasTexture3D = hasAnisotropicFilter = 0;
}

TEST(ExtensionsGL, WholeWordSearch) {
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

#include "libgr/extensions.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace libgr;

TEST(Extensions, WholeWordSearch) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"GL_ab GL_cd GL_last", "GL_ab", true},
        {"GL_ab GL_cd GL_last", "GL_cd", true},
        {"GL_ab GL_cd GL_last", "GL_last", true}, // ended by the terminating NUL
        {nullptr, "GL_ab", false},
        {"GL_ab GL_cd", nullptr, false},
        {"GL_ab GL_cd", "", false},
        {"GL_ab GL_cd", "GL_ab GL_cd", false}, // a name with a space is never one word
        {"GL_ab_more GL_x", "GL_ab", false},   // only the prefix of a longer word
        {"GL_ab_more GL_ab", "GL_ab", true},   // prefix first, then the whole word
        {"GL_ab_more GL_ab GL_y", "GL_ab", true},
        {"GL_x XGL_ab", "GL_ab", false}, // only the suffix of a longer word
        {"GL_x_GL_ab GL_y", "GL_ab", false},
        {"GL_ab\tGL_y", "GL_ab", false}, // only a space ends a word
        {"GL_abGL_ab", "GL_ab", true},   // back to back: the second starts where the first ended
        {"GL_x GL_abGL_ab GL_y", "GL_ab", true},
        {"GL_abGL_abc", "GL_ab", false},
        {"GL_ab_GL_ab", "GL_ab", false}};
    for (const auto& [list, name, found] : cases)
        EXPECT_EQ(hasExtensionIn(list, name), found)
            << (list ? list : "(null)") << " / " << (name ? name : "(null)");
}

TEST(Extensions, NoContextMeansNoExtension) {
    // This executable has no GL context, so glGetString gives no extension string.
    EXPECT_FALSE(hasExtension("GL_ARB_texture_compression"));
    EXPECT_EQ(probeTextureCompression(), 0);
    EXPECT_EQ(hasTextureCompression, 0);
}

// The probes against the real driver's extension list.
#include "libgr/extensions.h"

#include "libutils/platform.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace libgr;

namespace {

// The driver's own answer, asked one name at a time rather than by searching the string.
bool listed(const char* name) {
    auto getStringi =
        reinterpret_cast<PFNGLGETSTRINGIPROC>(libutils::getProcAddress("glGetStringi"));
    if (getStringi == nullptr)
        return false;
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* ext =
            reinterpret_cast<const char*>(getStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (ext != nullptr && std::strcmp(ext, name) == 0)
            return true;
    }
    return false;
}

} // namespace

TEST(ExtensionsGL, ProbesFollowTheDriversList) {
    testgl::ensureContext();
    ASSERT_TRUE(listed("GL_ARB_texture_compression")); // llvmpipe offers it

    spy::start();
    EXPECT_FALSE(hasExtension(""));
    EXPECT_FALSE(hasExtension("GL_ARB_texture_compression GL_EXT_texture3D"));
    EXPECT_EQ(spy::count("glGetString"), 0u); // refused names never reach GL
    EXPECT_TRUE(hasExtension("GL_ARB_texture_compression"));
    EXPECT_FALSE(hasExtension("GL_ARB_texture_compressio"));
    EXPECT_EQ(spy::count("glGetString"), 2u); // read afresh on every call
    spy::stop();

    for (int round = 0; round < 2; ++round) { // a second run leaves the same state
        EXPECT_NE(probeTextureCompression(), 0);
        EXPECT_EQ(hasTextureCompression, 1);
        EXPECT_EQ(reinterpret_cast<void*>(glCompressedTexImage2DARB),
                  libutils::getProcAddress("glCompressedTexImage2DARB"));
        EXPECT_NE(glCompressedTexImage2DARB, nullptr);
        EXPECT_NE(glCompressedTexSubImage1DARB, nullptr);
        EXPECT_EQ(reinterpret_cast<void*>(glGetCompressedTexImageARB),
                  libutils::getProcAddress("glGetCompressedTexImageARB"));

        EXPECT_EQ(probeTexture3D() != 0, listed("GL_EXT_texture3D"));
        EXPECT_EQ(hasTexture3D, listed("GL_EXT_texture3D") ? 1 : 0);
        if (hasTexture3D) {
            EXPECT_EQ(reinterpret_cast<void*>(glTexImage3DEXT),
                      libutils::getProcAddress("glTexImage3DEXT"));
        }
        EXPECT_EQ(probeGenerateMipmap() != 0, listed("GL_SGIS_generate_mipmap"));
        EXPECT_EQ(hasGenerateMipmap, listed("GL_SGIS_generate_mipmap") ? 1 : 0);
        EXPECT_EQ(probeAnisotropicFilter() != 0, listed("GL_EXT_texture_filter_anisotropic"));
        EXPECT_EQ(hasAnisotropicFilter, listed("GL_EXT_texture_filter_anisotropic") ? 1 : 0);
    }
    // Flags and pointers are process-wide: put them back for the other tests of this process.
    hasTextureCompression = hasGenerateMipmap = hasTexture3D = hasAnisotropicFilter = 0;
    glCompressedTexImage3DARB = nullptr;
    glCompressedTexImage2DARB = nullptr;
    glCompressedTexImage1DARB = nullptr;
    glCompressedTexSubImage3DARB = nullptr;
    glCompressedTexSubImage2DARB = nullptr;
    glCompressedTexSubImage1DARB = nullptr;
    glGetCompressedTexImageARB = nullptr;
    glTexImage3DEXT = nullptr;
    glTexSubImage3DEXT = nullptr;
}

// The probes against the real driver's extension list.
#include "libgr/extensions.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

using namespace libgr;

namespace {

// Whether the driver lists `name`, found by splitting its list into words.
bool listed(const std::string& name) {
    const auto* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::istringstream words(list != nullptr ? list : "");
    for (std::string word; words >> word;)
        if (word == name)
            return true;
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

    const std::tuple<std::intptr_t (*)(), const int*, const char*> probes[] = {
        {probeTextureCompression, &hasTextureCompression, "GL_ARB_texture_compression"},
        {probeGenerateMipmap, &hasGenerateMipmap, "GL_SGIS_generate_mipmap"},
        {probeTexture3D, &hasTexture3D, "GL_EXT_texture3D"},
        {probeAnisotropicFilter, &hasAnisotropicFilter, "GL_EXT_texture_filter_anisotropic"}};
    for (int round = 0; round < 2; ++round) // a second run leaves the same state
        for (const auto& [probe, flag, extension] : probes) {
            EXPECT_EQ(probe() != 0, listed(extension)) << extension;
            EXPECT_EQ(*flag, listed(extension) ? 1 : 0) << extension;
        }
    EXPECT_NE(glCompressedTexImage2DARB, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(glCompressedTexImage2DARB),
              getProcAddress("glCompressedTexImage2DARB"));
    EXPECT_EQ(reinterpret_cast<void*>(glGetCompressedTexImageARB),
              getProcAddress("glGetCompressedTexImageARB"));
    // The flags are process-wide; the pointers are only called while their flag is set.
    hasTextureCompression = hasGenerateMipmap = hasTexture3D = hasAnisotropicFilter = 0;
}

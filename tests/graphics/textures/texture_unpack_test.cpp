// Bytes an upload reads: unknowable counts saturate, compressed records count their view.
#include "libgr/texture_unpack.h"

#include <gtest/gtest.h>

#include <limits>

using namespace libgr;

TEST(TextureUnpack, UploadByteCounts) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    const grGLFormat bgrBytes{GL_RGB, GL_BGR, GL_UNSIGNED_BYTE};
    grImage2D rgb;
    rgb.width = 3;
    rgb.height = 2;
    rgb.skipRows = -1; // negative unpack fields: unknowable
    EXPECT_EQ(uploadByteCount(rgb, bgrBytes, 4), kMax);
    grImage3D volume;
    volume.width = 1;
    volume.height = 1;
    volume.depth = 1;
    volume.skipPixels = -1;
    EXPECT_EQ(uploadByteCount(volume, bgrBytes, 4), kMax);
    rgb.skipRows = 1;
    EXPECT_EQ(uploadByteCount(rgb, grGLFormat{GL_RGB, GL_RGB, 0x1234}, 4), kMax); // unknown type
    EXPECT_EQ(uploadByteCount(rgb, bgrBytes, 4), 33u); // rows of 9 bytes padded to 12
    ASSERT_TRUE(rgb.pixels.create(27));
    rgb.compressed = true; // compressed: the view's bytes
    EXPECT_EQ(uploadByteCount(rgb, bgrBytes, 4), 27u);
    grImage2D huge = rgb;
    huge.width = 0xFFFFFFFFu;
    huge.height = 0xFFFFFFFFu;
    huge.compressed = false;
    EXPECT_EQ(uploadByteCount(huge, bgrBytes, 4), kMax);
    huge.width = 0;
    EXPECT_EQ(uploadByteCount(huge, bgrBytes, 4), 0u);
}

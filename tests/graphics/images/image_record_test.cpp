#include "libgr/texture_unpack.h"

#include <gtest/gtest.h>

#include <limits>

using namespace libgr;

TEST(ImageRecord, CountsAllocationAndSharedCopies) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    const grGLFormat bgrBytes{GL_RGB, GL_BGR, GL_UNSIGNED_BYTE};
    grImage2D rgb;
    rgb.width = 3, rgb.height = 2, rgb.skipRows = -1; // negative unpack fields: unknowable
    EXPECT_EQ(uploadByteCount(rgb, bgrBytes, 4), kMax);
    grImage3D volume;
    volume.width = volume.height = volume.depth = 1, volume.skipPixels = -1;
    EXPECT_EQ(uploadByteCount(volume, bgrBytes, 4), kMax);
    rgb.skipRows = 1;
    EXPECT_EQ(uploadByteCount(rgb, grGLFormat{GL_RGB, GL_RGB, 0x1234}, 4), kMax); // unknown type
    EXPECT_EQ(uploadByteCount(rgb, bgrBytes, 4), 33u);
    rgb.layout = grLayoutRGB, rgb.numberKind = grKindUnsigned, rgb.bitCode = grBits8;
    const grPixelStore align0{GL_FALSE, 0};
    rgb.pixelStore = &align0; // rows not rounded
    ASSERT_TRUE(rgb.allocatePixels());
    EXPECT_EQ(rgb.pixels.size(), 27u); // (1 + 2) rows of 9 bytes
    rgb.compressed = true;             // compressed: the view's bytes
    EXPECT_EQ(uploadByteCount(rgb, bgrBytes, 4), 27u);
    grImage2D huge = rgb;
    huge.width = huge.height = 0xFFFFFFFFu, huge.compressed = false;
    EXPECT_EQ(uploadByteCount(huge, bgrBytes, 4), kMax);
    EXPECT_FALSE(huge.allocatePixels());
    EXPECT_TRUE(huge.pixels.sharesWith(rgb.pixels)); // a failed allocation keeps the old bytes
    huge.width = 0;
    EXPECT_EQ(uploadByteCount(huge, bgrBytes, 4), 0u);

    ASSERT_TRUE(rgb.palette.resize(4));
    grImage2D copy;
    copy = rgb; // copies share the bytes and the palette
    copy.pixels[0] = 5;
    EXPECT_EQ(rgb.pixels[0], 5);
    EXPECT_TRUE(copy.palette.blue.sharesWith(rgb.palette.blue));
    ASSERT_TRUE(rgb.allocatePixels()); // fresh storage: the copy keeps the old bytes
    EXPECT_FALSE(rgb.pixels.sharesWith(copy.pixels));
    copy.palette.green[2] = 7;
    ASSERT_TRUE(copy.palette.resize(5)); // leading entries kept
    EXPECT_EQ(copy.palette.green[2], 7);
    copy.palette.clear();
    EXPECT_FALSE(copy.palette.count || copy.palette.red.hasStorage() || copy.palette.resize(0));
}

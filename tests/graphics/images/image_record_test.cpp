// Image records: fresh storage of the right size, copies that share bytes and palettes.
#include "libgr/image_record.h"

#include <gtest/gtest.h>

using namespace libgr;

TEST(ImageRecord, AllocationAndSharedCopies) {
    grImage2D rgb;
    rgb.width = 3;
    rgb.height = 2;
    rgb.skipRows = 1;
    rgb.layout = grLayoutRGB;
    rgb.numberKind = grKindUnsigned;
    rgb.bitCode = grBits8;
    const grPixelStore align0{GL_FALSE, 0};
    rgb.pixelStore = &align0; // rows not rounded
    ASSERT_TRUE(rgb.allocatePixels());
    EXPECT_EQ(rgb.pixels.size(), 27u); // (1 + 2) rows of 9 bytes
    grImage2D huge = rgb;
    huge.width = 0xFFFFFFFFu;
    huge.height = 0xFFFFFFFFu;
    EXPECT_FALSE(huge.allocatePixels());
    EXPECT_TRUE(huge.pixels.sharesWith(rgb.pixels)); // a failed allocation keeps the old bytes

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
    EXPECT_EQ(copy.palette.count, 0u);
    EXPECT_FALSE(copy.palette.red.hasStorage());
    EXPECT_FALSE(copy.palette.resize(0));
}

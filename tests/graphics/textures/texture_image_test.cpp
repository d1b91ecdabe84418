#include "libgr/texture_image.h"

#include <gtest/gtest.h>

using namespace libgr;
using U = std::vector<std::uint64_t>;

TEST(ImageTexture, FloorPowerOfTwoAndFillingTheImageList) {
    for (const U& c : {U{200, 128}, U{256, 256}, U{257, 256}, U{1, 1}, U{0, 1},
                       U{0xFFFFFFFFu, 0x40000000u}, U{0x80000000u, 1}}) // bits 30 to 0 only
        EXPECT_EQ(floorPowerOfTwo(std::uint32_t(c[0])), c[1]) << c[0];
    auto bgr = [](std::uint32_t w, std::uint32_t h) {
        grImage2D im;
        im.width = w;
        im.height = h;
        EXPECT_TRUE(im.pixels.create(w * h * 3));
        return im;
    };
    // {width, height, size given, size after}: the largest dimension so far unless a size is
    // given; a computed size never shrinks.
    grTexture2D texture;
    for (const U& s : {U{200, 100, 0, 200}, U{200, 100, 64, 64}, U{50, 50, 0, 64},
                       U{300, 10, 0, 300}, U{10, 400, 0, 400}}) {
        texture.setImage(bgr(s[0], s[1]), std::uint32_t(s[2]), 0);
        EXPECT_EQ(texture.size, s[3]) << s[0] << "x" << s[1] << " given " << s[2];
    }
    // From position 3: three default records, then the given ones, sharing their bytes;
    // setImages never shrinks the list, and takes records from the list itself safely.
    grImage2D a = bgr(4, 4), b = bgr(2, 2);
    ASSERT_TRUE(texture.setImages(std::vector<grImage2D>{a, b}, 0, 3));
    EXPECT_EQ((U{texture.images.size(), texture.images[2].pixels.hasStorage(), texture.size}),
              (U{5, 0, 400}));
    EXPECT_EQ(texture.images[4].pixels.begin(), b.pixels.begin());
    ASSERT_TRUE(texture.setImages(&b, 1, 0, 0));
    ASSERT_TRUE(texture.setImages(&texture.images[3], 2, 0, 9));
    EXPECT_EQ((U{texture.images.size(), texture.images[10].width}), (U{11, 2}));
    EXPECT_EQ(texture.images[9].pixels.begin(), a.pixels.begin());
    texture.setImage(a, 0, 1); // setImage keeps exactly index + 1 records
    a.pixels.begin()[5] = 77;  // the texture's copy keeps the bytes after the producer lets go
    a.pixels.release();
    EXPECT_EQ((U{texture.images.size(), texture.images[1].pixels[5]}), (U{2, 77}));
}

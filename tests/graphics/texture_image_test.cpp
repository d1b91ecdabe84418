#include "libgr/texture_image.h"

#include <gtest/gtest.h>

using namespace libgr;

namespace {

grImage2D image2D(std::uint32_t w, std::uint32_t h) {
    grImage2D im;
    im.layout = 9;
    im.numberKind = 1;
    im.bitCode = 3;
    im.width = w;
    im.height = h;
    EXPECT_TRUE(im.pixels.create(w * h * 3));
    return im;
}

} // namespace

TEST(FloorPowerOfTwo, LooksAtBitsThirtyToZero) {
    const std::uint32_t in[] = {200, 256, 257, 255, 1, 0, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u};
    const std::uint32_t out[] = {128, 256, 256, 128, 1, 1, 0x40000000u, 0x40000000u, 1};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(floorPowerOfTwo(in[i]), out[i]) << std::hex << in[i];
}

TEST(ImageTextureFill, SizeAndListLength) {
    // The largest dimension so far unless a size is given; a computed size never shrinks.
    struct Step {
        std::uint32_t w, h, given, expected;
    };
    grTexture2D texture;
    for (const Step s : {Step{200, 100, 0, 200}, Step{200, 100, 64, 64}, Step{50, 50, 0, 64},
                         Step{300, 10, 0, 300}, Step{10, 400, 0, 400}}) {
        texture.setImage(image2D(s.w, s.h), s.given, 0);
        EXPECT_EQ(texture.size, s.expected) << s.w << "x" << s.h << " given " << s.given;
    }
    // From position 3: three default records, then the given ones.
    const grImage2D a = image2D(4, 4), b = image2D(2, 2);
    grTexture2D fresh;
    ASSERT_TRUE(fresh.setImages(std::vector<grImage2D>{a, b}, 0, 3));
    ASSERT_EQ(fresh.images.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(fresh.images[i].pixels.hasStorage()) << i;
    EXPECT_EQ(fresh.images[3].pixels.begin(), a.pixels.begin());
    EXPECT_EQ(fresh.images[4].pixels.begin(), b.pixels.begin());
    fresh.setImages(&b, 1, 0, 0); // setImages never shrinks the list
    EXPECT_EQ(fresh.images.size(), 5u);
    // Records handed in from the list itself survive its reallocation.
    ASSERT_TRUE(fresh.setImages(fresh.images.data() + 3, 2, 0, 9));
    ASSERT_EQ(fresh.images.size(), 11u);
    EXPECT_EQ(fresh.images[9].pixels.begin(), a.pixels.begin());
    EXPECT_EQ(fresh.images[10].width, 2u);
    fresh.setImage(a, 0, 1); // setImage keeps exactly index + 1 records
    EXPECT_EQ(fresh.images.size(), 2u);
}

TEST(ImageTextureFill, StoredRecordsShareTheProducersBytes) {
    grImage2D image = image2D(4, 2);
    image.palette.resize(4);
    grTexture2D texture;
    texture.setImage(image, 0, 0);
    EXPECT_EQ(image.pixels.refCount(), 2);
    EXPECT_EQ(image.palette.red.refCount(), 2);
    EXPECT_EQ(texture.images[0].pixels.begin(), image.pixels.begin());
    // The texture's copy keeps the bytes alive after the producer lets go of them.
    image.pixels.begin()[5] = 77;
    image.pixels.release();
    EXPECT_EQ(texture.images[0].pixels.refCount(), 1);
    EXPECT_EQ(texture.images[0].pixels[5], 77);
}

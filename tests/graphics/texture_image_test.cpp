#include "libgr/texture_image.h"

#include <gtest/gtest.h>

using namespace libgr;

namespace {

grImage2D bgr(std::uint32_t w, std::uint32_t h) {
    grImage2D im;
    im.width = w, im.height = h;
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

TEST(ImageTextureFill, SizeListLengthAndSharedBytes) {
    // The largest dimension so far unless a size is given; a computed size never shrinks.
    const std::uint32_t steps[][4] = {{200, 100, 0, 200},
                                      {200, 100, 64, 64},
                                      {50, 50, 0, 64},
                                      {300, 10, 0, 300},
                                      {10, 400, 0, 400}};
    grTexture2D texture;
    for (const auto& s : steps) {
        texture.setImage(bgr(s[0], s[1]), s[2], 0);
        EXPECT_EQ(texture.size, s[3]) << s[0] << "x" << s[1] << " given " << s[2];
    }
    // From position 3: three default records, then the given ones, sharing their bytes.
    grImage2D a = bgr(4, 4), b = bgr(2, 2);
    grTexture2D fresh;
    ASSERT_TRUE(fresh.setImages(std::vector<grImage2D>{a, b}, 0, 3));
    ASSERT_EQ(fresh.images.size(), 5u);
    EXPECT_FALSE(fresh.images[2].pixels.hasStorage());
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
    a.pixels.begin()[5] = 77; // the texture's copy keeps the bytes after the producer lets go
    a.pixels.release();
    EXPECT_EQ(fresh.images[1].pixels[5], 77);

    grTextureCubeMap cube; // level L of a cube map is records 6L to 6L + 5
    const grTextureCubeMap::Faces faces = {a, a, a, a, a, bgr(8, 3)};
    ASSERT_TRUE(cube.setLevels(std::vector<grTextureCubeMap::Faces>{faces, faces}, 0, 1));
    EXPECT_EQ(cube.images.size(), 18u);
    EXPECT_EQ((std::vector<std::uint32_t>{cube.images[11].width, cube.images[17].width, cube.size}),
              (std::vector<std::uint32_t>{8, 8, 8}));
    ASSERT_TRUE(cube.setLevel(faces.data(), 5, 0));
    EXPECT_EQ(cube.images.size(), 6u);
    EXPECT_EQ(cube.size, 5u);
}

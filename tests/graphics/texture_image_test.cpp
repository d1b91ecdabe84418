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
    EXPECT_EQ(floorPowerOfTwo(200), 128u);
    EXPECT_EQ(floorPowerOfTwo(256), 256u);
    EXPECT_EQ(floorPowerOfTwo(257), 256u);
    EXPECT_EQ(floorPowerOfTwo(255), 128u);
    EXPECT_EQ(floorPowerOfTwo(1), 1u);
    EXPECT_EQ(floorPowerOfTwo(0), 1u);
    EXPECT_EQ(floorPowerOfTwo(0x7FFFFFFFu), 0x40000000u);
    EXPECT_EQ(floorPowerOfTwo(0xFFFFFFFFu), 0x40000000u);
    EXPECT_EQ(floorPowerOfTwo(0x80000000u), 1u); // bit 31 is not looked at
}

TEST(ImageTextureFill, SizeFollowsTheLargestDimensionUnlessGiven) {
    grTexture2D texture;
    EXPECT_EQ(texture.size, 0u);
    EXPECT_TRUE(texture.setImage(image2D(200, 100), 0, 0));
    EXPECT_EQ(texture.size, 200u);
    texture.setImage(image2D(200, 100), 64, 0);
    EXPECT_EQ(texture.size, 64u);
    texture.setImage(image2D(50, 50), 0, 0);
    EXPECT_EQ(texture.size, 64u); // a computed size never decreases
    texture.setImage(image2D(300, 10), 0, 0);
    EXPECT_EQ(texture.size, 300u);
    texture.setImage(image2D(10, 400), 0, 0);
    EXPECT_EQ(texture.size, 400u);

    grTexture1D line;
    grImage1D row;
    row.width = 70;
    line.setImage(row, 0, 0);
    EXPECT_EQ(line.size, 70u);

    grTexture3D volume;
    grImage3D block;
    block.width = 4;
    block.height = 8;
    block.depth = 16;
    volume.setImage(block, 0, 0);
    EXPECT_EQ(volume.size, 16u);
}

TEST(ImageTextureFill, ListLengthsFollowIndexAndFirst) {
    grTexture2D texture;
    const grImage2D a = image2D(4, 4), b = image2D(2, 2), c = image2D(8, 8);

    texture.setImages(std::vector<grImage2D>{a, b, c}, 0, 0);
    ASSERT_EQ(texture.images.size(), 3u);
    EXPECT_EQ(texture.size, 8u);
    texture.setImage(b, 0, 0); // exactly index + 1 records remain
    ASSERT_EQ(texture.images.size(), 1u);
    EXPECT_EQ(texture.images[0].width, 2u);
    texture.setImage(c, 0, 2);
    ASSERT_EQ(texture.images.size(), 3u);
    EXPECT_EQ(texture.images[1].width, 0u); // default record in between

    grTexture2D fresh;
    fresh.setImages(std::vector<grImage2D>{a, b}, 0, 3);
    ASSERT_EQ(fresh.images.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fresh.images[i].width, 0u);
        EXPECT_FALSE(fresh.images[i].pixels.hasStorage());
    }
    EXPECT_EQ(fresh.images[3].width, 4u);
    EXPECT_EQ(fresh.images[4].width, 2u);
    fresh.setImages(&c, 1, 0, 0); // never shrinks
    EXPECT_EQ(fresh.images.size(), 5u);
    EXPECT_EQ(fresh.images[0].width, 8u);

    // Records handed in from the list itself survive its growth.
    fresh.setImages(fresh.images.data() + 3, 2, 0, 9);
    ASSERT_EQ(fresh.images.size(), 11u);
    EXPECT_EQ(fresh.images[9].width, 4u);
    EXPECT_EQ(fresh.images[10].width, 2u);

    fresh.clearImages();
    EXPECT_TRUE(fresh.images.empty());
    EXPECT_EQ(fresh.size, 8u); // other fields stay
}

TEST(ImageTextureFill, CubeLevelsHoldSixFacesEach) {
    grTextureCubeMap cube;
    grImage2D faces[6];
    for (int f = 0; f < 6; ++f)
        faces[f] = image2D(f + 1, 1);
    cube.setLevel(faces, 0, 1);
    ASSERT_EQ(cube.images.size(), 12u);
    EXPECT_EQ(cube.images[6 + 5].width, 6u);
    EXPECT_EQ(cube.images[0].width, 0u);
    EXPECT_EQ(cube.size, 6u);
    cube.setLevel(faces, 0, 0); // exactly 6·level + 6
    EXPECT_EQ(cube.images.size(), 6u);

    std::vector<grTextureCubeMap::Faces> groups(2);
    for (int g = 0; g < 2; ++g)
        for (int f = 0; f < 6; ++f)
            groups[g][f] = image2D(10 * (g + 1) + f, 2);
    cube.setLevels(groups, 0, 2);
    ASSERT_EQ(cube.images.size(), 24u);
    EXPECT_EQ(cube.images[12].width, 10u);
    EXPECT_EQ(cube.images[23].width, 25u);
    EXPECT_EQ(cube.size, 25u);
    cube.setLevels(groups, 7, 0); // never shrinks; an explicit size wins
    EXPECT_EQ(cube.images.size(), 24u);
    EXPECT_EQ(cube.size, 7u);
}

TEST(ImageTextureFill, StoredRecordsShareTheProducersBytes) {
    grImage2D image = image2D(4, 2);
    image.palette.resize(4);
    ASSERT_EQ(image.pixels.refCount(), 1);
    {
        grTexture2D texture;
        texture.setImage(image, 0, 0);
        EXPECT_EQ(image.pixels.refCount(), 2);
        EXPECT_EQ(image.palette.red.refCount(), 2);
        EXPECT_EQ(texture.images[0].pixels.begin(), image.pixels.begin());

        // The texture's copy outlives the producer's storage.
        const unsigned char* bytes = image.pixels.begin();
        image.pixels.begin()[5] = 77;
        image.pixels.release();
        EXPECT_EQ(texture.images[0].pixels.refCount(), 1);
        EXPECT_EQ(texture.images[0].pixels.begin(), bytes);
        EXPECT_EQ(texture.images[0].pixels[5], 77);
    }
    EXPECT_EQ(image.palette.red.refCount(), 1);
}

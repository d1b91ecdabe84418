// Photographs made in the test with the decoders' own encoders (TurboJPEG, libspng) and the
// BMP builder, decoded back and checked against the colours, sizes and orientation they were
// made with; refusals with their reasons; resampling and mipmap chains.
#include "photo_files.h"

#include "libphoto/mipmap.h"
#include "libphoto/orientation.h"
#include "libphoto/photo.h"
#include "libphoto/resample.h"

#include <sys/stat.h>

using libgr::grImage2D;
using libphoto::PhotoOptions;
using namespace photos;

namespace {

bool decode(const Bytes& b, grImage2D& image, std::uint32_t longest = 0, std::uint32_t cap = 0) {
    PhotoOptions options;
    options.longestSide = longest;
    options.maxTextureSize = cap;
    return libphoto::decodePhotoMemory(b.data(), b.size(), options, image);
}

} // namespace

TEST(Photo, ScaledSizesAndPngOrientation) {
    const Picture flat = quadrants(300, 200, "AAAA", kQuadrants, 3);
    const Bytes j = jpeg(flat, TJPF_RGB, TJSAMP_444);
    std::vector<std::uint16_t> samples(std::size_t(300) * 200 * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = i % 3 == 0 ? 255 : 0;
    const Bytes p = png({2, 8, 0, {}, {}}, 300, 200, samples);
    const Bytes turned = png({2, 8, 0, {}, {}}, 300, 200, samples, exif(6, false));
    struct Case {
        const Bytes* file;
        std::uint32_t longest, cap, width, height;
    } cases[] = {
        {&j, 0, 0, 300, 200},      {&j, 100, 0, 100, 67},    {&j, 0, 64, 64, 43},
        {&j, 75, 0, 75, 50},       {&j, 100, 40, 40, 27},    {&j, 299, 0, 299, 199},
        {&p, 0, 0, 300, 200},      {&p, 100, 0, 100, 67},    {&p, 1, 0, 1, 1},
        {&turned, 0, 0, 200, 300}, {&turned, 30, 0, 20, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.longest) + " cap " + std::to_string(c.cap));
        grImage2D image;
        ASSERT_TRUE(decode(*c.file, image, c.longest, c.cap)) << libphoto::photoFailureReason();
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        for (std::uint32_t y = 0; y < image.height; y += 7)
            expectNear(pixelAt(image, image.width / 2, y), kQuadrants[0], 3);
    }
    // Scaled PNG alpha is averaged as stored: clear and opaque columns give half alpha.
    std::vector<std::uint16_t> stripes;
    for (std::uint16_t i = 0; i < 8; ++i)
        stripes.insert(stripes.end(), {255, 0, 0, std::uint16_t(i % 2 * 255)});
    grImage2D half;
    ASSERT_TRUE(decode(png({6, 8, 0, {}, {}}, 4, 2, stripes), half, 2));
    expectNear(pixelAt(half, 0, 0), {255, 0, 0, 128}, 1);
}

TEST(Photo, BmpThroughTheLibraryReader) {
    struct Case {
        BmpDesc desc;
        bool alpha;
    } cases[] = {
        {desc(24, 0, 40, kBGR), false},
        {desc(32, 0, 40, kBGR), false},
        {desc(32, 3, 40, {0xFF, 0xFF00, 0xFF0000}), false},
        {desc(16, 3, 40, {0xF800, 0x7E0, 0x1F}), false},
        {desc(16, 0, 40, k555), false},
        {desc(16, 3, 56, {0x7C00, 0x3E0, 0x1F, 0x8000}, true), true},
        {desc(32, 3, 56, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, true), true},
        {desc(8, 0, 40, {}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.desc.bits) + " bits, compression " +
                     std::to_string(c.desc.compression));
        const std::string path = writeTemp(bmp(c.desc));
        grImage2D image;
        ASSERT_TRUE(libphoto::decodePhoto(path.c_str(), PhotoOptions(), image))
            << libphoto::photoFailureReason();
        EXPECT_TRUE(libphoto::isPlainPhoto(image));
        EXPECT_EQ(image.layout, libgr::grLayoutBGRA); // what GL takes fastest
        const Colours want = picture(c.alpha);
        for (std::size_t k = 0; k < want.size(); ++k) {
            const std::uint32_t v = want[k];
            expectNear(pixelAt(image, k % 8, 1 - k / 8),
                       {int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255), int(v >> 24)}, 0);
        }
        PhotoOptions half;
        half.longestSide = 4;
        ASSERT_TRUE(libphoto::decodePhoto(path.c_str(), half, image));
        EXPECT_EQ(image.width, 4u);
        EXPECT_EQ(image.height, 1u);
        std::remove(path.c_str());
    }
}

TEST(Photo, RefusesWithAReason) {
    const Picture small = quadrants(16, 16, "ABCD", kQuadrants, 3);
    const Bytes j = jpeg(small, TJPF_RGB, TJSAMP_420);
    std::vector<std::uint16_t> samples(16 * 16 * 3, 200);
    const Bytes p = png({2, 8, 0, {}, {}}, 16, 16, samples);
    Bytes hugeJpeg = j; // SOF0 claims 60000 × 60000
    for (std::size_t i = 2; i + 9 < hugeJpeg.size(); ++i)
        if (hugeJpeg[i] == 0xFF && hugeJpeg[i + 1] == 0xC0) {
            hugeJpeg[i + 5] = hugeJpeg[i + 7] = 0xEA;
            hugeJpeg[i + 6] = hugeJpeg[i + 8] = 0x60;
            break;
        }
    const std::vector<std::uint16_t> tiny(8 * 8 * 3, 9);
    const Bytes small8 = png({2, 8, 0, {}, {}}, 8, 8, tiny);
    const Bytes big = png({2, 8, 0, {}, {}}, 100000, 1, std::vector<std::uint16_t>(300000, 1));
    Bytes bigOnlyIhdr(big.begin(), big.begin() + 33); // the signature and IHDR
    bigOnlyIhdr.insert(bigOnlyIhdr.end(), small8.begin() + 33, small8.end());
    PhotoOptions limited;
    limited.maxPixels = 99999;
    struct Case {
        const char* name;
        Bytes bytes;
        const char* reason;
        PhotoOptions options;
    } cases[] = {
        {"empty", {}, "not a JPEG, PNG or BMP picture", {}},
        {"text", {'G', 'I', 'F', '8', '9', 'a'}, "not a JPEG, PNG or BMP picture", {}},
        {"JPEG cut short", Bytes(j.begin(), j.end() - 10), "Premature end", {}},
        {"JPEG header only", Bytes(j.begin(), j.begin() + 20), "JPEG", {}},
        {"JPEG claiming 60000 x 60000", hugeJpeg, "more pixels than allowed", {}},
        {"PNG cut short", Bytes(p.begin(), p.begin() + p.size() - 30), "PNG", {}},
        {"PNG claiming 100000 x 1", bigOnlyIhdr, "more pixels than allowed", limited},
        {"PNG whose data is for a smaller picture", bigOnlyIhdr, "PNG", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grImage2D image;
        image.width = 77;
        EXPECT_FALSE(libphoto::decodePhotoMemory(c.bytes.data(), c.bytes.size(), c.options, image));
        EXPECT_NE(std::strstr(libphoto::photoFailureReason(), c.reason), nullptr)
            << libphoto::photoFailureReason();
        EXPECT_EQ(image.width, 77u);
    }
    grImage2D image;
    PhotoOptions shortFiles;
    shortFiles.maxFileBytes = 100;
    const std::string path = writeTemp(j);
    EXPECT_FALSE(libphoto::decodePhoto(path.c_str(), shortFiles, image));
    EXPECT_STREQ(libphoto::photoFailureReason(), "the file is longer than allowed");
    EXPECT_TRUE(libphoto::decodePhoto(path.c_str(), PhotoOptions(), image));
    std::remove(path.c_str());
    PhotoOptions fewPixels;
    fewPixels.maxPixels = 15;
    const std::string bmpPath = writeTemp(bmp(desc(24, 0, 40, kBGR))); // 8 × 2
    EXPECT_FALSE(libphoto::decodePhoto(bmpPath.c_str(), fewPixels, image));
    EXPECT_STREQ(libphoto::photoFailureReason(), "the picture has more pixels than allowed");
    std::remove(bmpPath.c_str());
    EXPECT_FALSE(libphoto::decodePhoto(path.c_str(), PhotoOptions(), image));
    EXPECT_STREQ(libphoto::photoFailureReason(), "cannot open the file");
    // Refused at once, never waited on: a FIFO nobody writes, a device, a folder.
    const std::string fifo = path + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& odd : {fifo, std::string("/dev/zero"), std::string("/tmp")}) {
        EXPECT_FALSE(libphoto::decodePhoto(odd.c_str(), PhotoOptions(), image));
        EXPECT_STREQ(libphoto::photoFailureReason(), "not a regular file") << odd;
    }
    std::remove(fifo.c_str());
}

TEST(Photo, ResamplingAndMipmapChains) {
    // 4 × 2 BGRA: black and white columns in linear light average to 188; alpha linearly.
    grImage2D base;
    base.layout = libgr::grLayoutBGRA;
    base.bitCode = libgr::grBits8;
    base.numberKind = libgr::grKindUnsigned;
    base.width = 4;
    base.height = 2;
    ASSERT_TRUE(base.allocatePixels());
    const unsigned char row[16] = {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 255, 255, 255, 255, 0};
    std::memcpy(base.pixels.begin(), row, 16);
    std::memcpy(base.pixels.begin() + 16, row, 16);
    std::vector<grImage2D> levels;
    ASSERT_TRUE(libphoto::buildMipmapChain(base, true, levels));
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_TRUE(levels[0].pixels.sharesWith(base.pixels));
    const std::uint32_t sizes[3][2] = {{4, 2}, {2, 1}, {1, 1}};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(levels[i].width, sizes[i][0]);
        EXPECT_EQ(levels[i].height, sizes[i][1]);
    }
    for (const grImage2D* level : {&levels[1], &levels[2]})
        expectNear(pixelAt(*level, 0, 0), {188, 188, 188, 128}, 0);
    // Odd sides: 3 → 1 averages all three by area; 5 × 3 keeps its sides or goes to 4 × 2.
    grImage2D odd;
    ASSERT_TRUE(libphoto::resamplePhoto(base, 3, 2, odd));
    expectNear(pixelAt(odd, 0, 0), {137, 137, 137, 191}, 0); // 3/4 black, 1/4 white
    // A 5530-fold reduction, each tap's weight rounded up: grey must stay that grey.
    grImage2D wide = base;
    wide.width = 27652;
    wide.height = 1;
    ASSERT_TRUE(wide.allocatePixels());
    std::memset(wide.pixels.begin(), 128, wide.pixels.size());
    grImage2D thin;
    ASSERT_TRUE(libphoto::resamplePhoto(wide, 5, 1, thin));
    expectNear(pixelAt(thin, 4, 0), {128, 128, 128, 128}, 0);
    ASSERT_TRUE(libphoto::buildMipmapChain(odd, true, levels));
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[1].width, 1u);
    ASSERT_TRUE(libphoto::buildMipmapChain(odd, false, levels));
    EXPECT_EQ(levels[0].width, 2u);
    EXPECT_EQ(levels[0].height, 2u);
    EXPECT_FALSE(libphoto::resamplePhoto(base, 5, 2, odd));
    EXPECT_STREQ(libphoto::photoFailureReason(), "resampling only scales down");
    ASSERT_TRUE(libphoto::buildMipmapChain(base, false, levels));
    EXPECT_TRUE(levels[0].pixels.sharesWith(base.pixels));
    // 6 × 6 in pairs of rows black, white, black and pairs of columns opaque, clear, opaque:
    // halved to 3 × 3 exactly, then 3 → 1 by area; 6 → 4 lets rows straddle output rows.
    base.width = base.height = 6;
    ASSERT_TRUE(base.allocatePixels());
    for (std::uint32_t i = 0; i < 36; ++i) {
        unsigned char* p = base.pixels.begin() + 4 * i;
        p[0] = p[1] = p[2] = i / 12 == 1 ? 255 : 0;
        p[3] = i % 6 / 2 == 1 ? 0 : 255;
    }
    ASSERT_TRUE(libphoto::buildMipmapChain(base, true, levels));
    ASSERT_EQ(levels.size(), 3u);
    expectNear(pixelAt(levels[1], 1, 1), {255, 255, 255, 0}, 0);
    expectNear(pixelAt(levels[1], 2, 2), {0, 0, 0, 255}, 0);
    expectNear(pixelAt(levels[2], 0, 0), {156, 156, 156, 170}, 0);
    ASSERT_TRUE(libphoto::resamplePhoto(base, 4, 4, odd));
    expectNear(pixelAt(odd, 0, 0), {0, 0, 0, 255}, 0);
    expectNear(pixelAt(odd, 0, 1), {213, 213, 213, 255}, 0);
    base.bitCode = libgr::grPacked565;
    EXPECT_FALSE(libphoto::buildMipmapChain(base, true, levels));
    EXPECT_EQ(libphoto::mipmapLevelCount(6000, 4000), 13u);
    EXPECT_EQ(libphoto::floorPowerOfTwo(6000), 4096u);
}

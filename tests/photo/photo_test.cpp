// Photographs made in the test with the decoders' own encoders (TurboJPEG, libspng) and the
// BMP builder, decoded back and checked against the colours, sizes and orientation they were
// made with; refusals with their reasons; resampling and mipmap chains.
#include "../graphics/bmp_builder.h"

#include "libphoto/mipmap.h"
#include "libphoto/orientation.h"
#include "libphoto/photo.h"
#include "libphoto/resample.h"

#include <gtest/gtest.h>
#include <spng.h>
#include <turbojpeg.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

using libgr::grImage2D;
using libphoto::PhotoOptions;

namespace {

using Pixel = std::array<int, 4>; // red, green, blue, alpha

// A picture's samples, top row first, `channels` bytes a pixel in the encoder's order.
struct Picture {
    int width, height, channels;
    Bytes samples;
};

// The upright test picture: four quadrants A (top left), B, C, D of `colours`.
Picture quadrants(int width, int height, const std::string& order,
                  const std::array<Pixel, 4>& colours, int channels) {
    Picture p{width, height, channels, Bytes(std::size_t(width) * height * channels)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Pixel& c = colours[order[(y * 2 / height) * 2 + x * 2 / width] - 'A'];
            for (int i = 0; i < channels; ++i)
                p.samples[(std::size_t(y) * width + x) * channels + i] = c[i];
        }
    return p;
}

Pixel pixelAt(const grImage2D& image, std::uint32_t x, std::uint32_t y) { // y from the top
    const int n = image.bitsPerPixel() / 8;
    const unsigned char* p =
        image.pixels.begin() + (image.height - 1 - y) * image.rowStride() + x * n;
    if (n == 1)
        return {p[0], p[0], p[0], 255};
    return {p[2], p[1], p[0], n == 4 ? p[3] : 255};
}

void put(Bytes& b, std::uint32_t v, int n, bool big) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<unsigned char>(v >> 8 * (big ? n - 1 - i : i)));
}

// An EXIF block (TIFF header, IFD0 with the orientation tag and one other before it).
Bytes exif(int orientation, bool big) {
    Bytes b(big ? Bytes{'M', 'M', 0, '*'} : Bytes{'I', 'I', '*', 0});
    put(b, 8, 4, big);
    put(b, 2, 2, big);
    for (std::uint32_t tag : {0x010Fu, 0x0112u}) {
        put(b, tag, 2, big);
        put(b, 3, 2, big);
        put(b, 1, 4, big);
        put(b, tag == 0x0112 ? orientation : 7, 2, big);
        put(b, 0, 2, big);
    }
    put(b, 0, 4, big);
    return b;
}

Bytes jpeg(const Picture& p, int format, int subsampling, int orientation = 0) {
    tjhandle h = tjInitCompress();
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(h, p.samples.data(), p.width, 0, p.height, format, &buf, &size,
                          subsampling, 95, 0),
              0);
    Bytes out(buf, buf + size);
    tjFree(buf);
    tjDestroy(h);
    if (orientation != 0) { // an APP1 segment right after SOI
        Bytes app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        const Bytes tiff = exif(orientation, orientation % 2 == 0);
        app1.insert(app1.end(), tiff.begin(), tiff.end());
        app1[3] = static_cast<unsigned char>(app1.size() - 2);
        out.insert(out.begin() + 2, app1.begin(), app1.end());
    }
    return out;
}

struct PngDesc {
    std::uint8_t colorType, depth, interlace;
    std::vector<spng_plte_entry> palette;
    std::vector<std::uint16_t> trns; // grey, or red green blue, or one alpha per palette entry
};

// `samples`: per pixel, the samples of its colour type at its depth, packed as PNG rows.
Bytes png(const PngDesc& d, int width, int height, const std::vector<std::uint16_t>& samples,
          const Bytes& exifBlock = {}) {
    const std::size_t perRow = samples.size() / height;
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        Bytes row((perRow * d.depth + 7) / 8);
        for (std::size_t i = 0; i < perRow; ++i) {
            const std::uint16_t v = samples[y * perRow + i];
            if (d.depth == 16) { // the encoder takes host-order samples
                std::memcpy(&row[2 * i], &v, 2);
            } else {
                row[i * d.depth / 8] |= v << (8 - d.depth - i * d.depth % 8);
            }
        }
        raw.insert(raw.end(), row.begin(), row.end());
    }
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{std::uint32_t(width), std::uint32_t(height), d.depth, d.colorType, 0, 0,
                   d.interlace};
    EXPECT_EQ(spng_set_ihdr(ctx, &ihdr), 0);
    spng_plte plte{std::uint32_t(d.palette.size()), {}};
    std::copy(d.palette.begin(), d.palette.end(), plte.entries);
    EXPECT_EQ(d.palette.empty() ? 0 : spng_set_plte(ctx, &plte), 0);
    spng_trns trns{};
    if (!d.trns.empty()) {
        trns.gray = trns.red = d.trns[0];
        trns.green = d.trns.size() > 1 ? d.trns[1] : 0;
        trns.blue = d.trns.size() > 2 ? d.trns[2] : 0;
        trns.n_type3_entries = d.colorType == 3 ? std::uint32_t(d.trns.size()) : 0;
        for (std::size_t i = 0; i < d.trns.size() && d.colorType == 3; ++i)
            trns.type3_alpha[i] = std::uint8_t(d.trns[i]);
        EXPECT_EQ(spng_set_trns(ctx, &trns), 0);
    }
    spng_exif e{exifBlock.size(),
                reinterpret_cast<char*>(const_cast<unsigned char*>(exifBlock.data()))};
    EXPECT_EQ(exifBlock.empty() ? 0 : spng_set_exif(ctx, &e), 0);
    EXPECT_EQ(spng_encode_image(ctx, raw.data(), raw.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE),
              0);
    std::size_t size = 0;
    int err = 0;
    auto* buf = static_cast<unsigned char*>(spng_get_png_buffer(ctx, &size, &err));
    Bytes out(buf, buf + size);
    std::free(buf);
    spng_ctx_free(ctx);
    return out;
}

bool decode(const Bytes& b, grImage2D& image, std::uint32_t longest = 0, std::uint32_t cap = 0) {
    PhotoOptions options;
    options.longestSide = longest;
    options.maxTextureSize = cap;
    return libphoto::decodePhotoMemory(b.data(), b.size(), options, image);
}

void expectNear(const Pixel& got, const Pixel& want, int tolerance) {
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(got[i], want[i], tolerance) << "component " << i;
}

const std::array<Pixel, 4> kQuadrants = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 0, 255},
                                         Pixel{0, 0, 255, 255}, Pixel{255, 255, 255, 255}};

// The upright picture as stored under each orientation (quadrants read left to right, top to
// bottom).
const char* const kStored[9] = {"", "ABCD", "BADC", "DCBA", "CDAB", "ACBD", "BDAC", "DBCA", "CADB"};

} // namespace

TEST(Photo, JpegKindsAndOrientationsDecodeUpright) {
    struct Case {
        const char* name;
        int format, subsampling, orientation;
        std::array<Pixel, 4> made, seen;
    };
    const std::array<Pixel, 4> greys = {Pixel{40, 40, 40, 255}, Pixel{100, 100, 100, 255},
                                        Pixel{170, 170, 170, 255}, Pixel{230, 230, 230, 255}};
    // Inverted CMYK (255: no ink) with black in the fourth sample.
    const std::array<Pixel, 4> cmyk = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 255, 255},
                                       Pixel{255, 255, 255, 128}, Pixel{255, 255, 0, 255}};
    const std::array<Pixel, 4> cmykSeen = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 255, 255},
                                           Pixel{128, 128, 128, 255}, Pixel{255, 255, 0, 255}};
    std::vector<Case> cases = {
        {"4:2:0", TJPF_RGB, TJSAMP_420, 0, kQuadrants, kQuadrants},
        {"4:4:4 BGR", TJPF_BGR, TJSAMP_444, 0, kQuadrants, kQuadrants},
        {"grey", TJPF_GRAY, TJSAMP_GRAY, 0, greys, greys},
        {"CMYK", TJPF_CMYK, TJSAMP_444, 0, cmyk, cmykSeen},
    };
    for (int o = 1; o <= 8; ++o)
        cases.push_back({"orientation", TJPF_RGB, TJSAMP_444, o, kQuadrants, kQuadrants});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.orientation));
        const bool swap = c.orientation >= 5;
        const int channels = tjPixelSize[c.format];
        std::array<Pixel, 4> made = c.made;
        if (c.format == TJPF_BGR)
            for (Pixel& p : made)
                std::swap(p[0], p[2]);
        const Picture stored =
            quadrants(swap ? 16 : 32, swap ? 32 : 16, kStored[c.orientation ? c.orientation : 1],
                      made, channels);
        grImage2D image;
        ASSERT_TRUE(decode(jpeg(stored, c.format, c.subsampling, c.orientation), image))
            << libphoto::photoFailureReason();
        EXPECT_STREQ(libphoto::photoFailureReason(), "");
        ASSERT_EQ(image.width, 32u);
        ASSERT_EQ(image.height, 16u);
        EXPECT_EQ(image.layout, libgr::grLayoutBGR);
        EXPECT_EQ(image.pixelStore->alignment, 1);
        for (int q = 0; q < 4; ++q)
            expectNear(pixelAt(image, 8 + q % 2 * 16, 4 + q / 2 * 8), c.seen[q], 10);
    }
}

TEST(Photo, PngEveryColourTypeAndDepth) {
    // Pixels alternate between an "on" and an "off" colour in a pattern no mirror keeps.
    struct Case {
        PngDesc desc;
        std::vector<std::uint16_t> on, off; // samples
        Pixel seenOn, seenOff;
    };
    const std::vector<spng_plte_entry> palette = {
        {0, 0, 255, 0}, {255, 255, 0, 0}, {9, 9, 9, 0}, {1, 2, 3, 0}};
    const Pixel white{255, 255, 255, 255}, black{0, 0, 0, 255};
    std::vector<Case> cases;
    for (std::uint8_t depth : {1, 2, 4, 8, 16}) {
        const std::uint16_t max = (1u << depth) - 1;
        cases.push_back({{0, depth, 0, {}, {}}, {max}, {0}, white, black});
        if (depth <= 8)
            cases.push_back(
                {{3, depth, 0, {palette.begin(), palette.begin() + (depth == 1 ? 2 : 4)}, {}},
                 {1},
                 {0},
                 {255, 255, 0, 255},
                 {0, 0, 255, 255}});
    }
    for (std::uint8_t depth : {8, 16}) {
        const std::uint16_t max = depth == 8 ? 255 : 65535, half = depth == 8 ? 128 : 0x80FF;
        cases.push_back({{2, depth, 0, {}, {}},
                         {max, 0, half},
                         {0, max, 0},
                         {255, 0, 128, 255},
                         {0, 255, 0, 255}});
        cases.push_back({{2, depth, 1, {}, {}},
                         {max, 0, half},
                         {0, max, 0},
                         {255, 0, 128, 255},
                         {0, 255, 0, 255}});
        cases.push_back(
            {{4, depth, 0, {}, {}}, {max, half}, {0, max}, {255, 255, 255, 128}, black});
        cases.push_back({{6, depth, 1, {}, {}},
                         {max, 0, 0, 0},
                         {0, 0, max, max},
                         {255, 0, 0, 0},
                         {0, 0, 255, 255}});
        cases.push_back({{0, depth, 0, {}, {max}}, {max}, {0}, {255, 255, 255, 0}, black});
        cases.push_back({{2, depth, 0, {}, {0, max, 0}},
                         {max, 0, 0},
                         {0, max, 0},
                         {255, 0, 0, 255},
                         {0, 255, 0, 0}});
    }
    cases.push_back({{3, 2, 1, palette, {0, 200}}, {1}, {2}, {255, 255, 0, 200}, {9, 9, 9, 255}});
    const int w = 7, h = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE("colour type " + std::to_string(c.desc.colorType) + ", " +
                     std::to_string(c.desc.depth) + " bits, interlace " +
                     std::to_string(c.desc.interlace) + ", tRNS " +
                     std::to_string(c.desc.trns.size()));
        std::vector<std::uint16_t> samples;
        for (int i = 0; i < w * h; ++i)
            for (std::uint16_t s : (i % 3 == 0 || i == 1) ? c.on : c.off)
                samples.push_back(s);
        grImage2D image;
        ASSERT_TRUE(decode(png(c.desc, w, h, samples), image)) << libphoto::photoFailureReason();
        ASSERT_EQ(image.width, std::uint32_t(w));
        ASSERT_EQ(image.height, std::uint32_t(h));
        const bool alpha = c.seenOn[3] != 255 || c.seenOff[3] != 255;
        EXPECT_EQ(image.layout, alpha ? libgr::grLayoutBGRA : libgr::grLayoutBGR);
        EXPECT_EQ(image.pixelStore->alignment, alpha ? 4 : 1);
        for (int i = 0; i < w * h; ++i)
            expectNear(pixelAt(image, i % w, i / w), (i % 3 == 0 || i == 1) ? c.seenOn : c.seenOff,
                       0);
    }
}

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
        EXPECT_EQ(image.layout, c.alpha ? libgr::grLayoutBGRA : libgr::grLayoutBGR);
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
        {"BMP from memory", bmp(desc(24, 0, 40, kBGR)), "BMP pictures are read from files", {}},
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
    EXPECT_NE(std::strstr(libphoto::photoFailureReason(), "cannot open"), nullptr);
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

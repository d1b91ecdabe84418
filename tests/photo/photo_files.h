// Photographs for the photo tests, made with the decoders' own encoders (TurboJPEG, libspng):
// a four-quadrant picture, JPEG files with an EXIF orientation, PNG files of any colour type
// and depth, and the colours a record or texture holds where.
#pragma once

#include "../graphics/bmp_builder.h"

#include "libgr/image_record.h"

#include <gtest/gtest.h>
#include <spng.h>
#include <turbojpeg.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace photos {

using Pixel = std::array<int, 4>; // red, green, blue, alpha

// A picture's samples, top row first, `channels` bytes a pixel in the encoder's order.
struct Picture {
    int width, height, channels;
    Bytes samples;
};

// The upright test picture: four quadrants A (top left), B, C, D of `colours`.
inline Picture quadrants(int width, int height, const std::string& order,
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

inline Pixel pixelAt(const libgr::grImage2D& image, std::uint32_t x,
                     std::uint32_t y) { // y from the top
    const int n = image.bitsPerPixel() / 8;
    const unsigned char* p =
        image.pixels.begin() + (image.height - 1 - y) * image.rowStride() + x * n;
    if (n == 1)
        return {p[0], p[0], p[0], 255};
    return {p[2], p[1], p[0], n == 4 ? p[3] : 255};
}

inline void put(Bytes& b, std::uint32_t v, int n, bool big) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<unsigned char>(v >> 8 * (big ? n - 1 - i : i)));
}

// An EXIF block (TIFF header, IFD0 with the orientation tag and one other before it).
inline Bytes exif(int orientation, bool big) {
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

inline Bytes jpeg(const Picture& p, int format, int subsampling, int orientation = 0) {
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
inline Bytes png(const PngDesc& d, int width, int height, const std::vector<std::uint16_t>& samples,
                 const Bytes& exifBlock = {},
                 const std::function<void(spng_ctx*)>& moreChunks = {}) {
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
    if (moreChunks)
        moreChunks(ctx);
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

inline void expectNear(const Pixel& got, const Pixel& want, int tolerance) {
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(got[i], want[i], tolerance) << "component " << i;
}

inline const std::array<Pixel, 4> kQuadrants = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 0, 255},
                                                Pixel{0, 0, 255, 255}, Pixel{255, 255, 255, 255}};

// The upright picture as stored under each orientation (quadrants read left to right, top to
// bottom).
inline const char* const kStored[9] = {"",     "ABCD", "BADC", "DCBA", "CDAB",
                                       "ACBD", "BDAC", "DBCA", "CADB"};

} // namespace photos

// Hostile and odd files on the photo road: each refused with the reason that names its cause,
// or shown as browsers show it; sizes held to the memory budget.
#include "photo_files.h"

#include "libphoto/photo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <zlib.h>

using libgr::grErrc;
using libgr::grImage2D;
using libphoto::PhotoOptions;
using namespace photos;

namespace {

// A JPEG through libjpeg's own encoder: `scans` a script (null: sequential), `sampling` the
// first component's h × v factors, CMYK when the picture has four channels.
Bytes encode(const Picture& p, int hSamp, int vSamp, bool progressive,
             const std::vector<jpeg_scan_info>& script = {}) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = p.width;
    c.image_height = p.height;
    c.input_components = p.channels;
    c.in_color_space = p.channels == 4 ? JCS_CMYK : p.channels == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    c.comp_info[0].h_samp_factor = hSamp;
    c.comp_info[0].v_samp_factor = vSamp;
    if (progressive)
        jpeg_simple_progression(&c);
    if (!script.empty()) {
        c.scan_info = script.data();
        c.num_scans = static_cast<int>(script.size());
    }
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < p.height; ++y) {
        JSAMPROW row =
            const_cast<unsigned char*>(&p.samples[std::size_t(y) * p.width * p.channels]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(buf, buf + size);
    std::free(buf);
    return out;
}

// Offsets of every marker `code` (FF code) in a JPEG's bytes.
std::vector<std::size_t> markers(const Bytes& j, unsigned char code) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i + 1 < j.size(); ++i)
        if (j[i] == 0xFF && j[i + 1] == code)
            at.push_back(i);
    return at;
}

// A PNG chunk with its checksum (or a wrong one).
Bytes chunk(const char* type, const Bytes& data, bool goodCrc = true) {
    Bytes c;
    put(c, std::uint32_t(data.size()), 4, true);
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    std::uint32_t crc = crc32(crc32(0, Z_NULL, 0), c.data() + 4, uInt(data.size() + 4));
    put(c, goodCrc ? crc : crc ^ 1, 4, true);
    return c;
}

// The PNG with `extra` put in before its first IDAT (the signature and IHDR are 33 bytes).
Bytes withChunks(const Bytes& png, const Bytes& extra) {
    Bytes out(png.begin(), png.begin() + 33);
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), png.begin() + 33, png.end());
    return out;
}

// The PNG with the checksum of the chunk of `type` flipped.
Bytes badCrc(Bytes png, const char* type) {
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length =
            png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0) {
            png[at + 8 + length] ^= 1;
            break;
        }
        at += 12 + length;
    }
    return png;
}

struct Hostile {
    const char* name;
    Bytes bytes;
    grErrc code; // none: shown
    const char* reason;
};

void expectAll(const std::vector<Hostile>& cases, const PhotoOptions& options = PhotoOptions()) {
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        grImage2D image;
        const bool shown =
            libphoto::decodePhotoMemory(c.bytes.data(), c.bytes.size(), options, image);
        const libphoto::PhotoError e = libphoto::photoError();
        EXPECT_EQ(shown, c.code == grErrc::none) << e.text();
        EXPECT_EQ(e.code(), c.code) << e.text();
        EXPECT_NE(std::strstr(e.text(), c.reason), nullptr) << e.text();
    }
}

} // namespace

TEST(Hostile, Jpeg) {
    const Picture rgb = quadrants(64, 48, "ABCD", kQuadrants, 3);
    const Bytes prog = encode(rgb, 2, 2, true);
    std::vector<Hostile> cases;
    // Cut inside each table segment between scans, and at each scan's start.
    for (std::size_t at : markers(prog, 0xC4))
        if (at > markers(prog, 0xDA)[0])
            cases.push_back({"cut inside a table between scans",
                             Bytes(prog.begin(), prog.begin() + at + 3), grErrc::truncated,
                             "Premature end"});
    for (std::size_t at : markers(prog, 0xDA))
        cases.push_back({"cut before a scan", Bytes(prog.begin(), prog.begin() + at),
                         grErrc::truncated, "Premature end"});
    // Entropy data that ends early, then an end marker.
    const Bytes seq = encode(rgb, 2, 2, false);
    Bytes early(seq.begin(), seq.begin() + markers(seq, 0xDA)[0] +
                                 (seq.size() - markers(seq, 0xDA)[0]) * 6 / 10);
    early.push_back(0xFF);
    early.push_back(0xD9);
    cases.push_back(
        {"entropy data ends early", early, grErrc::corrupt, "premature end of data segment"});
    // A four-component progressive picture claiming 16384 × 8192: its coefficients alone
    // would be 1 GiB.
    Bytes bomb = encode(quadrants(16, 16, "ABCD", kQuadrants, 4), 1, 1, true);
    const std::size_t sof = markers(bomb, 0xC2)[0];
    bomb[sof + 5] = 0x20, bomb[sof + 6] = 0, bomb[sof + 7] = 0x40, bomb[sof + 8] = 0;
    cases.push_back({"progressive bomb", bomb, grErrc::overBudget, "memory budget"});
    // One scan for every coefficient of every component: 192 scans.
    std::vector<jpeg_scan_info> script;
    for (int comp = 0; comp < 3; ++comp) {
        script.push_back({1, {comp}, 0, 0, 0, 0});
        for (int k = 1; k < 64; ++k)
            script.push_back({1, {comp}, k, k, 0, 0});
    }
    cases.push_back({"192 scans", encode(rgb, 1, 1, true, script), grErrc::tooManyScans, "scans"});
    for (int h : {3, 4})
        cases.push_back({"luma sampled 3x1 and 4x1", encode(rgb, h, 1, false), grErrc::none, ""});
    cases.push_back({"192 scans", encode(rgb, 1, 1, true, script), grErrc::tooManyScans, "scans"});
    expectAll(cases);
}

TEST(Hostile, JpegColoursAndOrientation) {
    // CMYK (as libjpeg stores it: 255 is no ink) comes out exactly: each colour the ink's
    // product, rounded to the nearest level.
    const std::array<Pixel, 4> inks = {Pixel{200, 100, 50, 180}, Pixel{13, 77, 254, 99},
                                       Pixel{128, 129, 130, 131}, Pixel{255, 1, 64, 250}};
    grImage2D image;
    const Bytes cmyk = encode(quadrants(16, 16, "ABCD", inks, 4), 1, 1, false);
    ASSERT_TRUE(libphoto::decodePhotoMemory(cmyk.data(), cmyk.size(), PhotoOptions(), image))
        << libphoto::photoError().text();
    for (int q = 0; q < 4; ++q) {
        const Pixel& k = inks[q];
        auto level = [&](int ink) { return int(std::lround(ink * k[3] / 255.0)); };
        EXPECT_EQ(pixelAt(image, (q % 2) * 8 + 4, (q / 2) * 8 + 4),
                  (Pixel{level(k[0]), level(k[1]), level(k[2]), 255}));
    }
    // The EXIF orientation after a JFIF APP0 segment still counts.
    const Bytes plain = encode(quadrants(16, 8, "ABCD", kQuadrants, 3), 1, 1, false);
    ASSERT_EQ(plain[2], 0xFF);
    ASSERT_EQ(plain[3], 0xE0); // libjpeg writes JFIF's APP0 first
    const std::size_t app0End = 4 + (plain[4] << 8 | plain[5]);
    Bytes app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    const Bytes tiff = exif(6, true);
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    app1[3] = static_cast<unsigned char>(app1.size() - 2);
    Bytes turned = plain;
    turned.insert(turned.begin() + app0End, app1.begin(), app1.end());
    ASSERT_TRUE(libphoto::decodePhotoMemory(turned.data(), turned.size(), PhotoOptions(), image));
    EXPECT_EQ(image.width, 8u);
    EXPECT_EQ(image.height, 16u);
}

TEST(Hostile, Png) {
    std::vector<std::uint16_t> samples(16 * 16 * 3, 200);
    const Bytes p = png({2, 8, 0, {}, {}}, 16, 16, samples);
    Bytes texts;
    for (int i = 0; i < 10000; ++i) {
        const Bytes t = chunk("tEXt", {'k', 0, 'v'});
        texts.insert(texts.end(), t.begin(), t.end());
    }
    Bytes noIdat(p.begin(), p.begin() + 33);
    const Bytes iend = chunk("IEND", {});
    noIdat.insert(noIdat.end(), iend.begin(), iend.end());
    expectAll({
        {"empty eXIf", withChunks(p, chunk("eXIf", {})), grErrc::none, ""},
        {"damaged eXIf", withChunks(p, chunk("eXIf", exif(6, true), false)), grErrc::none, ""},
        {"iCCP of nonsense", withChunks(p, chunk("iCCP", Bytes(5000, 7))), grErrc::none, ""},
        {"10,000 tEXt chunks", withChunks(p, texts), grErrc::none, ""},
        {"IDAT checksum wrong", badCrc(p, "IDAT"), grErrc::corrupt, "checksum"},
        {"IHDR checksum wrong", badCrc(p, "IHDR"), grErrc::corrupt, "PNG: "},
        {"no IDAT", noIdat, grErrc::corrupt, "PNG: "},
    });
}

TEST(Hostile, WideAndTallThroughTheScaler) {
    // One-bit grey rows: 2^25 and 2^27 pixels wide in a few kilobytes; a tall one the other way.
    auto oneBit = [](int width, int height) {
        return png({0, 1, 0, {}, {}}, width, height,
                   std::vector<std::uint16_t>(std::size_t(width) * height, 1));
    };
    PhotoOptions screen;
    screen.longestSide = 1024;
    Bytes tall = oneBit(1, 8); // its IHDR made to claim 2^25 rows
    Bytes ihdr(tall.begin() + 16, tall.begin() + 29);
    ihdr[4] = 2;
    const Bytes claim = chunk("IHDR", ihdr);
    std::copy(claim.begin(), claim.end(), tall.begin() + 8);
    expectAll({{"2^25 x 1", oneBit(1 << 25, 1), grErrc::none, ""},
               {"1 x 2^25", tall, grErrc::sideTooLong, "more rows"},
               {"2^27 x 1", oneBit(1 << 27, 1), grErrc::sideTooLong, "too long to stream"},
               {"1 x 2^22", oneBit(1, 1 << 22), grErrc::none, ""}},
              screen);
}

// The BMP reader without GL: what it refuses and why, and what it reads of a file.
#include "libgr/bmp_file.h"

#include "../bmp_builder.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace libgr;

namespace {

// Writes `bytes` to a temporary file, loads it and removes the file.
bool load(grBmpFile& file, const Bytes& bytes) {
    const std::string path = writeTemp(bytes);
    const bool ok = file.load(path.c_str());
    std::remove(path.c_str());
    return ok;
}

Bytes rle8(Bytes stream) {
    return bmp(with(desc(8, 1, 40, {}), 2, stream));
}

} // namespace

TEST(BmpFile, RefusesWhatItCannotShowAndSaysWhy) {
    // Fields of the 8-bit file by byte offset: bfOffBits 10, biSize 14, width 18, height 22,
    // planes 26, bit count 28, compression 30, colours used 46; its pixels begin at 86.
    const Bytes p8 = bmp(desc(8, 0, 40, {})), p16 = bmp(desc(16, 3, 40, {0xF800, 0x7E0, 0x1F}));
    const std::pair<Bytes, const char*> cases[] = {
        {Bytes(17, 0), "too short for its headers"},
        {patch(p8, 14, 100), "header size"},
        {patch(p8, 26, 2, 2), "plane"},
        {patch(p8, 28, 7, 2), "bit count"},
        {patch(p8, 30, 4), "unsupported compression"},
        {patch(patch(p16, 14, 64), 10, 78), "unsupported compression"}, // OS/2 2.x: Huffman
        {patch(p8, 30, 2), "does not match"},
        {patch(p8, 18, 0), "not positive"},
        {patch(patch(p8, 18, 8193), 22, 8193), "too large"},
        {patch(patch(p8, 30, 1), 22, -2), "top-down"},
        {patch(p8, 10, 53), "inside the headers"},
        {patch(p8, 10, 54), "no colour table"},
        {patch(p8, 46, 257), "larger than the bit count allows"},
        {Bytes(p8.begin(), p8.end() - 9), "pixel array too short"},
        {patch(p16, 58, 0x0FE0), "masks"}, // overlaps red
        {patch(p16, 54, 0xF00F), "masks"}, // not one run of bits
        {patch(p8, 46, 7), "beyond the colour table"},
        {rle8({2, 9, 0, 1}), "beyond the colour table"},
        {rle8({9, 1, 0, 1}), "past the end of a row"},
        {rle8({0, 0, 0, 0, 0, 0, 0, 1}), "past the end"},
        {rle8({0, 2, 9, 0, 0, 1}), "past the end"},
        {rle8({8, 1, 0, 0, 4, 1}), "ends before the end of the picture"},
        {rle8({0, 5, 1, 2}), "ends inside an absolute run"},
        {rle8({0, 2, 1}), "ends inside a delta"},
    };
    grBmpFile file;
    for (const auto& [bytes, reason] : cases) {
        grImage2D image, before;
        ASSERT_TRUE(before.pixels.create(7));
        image = before;
        const unsigned char* kept = file.bits.begin();
        if (!load(file, bytes))
            EXPECT_EQ(file.bits.begin(), kept); // the file keeps what it had
        else
            EXPECT_FALSE(grBmpToImage(image, file));
        EXPECT_NE(std::string(grBmpFailureReason()).find(reason), std::string::npos)
            << reason << " / " << grBmpFailureReason();
        EXPECT_TRUE(image.pixels.sharesWith(before.pixels)); // the record is left alone
    }
    const std::pair<const char*, const char*> sources[] = {
        {"/nonexistent/p.bmp", "cannot open the file"},
        {PLUVINA_TEST_DATA, "not a regular file"},
    };
    for (const auto& [path, reason] : sources) {
        EXPECT_FALSE(file.load(path)) << path;
        EXPECT_STREQ(grBmpFailureReason(), reason) << path;
    }
}

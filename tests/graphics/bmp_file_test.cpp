#include "libgr/bmp_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace libgr;

namespace {

using Bytes = std::vector<unsigned char>;

// `bytes` with the 32-bit little-endian field at byte `at` set to `v`.
Bytes patched(Bytes bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
    return bytes;
}

// A file with a 40-byte info header and `colors` table entries, then `rows` as stored.
Bytes makeBmp(std::int32_t width, std::int32_t height, std::uint16_t bitCount, const Bytes& rows,
              std::uint32_t colors = 0) {
    Bytes out(54 + 4 * colors, 0);
    out[0] = 'B';
    out[1] = 'M';
    out = patched(out, 10, static_cast<std::uint32_t>(out.size())); // bfOffBits
    out = patched(out, 14, 40);                                     // biSize
    out = patched(out, 18, static_cast<std::uint32_t>(width));
    out = patched(out, 22, static_cast<std::uint32_t>(height));
    out = patched(out, 26, 1u | std::uint32_t{bitCount} << 16); // biPlanes, biBitCount
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// `height` stored rows of `stride` bytes: byte i of row r is r * 64 + i + 1, padding is 0xEE.
Bytes patternRows(int rowBytes, int height, int stride) {
    Bytes rows(static_cast<std::size_t>(stride) * height, 0xEE);
    for (int r = 0; r < height; ++r)
        for (int i = 0; i < rowBytes; ++i)
            rows[r * stride + i] = static_cast<unsigned char>(r * 64 + i + 1);
    return rows;
}

class BmpFileTest : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path_.c_str()); }

    bool load(grBmpFile& file, const Bytes& bytes) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return file.load(path_.c_str());
    }

    // The file loads but gives no record, leaving the record alone; an unsupported bit count
    // is found only after the palette has been cleared.
    void expectRefused(const Bytes& bytes, std::uint32_t paletteAfter = 2) {
        grBmpFile file;
        ASSERT_TRUE(load(file, bytes));
        grImage2D marked;
        ASSERT_TRUE(marked.pixels.create(7) && marked.palette.resize(2));
        marked.layout = 8;
        grImage2D image = marked;
        EXPECT_FALSE(grBmpToImage(image, file));
        EXPECT_TRUE(image.pixels.sharesWith(marked.pixels));
        EXPECT_EQ(image.layout, 8);
        EXPECT_EQ(image.palette.count, paletteAfter);
    }

    const std::string path_ = "/tmp/bmp_file_test_" + std::to_string(getpid()) + ".bmp";
};

} // namespace

TEST_F(BmpFileTest, SharesThePaddedRowsOfEightTwentyFourAndThirtyTwoBitFiles) {
    // {bits, bytes a pixel, layout, colours, stored row length for widths 1 to 5}
    const std::tuple<std::uint16_t, int, int, int, std::array<int, 5>> depths[] = {
        {8, 1, 0, 256, {4, 4, 4, 4, 8}},
        {24, 3, 9, 0, {4, 8, 12, 12, 16}},
        {32, 4, 10, 0, {4, 8, 12, 16, 20}}};
    for (const auto& [bits, bytesPerPixel, layout, colors, strides] : depths)
        for (int width = 1; width <= 5; ++width) {
            SCOPED_TRACE(::testing::Message() << "bits " << bits << " width " << width);
            const int stride = strides[width - 1];
            const Bytes rows = patternRows(width * bytesPerPixel, 3, stride);
            grBmpFile file;
            ASSERT_TRUE(load(file, makeBmp(width, 3, bits, rows, colors)));
            grImage2D image;
            ASSERT_TRUE(grBmpToImage(image, file));
            EXPECT_EQ(std::make_tuple(image.layout, image.numberKind, image.bitCode, image.width,
                                      image.height, image.palette.count),
                      std::make_tuple(layout, 1, 3, std::uint32_t(width), 3u, 0u));
            // The record views the file's own bytes from bfOffBits to the end.
            EXPECT_EQ(image.pixels.begin(), file.bits.begin());
            EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.end()), rows);
            // GL, at its default alignment, reads two whole rows and the last one unpadded.
            grGLFormat format;
            ASSERT_TRUE(resolveFormat(format, image.layout, 1, 3, false));
            EXPECT_EQ(uploadByteCount(image, format, 4), 2u * stride + width * bytesPerPixel);
        }
}

TEST_F(BmpFileTest, StorageIsSharedByReferenceCount) {
    Bytes bytes = makeBmp(2, 2, 24, patternRows(6, 2, 8));
    auto file = std::make_unique<grBmpFile>();
    ASSERT_TRUE(load(*file, bytes));
    EXPECT_EQ(file->bits.refCount(), 4);
    EXPECT_TRUE(file->fileHeader.sharesWith(file->colorTable));
    grImage2D a, b, c;
    ASSERT_TRUE(grBmpToImage(a, *file) && grBmpToImage(b, *file));
    EXPECT_EQ(file->bits.refCount(), 6);
    bytes[0] = 'X'; // the signature is not examined
    bytes[54] = 0x42;
    ASSERT_TRUE(load(*file, bytes)); // the views move on; the records keep the first file
    EXPECT_EQ(a.pixels.refCount(), 2);
    ASSERT_TRUE(grBmpToImage(c, *file));
    EXPECT_EQ(c.pixels[0], 0x42);
    file.reset();
    EXPECT_EQ(c.pixels.refCount(), 1);
    EXPECT_EQ(a.pixels[8 + 5], 64 + 5 + 1);
}

TEST_F(BmpFileTest, TopDownFilesAreTurnedBottomUp) {
    const Bytes rows = patternRows(6, 3, 8);
    grBmpFile file;
    ASSERT_TRUE(load(file, makeBmp(2, -3, 24, rows)));
    grImage2D image;
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(image.height, 3u);
    ASSERT_EQ(image.pixels.size(), 24u);
    for (int i = 0; i < 24; ++i) // padding moves with its row
        EXPECT_EQ(image.pixels[i], rows[(2 - i / 8) * 8 + i % 8]) << i;
    // Heights that cannot be flipped: the most negative one, and one row more than stored.
    expectRefused(makeBmp(2, INT32_MIN, 24, rows));
    expectRefused(makeBmp(2, -4, 24, rows));
}

TEST_F(BmpFileTest, OneAndFourBitIndicesBecomeGreyBytes) {
    // Top-down, 10 pixels a row: 0100 1101 10 over 1011 0010 01, rows padded to 4 bytes.
    grBmpFile file;
    ASSERT_TRUE(load(file, makeBmp(10, -2, 1, {0x4D, 0x80, 0, 0, 0xB2, 0x40, 0, 0}, 2)));
    grImage2D image;
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(std::make_tuple(image.layout, image.numberKind, image.bitCode, image.height),
              std::make_tuple(0, 1, 3, 2u));
    EXPECT_FALSE(image.pixels.sharesWith(file.bits)); // expanded into storage of its own
    ASSERT_EQ(image.pixels.size(), 24u);              // rows of 10 bytes padded to 12
    const char* bottomUp = "10110010010100110110";
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(image.pixels[i / 10 * 12 + i % 10], bottomUp[i] == '1' ? 255 : 0) << i;

    ASSERT_TRUE(load(file, makeBmp(3, 2, 4, {0x1F, 0x80, 0xFF, 0xFF, 0x02, 0xE0, 0, 0}, 16)));
    ASSERT_TRUE(grBmpToImage(image, file));
    ASSERT_EQ(image.pixels.size(), 8u);
    const unsigned char grey[] = {17, 255, 136, 0, 34, 238}; // index × 17
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image.pixels[i / 3 * 4 + i % 3], grey[i]) << i;
}

TEST_F(BmpFileTest, RefusesFilesItCannotReadOrThatLieInTheirHeaders) {
    const Bytes good = makeBmp(2, 2, 24, patternRows(6, 2, 8)); // 70 bytes
    grBmpFile file;
    ASSERT_TRUE(load(file, good));
    const unsigned char* goodBits = file.bits.begin();
    // Missing; a directory (a status of at least 54 bytes, but nothing to read); too short
    // for the headers; biSize < 40; bfOffBits inside the headers.
    EXPECT_FALSE(file.load("/nonexistent/file.bmp"));
    EXPECT_FALSE(file.load("/tmp"));
    for (const Bytes& bytes :
         {Bytes(good.begin(), good.begin() + 53), patched(good, 14, 12), patched(good, 10, 53)})
        EXPECT_FALSE(load(file, bytes)) << bytes.size();
    EXPECT_EQ(file.bits.begin(), goodBits); // the object keeps the file it had
    EXPECT_EQ(file.bits.refCount(), 4);

    Bytes v5 = patched(patched(good, 14, 124), 10, 14 + 124); // a larger info header
    v5.insert(v5.begin() + 54, 124 - 40, 0x7F);
    ASSERT_TRUE(load(file, v5));
    grImage2D image;
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(image.pixels[5], 6);

    // Header fields patched at their byte offsets: compression, width, height, bfOffBits
    // beyond the end, rows of 3 GiB, 16 bits.
    const std::pair<int, std::uint32_t> lies[] = {{30, 1},  {30, 2},           {30, 3},
                                                  {18, 0},  {18, 0xFFFFFFFFu}, {22, 0},
                                                  {10, 86}, {28, 16},          {18, 0x40000000}};
    for (const auto& [at, value] : lies) {
        SCOPED_TRACE(::testing::Message() << "field at " << at << " = " << value);
        expectRefused(patched(good, at, value), at == 28 ? 0 : 2);
    }
    // 2^31 - 1 rows of 8 GiB
    expectRefused(patched(patched(patched(good, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF), 28, 32));
    expectRefused(Bytes(good.begin(), good.end() - 1)); // the last row's padding is missing
}

#include "libgr/bmp_file.h"
#include "libutils/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace libgr;

namespace {

// What goes into a test file. Pixel rows are given exactly as stored, padding included.
struct BmpSpec {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    std::uint32_t colors = 0;  // colour-table entries written after the info header
    std::int64_t offBits = -1; // -1: right after the colour table
    const char* type = "BM";
    std::vector<unsigned char> pixels;
};

void put16(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::vector<unsigned char> makeBmp(const BmpSpec& s) {
    const std::uint32_t headers = 14 + s.infoSize + 4 * s.colors;
    const auto offBits = s.offBits < 0 ? headers : static_cast<std::uint32_t>(s.offBits);
    std::vector<unsigned char> out;
    out.push_back(static_cast<unsigned char>(s.type[0]));
    out.push_back(static_cast<unsigned char>(s.type[1]));
    put32(out, headers + static_cast<std::uint32_t>(s.pixels.size()));
    put32(out, 0);
    put32(out, offBits);
    put32(out, s.infoSize);
    put32(out, static_cast<std::uint32_t>(s.width));
    put32(out, static_cast<std::uint32_t>(s.height));
    put16(out, 1);
    put16(out, s.bitCount);
    put32(out, s.compression);
    for (int i = 0; i < 5; ++i)
        put32(out, 0);
    out.resize(14 + s.infoSize, 0xAB); // the rest of a larger info header
    for (std::uint32_t i = 0; i < s.colors; ++i)
        put32(out, 0x00FFFFFFu - i);
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

// Stored rows of a test pattern: byte c of pixel x in stored row r is unique-ish; padding
// bytes are 0xEE so a reader that skips them wrongly shows.
std::vector<unsigned char> patternRows(int width, int height, int bytesPerPixel, int stride) {
    std::vector<unsigned char> rows(static_cast<std::size_t>(stride) * height, 0xEE);
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bytesPerPixel; ++c)
                rows[r * stride + x * bytesPerPixel + c] =
                    static_cast<unsigned char>(r * 64 + x * 8 + c + 1);
    return rows;
}

class BmpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/bmp_file_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const std::string& path : written_)
            std::remove(path.c_str());
        rmdir(dir_.c_str());
    }

    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        written_.push_back(path);
        return path;
    }

    std::string dir_;
    std::vector<std::string> written_;
};

// A record whose every field is set, to show that a refused conversion leaves it alone.
grImage2D markedRecord() {
    grImage2D image;
    image.pixels.create(7);
    image.layout = 8;
    image.numberKind = 2;
    image.bitCode = 7;
    image.width = 11;
    image.height = 13;
    image.compressed = true;
    image.palette.resize(2);
    return image;
}

void expectUntouched(const grImage2D& image, const grImage2D& marked) {
    EXPECT_TRUE(image.pixels.sharesWith(marked.pixels));
    EXPECT_EQ(image.layout, 8);
    EXPECT_EQ(image.numberKind, 2);
    EXPECT_EQ(image.bitCode, 7);
    EXPECT_EQ(image.width, 11u);
    EXPECT_EQ(image.height, 13u);
    EXPECT_TRUE(image.compressed);
    EXPECT_EQ(image.palette.count, 2u);
}

} // namespace

TEST_F(BmpFileTest, SharesThePaddedRowsOfEightTwentyFourAndThirtyTwoBitFiles) {
    struct Depth {
        std::uint16_t bits;
        int bytesPerPixel;
        int layout;
        std::uint32_t colors;
        int strides[5]; // stored row length for widths 1 to 5
    };
    const Depth depths[] = {
        {8, 1, 0, 256, {4, 4, 4, 4, 8}},
        {24, 3, 9, 0, {4, 8, 12, 12, 16}},
        {32, 4, 10, 0, {4, 8, 12, 16, 20}},
    };
    for (const Depth& d : depths)
        for (int width = 1; width <= 5; ++width) {
            SCOPED_TRACE("bits " + std::to_string(d.bits) + " width " + std::to_string(width));
            const int stride = d.strides[width - 1];
            BmpSpec spec;
            spec.width = width;
            spec.height = 3;
            spec.bitCount = d.bits;
            spec.colors = d.colors;
            spec.pixels = patternRows(width, 3, d.bytesPerPixel, stride);
            const std::vector<unsigned char> bytes = makeBmp(spec);
            const std::string path = write("depth.bmp", bytes);

            grBmpFile file;
            ASSERT_TRUE(file.load(path.c_str()));
            const std::uint32_t offBits = 54 + 4 * d.colors;
            EXPECT_EQ(file.colorTable.size(), d.colors);
            EXPECT_EQ(file.bits.byteOffset(), offBits);

            grImage2D image;
            ASSERT_TRUE(grBmpToImage(image, file));
            EXPECT_EQ(image.layout, d.layout);
            EXPECT_EQ(image.bitCode, 3);
            EXPECT_EQ(image.numberKind, 1);
            EXPECT_EQ(image.width, static_cast<std::uint32_t>(width));
            EXPECT_EQ(image.height, 3u);
            EXPECT_FALSE(image.compressed);
            EXPECT_EQ(image.palette.count, 0u);
            EXPECT_EQ(image.pixelStore, nullptr);
            EXPECT_EQ(image.rowLength, 0);

            // The record views the file's own bytes from bfOffBits to the end.
            EXPECT_EQ(image.pixels.begin(), file.bits.begin());
            ASSERT_EQ(image.pixels.size(), bytes.size() - offBits);
            for (int r = 0; r < 3; ++r)
                for (int x = 0; x < width; ++x)
                    for (int c = 0; c < d.bytesPerPixel; ++c)
                        ASSERT_EQ(image.pixels[r * stride + x * d.bytesPerPixel + c],
                                  r * 64 + x * 8 + c + 1);

            // What GL would read with its default alignment lies within the view.
            grGLFormat format;
            ASSERT_TRUE(
                resolveFormat(format, image.layout, image.numberKind, image.bitCode, false));
            EXPECT_LE(uploadByteCount(image, format, 4), image.pixels.size());
            EXPECT_EQ(uploadByteCount(image, format, 4),
                      static_cast<std::size_t>(2 * stride + width * d.bytesPerPixel));
        }
}

TEST_F(BmpFileTest, StorageIsSharedByReferenceCount) {
    BmpSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.pixels = patternRows(2, 2, 3, 8);
    const std::string first = write("first.bmp", makeBmp(spec));
    spec.type = "XY"; // the signature is not examined
    spec.pixels[0] = 0x42;
    const std::string second = write("second.bmp", makeBmp(spec));

    auto file = std::make_unique<grBmpFile>();
    EXPECT_FALSE(file->bits.hasStorage());
    ASSERT_TRUE(file->load(first.c_str()));
    EXPECT_EQ(file->bits.refCount(), 4);
    EXPECT_TRUE(file->fileHeader.sharesWith(file->bits));
    EXPECT_TRUE(file->colorTable.sharesWith(file->infoHeader));
    EXPECT_EQ(file->fileHeader.size(), 1u);
    EXPECT_EQ(std::int32_t{file->infoHeader[0].biWidth}, 2); // a copy: the field is unaligned

    grImage2D a, b;
    ASSERT_TRUE(grBmpToImage(a, *file));
    EXPECT_EQ(file->bits.refCount(), 5);
    ASSERT_TRUE(grBmpToImage(b, *file));
    EXPECT_EQ(file->bits.refCount(), 6);

    // Loading another file moves the views; the records keep the first file's bytes.
    ASSERT_TRUE(file->load(second.c_str()));
    EXPECT_EQ(file->bits.refCount(), 4);
    EXPECT_EQ(a.pixels.refCount(), 2);
    EXPECT_EQ(file->bits[0], 0x42);
    grImage2D c;
    ASSERT_TRUE(grBmpToImage(c, *file));
    EXPECT_EQ(c.layout, 9);
    EXPECT_EQ(c.pixels[0], 0x42);

    file.reset();
    EXPECT_EQ(c.pixels.refCount(), 1);
    EXPECT_EQ(a.pixels[0], 1);
    EXPECT_EQ(a.pixels[3 * 1 + 2], 1 + 8 + 2);
    EXPECT_EQ(a.pixels[8 + 5], 64 + 8 + 2 + 1);
}

TEST_F(BmpFileTest, TopDownFilesAreTurnedBottomUpOnce) {
    // Stored top row first: row r of the file is row (h - 1 - r) of the picture from below.
    BmpSpec spec;
    spec.width = 2;
    spec.height = -3;
    spec.pixels = patternRows(2, 3, 3, 8);
    const std::string path = write("topdown.bmp", makeBmp(spec));

    grBmpFile file;
    ASSERT_TRUE(file.load(path.c_str()));
    EXPECT_EQ(std::int32_t{file.infoHeader[0].biHeight}, 3);
    grImage2D image;
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(image.height, 3u);
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(image.pixels[r * 8 + i], spec.pixels[(2 - r) * 8 + i]) << r << "," << i;
    EXPECT_EQ(image.pixels[6], 0xEE); // padding moved with its row

    // 1-bit top-down: flipped before expansion.
    BmpSpec bits;
    bits.width = 3;
    bits.height = -2;
    bits.bitCount = 1;
    bits.colors = 2;
    bits.pixels = {0xA0, 0, 0, 0, 0x40, 0, 0, 0}; // top row 1 0 1, bottom row 0 1 0
    ASSERT_TRUE(file.load(write("topdown1.bmp", makeBmp(bits)).c_str()));
    ASSERT_TRUE(grBmpToImage(image, file));
    const unsigned char expected[] = {0, 255, 0, 0, 255, 0, 255, 0};
    ASSERT_EQ(image.pixels.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        if (i % 4 != 3) { // row padding is left as allocated
            EXPECT_EQ(image.pixels[i], expected[i]) << i;
        }
    }

    // Heights that cannot be flipped are refused by the conversion.
    BmpSpec minimum = spec;
    minimum.height = std::numeric_limits<std::int32_t>::min();
    ASSERT_TRUE(file.load(write("intmin.bmp", makeBmp(minimum)).c_str()));
    grImage2D marked = markedRecord();
    grImage2D target = marked;
    EXPECT_FALSE(grBmpToImage(target, file));
    expectUntouched(target, marked);
    BmpSpec tall = spec;
    tall.height = -4; // one row more than stored
    ASSERT_TRUE(file.load(write("tall.bmp", makeBmp(tall)).c_str()));
    EXPECT_FALSE(grBmpToImage(target, file));
    expectUntouched(target, marked);
}

TEST_F(BmpFileTest, OneAndFourBitIndicesBecomeGreyBytes) {
    BmpSpec one;
    one.width = 10;
    one.height = 2;
    one.bitCount = 1;
    one.colors = 2;
    // Row 0: 1011 0010 01, row 1: 0100 1101 10; each stored row padded to 4 bytes.
    one.pixels = {0xB2, 0x40, 0x00, 0x00, 0x4D, 0x80, 0x00, 0x00};
    grBmpFile file;
    ASSERT_TRUE(file.load(write("one.bmp", makeBmp(one)).c_str()));
    grImage2D image;
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(image.layout, 0);
    EXPECT_EQ(image.bitCode, 3);
    EXPECT_EQ(image.numberKind, 1);
    EXPECT_EQ(image.width, 10u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.pixelStore, nullptr);
    EXPECT_FALSE(image.pixels.sharesWith(file.bits)); // expanded into storage of its own
    EXPECT_EQ(file.bits.refCount(), 4);
    ASSERT_EQ(image.pixels.size(), 24u); // rows of 10 bytes padded to 12
    const int row0[] = {1, 0, 1, 1, 0, 0, 1, 0, 0, 1};
    const int row1[] = {0, 1, 0, 0, 1, 1, 0, 1, 1, 0};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(image.pixels[x], row0[x] * 255) << x;
        EXPECT_EQ(image.pixels[12 + x], row1[x] * 255) << x;
    }
    grGLFormat format;
    ASSERT_TRUE(resolveFormat(format, image.layout, image.numberKind, image.bitCode, false));
    EXPECT_EQ(uploadByteCount(image, format, 4), 22u);

    BmpSpec four;
    four.width = 3;
    four.height = 2;
    four.bitCount = 4;
    four.colors = 16;
    four.pixels = {0x1F, 0x80, 0xFF, 0xFF, 0x02, 0xE0, 0, 0};
    ASSERT_TRUE(file.load(write("four.bmp", makeBmp(four)).c_str()));
    ASSERT_TRUE(grBmpToImage(image, file));
    ASSERT_EQ(image.pixels.size(), 8u);
    const unsigned char expected[] = {17, 255, 136, 0, 34, 238};
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(image.pixels[x], expected[x]) << x;
        EXPECT_EQ(image.pixels[4 + x], expected[3 + x]) << x;
    }
}

TEST_F(BmpFileTest, LargerInfoHeadersAndColourTableLimits) {
    BmpSpec v5;
    v5.width = 1;
    v5.height = 1;
    v5.infoSize = 124;
    v5.pixels = {1, 2, 3, 0};
    grBmpFile file;
    ASSERT_TRUE(file.load(write("v5.bmp", makeBmp(v5)).c_str()));
    grImage2D image;
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(image.pixels.byteOffset(), 14u + 124u);
    EXPECT_EQ(image.pixels[2], 3);

    BmpSpec odd = v5;
    odd.infoSize = 40;
    odd.offBits = 57; // three bytes of gap: no whole colour-table entry
    odd.pixels = {9, 9, 9, 1, 2, 3, 0};
    ASSERT_TRUE(file.load(write("odd.bmp", makeBmp(odd)).c_str()));
    EXPECT_TRUE(file.colorTable.empty());
    EXPECT_EQ(file.colorTable.size(), 0u);
    ASSERT_TRUE(grBmpToImage(image, file));
    EXPECT_EQ(image.pixels[0], 1);
}

TEST_F(BmpFileTest, RefusesFilesItCannotReadOrThatLieInTheirHeaders) {
    BmpSpec good;
    good.width = 2;
    good.height = 2;
    good.pixels = patternRows(2, 2, 3, 8);
    const std::vector<unsigned char> goodBytes = makeBmp(good);
    grBmpFile file;
    ASSERT_TRUE(file.load(write("good.bmp", goodBytes).c_str()));
    const unsigned char* goodBits = file.bits.begin();

    // A directory has a status with a size, but reading it fails. Only a size of at least
    // the two headers gets as far as the read.
    libutils::FileStatus status;
    ASSERT_TRUE(libutils::fileStatus("/tmp", status));
    ASSERT_GE(status.size, 54u);

    // load: false, and the object keeps the file it had.
    std::vector<std::string> unloadable = {
        dir_ + "/missing.bmp",
        "/tmp",
        write("short.bmp", std::vector<unsigned char>(goodBytes.begin(), goodBytes.begin() + 53)),
        write("empty.bmp", {}),
    };
    BmpSpec smallInfo = good;
    smallInfo.infoSize = 12;
    smallInfo.offBits = 54;
    unloadable.push_back(write("core.bmp", makeBmp(smallInfo)));
    for (std::int64_t offBits : {0, 14, 53}) {
        BmpSpec low = good;
        low.offBits = offBits;
        unloadable.push_back(write("low" + std::to_string(offBits) + ".bmp", makeBmp(low)));
    }
    for (const std::string& path : unloadable) {
        EXPECT_FALSE(file.load(path.c_str())) << path;
        EXPECT_EQ(file.bits.begin(), goodBits) << path;
        EXPECT_EQ(file.bits.refCount(), 4) << path;
    }
    EXPECT_FALSE(file.load(nullptr));

    // grBmpToImage: false, and the record is untouched.
    std::vector<BmpSpec> refused;
    for (std::uint32_t compression : {1u, 2u, 3u}) {
        BmpSpec s = good;
        s.compression = compression;
        refused.push_back(s);
    }
    for (std::int32_t width : {0, -1, -2}) {
        BmpSpec s = good;
        s.width = width;
        refused.push_back(s);
    }
    BmpSpec flat = good;
    flat.height = 0;
    refused.push_back(flat);
    BmpSpec truncated = good;
    truncated.pixels.pop_back(); // the last row's padding is missing
    refused.push_back(truncated);
    BmpSpec beyond = good;
    beyond.offBits = 70 + 16; // past the end of the 70-byte file
    refused.push_back(beyond);
    BmpSpec huge = good;
    huge.bitCount = 32;
    huge.width = std::numeric_limits<std::int32_t>::max();
    huge.height = std::numeric_limits<std::int32_t>::max();
    refused.push_back(huge);
    BmpSpec wide = good;
    wide.width = 0x40000000; // rows of 3 GiB
    refused.push_back(wide);

    int index = 0;
    for (const BmpSpec& spec : refused) {
        const std::string path = write("refused" + std::to_string(index++) + ".bmp", makeBmp(spec));
        grBmpFile bad;
        ASSERT_TRUE(bad.load(path.c_str())) << path;
        grImage2D marked = markedRecord();
        grImage2D image = marked;
        EXPECT_FALSE(grBmpToImage(image, bad)) << path;
        expectUntouched(image, marked);
    }

    grBmpFile beyondFile;
    ASSERT_TRUE(beyondFile.load(write("beyond.bmp", makeBmp(beyond)).c_str()));
    EXPECT_EQ(beyondFile.bits.byteOffset(), 70u);
    EXPECT_EQ(beyondFile.bits.size(), 0u);

    // Unsupported bit counts clear the palette and change nothing else.
    for (std::uint16_t bitCount : {0, 2, 16}) {
        BmpSpec s = good;
        s.bitCount = bitCount;
        grBmpFile odd;
        ASSERT_TRUE(
            odd.load(write("bits" + std::to_string(bitCount) + ".bmp", makeBmp(s)).c_str()));
        grImage2D image = markedRecord();
        EXPECT_FALSE(grBmpToImage(image, odd));
        EXPECT_EQ(image.palette.count, 0u);
        EXPECT_FALSE(image.palette.red.hasStorage());
        EXPECT_EQ(image.layout, 8);
        EXPECT_EQ(image.width, 11u);
    }

    // A file never loaded converts to nothing.
    grBmpFile never;
    grImage2D image;
    EXPECT_FALSE(grBmpToImage(image, never));
}

#include "libgr/extensions.h"
#include "libgr/image_record.h"

#include "test_images.h"

#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <tuple>

using namespace libgr;

namespace {

grGLFormat resolved(int layout, int kind, int code, bool compress = false) {
    grGLFormat f;
    EXPECT_TRUE(resolveFormat(f, layout, kind, code, compress))
        << layout << "/" << kind << "/" << code;
    return f;
}

std::tuple<GLenum, GLenum, GLenum> fields(const grGLFormat& f) {
    return {f.internalFormat, f.format, f.type};
}

} // namespace

TEST(ImageRecord, ResolveFormatRows) {
    const std::tuple<int, int, int, GLenum, GLenum, GLenum> rows[] = {
        {0, 1, 3, GL_LUMINANCE8, GL_LUMINANCE, GL_UNSIGNED_BYTE}, // what the BMP reader makes
        {9, 1, 3, GL_RGB, GL_BGR, GL_UNSIGNED_BYTE},
        {10, 1, 3, GL_RGBA, GL_BGRA, GL_UNSIGNED_BYTE},
        {1, 1, 14, GL_LUMINANCE12_ALPHA4, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT},
        {11, 2, 6, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT},
        {15, 1, 3, GL_RGB, GL_COLOR_INDEX, GL_UNSIGNED_BYTE}};
    for (const auto& [layout, kind, code, internal, format, type] : rows)
        EXPECT_EQ(fields(resolved(layout, kind, code)), std::make_tuple(internal, format, type))
            << layout << "/" << kind << "/" << code;

    const grImage2D blank; // a default record resolves to nothing
    grGLFormat f;
    EXPECT_FALSE(resolveFormat(f, blank.layout, blank.numberKind, blank.bitCode, false));

    // Compression turns only GL_ALPHA, and only with the extension.
    const int saved = hasTextureCompression;
    hasTextureCompression = 0;
    EXPECT_EQ(resolved(6, 1, 3, true).internalFormat, GLenum{GL_ALPHA});
    hasTextureCompression = 1;
    EXPECT_EQ(resolved(6, 1, 3, true).internalFormat, GLenum{GL_COMPRESSED_ALPHA_ARB});
    EXPECT_EQ(resolved(6, 1, 3, false).internalFormat, GLenum{GL_ALPHA});
    EXPECT_EQ(resolved(0, 1, 3, true).internalFormat, GLenum{GL_LUMINANCE8});
    hasTextureCompression = saved;
}

TEST(ImageRecord, SizesAndSharedCopies) {
    // {layout, code, bits}: containers as GL reads them (4-bit components as bytes except in
    // 4-4-4-4 rows, 12-bit ones in 16-bit words, 24-bit depth in 32 bits).
    const int cases[][3] = {{7, 3, 24},  {0, 0, 1},   {8, 2, 16},  {0, 2, 8},  {1, 4, 32},
                            {8, 7, 128}, {1, 13, 16}, {11, 6, 32}, {15, 3, 8}, {16, 3, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(bitsPerPixel(c[0], c[1]), c[2]) << c[0] << "/" << c[1];

    const grPixelStore align4{GL_FALSE, 4}, align0{GL_FALSE, 0};
    grImage2D rgb = image2D(7, 1, 3, 3, 2);
    EXPECT_EQ(rgb.rowStride(), 9u);
    rgb.pixelStore = &align0;
    EXPECT_EQ(rgb.rowStride(), 9u);
    rgb.pixelStore = &align4;
    EXPECT_EQ(rgb.rowStride(), 12u);
    EXPECT_EQ(image2D(0, 1, 0, 10, 1).rowStride(), 2u);
    rgb.skipRows = 1;
    ASSERT_TRUE(rgb.allocatePixels());
    EXPECT_EQ(rgb.pixels.size(), 36u);                                 // (1 + 2) rows of 12 bytes
    EXPECT_FALSE(image2D(8, 2, 7, 0x10000, 0x10000).allocatePixels()); // 64 GiB

    ASSERT_TRUE(rgb.palette.resize(4));
    grImage2D copy;
    copy = rgb;
    copy.pixels[0] = 5;
    EXPECT_EQ(rgb.pixels[0], 5);
    EXPECT_EQ(rgb.pixels.refCount(), 2);
    EXPECT_TRUE(copy.palette.blue.sharesWith(rgb.palette.blue));
    ASSERT_TRUE(rgb.allocatePixels()); // fresh storage: the copy keeps the old bytes
    EXPECT_FALSE(rgb.pixels.sharesWith(copy.pixels));
    copy.palette.green[2] = 7;
    ASSERT_TRUE(copy.palette.resize(5)); // leading entries kept
    EXPECT_EQ(copy.palette.green[2], 7);
}

TEST(ImageRecord, UploadByteCounts) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    // 3 x 2 BGR bytes: rows of 9 bytes padded to the alignment; the last row is not padded.
    grImage2D bgr = image2D(9, 1, 3, 3, 2);
    const grGLFormat bgrFormat = resolved(9, 1, 3);
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 4), 21u);
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 3), 25u); // not a GL alignment: counted as 8
    const grPixelStore align8{GL_FALSE, 8};
    bgr.pixelStore = &align8; // the record's alignment wins over the one in force
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 1), 25u);
    EXPECT_EQ(uploadByteCount(bgr, grGLFormat{GL_RGB, GL_RGB, 0x1234}, 4), kMax);
    bgr.pixelStore = nullptr;
    bgr.rowLength = 5;
    bgr.skipPixels = 1;
    bgr.skipRows = 2;
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 4), 60u); // 3 strides of 16, then 1 + 3 pixels
    bgr.skipRows = -1;
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 4), kMax);
    grImage2D bits = image2D(0, 1, 0, 10, 3); // GL_BITMAP rows: 10 bits in 4 bytes
    bits.skipPixels = 7;
    EXPECT_EQ(uploadByteCount(bits, resolved(0, 1, 0), 4), 11u);

    // {layout, kind, code, width, height, bytes} at alignment 4.
    const std::uint64_t cases[][6] = {
        {7, 1, 10, 3, 2, 14}, // 2-byte pixels: 6 bytes padded to 8, then 6
        {8, 1, 12, 3, 2, 24}, // 4-byte packed pixels
        {1, 1, 14, 3, 1, 12}, // two 16-bit words a pixel
        {0, 2, 5, 3, 2, 14},  // half floats
        {0, 1, 3, 0, 5, 0},   // no pixels
        {8, 2, 7, 0xFFFFFFFFu, 0xFFFFFFFFu, kMax}};
    for (const auto& c : cases) {
        const int layout = int(c[0]), kind = int(c[1]), code = int(c[2]);
        const grImage2D image =
            image2D(layout, kind, code, std::uint32_t(c[3]), std::uint32_t(c[4]));
        EXPECT_EQ(uploadByteCount(image, resolved(layout, kind, code), 4), c[5])
            << layout << "/" << code;
    }
    grImage1D one;
    one.width = 5;
    one.skipPixels = 2;
    EXPECT_EQ(uploadByteCount(one, resolved(8, 1, 3), 4), 28u);
    grImage3D three;
    three.width = 3;
    three.height = 2;
    three.depth = 2;
    three.imageHeight = 3;
    three.skipImages = 1;
    // Rows of 4 bytes, images of 3 rows: two image strides, one row, then 3 bytes.
    EXPECT_EQ(uploadByteCount(three, resolved(0, 1, 3), 4), 31u);
    grImage2D packed = image2D(7, 1, 3, 64, 64);
    packed.compressed = true;
    ASSERT_TRUE(packed.pixels.create(100));
    EXPECT_EQ(uploadByteCount(packed, resolved(7, 1, 3), 4), 100u);
}

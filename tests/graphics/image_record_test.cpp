#include "libgr/extensions.h"
#include "libgr/image_record.h"

#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace libgr;

namespace {

struct Row {
    int layout, kind, code;
    GLenum internal, format, type;
};

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

grImage2D image2D(int layout, int kind, int code, std::uint32_t w, std::uint32_t h) {
    grImage2D image;
    image.layout = layout;
    image.numberKind = kind;
    image.bitCode = code;
    image.width = w;
    image.height = h;
    return image;
}

grGLFormat resolved(int layout, int kind, int code) {
    grGLFormat f;
    EXPECT_TRUE(resolveFormat(f, layout, kind, code, false))
        << layout << "/" << kind << "/" << code;
    return f;
}

} // namespace

TEST(ImageRecord, ResolveFormatRows) {
    const Row rows[] = {
        // What the BMP reader produces.
        {0, 1, 0, GL_LUMINANCE, GL_LUMINANCE, GL_BITMAP},
        {0, 1, 2, GL_LUMINANCE4, GL_LUMINANCE, GL_UNSIGNED_BYTE},
        {0, 1, 3, GL_LUMINANCE8, GL_LUMINANCE, GL_UNSIGNED_BYTE},
        {9, 1, 3, GL_RGB, GL_BGR, GL_UNSIGNED_BYTE},
        {10, 1, 3, GL_RGBA, GL_BGRA, GL_UNSIGNED_BYTE},
        // Integer rows and their types.
        {0, 0, 7, GL_LUMINANCE, GL_LUMINANCE, GL_INT},
        {1, 1, 5, GL_LUMINANCE16_ALPHA16, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT},
        {6, 1, 3, GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE},
        {6, 0, 4, GL_ALPHA12, GL_ALPHA, GL_SHORT},
        {7, 1, 4, GL_RGB12, GL_RGB, GL_UNSIGNED_SHORT},
        {8, 0, 2, GL_RGBA4, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4},
        {10, 1, 2, GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4},
        {7, 0, 2, GL_RGB4, GL_RGB, GL_BYTE},
        {3, 1, 3, GL_RED, GL_RED, GL_UNSIGNED_BYTE},
        {4, 1, 5, GL_RGB, GL_GREEN, GL_UNSIGNED_SHORT},
        {5, 0, 7, GL_RGB, GL_BLUE, GL_INT},
        // Intensity keeps its internal formats; its pixels are luminance.
        {2, 1, 3, GL_INTENSITY8, GL_LUMINANCE, GL_UNSIGNED_BYTE},
        {2, 0, 5, GL_INTENSITY16, GL_LUMINANCE, GL_SHORT},
        {2, 2, 7, GL_INTENSITY, GL_LUMINANCE, GL_FLOAT},
        // Packed codes.
        {7, 1, 9, GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_3_3_2},
        {7, 0, 10, GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
        {9, 1, 9, GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_2_3_3_REV},
        {9, 1, 10, GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV},
        {8, 1, 11, GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1},
        {10, 0, 12, GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_10_10_10_2},
        {1, 0, 13, GL_LUMINANCE6_ALPHA2, GL_LUMINANCE_ALPHA, GL_BYTE},
        {1, 1, 13, GL_LUMINANCE6_ALPHA2, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE},
        {1, 1, 14, GL_LUMINANCE12_ALPHA4, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT},
        // Floating point and depth.
        {0, 2, 5, GL_LUMINANCE, GL_LUMINANCE, GL_HALF_FLOAT},
        {8, 2, 7, GL_RGBA, GL_RGBA, GL_FLOAT},
        {11, 2, 5, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT},
        {11, 2, 6, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT},
        {11, 2, 7, GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT, GL_FLOAT},
        // Colour index: unsigned indices only, converted to colour at upload.
        {15, 1, 0, GL_RGB, GL_COLOR_INDEX, GL_BITMAP},
        {15, 1, 3, GL_RGB, GL_COLOR_INDEX, GL_UNSIGNED_BYTE},
    };
    for (const Row& r : rows) {
        grGLFormat f;
        ASSERT_TRUE(resolveFormat(f, r.layout, r.kind, r.code, false))
            << r.layout << "/" << r.kind << "/" << r.code;
        EXPECT_EQ(f.internalFormat, r.internal) << r.layout << "/" << r.kind << "/" << r.code;
        EXPECT_EQ(f.format, r.format) << r.layout << "/" << r.kind << "/" << r.code;
        EXPECT_EQ(f.type, r.type) << r.layout << "/" << r.kind << "/" << r.code;
    }

    // Layouts 12 and 13 resolve exactly like 7 and 8; count every row there is.
    int resolvable = 0;
    for (int kind = -1; kind <= 3; ++kind)
        for (int code = -1; code <= 15; ++code) {
            for (int layout = -1; layout <= 16; ++layout) {
                grGLFormat f;
                if (resolveFormat(f, layout, kind, code, false))
                    ++resolvable;
            }
            grGLFormat a, b;
            EXPECT_EQ(resolveFormat(a, 7, kind, code, false),
                      resolveFormat(b, 12, kind, code, false));
            EXPECT_EQ(a.internalFormat, b.internalFormat);
            EXPECT_EQ(a.type, b.type);
            grGLFormat c, d;
            EXPECT_EQ(resolveFormat(c, 8, kind, code, false),
                      resolveFormat(d, 13, kind, code, false));
            EXPECT_EQ(c.internalFormat, d.internalFormat);
            EXPECT_EQ(c.type, d.type);
        }
    // Integer kinds: code 0 12, code 2 18, code 3 27, code 4 16, codes 5 and 7 22 each,
    // packed 28; floating point 22 plus 3 depth rows.
    EXPECT_EQ(resolvable, 170);
}

TEST(ImageRecord, ResolveFormatFailures) {
    grGLFormat f;
    for (int kind = 0; kind <= 2; ++kind)
        for (int code = 0; code <= 14; ++code) {
            EXPECT_FALSE(resolveFormat(f, 14, kind, code, false));
            for (int layout = 0; layout <= 15; ++layout) {
                if (code == 1 || code == 8 || (code == 6 && !(layout == 11 && kind == 2))) {
                    EXPECT_FALSE(resolveFormat(f, layout, kind, code, false))
                        << layout << "/" << kind << "/" << code;
                }
            }
            // Signed code 0 has no row anywhere.
            EXPECT_FALSE(resolveFormat(f, code, 0, 0, false));
        }
    EXPECT_FALSE(resolveFormat(f, 15, 0, 3, false)); // signed colour indices
    EXPECT_FALSE(resolveFormat(f, 11, 1, 5, false)); // depth is floating point only
    EXPECT_FALSE(resolveFormat(f, 9, 1, 2, false));
    EXPECT_FALSE(resolveFormat(f, 3, 1, 2, false));
    EXPECT_FALSE(resolveFormat(f, 9, 2, 7, false));
    EXPECT_FALSE(resolveFormat(f, 7, 2, 3, false));
    EXPECT_FALSE(resolveFormat(f, 16, 1, 3, false));
    EXPECT_FALSE(resolveFormat(f, -1, 1, 3, false));
    EXPECT_FALSE(resolveFormat(f, 0, 3, 3, false));
    EXPECT_FALSE(resolveFormat(f, 0, 1, 15, false));

    const grImage1D one;
    const grImage2D two;
    const grImage3D three;
    EXPECT_FALSE(resolveFormat(f, one.layout, one.numberKind, one.bitCode, false));
    EXPECT_FALSE(resolveFormat(f, two.layout, two.numberKind, two.bitCode, false));
    EXPECT_FALSE(resolveFormat(f, three.layout, three.numberKind, three.bitCode, false));
    EXPECT_FALSE(two.pixels.hasStorage());
    EXPECT_EQ(two.pixelStore, nullptr);
    EXPECT_EQ(three.palette.count, 0u);
}

TEST(ImageRecord, CompressOnlyTurnsAlphaAndOnlyWithTheExtension) {
    const int saved = hasTextureCompression;
    grGLFormat f;
    hasTextureCompression = 0;
    ASSERT_TRUE(resolveFormat(f, 6, 1, 3, true));
    EXPECT_EQ(f.internalFormat, static_cast<GLenum>(GL_ALPHA));
    hasTextureCompression = 1;
    ASSERT_TRUE(resolveFormat(f, 6, 1, 3, true));
    EXPECT_EQ(f.internalFormat, static_cast<GLenum>(GL_COMPRESSED_ALPHA_ARB));
    EXPECT_EQ(f.type, static_cast<GLenum>(GL_UNSIGNED_BYTE));
    ASSERT_TRUE(resolveFormat(f, 6, 1, 3, false));
    EXPECT_EQ(f.internalFormat, static_cast<GLenum>(GL_ALPHA));
    ASSERT_TRUE(resolveFormat(f, 0, 1, 3, true));
    EXPECT_EQ(f.internalFormat, static_cast<GLenum>(GL_LUMINANCE8));
    ASSERT_TRUE(resolveFormat(f, 6, 1, 4, true));
    EXPECT_EQ(f.internalFormat, static_cast<GLenum>(GL_ALPHA12));
    hasTextureCompression = saved;
}

TEST(ImageRecord, PixelAndRowSizes) {
    EXPECT_EQ(bitsPerPixel(7, 3), 24);
    EXPECT_EQ(bitsPerPixel(10, 3), 32);
    EXPECT_EQ(bitsPerPixel(0, 0), 1);
    EXPECT_EQ(bitsPerPixel(8, 2), 16); // 4-4-4-4 packed
    EXPECT_EQ(bitsPerPixel(0, 2), 8);  // a 4-bit component read as a byte
    EXPECT_EQ(bitsPerPixel(1, 4), 32); // 12-bit components in 16-bit words
    EXPECT_EQ(bitsPerPixel(8, 7), 128);
    EXPECT_EQ(bitsPerPixel(7, 9), 8);
    EXPECT_EQ(bitsPerPixel(0, 10), 16);
    EXPECT_EQ(bitsPerPixel(1, 13), 16);
    EXPECT_EQ(bitsPerPixel(1, 14), 32);
    EXPECT_EQ(bitsPerPixel(11, 6), 32);
    EXPECT_EQ(bitsPerPixel(15, 3), 8);
    EXPECT_EQ(bitsPerPixel(16, 3), 0);
    EXPECT_EQ(bitsPerPixel(-1, 3), 0);
    EXPECT_EQ(bitsPerPixel(0, 15), 0);
    EXPECT_EQ(grImage2D::bitsPerPixel(9, 3), 24);

    grPixelStore align4{GL_FALSE, 4};
    grPixelStore align0{GL_FALSE, 0};
    grImage2D rgb = image2D(7, 1, 3, 3, 2);
    EXPECT_EQ(rgb.rowStride(), 9u);
    rgb.pixelStore = &align4;
    EXPECT_EQ(rgb.rowStride(), 12u);
    rgb.pixelStore = &align0;
    EXPECT_EQ(rgb.rowStride(), 9u);
    EXPECT_EQ(rgb.rowBits(), 72u);
    rgb.rowLength = 5;
    EXPECT_EQ(rgb.effectiveRowLength(), 5u);
    EXPECT_EQ(rgb.rowStride(), 15u);
    EXPECT_EQ(rgb.rowBits(), 72u);

    grImage2D bits = image2D(0, 1, 0, 10, 1);
    EXPECT_EQ(bits.rowStride(), 2u);

    // allocatePixels: (skipRows + height) rows of rowStride bytes, private storage.
    rgb.rowLength = 0;
    rgb.skipRows = 1;
    rgb.pixelStore = &align4;
    ASSERT_TRUE(rgb.allocatePixels());
    EXPECT_EQ(rgb.pixels.size(), 36u);
    grImage2D sharer = rgb;
    ASSERT_TRUE(rgb.allocatePixels());
    EXPECT_FALSE(rgb.pixels.sharesWith(sharer.pixels));
    EXPECT_EQ(sharer.pixels.size(), 36u);
    grImage2D huge = image2D(8, 2, 7, 0x10000, 0x10000);
    EXPECT_FALSE(huge.allocatePixels());
}

TEST(ImageRecord, CopiesShareBytesAndPalettes) {
    grPixelStore store{GL_TRUE, 2};
    grImage2D a = image2D(9, 1, 3, 2, 2);
    a.pixelStore = &store;
    a.skipRows = 3;
    ASSERT_TRUE(a.allocatePixels());
    ASSERT_TRUE(a.palette.resize(4));
    a.palette.red[3] = 0xBEEF;

    grImage2D b;
    b = a;
    b.pixels[0] = 5;
    EXPECT_EQ(a.pixels[0], 5);
    EXPECT_EQ(a.pixels.refCount(), 2);
    EXPECT_EQ(b.pixelStore, &store);
    EXPECT_EQ(b.skipRows, 3);
    EXPECT_EQ(b.layout, 9);
    EXPECT_EQ(b.palette.count, 4u);
    EXPECT_TRUE(b.palette.red.sharesWith(a.palette.red));
    EXPECT_TRUE(b.palette.blue.sharesWith(a.palette.blue));
    EXPECT_EQ(b.palette.red[3], 0xBEEF);

    grImage1D one;
    ASSERT_TRUE(one.pixels.create(4));
    one.width = 4;
    grImage1D oneCopy(one);
    EXPECT_TRUE(oneCopy.pixels.sharesWith(one.pixels));
    grImage3D three;
    ASSERT_TRUE(three.pixels.create(8));
    three.depth = 2;
    grImage3D threeCopy;
    threeCopy = three;
    EXPECT_TRUE(threeCopy.pixels.sharesWith(three.pixels));
    EXPECT_EQ(threeCopy.depth, 2u);

    // Palettes: resize fills the three maps, clear releases them.
    grImagePalette p;
    EXPECT_TRUE(p.resize(3));
    EXPECT_EQ(p.count, 3u);
    EXPECT_EQ(p.red.size(), 3u);
    EXPECT_EQ(p.green.size(), 3u);
    EXPECT_EQ(p.blue.size(), 3u);
    p.green[2] = 7;
    EXPECT_TRUE(p.resize(5));
    EXPECT_EQ(p.green[2], 7);
    EXPECT_FALSE(p.resize(0));
    EXPECT_EQ(p.count, 0u);
    EXPECT_FALSE(p.red.hasStorage());
    p.resize(2);
    p.clear();
    EXPECT_EQ(p.count, 0u);
    EXPECT_FALSE(p.red.hasStorage());
    EXPECT_FALSE(p.green.hasStorage());
    EXPECT_FALSE(p.blue.hasStorage());
}

TEST(ImageRecord, UploadByteCounts) {
    // 3 x 2 BGR bytes: rows of 9 bytes padded to 12; the last row is not padded.
    grImage2D bgr = image2D(9, 1, 3, 3, 2);
    const grGLFormat bgrFormat = resolved(9, 1, 3);
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 4), 21u);
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 1), 18u);
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 3), 25u); // GL cannot hold 3: counted as 8
    grPixelStore align8{GL_FALSE, 8};
    bgr.pixelStore = &align8; // the record's alignment wins over the one in force
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 1), 25u);
    bgr.pixelStore = nullptr;
    bgr.rowLength = 5;
    bgr.skipPixels = 1;
    bgr.skipRows = 2;
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 4), 60u); // 3 strides of 16, then 1 + 3 pixels
    bgr.skipRows = -1;
    EXPECT_EQ(uploadByteCount(bgr, bgrFormat, 4), kMax);

    // GL_BITMAP: bits, rows padded to the alignment in bytes.
    grImage2D bits = image2D(0, 1, 0, 10, 3);
    const grGLFormat bitFormat = resolved(0, 1, 0);
    EXPECT_EQ(uploadByteCount(bits, bitFormat, 4), 10u);
    bits.skipPixels = 7;
    EXPECT_EQ(uploadByteCount(bits, bitFormat, 4), 11u);

    // Packed and wide types.
    EXPECT_EQ(uploadByteCount(image2D(7, 1, 10, 3, 2), resolved(7, 1, 10), 4), 14u);
    EXPECT_EQ(uploadByteCount(image2D(8, 1, 12, 3, 2), resolved(8, 1, 12), 4), 24u);
    EXPECT_EQ(uploadByteCount(image2D(1, 1, 14, 3, 1), resolved(1, 1, 14), 4), 12u);
    EXPECT_EQ(uploadByteCount(image2D(8, 2, 7, 1, 1), resolved(8, 2, 7), 4), 16u);
    EXPECT_EQ(uploadByteCount(image2D(0, 2, 5, 3, 2), resolved(0, 2, 5), 4), 14u);
    EXPECT_EQ(uploadByteCount(image2D(0, 1, 3, 0, 5), resolved(0, 1, 3), 4), 0u);
    EXPECT_EQ(uploadByteCount(image2D(8, 2, 7, 0xFFFFFFFFu, 0xFFFFFFFFu), resolved(8, 2, 7), 4),
              kMax);
    EXPECT_EQ(uploadByteCount(image2D(0, 1, 3, 2, 2), grGLFormat{GL_RGB, GL_RGB, 0x1234}, 4), kMax);

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

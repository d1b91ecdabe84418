// The pure pixel-format rules: the bytes of a row, and compression only where it is available.
#include "libgr/pixel_format.h"

#include <GL/glext.h>
#include <gtest/gtest.h>

#include <limits>

using namespace libgr;

TEST(PixelFormat, RowBytesAndCompressionAvailability) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    struct Case {
        std::uint64_t pixels, bits, alignment, bytes;
    };
    // Bits rounded up to whole bytes, then up to the alignment (0 and 1 leave them); a
    // multiple stays; bits that do not fit saturate.
    const Case cases[] = {{3, 24, 4, 12},         {3, 24, 0, 9}, {3, 24, 1, 9},
                          {10, 1, 0, 2},          {5, 4, 4, 4},  {7, 8, 8, 8},
                          {16, 8, 8, 16},         {0, 24, 4, 0}, {1u << 31, 32, 8, 1ull << 33},
                          {kMax / 8, 16, 1, kMax}};
    for (const Case& c : cases)
        EXPECT_EQ(rowBytes(c.pixels, c.bits, c.alignment), c.bytes)
            << c.pixels << " x " << c.bits << " / " << c.alignment;

    grGLFormat f;
    ASSERT_TRUE(resolvePixelFormat(f, grLayoutAlpha, grKindUnsigned, grBits8, true, true));
    EXPECT_EQ(f.internalFormat, GLenum(GL_COMPRESSED_ALPHA_ARB));
    ASSERT_TRUE(resolvePixelFormat(f, grLayoutAlpha, grKindUnsigned, grBits8, true, false));
    EXPECT_EQ(f.internalFormat, GLenum(GL_ALPHA));
}

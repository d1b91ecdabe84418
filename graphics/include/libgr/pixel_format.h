// The pixel-format vocabulary (layout, number kind and bit-size codes), its resolution into
// GL's internal format, pixel format and type, the bits a pixel occupies and the bytes of a
// row under an alignment (inline here: the BMP reader, the records and the upload's byte
// counts all use it). Pure rules: no GL call and no global state.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <limits>

namespace libgr {

// Records keep these codes in plain int32 fields, so files, tables and callers that already
// hold the numbers stay valid; the names are for reading.

/// Component layout of a pixel (the records' layout field) and the GL pixel format it stands for.
enum grPixelLayout : std::int32_t {
    grLayoutLuminance = 0,      ///< GL_LUMINANCE, 1 component
    grLayoutLuminanceAlpha = 1, ///< GL_LUMINANCE_ALPHA, 2 components
    grLayoutIntensity = 2,      ///< GL_INTENSITY, 1 component
    grLayoutRed = 3,            ///< GL_RED
    grLayoutGreen = 4,          ///< GL_GREEN
    grLayoutBlue = 5,           ///< GL_BLUE
    grLayoutAlpha = 6,          ///< GL_ALPHA
    grLayoutRGB = 7,            ///< GL_RGB, 3 components
    grLayoutRGBA = 8,           ///< GL_RGBA, 4 components
    grLayoutBGR = 9,            ///< GL_BGR, 3 components in blue, green, red order
    grLayoutBGRA = 10,          ///< GL_BGRA, 4 components in blue, green, red, alpha order
    grLayoutDepth = 11,         ///< GL_DEPTH_COMPONENT (floating-point kind only)
    grLayoutRGBAlt = 12,        ///< resolves exactly like grLayoutRGB
    grLayoutRGBAAlt = 13,       ///< resolves exactly like grLayoutRGBA
    grLayoutRGBPair = 14,       ///< GL_RGB counted as 2 components; never resolves
    grLayoutColorIndex = 15,    ///< GL_COLOR_INDEX; counts no components
};

/// How a component's bits are read (the records' numberKind field).
enum grNumberKind : std::int32_t {
    grKindSigned = 0,   ///< signed integer
    grKindUnsigned = 1, ///< unsigned integer
    grKindFloat = 2,    ///< floating point (half float for 16 bits)
};

/// Bits per component (codes 0 to 8) or, for the packed codes, the packing of a whole pixel
/// (the records' bitCode field).
enum grBitCode : std::int32_t {
    grBits1 = 0,
    grBits2 = 1,
    grBits4 = 2,
    grBits8 = 3,
    grBits12 = 4,
    grBits16 = 5,
    grBits24 = 6,
    grBits32 = 7,
    grBits64 = 8,
    grPacked332 = 9,          ///< 8-bit pixel, 3-3-2
    grPacked565 = 10,         ///< 16-bit pixel, 5-6-5
    grPacked5551 = 11,        ///< 16-bit pixel, 5-5-5-1
    grPacked1010102 = 12,     ///< 32-bit pixel, 10-10-10-2
    grPackedLum6Alpha2 = 13,  ///< luminance 6, alpha 2
    grPackedLum12Alpha4 = 14, ///< luminance 12, alpha 4
    /// 32-bit pixel: three 8-bit components in the layout's order (RGB or BGR), then an unused
    /// byte. GL reads it as RGBA/BGRA into an RGB texture, so the fourth byte never shows.
    grBits8Pad8 = 15,
    /// 16-bit pixel, 5-5-5 from the lowest bits up in the layout's order, then one top bit:
    /// alpha for RGBA and BGRA layouts, unused for RGB and BGR ones.
    grPacked1555Rev = 16,
};

/// What a record resolves to: the arguments of a glTexImage call.
struct grGLFormat {
    GLenum internalFormat = 0; ///< how GL stores the texture
    GLenum format = 0;         ///< the components of the pixel data
    GLenum type = 0;           ///< the data type of a component or packed pixel
};

/// Components a pixel of `layout` has (colour index: one; GL_RGB counted as a pair: two);
/// 0 outside 0..15. The one table of components per layout.
int componentCount(int layout);

/// Bits one pixel occupies in memory as the upload reads it: components of `layout` times
/// the container bits of `bitCode` (a 4-bit component is read as a byte, except in the
/// 4-4-4-4 packed rows of layouts 8, 10 and 13; a 12-bit component as a 16-bit word; a 24-bit
/// depth value as 32 bits); for the packed codes the packed pixel (code 13 reads two bytes,
/// code 14 two 16-bit words). Colour index (layout 15) counts one component; unknown layouts
/// and codes count 0.
int bitsPerPixel(int layout, int bitCode);

/// Bytes of a row of `pixels` pixels of `bitsPerPixel` bits each: the bits rounded up to whole
/// bytes, then up to a multiple of `alignment` (0 and 1 leave the bytes as they are). The one
/// row rule of the library: BMP rows (alignment 4), records' row strides and the rows GL
/// reads. UINT64_MAX when the result does not fit.
constexpr std::uint64_t rowBytes(std::uint64_t pixels, std::uint64_t bitsPerPixel,
                                 std::uint64_t alignment) {
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    if (bitsPerPixel != 0 && pixels > kMost / bitsPerPixel)
        return kMost;
    const std::uint64_t bits = pixels * bitsPerPixel;
    const std::uint64_t bytes = bits / 8 + (bits % 8 != 0);
    if (alignment <= 1 || bytes % alignment == 0)
        return bytes;
    return bytes + alignment - bytes % alignment; // below 2^61 + alignment: no overflow
}

/// Resolves the codes into GL formats. False (out partly written) for every combination
/// without a row: layout outside 0..15, layout 14, codes 1, 6 (except depth) and 8, the
/// signed kind with code 0, and so on. With `compress` and `compressionAvailable` (GL has
/// texture compression), GL_ALPHA becomes GL_COMPRESSED_ALPHA_ARB.
///
/// Unsigned 1-bit codes resolve to the type GL_BITMAP with the layout's format; GL takes
/// GL_BITMAP only with GL_COLOR_INDEX (grLayoutColorIndex), so the texture upload refuses the
/// other layouts' 1-bit records.
bool resolvePixelFormat(grGLFormat& out, int layout, int numberKind, int bitCode, bool compress,
                        bool compressionAvailable);

/// True exactly for GL_RGB, GL_RGBA, GL_RGB5, GL_RGB8, GL_RGBA8, GL_BGR and GL_BGRA.
bool supportsGenerateMipmap(GLenum internalFormat);

} // namespace libgr

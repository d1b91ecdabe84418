// Texture image records (grImage1D/2D/3D) that couple a shared view of pixel bytes with what
// OpenGL needs to read them, the library's pixel-format vocabulary (layout, number kind and
// bit-size codes), its resolution into GL formats, the unpack set-up, and the byte count an
// upload would read.
#pragma once

#include "libgr/refvector.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

namespace libgr {

// The pixel-format vocabulary. Records keep these codes in plain int32 fields, so files,
// tables and callers that already hold the numbers stay valid; the names are for reading.

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

/// Values for GL_UNPACK_SWAP_BYTES and GL_UNPACK_ALIGNMENT. Records point to one owned
/// elsewhere; several records may share it. An alignment of 0 means "rows not rounded" to
/// rowStride (GL itself only accepts 1, 2, 4 and 8).
struct grPixelStore {
    GLint swapBytes = GL_FALSE; ///< GL_TRUE swaps the bytes of each multi-byte component
    GLint alignment = 4;        ///< row alignment in bytes; 0 leaves rows unrounded
};

/// A colour palette for colour-index images: three maps of `count` entries. It takes effect
/// at upload only when `count` is a power of two.
struct grImagePalette {
    std::uint32_t count = 0; ///< entries GL reads from each map
    ///@{
    /// Index-to-component map, one 16-bit intensity per index.
    refvector<unsigned short> red, green, blue;
    ///@}

    /// Count 0, the three maps released.
    void clear();
    /// Count n, each map resized to n entries (red, green, blue; leading entries kept).
    /// Answers whether n is non-zero and every map got its entries.
    bool resize(std::uint32_t n);
};

/// What a record resolves to: the arguments of a glTexImage call.
struct grGLFormat {
    GLenum internalFormat = 0; ///< how GL stores the texture
    GLenum format = 0;         ///< the components of the pixel data
    GLenum type = 0;           ///< the data type of a component or packed pixel
};

// Records: copying one shares its pixel storage and palette maps (nothing is duplicated);
// the pixelStore pointer is copied, not what it points to. A default record resolves to no
// format and is skipped by every upload.

/// A one-dimensional image: a row of `width` pixels and how GL is to read it.
struct grImage1D {
    ofsvector<unsigned char> pixels;          ///< the bytes, possibly shared with other records
    std::int32_t layout = 0;                  ///< a grPixelLayout code
    std::int32_t numberKind = 0;              ///< a grNumberKind code
    std::int32_t bitCode = 0;                 ///< a grBitCode code
    const grPixelStore* pixelStore = nullptr; ///< not owned; null leaves GL's settings
    std::int32_t skipPixels = 0;              ///< GL_UNPACK_SKIP_PIXELS
    std::uint32_t width = 0;                  ///< in pixels
    /// The bytes are already compressed in the resolved internal format and are sent as
    /// they are (skipped where GL lacks texture compression).
    bool compressed = false;
    grImagePalette palette; ///< for colour-index layouts; a texture loads its first record's
};

/// A two-dimensional image of `height` rows of `width` pixels and how GL is to read it.
struct grImage2D {
    ofsvector<unsigned char> pixels;          ///< the bytes, possibly shared with other records
    std::int32_t layout = 0;                  ///< a grPixelLayout code
    std::int32_t numberKind = 0;              ///< a grNumberKind code
    std::int32_t bitCode = 0;                 ///< a grBitCode code
    const grPixelStore* pixelStore = nullptr; ///< not owned; null leaves GL's settings
    std::int32_t rowLength = 0;               ///< GL_UNPACK_ROW_LENGTH; 0: rows of `width`
    std::int32_t skipPixels = 0;              ///< GL_UNPACK_SKIP_PIXELS
    std::int32_t skipRows = 0;                ///< GL_UNPACK_SKIP_ROWS
    std::uint32_t width = 0;                  ///< in pixels
    std::uint32_t height = 0;                 ///< in rows
    bool compressed = false;                  ///< as grImage1D::compressed
    grImagePalette palette; ///< for colour-index layouts; a texture loads its first record's

    /// Same as the free bitsPerPixel(layout, bitCode).
    static int bitsPerPixel(int layout, int bitCode);
    /// Bits of one pixel of this record as the upload reads them.
    int bitsPerPixel() const;
    /// rowLength if non-zero, else width (0 for a negative rowLength).
    std::uint32_t effectiveRowLength() const;
    /// Bits of one row of `width` pixels, unrounded.
    std::uint64_t rowBits() const;
    /// Bytes from one row to the next: bitsPerPixel() × effective row length, rounded up to
    /// whole bytes, then to a multiple of pixelStore->alignment when that is set and non-zero.
    std::uint64_t rowStride() const;
    /// Gives `pixels` fresh, private storage of (skipRows + height) × rowStride() bytes (old
    /// contents not kept). False when the size does not fit 32 bits or memory is short.
    bool allocatePixels();
};

/// A three-dimensional image of `depth` slices of `height` × `width` pixels and how GL is to
/// read it.
struct grImage3D {
    ofsvector<unsigned char> pixels;          ///< the bytes, possibly shared with other records
    std::int32_t layout = 0;                  ///< a grPixelLayout code
    std::int32_t numberKind = 0;              ///< a grNumberKind code
    std::int32_t bitCode = 0;                 ///< a grBitCode code
    const grPixelStore* pixelStore = nullptr; ///< not owned; null leaves GL's settings
    std::int32_t rowLength = 0;               ///< GL_UNPACK_ROW_LENGTH; 0: rows of `width`
    std::int32_t imageHeight = 0; ///< GL_UNPACK_IMAGE_HEIGHT; 0: slices of `height` rows
    std::int32_t skipPixels = 0;  ///< GL_UNPACK_SKIP_PIXELS
    std::int32_t skipRows = 0;    ///< GL_UNPACK_SKIP_ROWS
    std::int32_t skipImages = 0;  ///< GL_UNPACK_SKIP_IMAGES
    std::uint32_t width = 0;      ///< in pixels
    std::uint32_t height = 0;     ///< in rows
    std::uint32_t depth = 0;      ///< in slices
    bool compressed = false;      ///< as grImage1D::compressed
    grImagePalette palette;       ///< for colour-index layouts; a texture loads its first record's
};

/// Bits one pixel occupies in memory as the upload reads it: components of `layout` times
/// the container bits of `bitCode` (a 4-bit component is read as a byte, except in the
/// 4-4-4-4 packed rows of layouts 8, 10 and 13; a 12-bit component as a 16-bit word; a 24-bit
/// depth value as 32 bits); for the packed codes the packed pixel (code 13 reads two bytes,
/// code 14 two 16-bit words). Colour index (layout 15) counts one component; unknown layouts
/// and codes count 0.
int bitsPerPixel(int layout, int bitCode);

/// Resolves the codes into GL formats. False (out partly written) for every combination
/// without a row: layout outside 0..15, layout 14, codes 1, 6 (except depth) and 8, the
/// signed kind with code 0, and so on. With `compress` and hasTextureCompression set, GL_ALPHA
/// becomes GL_COMPRESSED_ALPHA_ARB.
bool resolveFormat(grGLFormat& out, int layout, int numberKind, int bitCode, bool compress);

/// True exactly for GL_RGB, GL_RGBA, GL_RGB5, GL_RGB8, GL_RGBA8, GL_BGR and GL_BGRA.
bool supportsGenerateMipmap(GLenum internalFormat);

/// Whether GL accepts `alignment` for GL_UNPACK_ALIGNMENT: 1, 2, 4 or 8.
bool isUnpackAlignment(int alignment);

/// Null: nothing. Else GL_UNPACK_SWAP_BYTES, then GL_UNPACK_ALIGNMENT.
void applyPixelStore(const grPixelStore* store);
/// GL_UNPACK_SKIP_PIXELS.
void applyUnpack(const grImage1D& image);
/// GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS.
void applyUnpack(const grImage2D& image);
/// GL_UNPACK_ROW_LENGTH, GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS,
/// GL_UNPACK_SKIP_IMAGES.
void applyUnpack(const grImage3D& image);

/// Components of a GL pixel format (0 for formats not listed, GL_STENCIL_INDEX included).
int formatComponents(GLenum format);
/// Bytes of a plain GL pixel type (GL_BITMAP counts 1; packed and unknown types 0).
int typeSize(GLenum type);
/// GL type for a component size in bytes: 1, 2, 4 (GL_FLOAT), 8 (GL_DOUBLE); else 0.
GLenum typeForSize(int bytes);

///@{
/// Bytes, counted from the view's first byte, that a glTexImage/gluBuildMipmaps call with
/// `fmt` would read for this record after applyPixelStore and applyUnpack: honours the
/// record's unpack fields, packed types and GL_BITMAP's bits. `unpackAlignment` is the
/// GL_UNPACK_ALIGNMENT in force before the record's pixelStore is applied (4 unless changed);
/// a pixelStore with a valid alignment (1, 2, 4, 8) replaces it. Compressed records: the
/// view's byte count. 0 for an empty image; SIZE_MAX on overflow, for negative unpack fields
/// and for formats or types it does not know. An upload is safe when the result is at most
/// pixels.size().
std::size_t uploadByteCount(const grImage1D& image, const grGLFormat& fmt, int unpackAlignment);
std::size_t uploadByteCount(const grImage2D& image, const grGLFormat& fmt, int unpackAlignment);
std::size_t uploadByteCount(const grImage3D& image, const grGLFormat& fmt, int unpackAlignment);
///@}

} // namespace libgr

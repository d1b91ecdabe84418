// Texture image records (grImage1D/2D/3D) that couple a shared view of pixel bytes with what
// OpenGL needs to read them: pixel format codes, unpack fields, dimensions and a palette.
#pragma once

#include "libgr/pixel_format.h"
#include "libgr/refvector.h"

#include <GL/gl.h>

#include <cstdint>

namespace libgr {

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
    /// contents not kept). False when skipRows is negative, the size does not fit 32 bits or
    /// memory is short.
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

} // namespace libgr

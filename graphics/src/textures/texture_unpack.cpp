// The unpack rules of the texture upload: sizes of GL's formats and types, the pixel-store
// calls a record needs, and the bytes GL reads for it under GL's unpack addressing.
#include "libgr/texture_unpack.h"

#include <GL/glext.h>

#include <algorithm>
#include <limits>

namespace libgr {

// ---------------------------------------------------------------------------------------------
// Sizes of GL formats and types

int formatComponents(GLenum format) {
    switch (format) {
    case GL_COLOR_INDEX:
    case GL_DEPTH_COMPONENT:
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE:
    case GL_ALPHA:
    case GL_LUMINANCE:
        return 1;
    case GL_LUMINANCE_ALPHA:
        return 2;
    case GL_RGB:
    case GL_BGR:
        return 3;
    case GL_RGBA:
    case GL_BGRA:
        return 4;
    default:
        return 0;
    }
}

int typeSize(GLenum type) {
    switch (type) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
    case GL_BITMAP:
        return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
        return 2;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT:
        return 4;
    case GL_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

GLenum typeForSize(int bytes) {
    switch (bytes) {
    case 1:
        return GL_UNSIGNED_BYTE;
    case 2:
        return GL_UNSIGNED_SHORT;
    case 4:
        return GL_FLOAT;
    case 8:
        return GL_DOUBLE;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Unpack state

bool isUnpackAlignment(int alignment) {
    return alignment == 1 || alignment == 2 || alignment == 4 || alignment == 8;
}

void applyPixelStore(const grPixelStore* store) {
    if (store == nullptr)
        return;
    glPixelStorei(GL_UNPACK_SWAP_BYTES, store->swapBytes);
    glPixelStorei(GL_UNPACK_ALIGNMENT, store->alignment);
}

void applyUnpack(const grImage1D& image) {
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, image.skipPixels);
}

void applyUnpack(const grImage2D& image) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image.rowLength);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, image.skipPixels);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, image.skipRows);
}

void applyUnpack(const grImage3D& image) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image.rowLength);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, image.imageHeight);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, image.skipPixels);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, image.skipRows);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, image.skipImages);
}
// ---------------------------------------------------------------------------------------------
// Upload byte counts

namespace {

constexpr std::size_t kSaturated = std::numeric_limits<std::size_t>::max();

std::size_t mulSat(std::size_t a, std::size_t b) {
    std::size_t r = 0;
    return __builtin_mul_overflow(a, b, &r) ? kSaturated : r;
}

std::size_t addSat(std::size_t a, std::size_t b) {
    std::size_t r = 0;
    return __builtin_add_overflow(a, b, &r) ? kSaturated : r;
}

std::size_t sizeSat(std::uint64_t bytes) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kSaturated));
}

// Bytes of one element of a packed type (one element holds a whole pixel); 0 if not packed.
int packedTypeSize(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE_3_3_2:
    case GL_UNSIGNED_BYTE_2_3_3_REV:
        return 1;
    case GL_UNSIGNED_SHORT_5_6_5:
    case GL_UNSIGNED_SHORT_5_6_5_REV:
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV:
        return 2;
    case GL_UNSIGNED_INT_8_8_8_8:
    case GL_UNSIGNED_INT_8_8_8_8_REV:
    case GL_UNSIGNED_INT_10_10_10_2:
    case GL_UNSIGNED_INT_2_10_10_10_REV:
        return 4;
    default:
        return 0;
    }
}

// The unpack parameters of one upload, all non-negative.
struct Unpack {
    std::size_t width = 0, height = 1, depth = 1;
    std::size_t rowLength = 0, imageHeight = 0;
    std::size_t skipPixels = 0, skipRows = 0, skipImages = 0;
};

bool toSize(std::int32_t value, std::size_t& out) {
    if (value < 0)
        return false;
    out = static_cast<std::size_t>(value);
    return true;
}

int effectiveAlignment(const grPixelStore* store, int unpackAlignment) {
    if (store != nullptr && isUnpackAlignment(store->alignment))
        return store->alignment;
    // An alignment GL would refuse cannot be in force; assume the widest so the count
    // never falls short.
    return isUnpackAlignment(unpackAlignment) ? unpackAlignment : 8;
}

// The last byte GL reads, plus one, following the pixel-storage rules of glTexImage.
std::size_t countBytes(const Unpack& u, const grGLFormat& fmt, int alignment) {
    if (u.width == 0 || u.height == 0 || u.depth == 0)
        return 0;
    const std::size_t a = static_cast<std::size_t>(alignment);
    const std::size_t rowPixels = u.rowLength != 0 ? u.rowLength : u.width;
    const std::size_t imageRows = u.imageHeight != 0 ? u.imageHeight : u.height;

    // The bits of one pixel, and the alignment rows are padded to: GL pads a row only when
    // its elements are narrower than the alignment.
    std::size_t pixelBits = 0;
    std::size_t padTo = a;
    if (fmt.type == GL_BITMAP) {
        // One bit per component (GL only accepts single-component formats here).
        pixelBits = static_cast<std::size_t>(formatComponents(fmt.format));
        if (pixelBits == 0)
            return kSaturated;
    } else {
        std::size_t groupBytes = 0;
        std::size_t elementBytes = 0;
        if (const int packed = packedTypeSize(fmt.type)) {
            elementBytes = static_cast<std::size_t>(packed);
            groupBytes = elementBytes;
        } else {
            const int size = fmt.type == GL_HALF_FLOAT ? 2 : typeSize(fmt.type);
            const int components = formatComponents(fmt.format);
            if (size == 0 || components == 0)
                return kSaturated;
            elementBytes = static_cast<std::size_t>(size);
            groupBytes = elementBytes * static_cast<std::size_t>(components);
        }
        pixelBits = 8 * groupBytes;
        if (elementBytes >= a)
            padTo = 1;
    }
    const std::size_t rowStride = sizeSat(rowBytes(rowPixels, pixelBits, padTo));
    // The last row is read up to its last pixel, unpadded.
    const std::size_t lastRow = sizeSat(rowBytes(addSat(u.skipPixels, u.width), pixelBits, 1));
    const std::size_t imageStride = mulSat(rowStride, imageRows);
    std::size_t total = mulSat(addSat(u.skipImages, u.depth - 1), imageStride);
    total = addSat(total, mulSat(addSat(u.skipRows, u.height - 1), rowStride));
    return addSat(total, lastRow);
}

} // namespace

std::size_t uploadByteCount(const grImage1D& image, const grGLFormat& fmt, int unpackAlignment) {
    if (image.compressed)
        return image.pixels.size();
    Unpack u;
    if (!toSize(image.skipPixels, u.skipPixels))
        return kSaturated;
    u.width = image.width;
    return countBytes(u, fmt, effectiveAlignment(image.pixelStore, unpackAlignment));
}

std::size_t uploadByteCount(const grImage2D& image, const grGLFormat& fmt, int unpackAlignment) {
    if (image.compressed)
        return image.pixels.size();
    Unpack u;
    if (!toSize(image.rowLength, u.rowLength) || !toSize(image.skipPixels, u.skipPixels) ||
        !toSize(image.skipRows, u.skipRows))
        return kSaturated;
    u.width = image.width;
    u.height = image.height;
    return countBytes(u, fmt, effectiveAlignment(image.pixelStore, unpackAlignment));
}

std::size_t uploadByteCount(const grImage3D& image, const grGLFormat& fmt, int unpackAlignment) {
    if (image.compressed)
        return image.pixels.size();
    Unpack u;
    if (!toSize(image.rowLength, u.rowLength) || !toSize(image.imageHeight, u.imageHeight) ||
        !toSize(image.skipPixels, u.skipPixels) || !toSize(image.skipRows, u.skipRows) ||
        !toSize(image.skipImages, u.skipImages))
        return kSaturated;
    u.width = image.width;
    u.height = image.height;
    u.depth = image.depth;
    return countBytes(u, fmt, effectiveAlignment(image.pixelStore, unpackAlignment));
}

namespace {

template <class Image> bool viewHolds(const Image& image, const grGLFormat& fmt) {
    GLint alignment = 4;
    if (!(image.pixelStore && isUnpackAlignment(image.pixelStore->alignment)))
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    return uploadByteCount(image, fmt, alignment) <= image.pixels.size();
}

} // namespace

bool viewHoldsUpload(const grImage1D& image, const grGLFormat& fmt) {
    return viewHolds(image, fmt);
}
bool viewHoldsUpload(const grImage2D& image, const grGLFormat& fmt) {
    return viewHolds(image, fmt);
}
bool viewHoldsUpload(const grImage3D& image, const grGLFormat& fmt) {
    return viewHolds(image, fmt);
}

} // namespace libgr

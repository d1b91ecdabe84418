// Image records of the photo library: fresh records and top-down views.
#include "records.h"

#include "libgr/pixel_format.h"
#include "memory.h"

namespace libphoto::detail {

int alphaIndexOf(std::int32_t layout) {
    switch (layout) {
    case libgr::grLayoutLuminanceAlpha:
        return 1;
    case libgr::grLayoutRGBA:
    case libgr::grLayoutBGRA:
        return 3;
    default:
        return -1;
    }
}

libgr::grImage2D describe(std::int32_t layout, std::uint32_t width, std::uint32_t height) {
    // Rows of four bytes a pixel are always 4-aligned, at every mipmap level too; tight
    // three-byte rows are only 1-aligned in general, and GLU builds smaller levels in tight
    // rows under the record's alignment.
    static const libgr::grPixelStore four{GL_FALSE, 4};
    static const libgr::grPixelStore one{GL_FALSE, 1};
    libgr::grImage2D image;
    image.layout = layout;
    image.numberKind = libgr::grKindUnsigned;
    image.bitCode = libgr::grBits8;
    image.width = width;
    image.height = height;
    image.pixelStore = libgr::componentCount(layout) == 4 ? &four : &one;
    return image;
}

bool makeRecord(libgr::grImage2D& out, std::int32_t layout, std::uint32_t width,
                std::uint32_t height) {
    libgr::grImage2D image = describe(layout, width, height);
    if (width == 0 || height == 0 || !image.allocatePixels())
        return false;
    preferHugePages(image.pixels.begin(), image.pixels.size());
    out = image;
    return true;
}

View viewOf(const libgr::grImage2D& image) {
    View v;
    const auto stride = static_cast<std::ptrdiff_t>(image.rowStride());
    unsigned char* base = const_cast<unsigned char*>(image.pixels.begin());
    v.top = base + stride * (static_cast<std::ptrdiff_t>(image.height) - 1);
    v.stride = -stride;
    v.width = image.width;
    v.height = image.height;
    v.channels = image.bitsPerPixel() / 8;
    return v;
}

} // namespace libphoto::detail

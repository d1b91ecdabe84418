// Scaling whole pictures down: the fitted size and the whole-record entry to the scaler.
#include "libphoto/resample.h"

#include "errors.h"
#include "libgr/pixel_format.h"
#include "records.h"
#include "scaler.h"

#include <algorithm>
#include <new>

namespace libphoto {

PhotoSize fitLongestSide(PhotoSize size, std::uint32_t longestSide, std::uint32_t cap) {
    std::uint32_t limit = longestSide;
    if (cap != 0 && (limit == 0 || cap < limit))
        limit = cap;
    const std::uint32_t longest = std::max(size.width, size.height);
    if (limit == 0 || longest <= limit)
        return size;
    auto scaled = [&](std::uint32_t side) {
        const std::uint64_t v = (std::uint64_t{side} * limit + longest / 2) / longest;
        return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(v, 1, limit));
    };
    return {scaled(size.width), scaled(size.height)};
}

bool isPlainPhoto(const libgr::grImage2D& image) {
    const std::int32_t l = image.layout;
    const bool taken = l == libgr::grLayoutLuminance || l == libgr::grLayoutLuminanceAlpha ||
                       l == libgr::grLayoutRGB || l == libgr::grLayoutBGR ||
                       l == libgr::grLayoutRGBA || l == libgr::grLayoutBGRA;
    if (!taken || image.bitCode != libgr::grBits8 || image.numberKind != libgr::grKindUnsigned ||
        image.compressed)
        return false;
    if (image.width == 0 || image.height == 0 || image.rowLength != 0 || image.skipPixels != 0 ||
        image.skipRows != 0)
        return false;
    // The last row's padding may be missing, as it may in a BMP file.
    const std::uint64_t lastRow = std::uint64_t{image.width} * (image.bitsPerPixel() / 8);
    return std::uint64_t{image.height - 1} * image.rowStride() + lastRow <= image.pixels.size();
}

bool resamplePhoto(const libgr::grImage2D& in, std::uint32_t width, std::uint32_t height,
                   libgr::grImage2D& out) {
    if (!isPlainPhoto(in))
        return detail::fail(libgr::grErrc::badArgument,
                            "not an 8-bit picture of 1 to 4 components");
    if (width == 0 || height == 0 || width > in.width || height > in.height)
        return detail::fail(libgr::grErrc::badArgument, "resampling only scales down");
    try {
        libgr::grImage2D image;
        if (!detail::makeRecord(image, in.layout, width, height))
            return detail::fail(libgr::grErrc::outOfMemory, "out of memory for the scaled picture");
        const detail::View src = detail::viewOf(in);
        detail::RowScaler scaler(in.width, in.height, detail::viewOf(image),
                                 detail::alphaIndexOf(in.layout));
        for (std::uint32_t y = 0; y < in.height; ++y)
            scaler.push(src.row(y));
        out = image;
        return detail::succeed();
    } catch (const std::bad_alloc&) {
        return detail::fail(libgr::grErrc::outOfMemory, "out of memory for the scaled picture");
    }
}

} // namespace libphoto

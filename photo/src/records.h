// Image records of the photo library: the 8-bit layouts it takes, fresh records of them, and
// top-down views of their bottom-up rows.
#pragma once

#include "libgr/image_record.h"

#include <cstddef>
#include <cstdint>

namespace libphoto::detail {

/// Index of the alpha component in a pixel of `layout`, -1 without alpha.
int alphaIndexOf(std::int32_t layout);

/// A record of an 8-bit `layout` of that size, rows tight, alignment 4 for four components
/// and 1 otherwise; no pixels yet.
libgr::grImage2D describe(std::int32_t layout, std::uint32_t width, std::uint32_t height);
/// A fresh bottom-up 8-bit record of `layout` as describe makes it. False when the size does
/// not fit or memory is short.
bool makeRecord(libgr::grImage2D& out, std::int32_t layout, std::uint32_t width,
                std::uint32_t height);

/// Rows of a picture seen top row first, whatever order memory holds them in.
struct View {
    unsigned char* top = nullptr; ///< first byte of the top row
    std::ptrdiff_t stride = 0;    ///< bytes from one row to the one below it (may be negative)
    std::uint32_t width = 0;      ///< pixels per row
    std::uint32_t height = 0;     ///< rows
    int channels = 0;             ///< bytes per pixel

    /// The first byte of row `y`, counted from the top.
    unsigned char* row(std::uint32_t y) const {
        return top + static_cast<std::ptrdiff_t>(y) * stride;
    }
};

/// The top-down view of a bottom-up record (its pixels must hold every row).
View viewOf(const libgr::grImage2D& image);

} // namespace libphoto::detail

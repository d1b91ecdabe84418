// Scaling pictures down: the size a picture is fitted to, and an area (box) filter that
// averages colours in linear light and alpha as it is stored.
#pragma once

#include "libgr/image_record.h"

#include <cstdint>

namespace libphoto {

/// Width and height of a picture.
struct PhotoSize {
    std::uint32_t width = 0;  ///< in pixels
    std::uint32_t height = 0; ///< in rows
};

/// The size `size` is shown at: scaled down, aspect kept (rounded, at least 1), so that its
/// longest side is at most `longestSide` and neither side exceeds `cap`; 0 for either means
/// no limit. Never larger than `size`.
PhotoSize fitLongestSide(PhotoSize size, std::uint32_t longestSide, std::uint32_t cap);

/// Whether resamplePhoto, orientPhoto and buildMipmapChain take `image`: 8 bits a component
/// (unsigned), layout luminance, luminance-alpha, RGB, BGR, RGBA or BGRA, no unpack offsets,
/// non-zero size, and pixel bytes for every row.
bool isPlainPhoto(const libgr::grImage2D& image);

/// Writes into `out` the picture `in` scaled down to `width` × `height` (each at most the
/// source's): every output pixel is the area-weighted mean of the source pixels it covers,
/// colour components averaged in linear light (sRGB curve), alpha linearly. The same size
/// copies the pixels. `out` gets fresh storage in the same layout, rows bottom-up, alignment
/// 4 for four components and 1 otherwise. False, `out` untouched and photoFailureReason()
/// set, for a record isPlainPhoto refuses, a size of 0 or larger than the source, or short
/// memory.
bool resamplePhoto(const libgr::grImage2D& in, std::uint32_t width, std::uint32_t height,
                   libgr::grImage2D& out);

} // namespace libphoto

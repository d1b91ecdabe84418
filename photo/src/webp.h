// WebP pictures through libwebp, as a source of the photo road.
#pragma once

#include "road.h"

#include <cstddef>
#include <memory>

namespace libphoto::detail {

/// The source of a WebP file (the bytes must outlive it): lossy, lossless and alpha; an
/// animation's first frame on its canvas. Its probe reports the canvas size, the EXIF
/// chunk's orientation and the ICCP chunk's profile; rows are BGRA, scaled inside the
/// decoder (1/2, 1/4, 1/8) where the plan asks.
std::unique_ptr<RowSource> makeWebpSource(const unsigned char* data, std::size_t size);

} // namespace libphoto::detail

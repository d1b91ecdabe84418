// HEIF (HEVC) and AVIF (AV1) pictures through libheif, as a source of the photo road.
#pragma once

#include "road.h"

#include <cstddef>
#include <memory>

namespace libphoto::detail {

/// Whether this build's libheif decodes the pictures of `kind` (Heif: HEVC, Avif: AV1).
bool heifDecodes(PhotoKind kind);

/// The source of a HEIF or AVIF file's primary image (the bytes must outlive it). Its probe
/// reports the size as shown, with the file's own turns (`irot`, `imir`) and crop applied by
/// the decoder, so its orientation is 1 (an EXIF orientation in the file is never applied a
/// second time); the colour as an ICC profile (the file's own, or one made from its nclx
/// codes). Rows are BGRA; 10- and 12-bit samples are reduced to 8. A grid of tiles without
/// alpha or crop is decoded a row of tiles at a time: its probe reports the grid as stored,
/// and its turns as the orientation for the road to apply. libheif's own limits hold too,
/// tightened to the plan's pixels.
std::unique_ptr<RowSource> makeHeifSource(const unsigned char* data, std::size_t size);

} // namespace libphoto::detail

// EXIF orientation: finding the tag in a JPEG's APP1 segment or a bare EXIF (TIFF) block, as
// PNG's eXIf chunk holds it, and turning a decoded picture so that it stands up.
#pragma once

#include "libgr/image_record.h"

#include <cstddef>

namespace libphoto {

/// The orientation (1 to 8) in the IFD0 of an EXIF block that starts with its TIFF header
/// ("II*\0" or "MM\0*"), either byte order; 1 when the block has no orientation tag, holds
/// another value, or is malformed. Every offset is checked against `size`.
int exifOrientation(const unsigned char* tiff, std::size_t size);

/// The orientation of a JPEG file from its first APP1 "Exif" segment before the scan; 1
/// when it has none. Segment lengths are checked against `size`.
int jpegOrientation(const unsigned char* jpeg, std::size_t size);

/// Whether an orientation swaps width and height (5 to 8).
bool orientationSwapsSides(int orientation);

/// Writes into `out` the picture `in` as it is to be shown under EXIF `orientation`:
/// 2 mirrored left to right, 3 turned half round, 4 mirrored top to bottom, 5 transposed,
/// 6 turned a quarter clockwise, 7 transverse, 8 turned a quarter anticlockwise. `in` must be
/// 8 bits a component with 1 to 4 components, rows bottom-up, no unpack offsets; `out` gets
/// fresh storage in the same layout (alignment as decodePhoto's). Orientation 1 (and any
/// value outside 1 to 8) shares `in`. False, `out` untouched and photoFailureReason() set,
/// for another kind of record, too few pixel bytes, or short memory.
bool orientPhoto(const libgr::grImage2D& in, int orientation, libgr::grImage2D& out);

} // namespace libphoto

// The BMP decoders behind grBmpToImage, for the files whose pixels GL cannot read as they
// stand: paletted, run-length encoded and odd bit-field files. Each fills a fresh record.
#pragma once

#include "libgr/bmp_file.h"

#include <cstddef>

namespace libgr::bmpdecode {

/// A loaded file's pixel array, rows bottom-up, and its colour table.
struct Source {
    const grBmpInfo& info;
    const unsigned char* palette; ///< info.paletteCount entries of info.paletteEntryBytes
    const unsigned char* bits;
    std::size_t size; ///< bytes at `bits`
};

/// The decoders' refusal when memory is short (told apart from refusals of the data).
extern const char* const kNoMemory;

/// Unpack alignment of the records that share a file's rows, which are padded to 4 bytes.
const grPixelStore& fileRows();

// Each decoder returns null on success, else why it refused; `out` is only written on success.

/// 1-, 2-, 4- or 8-bit indices to colours (BGR, or one grey byte a pixel for a grey table).
const char* decodePalette(const Source& src, grImage2D& out);
/// RLE8 and RLE4 streams to BGRA; pixels the stream never writes stay transparent black.
const char* decodeRle(const Source& src, grImage2D& out);
/// 16- or 32-bit pixels of any valid masks to BGR, or BGRA when there is an alpha mask.
const char* decodeBitFields(const Source& src, grImage2D& out);

} // namespace libgr::bmpdecode

// Decoding photographs (JPEG, PNG, BMP) into upload-ready image records: the content sniffer,
// the decoding options and entry points, and the reason for the last refusal.
//
// Usage:
//     libphoto::PhotoOptions options;
//     options.longestSide = 2048;          // what the screen can show
//     options.maxTextureSize = maxSize;    // GL_MAX_TEXTURE_SIZE, asked by the GL thread
//     libgr::grImage2D image;
//     if (!libphoto::decodePhoto(path, options, image))
//         report(path, libphoto::photoError().text());
//
// Decoding calls no GL and keeps no shared state: it may run on any thread.
#pragma once

#include "libgr/error.h"
#include "libgr/image_record.h"

#include <cstddef>
#include <cstdint>

namespace libphoto {

/// What a file holds, judged by its first bytes only.
enum class PhotoKind {
    Unknown, ///< none of the kinds below
    Jpeg,    ///< starts FF D8 FF
    Png,     ///< starts with the eight-byte PNG signature
    Bmp,     ///< starts "BM"
};

/// The kind of picture `size` bytes at `data` hold, by their signature (a file name is never
/// consulted). Unknown for fewer bytes than the signature needs.
PhotoKind sniffPhoto(const unsigned char* data, std::size_t size);

/// Default for PhotoOptions::maxPixels: 2^27 pixels (for example 16384 × 8192), beyond the
/// largest camera pictures, about 400 MB as BGR at full size.
constexpr std::uint64_t kDefaultMaxPixels = std::uint64_t{1} << 27;
/// Default for PhotoOptions::maxFileBytes: 128 MiB. The file's bytes count against the
/// memory budget of 256 MiB a picture may take on its way (see the README).
constexpr std::uint64_t kDefaultMaxFileBytes = std::uint64_t{128} << 20;

/// Why a picture was refused: a code a program can test (libgr::grErrc) and a short text, by
/// value.
using PhotoError = libgr::grError;

/// How decodePhoto shapes the picture.
struct PhotoOptions {
    /// Longest side wanted, in pixels; larger pictures are scaled down to it (aspect kept,
    /// never scaled up). 0: full size.
    std::uint32_t longestSide = 0;
    /// Hard cap on either side (the caller passes GL_MAX_TEXTURE_SIZE); 0: none.
    std::uint32_t maxTextureSize = 0;
    /// Most pixels the file may claim; a larger claim is refused before anything the size of
    /// the picture is allocated or decoded.
    std::uint64_t maxPixels = kDefaultMaxPixels;
    /// Longest file decodePhoto reads; a longer one is refused before it is read.
    std::uint64_t maxFileBytes = kDefaultMaxFileBytes;
    /// Turns the picture as its EXIF orientation says (JPEG APP1, PNG eXIf), so it stands up.
    bool applyOrientation = true;
};

/// Decodes the file at `path`, chosen by content and read once into one buffer: JPEG through
/// libjpeg (scaled inside the decoder where that saves work), PNG through libspng (every
/// colour type and bit depth, 16-bit reduced to 8, transparency kept), BMP through libgr's
/// reader. Every kind takes the same road: its headers are probed, one plan decides the size
/// and every limit, the rows stream through the area scaler (linear light) and the picture is
/// turned upright. The result in `out`: rows bottom-up as GL takes them, 8 bits a component,
/// no unpack offsets, `pixelStore` pointing at a static record of the rows' real alignment (4
/// for four components, else 1); the record owns its bytes. The layout is BGRA (alpha 255
/// where the picture has none: grey and CMYK pictures too), or luminance for a BMP whose
/// colour table is grey.
/// The size: the picture's own, or scaled down so that its longest side is
/// `options.longestSide` and neither side exceeds `options.maxTextureSize`.
/// Only a regular file is opened, never waited on: a FIFO, a device or a folder is refused
/// at once ("not a regular file").
/// False, with `out` untouched and photoError() saying why, for a file that cannot be read,
/// is longer than options.maxFileBytes, is of no known kind, claims more than
/// options.maxPixels, would need more than the memory budget (a side too long to stream, a
/// decoder buffer too large), has more scans than allowed, is truncated or corrupt (a JPEG
/// that warns, a PNG critical chunk whose checksum is wrong), or when memory is short.
/// Damaged, empty or oversized ancillary PNG chunks are skipped. Never throws.
bool decodePhoto(const char* path, const PhotoOptions& options, libgr::grImage2D& out);

/// As decodePhoto, from `size` bytes at `data` (not kept after the call), every kind.
bool decodePhotoMemory(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                       libgr::grImage2D& out);

/// The last failure of decodePhoto, decodePhotoMemory, resamplePhoto, orientPhoto or
/// buildMipmapChain on this thread, by value (code none after a success).
PhotoError photoError();

/// photoError()'s text ("" after a success). Valid until the next of those calls on the same
/// thread.
const char* photoFailureReason();

} // namespace libphoto

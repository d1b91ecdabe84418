// Decoding photographs (JPEG, PNG, BMP) into upload-ready image records: the content sniffer,
// the decoding options and entry points, and the reason for the last refusal.
//
// Usage:
//     libphoto::PhotoOptions options;
//     options.longestSide = 2048;          // what the screen can show
//     options.maxTextureSize = maxSize;    // GL_MAX_TEXTURE_SIZE, asked by the GL thread
//     libgr::grImage2D image;
//     if (!libphoto::decodePhoto(path, options, image))
//         report(path, libphoto::photoFailureReason());
//
// Decoding calls no GL and keeps no shared state: it may run on any thread.
#pragma once

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
    Heif,    ///< an ISO BMFF `ftyp` box naming a HEIF brand (heic, heix, mif1, ...)
    Avif,    ///< an ISO BMFF `ftyp` box naming an AVIF brand (avif, avis)
    Webp,    ///< starts "RIFF", four bytes, "WEBP"
};

/// The kind of picture `size` bytes at `data` hold, by their signature (a file name is never
/// consulted). Unknown for fewer bytes than the signature needs.
PhotoKind sniffPhoto(const unsigned char* data, std::size_t size);

/// Whether this build decodes pictures of `kind` (HEIF, AVIF and WebP are optional at build
/// time, and HEIF and AVIF need libheif's HEVC and AV1 decoders).
bool photoKindDecoded(PhotoKind kind);

/// The kinds of picture this build decodes, as a person reads them ("JPEG, PNG, BMP, ...").
const char* photoFormats();

/// Default for PhotoOptions::maxPixels: 2^27 pixels (for example 16384 × 8192), beyond the
/// largest camera pictures, about 400 MB as BGR at full size.
constexpr std::uint64_t kDefaultMaxPixels = std::uint64_t{1} << 27;
/// Default for PhotoOptions::maxFileBytes: 512 MiB.
constexpr std::uint64_t kDefaultMaxFileBytes = std::uint64_t{512} << 20;

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

/// Decodes the file at `path`, chosen by content: JPEG through TurboJPEG (scaled inside the
/// decoder where that saves work), PNG through libspng (every colour type and bit depth,
/// 16-bit reduced to 8, transparency kept), BMP through libgr's reader, and where this build
/// has them (photoKindDecoded) HEIF and AVIF through libheif (the primary image, turned as
/// the file says, 10- and 12-bit reduced to 8) and WebP through libwebp (the first frame of
/// an animation). The result in `out`: rows bottom-up as GL takes them, 8 bits a component,
/// no unpack offsets, `pixelStore` pointing at a static record of the rows' real alignment
/// (4 for four components, else 1); the record owns its bytes.
///  - JPEG, PNG, HEIF, AVIF and WebP: always BGRA, the layout GL takes fastest (unsized
///    GL_RGBA from GL_BGRA bytes); alpha 255 where the picture has none (no PNG alpha or
///    tRNS, every JPEG); grey and CMYK pictures come out as BGRA too. Colours are converted
///    into sRGB from the space the file names (an embedded ICC profile; PNG's sRGB, gAMA and
///    cHRM; HEIF's nclx), when the build has colour management; untagged pictures are sRGB,
///    and a damaged profile is passed over (the picture shown as sRGB), never refused.
///  - BMP: when no scaling is needed, the reader's record as it is when it is 8-bit BGRA or
///    luminance (sharing the file's bytes where the reader does); otherwise BGRA (alpha 255
///    where the file has none), or luminance for grey pictures.
/// The size: the picture's own, or scaled down (area filter in linear light) so that its
/// longest side is `options.longestSide` and neither side exceeds `options.maxTextureSize`.
/// Only a regular file is opened, never waited on: a FIFO, a device or a folder is refused
/// at once ("not a regular file").
/// False, with `out` untouched and photoFailureReason() saying why, for a file that cannot
/// be read, is longer than options.maxFileBytes, is of no known kind, claims more than
/// options.maxPixels, is truncated or corrupt, or when memory is short. Never throws.
bool decodePhoto(const char* path, const PhotoOptions& options, libgr::grImage2D& out);

/// As decodePhoto, from `size` bytes at `data` (not kept after the call). JPEG and PNG only:
/// BMP content is refused (the BMP reader reads files).
bool decodePhotoMemory(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                       libgr::grImage2D& out);

/// Why the last decodePhoto, decodePhotoMemory, resamplePhoto, orientPhoto or
/// buildMipmapChain on this thread failed ("" after a success). Valid until the next of
/// those calls on the same thread.
const char* photoFailureReason();

} // namespace libphoto

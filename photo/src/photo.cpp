// The photograph entry points: the content sniffer, reading a file once into one buffer, the
// road over it, and this thread's last failure.
#include "libphoto/photo.h"

#include "errors.h"
#include "memory.h"
#include "road.h"
#if PLUVINA_PHOTO_HEIF
#include "heif.h"
#endif

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace libphoto {

const char* photoFailureReason() {
    return detail::lastError().text();
}

PhotoError photoError() {
    return detail::lastError();
}

namespace {

// An ISO BMFF file starts with its `ftyp` box: size, "ftyp", the major brand, a minor
// version and the compatible brands. AVIF wins where a file names both kinds (an AVIF file
// names mif1 as well).
PhotoKind sniffFtyp(const unsigned char* data, std::size_t size) {
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return PhotoKind::Unknown;
    const std::uint64_t box = std::uint64_t{data[0]} << 24 | data[1] << 16 | data[2] << 8 | data[3];
    if (box < 16)
        return PhotoKind::Unknown;
    const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(box, size));
    static const char* const avif[] = {"avif", "avis"};
    static const char* const heif[] = {"heic", "heix", "heim", "heis",
                                       "hevc", "hevx", "mif1", "msf1"};
    PhotoKind kind = PhotoKind::Unknown;
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) { // skips the minor version
        for (const char* brand : avif)
            if (std::memcmp(data + at, brand, 4) == 0)
                return PhotoKind::Avif;
        for (const char* brand : heif)
            if (std::memcmp(data + at, brand, 4) == 0)
                kind = PhotoKind::Heif;
    }
    return kind;
}

} // namespace

PhotoKind sniffPhoto(const unsigned char* data, std::size_t size) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data == nullptr)
        return PhotoKind::Unknown;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return PhotoKind::Jpeg;
    if (size >= 8 && std::memcmp(data, png, 8) == 0)
        return PhotoKind::Png;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return PhotoKind::Bmp;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return PhotoKind::Webp;
    return sniffFtyp(data, size);
}

bool photoKindDecoded(PhotoKind kind) {
    switch (kind) {
    case PhotoKind::Jpeg:
    case PhotoKind::Png:
    case PhotoKind::Bmp:
        return true;
#if PLUVINA_PHOTO_HEIF
    case PhotoKind::Heif:
    case PhotoKind::Avif:
        return detail::heifDecodes(kind);
#endif
#if PLUVINA_PHOTO_WEBP
    case PhotoKind::Webp:
        return true;
#endif
    default:
        return false;
    }
}

const char* photoFormats() {
    static const std::string list = [] {
        std::string s = "JPEG, PNG, BMP";
        const std::pair<PhotoKind, const char*> more[] = {
            {PhotoKind::Heif, "HEIF"}, {PhotoKind::Avif, "AVIF"}, {PhotoKind::Webp, "WebP"}};
        for (const auto& [kind, name] : more)
            if (photoKindDecoded(kind))
                s += std::string(", ") + name;
        return s;
    }();
    return list.c_str();
}

namespace {

using libgr::grErrc;

bool finish(const detail::Error& e) {
    return e ? detail::fail(e) : detail::succeed();
}

bool decodeFile(const char* path, const PhotoOptions& options, libgr::grImage2D& out) {
    // The whole file once, into one buffer every kind reads from.
    std::vector<unsigned char> bytes;
    if (const detail::Error e = detail::readWholeFile(path, options.maxFileBytes, bytes))
        return detail::fail(e);
    return finish(detail::decodeRoad(bytes.data(), bytes.size(), options, out, &bytes));
}

} // namespace

bool decodePhoto(const char* path, const PhotoOptions& options, libgr::grImage2D& out) {
    try {
        return decodeFile(path, options, out);
    } catch (const std::bad_alloc&) {
        return detail::fail(grErrc::outOfMemory, "out of memory");
    }
}

bool decodePhotoMemory(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                       libgr::grImage2D& out) {
    if (data == nullptr && size != 0)
        return detail::fail(grErrc::badArgument, "no bytes");
    if (size > options.maxFileBytes)
        return detail::fail(grErrc::fileTooLong, "the file is longer than allowed");
    try {
        return finish(detail::decodeRoad(data, size, options, out));
    } catch (const std::bad_alloc&) {
        return detail::fail(grErrc::outOfMemory, "out of memory");
    }
}

} // namespace libphoto

// The photograph entry points: the content sniffer, reading a file once into one buffer, the
// road over it, and this thread's last failure.
#include "libphoto/photo.h"

#include "errors.h"
#include "libgr/bmp_file.h"
#include "libutils/platform.h"
#include "road.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace libphoto {

const char* photoFailureReason() {
    return detail::lastError().text();
}

PhotoError photoError() {
    return detail::lastError();
}

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
    return PhotoKind::Unknown;
}

namespace {

using libgr::grErrc;

bool finish(const detail::Error& e) {
    return e ? detail::fail(e) : detail::succeed();
}

bool decodeFile(const char* path, const PhotoOptions& options, libgr::grImage2D& out) {
    if (path == nullptr)
        return detail::fail(grErrc::badArgument, "no file name");
    // Never waits on a FIFO or opens a device: a photograph's name is the user's to choose.
    libutils::FileStatus status;
    const char* why = "";
    std::FILE* f = libutils::openRegularFile(path, status, why);
    if (f == nullptr)
        return detail::fail(libgr::openRefusalCode(path), why);
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};
    if (status.size > options.maxFileBytes)
        return detail::fail(grErrc::fileTooLong, "the file is longer than allowed");
    // The whole file once, into one buffer every kind reads from.
    std::vector<unsigned char> bytes(status.size);
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        return detail::fail(grErrc::cannotRead, "cannot read the whole file");
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

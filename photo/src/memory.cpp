// Memory helpers of the photo library.
#include "memory.h"

#include "libgr/bmp_file.h"
#include "libutils/platform.h"

#include <cstdio>

namespace libphoto::detail {

using libgr::grErrc;
using libgr::grError;

bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes) {
    if (bytes > 0xFFFFFFFFu || !buffer.create(static_cast<std::uint32_t>(bytes)))
        return false;
    libutils::adviseLargePages(buffer.begin(), bytes);
    return true;
}

grError readWholeFile(const char* path, std::uint64_t most, std::vector<unsigned char>& bytes) {
    if (path == nullptr)
        return grError(grErrc::badArgument, "no file name");
    // A photograph's name is the user's to choose: a FIFO or a device is refused at once.
    libutils::FileStatus status;
    const char* reason = "";
    libutils::OpenRefusal refusal{};
    std::FILE* f = libutils::openRegularFile(path, status, reason, &refusal);
    if (f == nullptr)
        return grError(libgr::openRefusalCode(refusal), reason);
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};
    if (status.size > most)
        return grError(grErrc::fileTooLong, "the file is longer than allowed");
    bytes.resize(status.size);
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        return grError(grErrc::cannotRead, "cannot read the whole file");
    return grError();
}

} // namespace libphoto::detail

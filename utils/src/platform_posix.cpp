#include "libutils/platform.h"

#include "open_checked.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace libutils {

std::uint32_t timeGetTime() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // Truncation to 32 bits is the point: callers work with wrapping differences.
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

bool fileStatus(const char* path, FileStatus& out) {
    if (path == nullptr)
        return false;
    struct stat st {};
    if (stat(path, &st) != 0)
        return false;
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.regular = S_ISREG(st.st_mode);
    return true;
}

std::FILE* detail::openChecked(const char* path, FileStatus& out, OpenRefusal& why) {
    const auto refuse = [&why](OpenRefusal given) -> std::FILE* {
        why = given;
        return nullptr;
    };
    // Without O_NONBLOCK, opening a FIFO waits for a writer, possibly for ever.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse(OpenRefusal::cannotOpen);
    struct stat st {};
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* file = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flags != -1 &&
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0)
        file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
        return refuse(S_ISREG(st.st_mode) ? OpenRefusal::cannotOpen : OpenRefusal::notRegular);
    }
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.regular = true;
    return file;
}

std::FILE* createFile(const char* path, bool exclusive, int& error) {
    // Non-blocking open: a FIFO nobody reads would otherwise hold the caller for ever (it is
    // refused with ENXIO instead); one that is read gets the bytes, written blocking.
    const int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
    const int fd = open(path, flags, 0644);
    const int mode = fd < 0 ? -1 : fcntl(fd, F_GETFL);
    std::FILE* file = nullptr;
    if (mode != -1 && fcntl(fd, F_SETFL, mode & ~O_NONBLOCK) != -1)
        file = fdopen(fd, "wb");
    if (file == nullptr) {
        error = errno;
        if (fd >= 0)
            close(fd);
    }
    return file;
}

bool nameTaken(const char* path) {
    // lstat, not access: a link that leads nowhere takes its name too (O_EXCL never writes
    // through it), though access would call the name free.
    struct stat taken {};
    return lstat(path, &taken) == 0;
}

std::string executableFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "";
    const std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.find_last_of('/'));
}

void adviseLargePages(void* block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = std::size_t{4} << 20;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    if (bytes < kWorthIt || page == 0 || (page & (page - 1)) != 0)
        return;
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t start = (at + page - 1) & ~(page - 1), end = (at + bytes) & ~(page - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE); // advice only
#else
    (void)block;
    (void)bytes;
#endif
}

std::uint16_t netToHost16(std::uint16_t v) {
    return ntohs(v);
}
std::uint32_t netToHost32(std::uint32_t v) {
    return ntohl(v);
}

} // namespace libutils

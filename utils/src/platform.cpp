#include "libutils/platform.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <time.h>

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
    return true;
}

std::uint16_t netToHost16(std::uint16_t v) {
    return ntohs(v);
}
std::uint32_t netToHost32(std::uint32_t v) {
    return ntohl(v);
}

} // namespace libutils

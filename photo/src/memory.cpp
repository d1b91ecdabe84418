// Memory helpers of the photo library.
#include "memory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace libphoto::detail {

void preferHugePages(void* block, std::size_t bytes) {
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

bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes) {
    if (bytes > 0xFFFFFFFFu || !buffer.create(static_cast<std::uint32_t>(bytes)))
        return false;
    preferHugePages(buffer.begin(), bytes);
    return true;
}

} // namespace libphoto::detail

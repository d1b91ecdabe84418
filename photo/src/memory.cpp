// Memory helpers of the photo library.
#include "memory.h"

#include "libutils/platform.h"

namespace libphoto::detail {

bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes) {
    if (bytes > 0xFFFFFFFFu || !buffer.create(static_cast<std::uint32_t>(bytes)))
        return false;
    libutils::adviseLargePages(buffer.begin(), bytes);
    return true;
}

} // namespace libphoto::detail

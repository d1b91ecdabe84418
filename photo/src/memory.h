// Memory helpers of the photo library: large blocks that prefer huge pages.
#pragma once

#include "libgr/refvector.h"

#include <cstddef>
#include <cstdint>

namespace libphoto::detail {

/// Asks the kernel for huge pages under a large block not yet touched: on first touch a
/// fresh 4 KiB page costs more than decoding into it.
void preferHugePages(void* block, std::size_t bytes);
/// Gives `buffer` fresh storage of `bytes` (huge pages preferred); false when that does not
/// fit 32 bits or memory is short.
bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes);

} // namespace libphoto::detail

// Memory helpers of the photo library: large blocks that prefer huge pages.
#pragma once

#include "libgr/refvector.h"

#include <cstdint>

namespace libphoto::detail {

/// Gives `buffer` fresh storage of `bytes` (huge pages preferred: on first touch a fresh
/// 4 KiB page costs more than decoding into it); false when that does not fit 32 bits or
/// memory is short.
bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes);

} // namespace libphoto::detail

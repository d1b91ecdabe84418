// Memory helpers of the photo library: large blocks that prefer huge pages, and a file read
// whole into one buffer.
#pragma once

#include "libgr/error.h"
#include "libgr/refvector.h"

#include <cstdint>
#include <vector>

namespace libphoto::detail {

/// Gives `buffer` fresh storage of `bytes` (huge pages preferred: on first touch a fresh
/// 4 KiB page costs more than decoding into it); false when that does not fit 32 bits or
/// memory is short.
bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes);

/// Reads the regular file at `path` (never waiting on a FIFO, never opening a device) whole
/// into `bytes`; an error when it cannot be opened or read, or is longer than `most` bytes.
/// May throw std::bad_alloc.
libgr::grError readWholeFile(const char* path, std::uint64_t most,
                             std::vector<unsigned char>& bytes);

} // namespace libphoto::detail

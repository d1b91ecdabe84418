// The one step of opening a regular file that each system does its own way. The platform
// layer's openRegularFile looks at the path first and says why it refused; this opens what
// the look found and checks again that it is a regular file.
#pragma once

#include "libutils/platform.h"

#include <cstdio>

namespace libutils::detail {

/// Opens `path` for reading in binary mode without ever waiting, and checks that what was
/// opened is a regular file. Returns the stream with `out` describing that file, or null with
/// `why` set.
std::FILE* openChecked(const char* path, FileStatus& out, OpenRefusal& why);

} // namespace libutils::detail

// This thread's last failure of the photo library, kept by value: the ground floor every
// other part of the library reports through.
#pragma once

#include "libgr/error.h"

namespace libphoto::detail {

/// Keeps `error` as this thread's last failure; returns false.
bool fail(const libgr::grError& error);
/// Keeps a failure of `code` with `text`; returns false.
bool fail(libgr::grErrc code, const char* text);
/// Clears this thread's last failure; returns true.
bool succeed();
/// This thread's last failure (code none after a success).
const libgr::grError& lastError();

} // namespace libphoto::detail

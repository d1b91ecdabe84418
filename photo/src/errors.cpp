// This thread's last failure of the photo library.
#include "errors.h"

namespace libphoto::detail {

namespace {
thread_local libgr::grError last;
} // namespace

bool fail(const libgr::grError& error) {
    last = error;
    return false;
}

bool fail(libgr::grErrc code, const char* text) {
    return fail(libgr::grError(code, text));
}

bool succeed() {
    last = libgr::grError();
    return true;
}

const libgr::grError& lastError() {
    return last;
}

} // namespace libphoto::detail

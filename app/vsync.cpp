#include "vsync.h"

#include "libgr/extensions.h"

const char* enableVsync() {
    return libgr::enableSwapControl();
}

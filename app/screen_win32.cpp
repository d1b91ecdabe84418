#include "screen.h"

#include <windows.h>

#include <algorithm>

// Windows has one desktop per session: the display name GLUT's -display takes means nothing
// here, and the primary monitor is the one a new window opens on.
std::uint32_t screenLongestSide(const std::string& /*display*/) {
    const int side = std::max(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return side > 0 ? static_cast<std::uint32_t>(side) : 0;
}

#include "screen.h"

#include <X11/Xlib.h>

#include <algorithm>

std::uint32_t screenLongestSide(const std::string& display) {
    Display* server = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (server == nullptr)
        return 0;
    const int screen = DefaultScreen(server);
    const int side = std::max(DisplayWidth(server, screen), DisplayHeight(server, screen));
    XCloseDisplay(server);
    return side > 0 ? static_cast<std::uint32_t>(side) : 0;
}

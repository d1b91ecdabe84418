// The screen's size, asked of the display server directly, before GLUT starts (GLUT's start
// loads the GL driver, which takes a while).
#pragma once

#include <cstdint>
#include <string>

/// The longer side, in pixels, of the default screen of the X display `display` (empty: the
/// one $DISPLAY names); 0 when the display cannot be reached.
std::uint32_t screenLongestSide(const std::string& display);

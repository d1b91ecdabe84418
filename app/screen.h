// The screen's size, asked of the display server directly, before GLUT starts (GLUT's start
// loads the GL driver, which takes a while).
#pragma once

#include <cstdint>
#include <string>

/// The longer side, in pixels, of the default screen of the display `display` (X: empty for
/// the one $DISPLAY names; ignored where there is one desktop); 0 when it cannot be reached.
std::uint32_t screenLongestSide(const std::string& display);

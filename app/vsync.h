// Waiting for the display: one buffer swap per refresh through the window system's
// swap-control extensions.
#pragma once

/// Asks the current GL context for a swap interval of one frame. Returns the name of the
/// extension that took the request, or null when none is present or all refused.
const char* enableVsync();

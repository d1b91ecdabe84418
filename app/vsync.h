// Waiting for the display: one buffer swap per refresh through GLX's swap-control extensions.
#pragma once

/// Asks the current GLX context for a swap interval of one frame, trying
/// GLX_EXT_swap_control, then GLX_MESA_swap_control, then GLX_SGI_swap_control. Returns the
/// name of the extension that took the request, or null when none is present or all refused.
const char* enableVsync();

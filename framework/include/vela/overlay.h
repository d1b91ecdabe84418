// The text overlay drawn over a frame (frames per second, running time, pause banner), its
// process-wide switches and counters, and the default key handler that toggles them.
//
// Overlay coordinates: x runs from 0 (left edge) to 1024 (right edge); y uses the same
// scale, centred on 512, from overlayBottom (lower edge) to overlayTop (upper edge).
// A typical frame, with the projection matrix selected and pushed and an identity
// modelview: beginOverlay(); countFrame(); drawFps(); drawMsec(ms); then pop.
#pragma once

#include <cstdint>

namespace vela {

// Process-wide state, single-threaded (the GLUT thread). All zero at start.
extern bool paused;                   ///< the "- pause -" banner shows
extern bool showFps;                  ///< the frames-per-second line shows
extern bool showMsec;                 ///< the running-time line shows
extern std::uint32_t frameCount;      ///< frames counted since the last roll-over
extern std::uint32_t lastSecond;      ///< clock second (ms / 1000) of the last roll-over
extern std::uint32_t framesPerSecond; ///< the number the fps line shows
extern float overlayBottom;           ///< overlay y of the window's lower edge
extern float overlayTop;              ///< overlay y of the window's upper edge
extern float overlayPixel;            ///< overlay units per window pixel

/// paused = false, showFps = true, showMsec = true.
void initOverlay();

/// Replaces the current matrix with the overlay projection for the current GL viewport
/// and sets overlayBottom, overlayTop and overlayPixel. A viewport of width 0 gives a degenerate
/// projection (infinite or NaN edges) under which nothing is drawn.
void beginOverlay();

/// Counts one frame; when the clock second has changed since the last roll-over,
/// framesPerSecond takes the count (including this frame) and the count restarts.
void countFrame();
/// countFrame() with the clock reading `nowMs` (milliseconds, wrapping 32-bit).
void countFrame(std::uint32_t nowMs);

/// Draws framesPerSecond + " fps" in white at (100, overlayBottom + 10).
void drawFps();
/// Draws `msec` + " msec" in white at (100, overlayTop - 20).
void drawMsec(std::uint32_t msec);

/// Draws `text` from (x, y) in the current colour; each line feed starts a new line 10
/// units lower at the same x. A null text draws nothing.
void drawText(float x, float y, const char* text);
/// Draws one line centred on x in the current colour, measured in the window's pixels
/// through overlayPixel. A null text draws nothing.
void drawTextCentred(float x, float y, const char* text);

/// Default keys: "f" toggles showFps, "t" toggles showMsec and requests a redisplay,
/// Escape and "q" end the process with status 0; any other key is echoed on standard
/// output as "key: <char>(<code>)".
void defaultKeys(unsigned char key);

} // namespace vela

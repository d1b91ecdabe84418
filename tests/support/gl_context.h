// One real GL context per test process: a small GLUT window on the X display (Xvfb in CI),
// created the first time a test needs it. Tests never see a mock driver.
#pragma once

namespace testgl {

/// Creates the window and its context on first use and makes it current. Returns the
/// GLUT window id. Safe to call from every test.
int ensureContext();

/// Window id of the shared test window (0 before ensureContext).
int window();

/// Drains GL's error flags; returns the first error seen (GL_NO_ERROR if none).
unsigned drainErrors();

} // namespace testgl

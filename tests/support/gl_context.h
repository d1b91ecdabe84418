// One real GL context per test process: a small GLUT window on the X display (Xvfb in CI),
// made current before the first test. Tests never see a mock driver.
#pragma once

namespace testgl {

/// Creates the window and its context on first use and makes it current; returns its id.
int ensureContext();

/// Drains GL's error flags; returns the first error seen (GL_NO_ERROR if none).
unsigned drainErrors();

} // namespace testgl

// RunControl: how one run of the program goes on and ends: the buffer swap after each frame,
// screenshots asked for with "s", and for a limited run (--frames, --benchmark) the frame
// times, the last frame's screenshot, the benchmark line and the exit.
#pragma once

#include "frame_times.h"
#include "options.h"

class RunControl {
public:
    /// Follows `options`, which must outlive it. Makes no GL call.
    explicit RunControl(const Options& options);

    /// The next frame is saved under a new name in the working directory.
    void requestShot() { shotRequested = true; }

    /// Ends the frame just drawn: swaps the buffers, saves the frame when asked to, and ends
    /// a limited run after its last frame (status 0, or 1 when its screenshot cannot be
    /// written). `photosShown`: every photograph that can be shown is on screen in this frame;
    /// `photosStartedMs`: when the named photographs went on their way (ms after the program
    /// started; negative: not yet, or none named). Needs the GL context.
    void endFrame(bool photosShown, double photosStartedMs = -1.0);

    /// Ends of the frames of a limited run.
    const FrameTimes& times() const { return frameTimes; }

private:
    const Options& options;
    FrameTimes frameTimes;
    bool shotRequested = false;
};

#include "run_control.h"

#include "screenshot.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

RunControl::RunControl(const Options& given) : options(given) {}

void RunControl::endFrame(bool photosShown, double photosStartedMs) {
    const Options& o = options;
    // The last frame is known before the swap, while its picture can still be read back.
    const bool last = (o.frames != 0 && frameTimes.frames() + 1 >= o.frames) ||
                      (o.benchmark > 0.0 && frameTimes.frames() > 0 &&
                       o.msSinceStart() - frameTimes.firstMs() >= o.benchmark * 1000.0);
    Frame frame;
    const bool grabbed = (shotRequested || (last && !o.screenshot.empty())) && grabFrame(frame);
    glutSwapBuffers();
    if (o.limited()) {
        // One reading of the clock: photographs shown in a frame show at that frame's time.
        const double now = o.msSinceStart();
        frameTimes.frameEnded(now);
        frameTimes.photosStarted(photosStartedMs);
        if (photosShown)
            frameTimes.photosShown(now);
    }

    std::string reason;
    if (shotRequested) {
        shotRequested = false;
        std::string name;
        if (grabbed && writeNewPng(frame, o.program, name, reason))
            std::fprintf(stderr, "%s: saved %s\n", o.program.c_str(), name.c_str());
        else
            std::fprintf(stderr, "%s: cannot save a screenshot: %s\n", o.program.c_str(),
                         grabbed ? reason.c_str() : "the window is empty");
    }
    if (!last)
        return;
    if (!o.screenshot.empty() && !(grabbed && writePng(frame, o.screenshot, false, reason))) {
        std::fprintf(stderr, "%s: %s: %s\n", o.program.c_str(), o.screenshot.c_str(),
                     grabbed ? reason.c_str() : "the window is empty");
        std::exit(1);
    }
    if (o.benchmark > 0.0)
        std::printf("%s\n", frameTimes.json().c_str());
    std::fflush(stdout);
    std::exit(0);
}

// The program's command line: its own long options, taken out of argv before GLUT sees the
// rest, so that GLUT's options (-display, -geometry, -gldebug, ...) keep working.
#pragma once

#include <string>

struct Options {
    bool help = false;
    bool version = false;
    int width = 0; ///< --size; 0 keeps the built-in 640 by 480
    int height = 0;
    int geometryWidth = 0; ///< the size of GLUT's -geometry, when it gives one; else 0
    int geometryHeight = 0;
    bool fullscreen = false;
    std::string photos; ///< --photos; empty: working directory, else the program's folder
    bool vsync = false;
    unsigned long frames = 0; ///< --frames; 0: run until the user quits
    std::string screenshot;   ///< --screenshot: where the last frame of a limited run goes
    double benchmark = 0.0;   ///< --benchmark seconds; 0: off
};

/// Reads the program's options out of argv (both "--opt value" and "--opt=value") and
/// removes them, leaving argv[0] and GLUT's own options for glutInit; argc shrinks to match.
/// Returns false with a one-line `error` for an unknown option, a missing or bad value, a
/// stray argument or a combination that makes no sense; argv is then left as it was.
bool parseOptions(int& argc, char** argv, Options& out, std::string& error);

/// The --help text, ending with a line feed.
std::string usage(const std::string& program);

/// The last part of a path ("pluvina" for "build/app/pluvina").
std::string baseName(const std::string& path);

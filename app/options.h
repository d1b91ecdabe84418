// The program's command line: its own long options, taken out of argv before GLUT sees the
// rest, so that GLUT's options (-display, -geometry, -gldebug, ...) keep working.
#pragma once

#include <chrono>
#include <string>

/// What the command line asks of one run, decided once and handed to the scene controller.
struct Options {
    /// When the program started: the options are made first thing in main.
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    /// Milliseconds since then.
    double msSinceStart() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    }
    std::string program = "pluvina"; ///< the program's name in messages (argv[0]'s last part)
    bool help = false;
    bool version = false;
    int width = 0; ///< --size; 0 keeps the built-in 640 by 480
    int height = 0;
    std::string display;   ///< GLUT's -display; empty: the one $DISPLAY names
    int geometryWidth = 0; ///< the size of GLUT's -geometry, when it gives one; else 0
    int geometryHeight = 0;
    bool fullscreen = false;
    std::string photos;  ///< --photos; empty: working directory, else the program's folder
    std::string upright; ///< --upright: a photograph of any kind for the upright square
    std::string floor;   ///< --floor: a photograph of any kind for the floor
    bool vsync = false;
    unsigned long frames = 0; ///< --frames; 0: run until the user quits
    std::string screenshot;   ///< --screenshot: where the last frame of a limited run goes
    double benchmark = 0.0;   ///< --benchmark seconds; 0: off

    /// The window's size: --size, else the size of -geometry, else 640 by 480.
    int windowWidth() const;
    int windowHeight() const; ///< as windowWidth
    /// Whether the run ends by itself (--frames or --benchmark).
    bool limited() const { return frames != 0 || benchmark > 0.0; }
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

/// The folder of the running executable, or "" when the system does not say.
std::string executableDir();

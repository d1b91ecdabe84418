// The demo: one GLUT window with two fountains of drops in front of two photographs.
#include "options.h"
#include "photo_shelf.h"
#include "pluvina.h"
#include "screen.h"
#include "vsync.h"

#include "libutils/version.h"
#include "vela/gluty.h"

#include <GL/freeglut.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    Options options; // first: it notes when the program started
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s (see --help)\n", options.program.c_str(), error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        if (options.help)
            std::fputs(usage(options.program).c_str(), stdout);
        else
            std::printf("%s %s\n", options.program.c_str(), PLUVINA_VERSION_STRING);
        return 0;
    }

    // Photographs the user names start on their way now: GLUT's start alone loads the GL
    // driver, which takes a while. Without them the screen is not asked.
    const bool named = !options.upright.empty() || !options.floor.empty();
    PhotoShelf photos(options, named ? screenLongestSide(options.display) : 0);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    Pluvina scene(argc, argv, options, &photos);

    vela::glutyRegistry::instance()->addWindow(&scene, argv[0]);
    if (options.vsync) {
        // The swap then waits for the refresh itself: the photographs need no pace of ours.
        scene.photos.displayPaces = enableVsync() != nullptr;
        if (!scene.photos.displayPaces)
            std::fprintf(stderr, "%s: no swap control here: frames are not synchronised\n",
                         options.program.c_str());
    }
    if (options.fullscreen)
        scene.toggleFullscreen();
    vela::glutyRegistry::instance()->mainLoop(true, true);
    return 0;
}

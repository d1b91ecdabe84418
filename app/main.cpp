// The demo: one GLUT window with two fountains of drops in front of two photographs.
#include "options.h"
#include "pluvina.h"
#include "vsync.h"

#include "libutils/version.h"
#include "vela/gluty.h"

#include <GL/freeglut.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// The folder of the running executable, or "" when the system does not say.
std::string executableDir() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "";
    const std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.find_last_of('/'));
}

} // namespace

int main(int argc, char** argv) {
    const auto launched = std::chrono::steady_clock::now();
    const std::string program = baseName(argc > 0 && argv[0] ? argv[0] : "pluvina");
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s (see --help)\n", program.c_str(), error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        if (options.help)
            std::fputs(usage(program).c_str(), stdout);
        else
            std::printf("%s %s\n", program.c_str(), PLUVINA_VERSION_STRING);
        return 0;
    }

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    Pluvina scene(argc, argv);
    // A size given with -geometry must not be overridden by the scene's own.
    if (options.width > 0)
        glutInitWindowSize(options.width, options.height);
    else if (options.geometryWidth > 0)
        glutInitWindowSize(options.geometryWidth, options.geometryHeight);
    scene.launched = launched;
    scene.programName = program;
    scene.photoDir = options.photos;
    scene.exeDir = executableDir();
    scene.frameLimit = options.frames;
    scene.benchmarkSeconds = options.benchmark;
    scene.finalShot = options.screenshot;

    vela::glutyRegistry::instance()->addWindow(&scene, argv[0]);
    if (options.vsync && enableVsync() == nullptr)
        std::fprintf(stderr, "%s: no GLX swap control here: frames are not synchronised\n",
                     program.c_str());
    if (options.fullscreen)
        scene.toggleFullscreen();
    vela::glutyRegistry::instance()->mainLoop(true, true);
    return 0;
}

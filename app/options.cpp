#include "options.h"

#include "libphoto/photo.h"
#include "libutils/platform.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

// GLUT's own options; the first two take a value.
const char* const kGlutWithValue[] = {"-display", "-geometry"};
const char* const kGlutFlags[] = {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"};

bool listed(const char* arg, const char* const* begin, const char* const* end) {
    for (const char* const* p = begin; p != end; ++p)
        if (std::strcmp(arg, *p) == 0)
            return true;
    return false;
}

// A window side: GLUT never draws a window that is one pixel wide or high (the frames of
// --frames and --benchmark would never come), and X takes no more than 16384.
constexpr unsigned long kLeastSide = 2;
constexpr unsigned long kMostSide = 16384;

// A whole number from `min` to `max`, nothing else in the text.
bool wholeNumber(const std::string& text, unsigned long min, unsigned long max,
                 unsigned long& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

// "WxH", each side within the window's bounds.
bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    unsigned long w = 0, h = 0;
    if (x == std::string::npos || !wholeNumber(text.substr(0, x), kLeastSide, kMostSide, w) ||
        !wholeNumber(text.substr(x + 1), kLeastSide, kMostSide, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// GLUT's -geometry, "[=][WxH][{+-}X{+-}Y]": the size, when there is one, is held to the same
// bounds as --size. The rest is GLUT's business.
bool parseGeometry(const std::string& text, Options& out) {
    const std::string g = text.compare(0, 1, "=") == 0 ? text.substr(1) : text;
    const std::size_t sizeEnd = g.find_first_of("+-");
    const std::string size = g.substr(0, sizeEnd);
    // Without an "x" GLUT takes no size from it, and the scene's own stands.
    return size.find_first_of("xX") == std::string::npos ||
           parseSize(size, out.geometryWidth, out.geometryHeight);
}

bool parseSeconds(const std::string& text, double& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    // A day is plenty for a benchmark; NaN fails both comparisons.
    if (*end != '\0' || !(v > 0.0 && v <= 86400.0))
        return false;
    out = v;
    return true;
}

} // namespace

bool parseOptions(int& argc, char** argv, Options& out, std::string& error) {
    Options o = out; // keeps the start time
    if (argc > 0 && argv[0] != nullptr)
        o.program = baseName(argv[0]);
    std::vector<char*> rest;
    if (argc > 0)
        rest.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (listed(argv[i], std::begin(kGlutWithValue), std::end(kGlutWithValue))) {
            if (i + 1 >= argc) {
                error = "option '" + arg + "' needs a value";
                return false;
            }
            if (arg == "-geometry" && !parseGeometry(argv[i + 1], o)) {
                error = "bad value '" + std::string(argv[i + 1]) + "' for option '" + arg + "'";
                return false;
            }
            rest.push_back(argv[i]);
            rest.push_back(argv[++i]);
            continue;
        }
        if (listed(argv[i], std::begin(kGlutFlags), std::end(kGlutFlags))) {
            rest.push_back(argv[i]);
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) {
            error = arg[0] == '-' ? "unknown option '" + arg + "'"
                                  : "unexpected argument '" + arg + "'";
            return false;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const bool flag = name == "--version" || name == "--fullscreen" || name == "--vsync";
        const bool valued = name == "--size" || name == "--photos" || name == "--frames" ||
                            name == "--screenshot" || name == "--benchmark" ||
                            name == "--upright" || name == "--floor";
        if (!flag && !valued) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (flag && eq != std::string::npos) {
            error = "option '" + name + "' takes no value";
            return false;
        }
        std::string value;
        if (valued) {
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                error = "option '" + name + "' needs a value";
                return false;
            }
        }
        bool good = true;
        if (name == "--version")
            o.version = true;
        else if (name == "--fullscreen")
            o.fullscreen = true;
        else if (name == "--vsync")
            o.vsync = true;
        else if (name == "--size")
            good = parseSize(value, o.width, o.height);
        else if (name == "--photos")
            good = !(o.photos = value).empty();
        else if (name == "--upright")
            good = !(o.upright = value).empty();
        else if (name == "--floor")
            good = !(o.floor = value).empty();
        else if (name == "--frames")
            good = wholeNumber(value, 1, 0x7fffffffUL, o.frames);
        else if (name == "--screenshot")
            good = !(o.screenshot = value).empty();
        else
            good = parseSeconds(value, o.benchmark);
        if (!good) {
            error = "bad value '" + value + "' for option '" + name + "'";
            return false;
        }
    }
    if (o.frames != 0 && o.benchmark != 0.0) {
        error = "options '--frames' and '--benchmark' exclude each other";
        return false;
    }
    if (!o.screenshot.empty() && o.frames == 0 && o.benchmark == 0.0) {
        error = "option '--screenshot' needs '--frames' or '--benchmark'";
        return false;
    }
    for (std::size_t i = 0; i < rest.size(); ++i)
        argv[i] = rest[i];
    argc = static_cast<int>(rest.size());
    argv[argc] = nullptr;
    out = o;
    return true;
}

std::string usage(const std::string& program) {
    return "Usage: " + program +
           " [OPTION]... [GLUT OPTION]...\n"
           "Two fountains of drops in front of two photographs, in an OpenGL window.\n"
           "\n"
           "  --size WxH           window size in pixels, 2 to 16384 a side (default 640x480)\n"
           "  --fullscreen         start in fullscreen\n"
           "  --photos DIR         read the photographs from DIR (default: the working\n"
           "                       directory, else the program's own folder)\n"
           "  --upright FILE       show the photograph FILE on the upright square\n"
           "  --floor FILE         show the photograph FILE on the floor\n"
           "                       (this build reads " +
           std::string(libphoto::photoFormats()) +
           ")\n"
           "  --vsync              draw one frame per display refresh\n"
           "  --frames N           draw N frames, then end\n"
           "  --screenshot FILE    save the last frame of --frames or --benchmark as PNG\n"
           "  --benchmark SECONDS  draw for SECONDS, print the frame times as JSON, end\n"
           "  -h, --help           show this help and end\n"
           "  --version            show the version and end\n"
           "\n"
           "GLUT's own options (-display, -geometry, -gldebug, ...) are passed on.\n"
           "Keys: p or space pause, f fullscreen, s screenshot, h key list, r one step,\n"
           "q or Escape quit. Drag with the left button to move, the right one to turn.\n";
}

int Options::windowWidth() const {
    return width > 0 ? width : geometryWidth > 0 ? geometryWidth : 640;
}

int Options::windowHeight() const {
    return width > 0 ? height : geometryWidth > 0 ? geometryHeight : 480;
}

std::string executableDir() {
    return libutils::executableFolder();
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

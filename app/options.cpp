#include "options.h"

#include "libphoto/photo.h"
#include "libutils/platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

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

// A non-empty text, stored in `field`.
template <std::string Options::*field> bool text(const std::string& value, Options& o) {
    o.*field = value;
    return !value.empty();
}

// Any text, stored in `field`.
template <std::string Options::*field> bool any(const std::string& value, Options& o) {
    o.*field = value;
    return true;
}

// A flag, set.
template <bool Options::*field> bool flag(const std::string&, Options& o) {
    o.*field = true;
    return true;
}

// One option: how it is written, its value, its lines in the usage and how its value is taken.
struct OptionRow {
    const char* name;
    const char* alias; // a short spelling, or null
    const char* value; // the value's name in the usage; null for a flag
    const char* help;  // one line each, joined by line feeds
    bool (*take)(const std::string& value, Options& out); // false: a bad value
    bool glut;                                            // GLUT's: checked and passed on
};

// Every option the program knows, in the order the usage lists them; GLUT's own at the end.
const OptionRow kOptions[] = {
    {"--size", nullptr, "WxH", "window size in pixels, 2 to 16384 a side (default 640x480)",
     [](const std::string& v, Options& o) { return parseSize(v, o.width, o.height); }, false},
    {"--fullscreen", nullptr, nullptr, "start in fullscreen", flag<&Options::fullscreen>, false},
    {"--photos", nullptr, "DIR",
     "read the photographs from DIR (default: the working\ndirectory, else the program's own "
     "folder)",
     text<&Options::photos>, false},
    {"--upright", nullptr, "FILE", "show the photograph FILE on the upright square",
     text<&Options::upright>, false},
    {"--floor", nullptr, "FILE", "show the photograph FILE on the floor", text<&Options::floor>,
     false},
    {"--vsync", nullptr, nullptr, "draw one frame per display refresh", flag<&Options::vsync>,
     false},
    {"--frames", nullptr, "N", "draw N frames, then end",
     [](const std::string& v, Options& o) { return wholeNumber(v, 1, 0x7fffffffUL, o.frames); },
     false},
    {"--screenshot", nullptr, "FILE", "save the last frame of --frames or --benchmark as PNG",
     text<&Options::screenshot>, false},
    {"--benchmark", nullptr, "SECONDS", "draw for SECONDS, print the frame times as JSON, end",
     [](const std::string& v, Options& o) { return parseSeconds(v, o.benchmark); }, false},
    {"--help", "-h", nullptr, "show this help and end", flag<&Options::help>, false},
    {"--version", nullptr, nullptr, "show the version and end", flag<&Options::version>, false},
    {"-display", nullptr, "DISPLAY", nullptr, any<&Options::display>, true},
    {"-geometry", nullptr, "GEOMETRY", nullptr, parseGeometry, true},
    {"-gldebug", nullptr, nullptr, nullptr, nullptr, true},
    {"-sync", nullptr, nullptr, nullptr, nullptr, true},
    {"-iconic", nullptr, nullptr, nullptr, nullptr, true},
    {"-direct", nullptr, nullptr, nullptr, nullptr, true},
    {"-indirect", nullptr, nullptr, nullptr, nullptr, true},
};

// The option `name` is written as (its long name or its alias), or null.
const OptionRow* find(const std::string& name) {
    for (const OptionRow& row : kOptions)
        if (name == row.name || (row.alias != nullptr && name == row.alias))
            return &row;
    return nullptr;
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
        // GLUT's options are written whole; the program's own may carry "=value".
        const std::size_t eq = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, eq);
        const OptionRow* row = find(name);
        if (row == nullptr) {
            error = arg[0] == '-' ? "unknown option '" + name + "'"
                                  : "unexpected argument '" + arg + "'";
            return false;
        }
        if (row->value == nullptr && eq != std::string::npos) {
            error = "option '" + name + "' takes no value";
            return false;
        }
        std::string value;
        const int at = i;
        if (row->value != nullptr) {
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                error = "option '" + name + "' needs a value";
                return false;
            }
        }
        if (row->take != nullptr && !row->take(value, o)) {
            error = "bad value '" + value + "' for option '" + name + "'";
            return false;
        }
        if (row->glut)
            rest.insert(rest.end(), argv + at, argv + i + 1);
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
    constexpr std::size_t kHelpColumn = 23;
    std::string text = "Usage: " + program +
                       " [OPTION]... [GLUT OPTION]...\n"
                       "Two fountains of drops in front of two photographs, in an OpenGL "
                       "window.\n\n";
    std::string glut; // the first few, as examples
    for (const OptionRow& row : kOptions) {
        if (row.glut) {
            if (glut.size() < 24)
                glut += std::string(row.name) + ", ";
            continue;
        }
        std::string head = "  ";
        if (row.alias != nullptr)
            head += std::string(row.alias) + ", ";
        head += row.name;
        if (row.value != nullptr)
            head += std::string(" ") + row.value;
        head.resize(std::max(head.size() + 1, kHelpColumn), ' ');
        // Continuation lines of the help start under its first.
        for (const char* line = row.help; line != nullptr;) {
            const char* end = std::strchr(line, '\n');
            text +=
                head + std::string(line, end != nullptr ? end : line + std::strlen(line)) + "\n";
            head.assign(kHelpColumn, ' ');
            line = end != nullptr ? end + 1 : nullptr;
        }
        // The kinds of photograph depend on how the photo library was built.
        if (std::strcmp(row.name, "--floor") == 0)
            text += head + "(this build reads " + libphoto::photoFormats() + ")\n";
    }
    return text + "\nGLUT's own options (" + glut +
           "...) are passed on.\n"
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

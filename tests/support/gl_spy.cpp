#include "gl_spy.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

namespace spy {
namespace {
std::vector<Call> g_calls;
bool g_recording = false;
int g_currentWindow = -1;
} // namespace

void start() {
    g_calls.clear();
    g_recording = true;
}
void stop() {
    g_recording = false;
}
const std::vector<Call>& calls() {
    return g_calls;
}
std::vector<Call> callsOf(const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : g_calls)
        if (c.name == name)
            out.push_back(c);
    return out;
}
std::size_t count(const std::string& name) {
    return callsOf(name).size();
}
std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const Call& c : g_calls)
        out.push_back(c.name);
    return out;
}
void overrideCurrentWindow(int id) {
    g_currentWindow = id;
}
void clearCurrentWindowOverride() {
    g_currentWindow = -1;
}
void log(const char* name, std::vector<double> args, std::string text = {}) {
    if (g_recording)
        g_calls.push_back(Call{name, std::move(args), std::move(text)});
}

} // namespace spy

#define P(p) spy::addr(p)
#define SPY_UNPAREN(...) __VA_ARGS__
#ifdef PLUVINA_SPY_INTERPOSE
#include <dlfcn.h>

// With shared libraries --wrap would miss their calls, so the executable defines the spied
// functions under their own names: being first in symbol lookup, it receives every call, and
// forwards to the real function found with dlsym(RTLD_NEXT). As with --wrap, calls that GLU or
// GLUT make inside a spied function (gluBuild2DMipmaps, glutBitmapCharacter) are not logged.
namespace spy {
namespace {
thread_local int g_depth = 0;
struct Forwarding {
    Forwarding() { ++g_depth; }
    ~Forwarding() { --g_depth; }
};
template <class F> F next(F, const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
} // namespace
} // namespace spy
#define SPY_DEFINE(ret, name, params) extern "C" ret name params
#define SPY_LOGS() (spy::g_recording && spy::g_depth == 0)
#define SPY_REAL(name)                                                                             \
    ([] {                                                                                          \
        static const auto f = spy::next(&name, #name);                                             \
        return f;                                                                                  \
    }())
#define SPY_FORWARD(name)                                                                          \
    const spy::Forwarding forwarding;                                                              \
    return SPY_REAL(name)
#else
#define SPY_DEFINE(ret, name, params)                                                              \
    extern "C" ret __real_##name params;                                                           \
    extern "C" ret __wrap_##name params
#define SPY_LOGS() spy::g_recording
#define SPY_REAL(name) __real_##name
#define SPY_FORWARD(name) return __real_##name
#endif

#define SPY_FN(ret, name, params, args, logged)                                                    \
    SPY_DEFINE(ret, name, params) {                                                                \
        if (SPY_LOGS())                                                                            \
            spy::log(#name, {SPY_UNPAREN logged});                                                 \
        SPY_FORWARD(name) args;                                                                    \
    }
#include "gl_spy_list.h"
#undef SPY_FN

SPY_DEFINE(int, glutCreateWindow, (const char* title)) {
    if (SPY_LOGS())
        spy::log("glutCreateWindow", {}, title ? title : "");
    SPY_FORWARD(glutCreateWindow)(title);
}

// Returns at once: a test drives the callbacks itself.
SPY_DEFINE(void, glutMainLoop, (void)) {
    if (SPY_LOGS())
        spy::log("glutMainLoop", {});
}

SPY_DEFINE(int, glutGetWindow, (void)) {
    if (SPY_LOGS())
        spy::log("glutGetWindow", {});
    if (spy::g_currentWindow >= 0)
        return spy::g_currentWindow;
    SPY_FORWARD(glutGetWindow)();
}

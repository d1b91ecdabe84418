#include "gl_spy.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace spy {
namespace {
std::vector<Call> g_calls;
bool g_recording = false;
bool g_mainLoopReturns = true;
int g_currentWindow = -1;
} // namespace

void start() {
    g_calls.clear();
    g_recording = true;
}
void stop() {
    g_recording = false;
}
bool recording() {
    return g_recording;
}
const std::vector<Call>& calls() {
    return g_calls;
}

std::size_t count(const std::string& name) {
    return static_cast<std::size_t>(std::count_if(g_calls.begin(), g_calls.end(),
                                                  [&](const Call& c) { return c.name == name; }));
}

std::vector<Call> callsOf(const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : g_calls)
        if (c.name == name)
            out.push_back(c);
    return out;
}

std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const Call& c : g_calls)
        out.push_back(c.name);
    return out;
}

long indexOf(const std::string& name, std::size_t from) {
    for (std::size_t i = from; i < g_calls.size(); ++i)
        if (g_calls[i].name == name)
            return static_cast<long>(i);
    return -1;
}

void setMainLoopReturns(bool returns) {
    g_mainLoopReturns = returns;
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
#define SPY_FN(ret, name, params, args, logged)                                                    \
    extern "C" ret __real_##name params;                                                           \
    extern "C" ret __wrap_##name params {                                                          \
        spy::log(#name, {SPY_UNPAREN logged});                                                     \
        return __real_##name args;                                                                 \
    }
#include "gl_spy_list.h"
#undef SPY_FN

extern "C" int __real_glutCreateWindow(const char* title);
extern "C" int __wrap_glutCreateWindow(const char* title) {
    spy::log("glutCreateWindow", {}, title ? title : "");
    return __real_glutCreateWindow(title);
}

extern "C" void __real_glutMainLoop(void);
extern "C" void __wrap_glutMainLoop(void) {
    spy::log("glutMainLoop", {});
    if (!spy::g_mainLoopReturns)
        __real_glutMainLoop();
}

extern "C" int __real_glutGetWindow(void);
extern "C" int __wrap_glutGetWindow(void) {
    spy::log("glutGetWindow", {});
    return spy::g_currentWindow >= 0 ? spy::g_currentWindow : __real_glutGetWindow();
}

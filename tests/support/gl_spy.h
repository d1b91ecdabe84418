// A thin recorder of GL, GLU and GLUT calls for tests that must check "this exact sequence
// of calls" or "no GL call at all". Test executables are linked with the linker's --wrap
// for every function in gl_spy_list.h (plus the hand-written ones in gl_spy.cpp), so the
// libraries' calls land in __wrap_X, which logs and forwards to the real __real_X. Against
// shared libraries the executable defines X itself instead (see gl_spy.cpp). glutMainLoop is
// logged and returns at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spy {

struct Call {
    std::string name;
    std::vector<double> args; ///< numbers as passed; pointers as their address
    std::string text;         ///< string arguments (window titles)
};

void start(); ///< clears the log and starts recording
void stop();  ///< stops recording; the log stays readable
const std::vector<Call>& calls();
std::vector<Call> callsOf(const std::string& name); ///< the calls of `name`, in order
std::size_t count(const std::string& name);
std::vector<std::string> names(); ///< names of all recorded calls, in order
/// glutGetWindow answers `id` instead of asking GLUT, until cleared.
void overrideCurrentWindow(int id);
void clearCurrentWindowOverride();

/// Addresses are logged above this mark (exactly: user-space addresses stay below 2^47), so
/// that a log tells them from numbers wherever the system places its heap; null stays 0.
constexpr double kAddressMark = 4503599627370496.0; // 2^52

inline double addr(const void* p) {
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    return a == 0 ? 0.0 : kAddressMark + static_cast<double>(a);
}

} // namespace spy

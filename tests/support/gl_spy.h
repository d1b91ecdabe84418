// A thin recorder of GL, GLU and GLUT calls for tests that must check "this exact sequence
// of calls" or "no GL call at all". Test executables are linked with the linker's --wrap
// for every function in gl_spy_list.h (plus the hand-written ones in gl_spy.cpp), so the
// libraries' calls land in __wrap_X, which logs and forwards to the real __real_X. Against
// shared libraries the executable defines X itself instead (see gl_spy.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace spy {

struct Call {
    std::string name;
    std::vector<double> args; ///< numbers as passed; pointers as their address
    std::string text;         ///< string arguments (window titles)
};

/// Clears the log and starts recording.
void start();
/// Stops recording; the log stays readable.
void stop();
bool recording();

const std::vector<Call>& calls();
/// Number of recorded calls of `name`.
std::size_t count(const std::string& name);
/// The recorded calls of `name`, in order.
std::vector<Call> callsOf(const std::string& name);
/// Names of all recorded calls, in order.
std::vector<std::string> names();
/// Index of the first call of `name` at or after `from`, or -1.
long indexOf(const std::string& name, std::size_t from = 0);

/// When set, glutMainLoop returns at once instead of running GLUT's loop (recorded always).
void setMainLoopReturns(bool returns);
/// When set (>= 0), glutGetWindow answers this id instead of asking GLUT.
void overrideCurrentWindow(int id);
void clearCurrentWindowOverride();

/// Address of a pointer argument as logged.
inline double addr(const void* p) {
    return static_cast<double>(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace spy

// The window-system side of GL on Windows: entry points looked up through WGL, and the swap
// interval through WGL_EXT_swap_control.
#include <windows.h>

#include "libgr/extensions.h"

namespace libgr {

void* getProcAddress(const char* name) {
    if (name == nullptr)
        return nullptr;
    void* const fn = reinterpret_cast<void*>(wglGetProcAddress(name));
    // wglGetProcAddress answers only for what the driver adds; some drivers return small
    // integers instead of null for a miss. GL 1.1 itself is exported by opengl32.dll.
    const auto value = reinterpret_cast<std::uintptr_t>(fn);
    if (value > 3 && value != static_cast<std::uintptr_t>(-1))
        return fn;
    if (HMODULE gl = GetModuleHandleA("opengl32.dll"))
        return reinterpret_cast<void*>(GetProcAddress(gl, name));
    return nullptr;
}

const char* enableSwapControl() {
    using SwapIntervalEXT = BOOL(WINAPI*)(int);
    if (wglGetCurrentContext() == nullptr)
        return nullptr;
    // The WGL extension string comes from WGL_ARB_extensions_string or, failing that, from
    // WGL_EXT_extensions_string; drivers commonly list WGL_EXT_swap_control in GL's own.
    using ExtensionsARB = const char*(WINAPI*)(HDC);
    using ExtensionsEXT = const char*(WINAPI*)();
    const char* extensions = nullptr;
    if (auto arb = reinterpret_cast<ExtensionsARB>(getProcAddress("wglGetExtensionsStringARB")))
        extensions = arb(wglGetCurrentDC());
    else if (auto ext =
                 reinterpret_cast<ExtensionsEXT>(getProcAddress("wglGetExtensionsStringEXT")))
        extensions = ext();
    const char* const gl = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!hasExtensionIn(extensions, "WGL_EXT_swap_control") &&
        !hasExtensionIn(gl, "WGL_EXT_swap_control"))
        return nullptr;
    auto swapInterval = reinterpret_cast<SwapIntervalEXT>(getProcAddress("wglSwapIntervalEXT"));
    if (swapInterval == nullptr || !swapInterval(1))
        return nullptr;
    return "WGL_EXT_swap_control";
}

} // namespace libgr

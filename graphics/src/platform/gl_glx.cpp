// The window-system side of GL on X11: entry points looked up through GLX, and the swap
// interval through GLX's swap-control extensions.
#include "libgr/extensions.h"

#include <GL/glx.h>

namespace libgr {

namespace {

using SwapIntervalEXT = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMESA = int (*)(unsigned int);
using SwapIntervalSGI = int (*)(int);

// GLVND hands out a stub for any glX name, so an entry point is only trusted when the
// display also lists its extension.
template <typename Fn> Fn lookUp(const char* extensions, const char* extension, const char* fn) {
    if (!hasExtensionIn(extensions, extension))
        return nullptr;
    return reinterpret_cast<Fn>(getProcAddress(fn));
}

} // namespace

void* getProcAddress(const char* name) {
    if (name == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

const char* enableSwapControl() {
    Display* const display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (display == nullptr || drawable == 0)
        return nullptr;
    const char* const extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (auto ext =
            lookUp<SwapIntervalEXT>(extensions, "GLX_EXT_swap_control", "glXSwapIntervalEXT")) {
        ext(display, drawable, 1);
        return "GLX_EXT_swap_control";
    }
    if (auto mesa =
            lookUp<SwapIntervalMESA>(extensions, "GLX_MESA_swap_control", "glXSwapIntervalMESA"))
        if (mesa(1) == 0)
            return "GLX_MESA_swap_control";
    if (auto sgi =
            lookUp<SwapIntervalSGI>(extensions, "GLX_SGI_swap_control", "glXSwapIntervalSGI"))
        if (sgi(1) == 0)
            return "GLX_SGI_swap_control";
    return nullptr;
}

} // namespace libgr

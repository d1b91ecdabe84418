// Read before every source of the Windows build (-include). GLUT and GL's headers bring in
// <windows.h> there, whose empty macros `near` and `far` (16-bit pointer qualifiers) would
// wipe out the projection's members of those names wherever a source uses both. Included
// once here and then guarded, it leaves them defined no more.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN 1
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef near
#undef far

// Mesa's <GL/gl.h> brings in the extension header; Windows' stops at GL 1.1. The same here.
#include <GL/gl.h>
#include <GL/glext.h>

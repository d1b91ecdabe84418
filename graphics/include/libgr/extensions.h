// Probing of the optional texture extensions: four process-wide flags, the extension entry
// points the texture uploads call through, and the whole-word search of the extension
// string. Nothing probes automatically; every flag and pointer is 0 until its probe has run
// with a GL context current.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>

namespace libgr {

/// Set to 1 by the probe that finds the extension; never cleared.
///@{
extern int hasTextureCompression;
extern int hasGenerateMipmap;
extern int hasTexture3D;
extern int hasAnisotropicFilter;
///@}

/// Entry points, fetched by probeTextureCompression (the first seven) and probeTexture3D
/// (the last two). A failed lookup leaves null although the flag says the extension exists.
///@{
extern PFNGLCOMPRESSEDTEXIMAGE3DARBPROC glCompressedTexImage3DARB;
extern PFNGLCOMPRESSEDTEXIMAGE2DARBPROC glCompressedTexImage2DARB;
extern PFNGLCOMPRESSEDTEXIMAGE1DARBPROC glCompressedTexImage1DARB;
extern PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC glCompressedTexSubImage3DARB;
extern PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC glCompressedTexSubImage2DARB;
extern PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC glCompressedTexSubImage1DARB;
extern PFNGLGETCOMPRESSEDTEXIMAGEARBPROC glGetCompressedTexImageARB;
extern PFNGLTEXIMAGE3DEXTPROC glTexImage3DEXT;
extern PFNGLTEXSUBIMAGE3DEXTPROC glTexSubImage3DEXT;
///@}

/// Looks up a GL entry point by name through the window system's GL (GLX, WGL). Needs a
/// current GL context to be meaningful; returns null for a null or unknown name.
void* getProcAddress(const char* name);

/// Asks the current context for a swap interval of one frame through the window system's
/// swap-control extensions (GLX: EXT, then MESA, then SGI; WGL: EXT). Returns the name of
/// the extension that took the request, or null when none is present or all refused.
const char* enableSwapControl();

/// Whether `name` is one whole word of `extensions` (a space-separated list). False for a
/// null list, a null or empty name, or a name containing a space. A word counts as starting
/// where a rejected occurrence of the name ended, as the historic search did, so a name
/// repeated back to back is found.
bool hasExtensionIn(const char* extensions, const char* name);

/// hasExtensionIn over the current context's GL_EXTENSIONS, read afresh on every call.
/// False without a current context (no extension string); an empty name or one with a
/// space answers false without calling GL.
bool hasExtension(const char* name);

/// The probes. Each answers non-zero when its extension was found and 0 otherwise; the two
/// that fetch entry points answer the last pointer fetched (so 0 if that lookup failed).
/// Safe to run any number of times, in any order, with a GL context current.
///@{
std::intptr_t probeTextureCompression();
std::intptr_t probeGenerateMipmap();
std::intptr_t probeTexture3D();
std::intptr_t probeAnisotropicFilter();
///@}

} // namespace libgr

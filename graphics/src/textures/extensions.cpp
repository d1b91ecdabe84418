// The optional texture extensions: their flags, entry points, the extension-string search and
// the probes.
#include "libgr/extensions.h"

#include <cstring>

namespace libgr {

int hasTextureCompression = 0;
int hasGenerateMipmap = 0;
int hasTexture3D = 0;
int hasAnisotropicFilter = 0;

PFNGLCOMPRESSEDTEXIMAGE3DARBPROC glCompressedTexImage3DARB = nullptr;
PFNGLCOMPRESSEDTEXIMAGE2DARBPROC glCompressedTexImage2DARB = nullptr;
PFNGLCOMPRESSEDTEXIMAGE1DARBPROC glCompressedTexImage1DARB = nullptr;
PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC glCompressedTexSubImage3DARB = nullptr;
PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC glCompressedTexSubImage2DARB = nullptr;
PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC glCompressedTexSubImage1DARB = nullptr;
PFNGLGETCOMPRESSEDTEXIMAGEARBPROC glGetCompressedTexImageARB = nullptr;
PFNGLTEXIMAGE3DEXTPROC glTexImage3DEXT = nullptr;
PFNGLTEXSUBIMAGE3DEXTPROC glTexSubImage3DEXT = nullptr;

namespace {

bool acceptableName(const char* name) {
    return name != nullptr && *name != '\0' && std::strchr(name, ' ') == nullptr;
}

template <class Fn> Fn lookup(const char* name) {
    return reinterpret_cast<Fn>(getProcAddress(name));
}

} // namespace

bool hasExtensionIn(const char* extensions, const char* name) {
    if (extensions == nullptr || !acceptableName(name))
        return false;
    const std::size_t length = std::strlen(name);
    const char* start = extensions;
    for (;;) {
        const char* where = std::strstr(start, name);
        if (where == nullptr)
            return false;
        const char* terminator = where + length;
        // The word start is judged against the search start, not the whole string: after a
        // rejected occurrence, one beginning right where it ended counts as a word start.
        const bool startsWord = where == start || where[-1] == ' ';
        const bool endsWord = (*terminator & ~0x20) == 0; // a space or the terminating NUL
        if (startsWord && endsWord)
            return true;
        start = terminator;
    }
}

bool hasExtension(const char* name) {
    if (!acceptableName(name))
        return false;
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return hasExtensionIn(extensions, name);
}

std::intptr_t probeTextureCompression() {
    if (!hasExtension("GL_ARB_texture_compression"))
        return 0;
    hasTextureCompression = 1;
    glCompressedTexImage3DARB =
        lookup<PFNGLCOMPRESSEDTEXIMAGE3DARBPROC>("glCompressedTexImage3DARB");
    glCompressedTexImage2DARB =
        lookup<PFNGLCOMPRESSEDTEXIMAGE2DARBPROC>("glCompressedTexImage2DARB");
    glCompressedTexImage1DARB =
        lookup<PFNGLCOMPRESSEDTEXIMAGE1DARBPROC>("glCompressedTexImage1DARB");
    glCompressedTexSubImage3DARB =
        lookup<PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC>("glCompressedTexSubImage3DARB");
    glCompressedTexSubImage2DARB =
        lookup<PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC>("glCompressedTexSubImage2DARB");
    glCompressedTexSubImage1DARB =
        lookup<PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC>("glCompressedTexSubImage1DARB");
    glGetCompressedTexImageARB =
        lookup<PFNGLGETCOMPRESSEDTEXIMAGEARBPROC>("glGetCompressedTexImageARB");
    return reinterpret_cast<std::intptr_t>(glGetCompressedTexImageARB);
}

std::intptr_t probeGenerateMipmap() {
    if (!hasExtension("GL_SGIS_generate_mipmap"))
        return 0;
    hasGenerateMipmap = 1;
    return 1;
}

std::intptr_t probeTexture3D() {
    if (!hasExtension("GL_EXT_texture3D"))
        return 0;
    hasTexture3D = 1;
    glTexImage3DEXT = lookup<PFNGLTEXIMAGE3DEXTPROC>("glTexImage3DEXT");
    glTexSubImage3DEXT = lookup<PFNGLTEXSUBIMAGE3DEXTPROC>("glTexSubImage3DEXT");
    return reinterpret_cast<std::intptr_t>(glTexSubImage3DEXT);
}

std::intptr_t probeAnisotropicFilter() {
    if (!hasExtension("GL_EXT_texture_filter_anisotropic"))
        return 0;
    hasAnisotropicFilter = 1;
    return 1;
}

} // namespace libgr

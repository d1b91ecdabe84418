// Times one road from a picture file to what a program needs, once, and prints the
// milliseconds on standard output: the photo library alone (PhotoTexture::prepare: read,
// decode at the longest side asked for, scale, every mipmap level; no window, no GL), or what
// most programs do (stb_image decodes the whole file, gluBuild2DMipmaps scales it to a power of
// two and builds every level; timed in a window's GL context until glFinish returns).
// scripts/bench_screen.sh runs it beside the program itself, alternating, on the same files.
//
// Usage: photo_time prepare|stb-glu FILE LONGEST
#include "bench_support.h"
#include "libphoto/photo_texture.h"

#include <GL/glu.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#include "stb_image_here.h"

namespace {

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The library alone, as the program's loader runs it: false, with the reason said, on failure.
bool prepare(const char* path, std::uint32_t longest) {
    libphoto::TextureRequest request;
    request.photo.longestSide = longest;
    request.keepNonPowerOfTwo = true; // as on Mesa, which has GL_ARB_texture_non_power_of_two
    libphoto::PhotoTexture photo;
    if (photo.prepare(path, request))
        return true;
    std::fprintf(stderr, "photo_time: %s: %s\n", path, photo.reason());
    return false;
}

bool stbGlu(const char* path) {
    int w = 0, h = 0, n = 0;
    unsigned char* rgb = stbi_load(path, &w, &h, &n, 3);
    if (rgb == nullptr) {
        std::fprintf(stderr, "photo_time: %s: %s\n", path, stbi_failure_reason());
        return false;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glFinish();
    stbi_image_free(rgb);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bool lib = argc == 4 && std::strcmp(argv[1], "prepare") == 0;
    if (argc != 4 || (!lib && std::strcmp(argv[1], "stb-glu") != 0)) {
        std::fprintf(stderr, "usage: photo_time prepare|stb-glu FILE LONGEST\n");
        return 2;
    }
    if (!lib) {
        bench::openGlWindow(argc, argv, "photo_time");
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok =
        lib ? prepare(argv[2], static_cast<std::uint32_t>(std::atol(argv[3]))) : stbGlu(argv[2]);
    if (!ok)
        return 1;
    std::printf("%.1f\n", msSince(start));
    return 0;
}

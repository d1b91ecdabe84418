// bmp_info: prints the size and layout of a BMP picture as libgr reads it, then uploads
// nothing and opens no window. Built with a plain Makefile from pkg-config's flags.
// Usage: bmp_info <picture.bmp>; exit status 0 when the picture can be read, 1 otherwise.

#include "libgr/bmp_file.h"
#include "libutils/version.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bmp_info <picture.bmp>\n");
        return 1;
    }
    libgr::grBmpFile file;
    libgr::grImage2D image;
    if (!file.load(argv[1]) || !libgr::grBmpToImage(image, file)) {
        std::fprintf(stderr, "bmp_info: cannot read %s as a BMP picture\n", argv[1]);
        return 1;
    }
    std::printf("%s: %ux%u, %d bits per pixel, %u bytes a row (pluvina %s)\n", argv[1], image.width,
                image.height, image.bitsPerPixel(), static_cast<unsigned>(image.rowStride()),
                PLUVINA_VERSION_STRING);
    return 0;
}

// subproject: writes a small picture with the parent's own `utils` library and reads it back
// with libgr, built from source as a subproject. Exits 0 when the pixels come back as written.

#include "bmp_writer.h"
#include "libgr/bmp_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    const int width = 3, height = 2;
    std::vector<std::uint8_t> bgr;
    for (int i = 0; i < width * height; ++i)
        bgr.insert(bgr.end(), {static_cast<std::uint8_t>(10 * i), 100, 200});
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/subproject-example.bmp";
    if (!parent::writeBmp24(path, width, height, bgr)) {
        std::fprintf(stderr, "subproject: cannot write %s\n", path.c_str());
        return 1;
    }
    libgr::grBmpFile file;
    libgr::grImage2D image;
    const bool read = file.load(path.c_str()) && libgr::grBmpToImage(image, file);
    std::remove(path.c_str());
    if (!read || image.width != width || image.height != height) {
        std::fprintf(stderr, "subproject: the picture did not come back as written\n");
        return 1;
    }
    // Rows of 9 bytes padded to 12: the last pixel of the top row starts at 12 + 6.
    const unsigned char* top = &image.pixels[12];
    if (top[6] != 50 || top[7] != 100 || top[8] != 200) {
        std::fprintf(stderr, "subproject: wrong pixel %u %u %u\n", top[6], top[7], top[8]);
        return 1;
    }
    std::printf("subproject: %ux%u picture read back through libgr: ok\n", image.width,
                image.height);
    return 0;
}

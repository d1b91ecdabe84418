// picture_plugin: the plugin's one entry point, which reads a BMP picture with libgr.

#include "libgr/bmp_file.h"

/// Reads the BMP at `path`; on success stores its size and bits per pixel and answers 1,
/// otherwise answers 0 and stores nothing.
extern "C" __attribute__((visibility("default"))) int
picture_plugin_describe(const char* path, unsigned* width, unsigned* height, int* bits) {
    libgr::grBmpFile file;
    libgr::grImage2D image;
    if (!file.load(path) || !libgr::grBmpToImage(image, file))
        return 0;
    *width = image.width;
    *height = image.height;
    *bits = image.bitsPerPixel();
    return 1;
}

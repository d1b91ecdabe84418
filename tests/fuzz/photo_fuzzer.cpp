// Fuzz target for the photo road (probe, plan, the JPEG, PNG, BMP, HEIF/AVIF and WebP
// decoders, the colour stage, the scaler, the upright turn and the mipmap chain), from bytes
// in memory as the library reads a file:
// any input must either be refused with a reason or yield records whose pixel views hold every
// byte an upload of them reads.
#include "libphoto/mipmap.h"
#include "libphoto/photo.h"
#include "libphoto/resample.h"

#include "libgr/texture_image.h"
#include "libgr/texture_unpack.h"

#include <cstdlib>
#include <vector>

// libheif's AV1 decoder (dav1d) keeps 40 bytes of a damaged picture's state past the end of
// every libheif object it was given: not ours to free, and not instrumented code.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdav1d.so\n";
}

namespace {

void checkUploadable(const libgr::grImage2D& image) {
    libgr::grGLFormat format;
    if (!libphoto::isPlainPhoto(image) ||
        !libgr::resolveFormat(format, image.layout, image.numberKind, image.bitCode, false))
        std::abort();
    const std::size_t bytes = libgr::uploadByteCount(image, format, 4);
    if (bytes == 0 || bytes > image.pixels.size())
        std::abort();
    volatile unsigned char last = image.pixels[bytes - 1];
    (void)last;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small results, so that every input goes through the scaler; one in four is capped by
    // the texture size instead of the longest side.
    struct Fit {
        std::uint32_t longest, cap;
    };
    static const Fit fits[4] = {{1, 0}, {5, 0}, {64, 0}, {0, 48}};
    libphoto::PhotoOptions options;
    options.maxPixels = 1 << 22; // decoding time grows with the claimed size
    options.longestSide = fits[size % 4].longest;
    options.maxTextureSize = fits[size % 4].cap;
    options.applyOrientation = size % 8 < 4;
    libgr::grImage2D image;
    if (!libphoto::decodePhotoMemory(data, size, options, image)) {
        if (*libphoto::photoFailureReason() == '\0')
            std::abort(); // every refusal says why
        return 0;
    }
    checkUploadable(image);
    std::vector<libgr::grImage2D> levels;
    if (!libphoto::buildMipmapChain(image, size % 2 == 0, levels))
        std::abort();
    for (const libgr::grImage2D& level : levels)
        checkUploadable(level);
    return 0;
}

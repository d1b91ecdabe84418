// Fuzz target for the photograph decoders (JPEG, PNG, and BMP through its file path), the
// scaler, the upright turn and the mipmap chain: any input must either be refused with a
// reason or yield records whose pixel views hold every byte an upload of them reads.
#include "libphoto/mipmap.h"
#include "libphoto/photo.h"
#include "libphoto/resample.h"

#include "libgr/texture_image.h"
#include "libgr/texture_unpack.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

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
    libphoto::PhotoOptions options;
    options.maxPixels = 1 << 18; // decoding time grows with the claimed size
    const std::uint32_t longest[3] = {0, 5, 64};
    options.longestSide = longest[size % 3];
    libgr::grImage2D image;
    bool ok = false;
    if (libphoto::sniffPhoto(data, size) == libphoto::PhotoKind::Bmp) {
        static const std::string path = "/tmp/photo_fuzzer_" + std::to_string(getpid()) + ".bmp";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr)
            return 0;
        const bool written = std::fwrite(data, 1, size, f) == size;
        if (std::fclose(f) != 0 || !written)
            return 0;
        ok = libphoto::decodePhoto(path.c_str(), options, image);
        std::remove(path.c_str());
    } else {
        ok = libphoto::decodePhotoMemory(data, size, options, image);
    }
    if (!ok) {
        if (*libphoto::photoFailureReason() == '\0')
            std::abort(); // every refusal says why
        return 0;
    }
    checkUploadable(image);
    std::vector<libgr::grImage2D> levels;
    if (std::uint64_t{image.width} * image.height <= (1u << 16)) {
        if (!libphoto::buildMipmapChain(image, size % 2 == 0, levels))
            std::abort();
        for (const libgr::grImage2D& level : levels)
            checkUploadable(level);
    }
    return 0;
}

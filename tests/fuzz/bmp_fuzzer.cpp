// Fuzz target for the BMP reader and every decoder behind it: any file must either be refused
// with a reason or yield a record whose pixel view holds every byte an upload of it reads.
#include "libgr/bmp_file.h"
#include "libgr/texture_image.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/bmp_fuzzer_" + std::to_string(getpid()) + ".bmp";
    static const int removed = std::atexit([] { std::remove(path.c_str()); });
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (removed != 0 || f == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written)
        return 0;
    libgr::grBmpFile file;
    libgr::grImage2D image;
    libgr::grGLFormat format;
    if (!file.load(path.c_str()) || !libgr::grBmpToImage(image, file)) {
        if (*libgr::grBmpFailureReason() == '\0')
            std::abort(); // every refusal says why
        return 0;
    }
    if (!libgr::resolveFormat(format, image.layout, image.numberKind, image.bitCode, false))
        std::abort(); // every record the reader makes can be uploaded
    const std::size_t bytes = libgr::uploadByteCount(image, format, 4);
    if (bytes == 0 || bytes > image.pixels.size())
        std::abort();
    // One block: if its last byte is inside, so is every byte before it (the address
    // sanitizer checks the read).
    volatile unsigned char last = image.pixels[bytes - 1];
    (void)last;
    return 0;
}

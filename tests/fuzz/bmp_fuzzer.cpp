// Fuzz target for the BMP reader: any file must either be refused or yield a record whose
// pixel view holds every byte an upload of it would read.
#include "libgr/bmp_file.h"
#include "libgr/image_record.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& inputPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/bmp_fuzzer_" +
                        std::to_string(static_cast<long>(getpid())) + ".bmp";
        std::atexit([] { std::remove(inputPath().c_str()); });
        return p;
    }();
    return path;
}

bool writeInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(inputPath().c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// Reads every byte of a view so that the address sanitizer checks each of them.
template <class View> unsigned touch(const View& view, std::size_t bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(view.begin());
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        sum += p[i];
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!writeInput(data, size))
        return 0;
    libgr::grBmpFile file;
    if (!file.load(inputPath().c_str()))
        return 0;
    volatile unsigned sink = 0;
    sink =
        sink + touch(file.fileHeader, file.fileHeader.size() * sizeof(libgr::tagBITMAPFILEHEADER));
    sink =
        sink + touch(file.infoHeader, file.infoHeader.size() * sizeof(libgr::tagBITMAPINFOHEADER));
    sink = sink + touch(file.colorTable, file.colorTable.size() * sizeof(libgr::tagRGBQUAD));
    sink = sink + touch(file.bits, file.bits.size());

    libgr::grImage2D image;
    if (!libgr::grBmpToImage(image, file))
        return 0;
    libgr::grGLFormat format;
    if (!libgr::resolveFormat(format, image.layout, image.numberKind, image.bitCode, false))
        std::abort(); // every record the reader produces must be uploadable
    const std::size_t bytes = libgr::uploadByteCount(image, format, 4);
    if (bytes == 0 || bytes > image.pixels.size())
        std::abort();
    sink = sink + touch(image.pixels, bytes);
    return 0;
}

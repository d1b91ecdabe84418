// JPEG through TurboJPEG: the smallest decoder scale that still covers the size asked for,
// then the area scaler for the rest; always BGRA with alpha 255 (the layout GL takes fastest),
// grey through the decoder, CMYK converted here.
#include "libphoto/orientation.h"
#include "libphoto/resample.h"
#include "photo_internal.h"

#include <turbojpeg.h>

#include <cstring>

namespace libphoto::detail {

namespace {

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor() {
        if (handle != nullptr)
            tjDestroy(handle);
    }
};

// The decoder's scale (at most one) with the fewest pixels whose result still covers
// `target` on both sides.
PhotoSize decoderSize(PhotoSize full, PhotoSize target) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    PhotoSize best = full;
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue;
        const PhotoSize s{static_cast<std::uint32_t>(TJSCALED(static_cast<int>(full.width), f)),
                          static_cast<std::uint32_t>(TJSCALED(static_cast<int>(full.height), f))};
        if (s.width >= target.width && s.height >= target.height &&
            std::uint64_t{s.width} * s.height < std::uint64_t{best.width} * best.height)
            best = s;
    }
    return best;
}

// Inverted CMYK (as Adobe and libjpeg store it: 255 is no ink) to opaque BGRA, in place.
void cmykToBgra(unsigned char* p, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, p += 4) {
        const unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        p[0] = static_cast<unsigned char>((y * k + 127) / 255);
        p[1] = static_cast<unsigned char>((m * k + 127) / 255);
        p[2] = static_cast<unsigned char>((c * k + 127) / 255);
        p[3] = 255;
    }
}

// TurboJPEG reports a warning (corrupt but decodable data) like an error; a picture whose
// data ends early is refused, other warnings keep the picture.
bool decoded(int status, tjhandle handle) {
    if (status == 0)
        return true;
    const char* message = tjGetErrorStr2(handle);
    if (tjGetErrorCode(handle) == TJERR_WARNING &&
        (message == nullptr || std::strstr(message, "Premature end") == nullptr))
        return true;
    return failWith("JPEG", message);
}

} // namespace

bool decodeJpeg(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                libgr::grImage2D& out, int& orientation, std::vector<unsigned char>* owner) {
    Decompressor d;
    if (d.handle == nullptr)
        return fail("JPEG: the decoder could not start");
    if (size > 0xFFFFFFFFu)
        return fail("JPEG: the file is too long");
    const auto length = static_cast<unsigned long>(size);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(d.handle, data, length, &width, &height, &subsampling, &colourspace) !=
        0)
        return failWith("JPEG", tjGetErrorStr2(d.handle));
    if (width <= 0 || height <= 0)
        return fail("JPEG: no pixels");
    if (std::uint64_t(width) * std::uint64_t(height) > options.maxPixels)
        return fail("the picture has more pixels than allowed");
    const PhotoSize full{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    // The decoder's size covers the fitted one on both sides, so the aspect is the file's.
    const PhotoSize size2 = fitLongestSide(full, options.longestSide, options.maxTextureSize);
    const PhotoSize decodedSize = decoderSize(full, size2);
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    const int exif = jpegOrientation(data, size);
    libgr::grImage2D image;
    const int w = static_cast<int>(decodedSize.width), h = static_cast<int>(decodedSize.height);
    if (!cmyk && size2.width == decodedSize.width && size2.height == decodedSize.height) {
        // Straight into the record, bottom row first as GL takes it.
        if (!makeRecord(image, libgr::grLayoutBGRA, size2.width, size2.height))
            return fail("out of memory for the picture");
        if (!decoded(tjDecompress2(d.handle, data, length, image.pixels.begin(), w,
                                   static_cast<int>(image.rowStride()), h, TJPF_BGRA,
                                   TJFLAG_BOTTOMUP),
                     d.handle))
            return false;
    } else {
        const std::uint64_t bytes = std::uint64_t(decodedSize.width) * decodedSize.height * 4;
        libgr::ofsvector<unsigned char> buffer;
        if (!freshBytes(buffer, bytes))
            return fail("out of memory for the decoded picture");
        if (!decoded(tjDecompress2(d.handle, data, length, buffer.begin(), w, w * 4, h,
                                   cmyk ? TJPF_CMYK : TJPF_BGRA, 0),
                     d.handle))
            return false;
        if (owner != nullptr)
            std::vector<unsigned char>().swap(*owner);
        if (!makeRecord(image, libgr::grLayoutBGRA, size2.width, size2.height))
            return fail("out of memory for the picture");
        // Alpha is 255 throughout: every component takes the colour curve, one plain loop.
        RowScaler scaler(decodedSize.width, decodedSize.height, viewOf(image), -1);
        for (int y = 0; y < h; ++y) {
            unsigned char* row = buffer.begin() + std::size_t(y) * w * 4;
            if (cmyk)
                cmykToBgra(row, decodedSize.width);
            scaler.push(row);
        }
    }
    orientation = exif;
    out = image;
    return true;
}

} // namespace libphoto::detail

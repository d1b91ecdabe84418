// EXIF orientation: the tag read from a TIFF block or a JPEG's APP1 segment, every offset
// bounds-checked, and the pixel transform that makes the picture stand up.
#include "libphoto/orientation.h"

#include "errors.h"
#include "libphoto/resample.h"
#include "records.h"

#include <cstring>
#include <new>

namespace libphoto {

namespace {

std::uint32_t read16(const unsigned char* p, bool big) {
    return big ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
}

std::uint32_t read32(const unsigned char* p, bool big) {
    return big ? read16(p, true) << 16 | read16(p + 2, true)
               : read16(p + 2, false) << 16 | read16(p, false);
}

} // namespace

int exifOrientation(const unsigned char* tiff, std::size_t size) {
    if (tiff == nullptr || size < 8)
        return 1;
    const bool big = tiff[0] == 'M';
    if (std::memcmp(tiff, big ? "MM\0*" : "II*\0", 4) != 0)
        return 1;
    const std::uint64_t ifd = read32(tiff + 4, big);
    if (ifd > size || size - ifd < 2)
        return 1;
    const std::uint64_t entries = read16(tiff + ifd, big);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = ifd + 2 + 12 * i;
        if (at + 12 > size)
            return 1;
        const unsigned char* e = tiff + at;
        // Tag 0x0112, type SHORT, one value, stored in the entry itself.
        if (read16(e, big) != 0x0112)
            continue;
        if (read16(e + 2, big) != 3 || read32(e + 4, big) != 1)
            return 1;
        const std::uint32_t value = read16(e + 8, big);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int jpegOrientation(const unsigned char* jpeg, std::size_t size) {
    if (jpeg == nullptr || size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return 1;
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (jpeg[at] != 0xFF)
            return 1;
        const unsigned marker = jpeg[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the scan or the end: no more metadata
            return 1;
        const std::size_t length = read16(jpeg + at + 2, true);
        if (length < 2 || length > size - at - 2)
            return 1;
        const unsigned char* body = jpeg + at + 4;
        if (marker == 0xE1 && length >= 8 && std::memcmp(body, "Exif\0\0", 6) == 0)
            return exifOrientation(body + 6, length - 8);
        at += 2 + length;
    }
    return 1;
}

bool orientationSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

namespace {

// The stored pixel shown at (x, y) of the upright picture, both counted from the top left;
// the stored picture is w × h.
struct Source {
    std::ptrdiff_t x0, y0, dxx, dyx, dxy, dyy; // start, steps per x and per y
};

Source sourceOf(int orientation, std::ptrdiff_t w, std::ptrdiff_t h) {
    switch (orientation) {
    case 2: // mirrored left to right
        return {w - 1, 0, -1, 0, 0, 1};
    case 3: // half round
        return {w - 1, h - 1, -1, 0, 0, -1};
    case 4: // mirrored top to bottom
        return {0, h - 1, 1, 0, 0, -1};
    case 5: // transposed
        return {0, 0, 0, 1, 1, 0};
    case 6: // stored a quarter anticlockwise: shown turned clockwise
        return {0, h - 1, 0, -1, 1, 0};
    case 7: // transverse
        return {w - 1, h - 1, 0, -1, -1, 0};
    default: // 8: stored a quarter clockwise: shown turned anticlockwise
        return {w - 1, 0, 0, 1, -1, 0};
    }
}

} // namespace

bool orientPhoto(const libgr::grImage2D& in, int orientation, libgr::grImage2D& out) {
    if (!isPlainPhoto(in))
        return detail::fail(libgr::grErrc::badArgument,
                            "not an 8-bit picture of 1 to 4 components");
    if (orientation < 2 || orientation > 8) {
        out = in;
        return detail::succeed();
    }
    const bool swap = orientationSwapsSides(orientation);
    libgr::grImage2D image;
    if (!detail::makeRecord(image, in.layout, swap ? in.height : in.width,
                            swap ? in.width : in.height))
        return detail::fail(libgr::grErrc::outOfMemory, "out of memory for the turned picture");
    const detail::View src = detail::viewOf(in), dst = detail::viewOf(image);
    const Source s = sourceOf(orientation, in.width, in.height);
    const int ch = src.channels;
    const std::ptrdiff_t step = s.dxx * ch + s.dyx * src.stride;
    for (std::uint32_t y = 0; y < dst.height; ++y) {
        const std::ptrdiff_t sx = s.x0 + s.dxy * y, sy = s.y0 + s.dyy * y;
        std::ptrdiff_t at = sy * src.stride + sx * ch; // from the top row's first byte
        unsigned char* d = dst.row(y);
        for (std::uint32_t x = 0; x < dst.width; ++x, d += ch, at += step)
            std::memcpy(d, src.top + at, ch);
    }
    out = image;
    return detail::succeed();
}

} // namespace libphoto

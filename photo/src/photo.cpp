// The photograph entry points: the content sniffer, reading a file, the BMP path through
// libgr's reader, the upright turn, and the per-thread failure reason.
#include "libphoto/photo.h"

#include "libgr/bmp_file.h"
#include "libphoto/orientation.h"
#include "libphoto/resample.h"
#include "libutils/platform.h"
#include "photo_internal.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace libphoto {

namespace {

thread_local const char* reason = "";
thread_local char reasonText[256];

} // namespace

namespace detail {

bool fail(const char* why) {
    reason = why;
    return false;
}

bool failWith(const char* what, const char* detail) {
    std::snprintf(reasonText, sizeof reasonText, "%s: %s", what, detail ? detail : "unknown");
    reason = reasonText;
    return false;
}

bool succeed() {
    reason = "";
    return true;
}

} // namespace detail

const char* photoFailureReason() {
    return reason;
}

PhotoKind sniffPhoto(const unsigned char* data, std::size_t size) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data == nullptr)
        return PhotoKind::Unknown;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return PhotoKind::Jpeg;
    if (size >= 8 && std::memcmp(data, png, 8) == 0)
        return PhotoKind::Png;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return PhotoKind::Bmp;
    return PhotoKind::Unknown;
}

namespace {

using libgr::grImage2D;

// Turns a decoded picture upright when asked to; `image` is replaced by the result.
bool upright(grImage2D& image, int orientation, const PhotoOptions& options) {
    if (!options.applyOrientation || orientation == 1)
        return true;
    grImage2D turned;
    if (!orientPhoto(image, orientation, turned))
        return false;
    image = turned;
    return true;
}

// `owner`, when given, holds the bytes at `data`, which the decoder may let go early.
bool decodeBytes(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                 grImage2D& out, std::vector<unsigned char>* owner = nullptr) {
    grImage2D image;
    int orientation = 1;
    switch (sniffPhoto(data, size)) {
    case PhotoKind::Jpeg:
        if (!detail::decodeJpeg(data, size, options, image, orientation, owner))
            return false;
        break;
    case PhotoKind::Png:
        if (!detail::decodePng(data, size, options, image, orientation))
            return false;
        break;
    case PhotoKind::Bmp:
        return detail::fail("BMP pictures are read from files only");
    default:
        return detail::fail("not a JPEG, PNG or BMP picture");
    }
    if (!upright(image, orientation, options))
        return false;
    out = image;
    return detail::succeed();
}

// One BMP row (rows as the reader stores them) as 8-bit luminance, luminance-alpha or BGRA
// (alpha 255 where the file has none: GL takes four-byte BGRA rows fastest); returns the
// components written, 0 for a pixel kind it does not know.
int convertBmpRow(const grImage2D& image, const unsigned char* in, unsigned char* out) {
    const std::int32_t layout = image.layout;
    const bool rgbOrder = layout == libgr::grLayoutRGB || layout == libgr::grLayoutRGBA;
    const bool alpha = layout == libgr::grLayoutBGRA || layout == libgr::grLayoutRGBA;
    const std::uint32_t w = image.width;
    auto expand = [](unsigned v, int bits) {
        return static_cast<unsigned char>(v << (8 - bits) | v >> (2 * bits - 8));
    };
    switch (image.bitCode) {
    case libgr::grBits8: {
        const int n = detail::componentsOf(layout);
        if (n < 3) {
            std::memcpy(out, in, std::size_t{w} * n);
            return n;
        }
        for (std::uint32_t x = 0; x < w; ++x, in += n, out += 4) {
            out[0] = in[rgbOrder ? 2 : 0];
            out[1] = in[1];
            out[2] = in[rgbOrder ? 0 : 2];
            out[3] = n == 4 ? in[3] : 255;
        }
        return 4;
    }
    case libgr::grBits8Pad8:
        for (std::uint32_t x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[rgbOrder ? 2 : 0];
            out[1] = in[1];
            out[2] = in[rgbOrder ? 0 : 2];
            out[3] = 255;
        }
        return 4;
    case libgr::grPacked565:
        if (layout != libgr::grLayoutRGB)
            return 0;
        for (std::uint32_t x = 0; x < w; ++x, in += 2, out += 4) {
            const unsigned p = in[0] | in[1] << 8;
            out[0] = expand(p & 31, 5);
            out[1] = expand(p >> 5 & 63, 6);
            out[2] = expand(p >> 11, 5);
            out[3] = 255;
        }
        return 4;
    case libgr::grPacked1555Rev:
        for (std::uint32_t x = 0; x < w; ++x, in += 2, out += 4) {
            const unsigned p = in[0] | in[1] << 8;
            out[rgbOrder ? 2 : 0] = expand(p & 31, 5);
            out[1] = expand(p >> 5 & 31, 5);
            out[rgbOrder ? 0 : 2] = expand(p >> 10 & 31, 5);
            out[3] = !alpha || p >> 15 ? 255 : 0;
        }
        return 4;
    default:
        return 0;
    }
}

bool decodeBmp(const char* path, const PhotoOptions& options, grImage2D& out) {
    libgr::grBmpFile file;
    grImage2D image;
    // The reader checks the pixel limit against the headers, before it reads or allocates
    // anything of the picture; its refusal is said in the words the other kinds use.
    if (!file.load(path, options.maxPixels) || !libgr::grBmpToImage(image, file)) {
        if (std::strcmp(libgr::grBmpFailureReason(), "picture too large") == 0)
            return detail::fail("the picture has more pixels than allowed");
        return detail::failWith("BMP", libgr::grBmpFailureReason());
    }
    const PhotoSize size =
        fitLongestSide({image.width, image.height}, options.longestSide, options.maxTextureSize);
    // BGRA and luminance records go to GL as the reader made them (sharing the file's bytes
    // where it does); every other kind is converted once, to BGRA, on the way.
    const std::int32_t layout = image.layout;
    const bool plain = image.bitCode == libgr::grBits8 &&
                       (layout == libgr::grLayoutBGRA || layout == libgr::grLayoutLuminance);
    if (plain && size.width == image.width && size.height == image.height) {
        out = image;
        return detail::succeed();
    }
    // Decoded once more into plain rows, scaled on the way.
    std::vector<unsigned char> row(std::size_t{image.width} * 4);
    const int components = convertBmpRow(image, image.pixels.begin(), row.data());
    static const std::int32_t kLayouts[5] = {0, libgr::grLayoutLuminance,
                                             libgr::grLayoutLuminanceAlpha, libgr::grLayoutBGR,
                                             libgr::grLayoutBGRA};
    if (components == 0)
        return detail::fail("BMP pixel kind not taken for scaling");
    grImage2D scaled;
    if (!detail::makeRecord(scaled, kLayouts[components], size.width, size.height))
        return detail::fail("out of memory for the scaled picture");
    const bool opaque =
        components == 4 && !(layout == libgr::grLayoutBGRA || layout == libgr::grLayoutRGBA);
    detail::RowScaler scaler(image.width, image.height, detail::viewOf(scaled),
                             components % 2 == 0 && !opaque ? components - 1 : -1);
    const std::uint64_t stride = image.rowStride();
    for (std::uint32_t y = image.height; y-- > 0;) { // the reader's rows are bottom-up
        convertBmpRow(image, image.pixels.begin() + stride * y, row.data());
        scaler.push(row.data());
    }
    out = scaled;
    return detail::succeed();
}

bool decodeFile(const char* path, const PhotoOptions& options, grImage2D& out) {
    if (path == nullptr)
        return detail::fail("no file name");
    // Never waits on a FIFO or opens a device: a photograph's name is the user's to choose.
    libutils::FileStatus status;
    const char* why = "";
    std::FILE* f = libutils::openRegularFile(path, status, why);
    if (f == nullptr)
        return detail::fail(why);
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};
    unsigned char head[26] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, f);
    if (sniffPhoto(head, got) == PhotoKind::Bmp)
        return decodeBmp(path, options, out);
    const std::uint64_t length = status.size;
    if (length > options.maxFileBytes)
        return detail::fail("the file is longer than allowed");
    std::vector<unsigned char> bytes(length);
    if (length != 0)
        std::memcpy(bytes.data(), head, got < length ? got : length);
    if (length > got && std::fread(bytes.data() + got, 1, length - got, f) != length - got)
        return detail::fail("cannot read the whole file");
    return decodeBytes(bytes.data(), bytes.size(), options, out, &bytes);
}

} // namespace

bool decodePhoto(const char* path, const PhotoOptions& options, libgr::grImage2D& out) {
    try {
        return decodeFile(path, options, out);
    } catch (const std::bad_alloc&) {
        return detail::fail("out of memory");
    }
}

bool decodePhotoMemory(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                       libgr::grImage2D& out) {
    try {
        return decodeBytes(data, size, options, out);
    } catch (const std::bad_alloc&) {
        return detail::fail("out of memory");
    }
}

} // namespace libphoto

// The photograph entry points: the content sniffer, reading a file, the BMP path through
// libgr's reader, the upright turn, and the per-thread failure reason.
#include "libphoto/photo.h"

#include "colour.h"
#include "libgr/bmp_file.h"
#include "libphoto/orientation.h"
#include "libphoto/resample.h"
#include "libutils/platform.h"
#include "photo_internal.h"
#if PLUVINA_PHOTO_HEIF
#include "heif.h"
#endif
#if PLUVINA_PHOTO_WEBP
#include "webp.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
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

namespace {

// An ISO BMFF file starts with its `ftyp` box: size, "ftyp", the major brand, a minor
// version and the compatible brands. AVIF wins where a file names both kinds (an AVIF file
// names mif1 as well).
PhotoKind sniffFtyp(const unsigned char* data, std::size_t size) {
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return PhotoKind::Unknown;
    const std::uint64_t box = std::uint64_t{data[0]} << 24 | data[1] << 16 | data[2] << 8 | data[3];
    if (box < 16)
        return PhotoKind::Unknown;
    const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(box, size));
    static const char* const avif[] = {"avif", "avis"};
    static const char* const heif[] = {"heic", "heix", "heim", "heis",
                                       "hevc", "hevx", "mif1", "msf1"};
    PhotoKind kind = PhotoKind::Unknown;
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) { // the minor version skipped
        for (const char* brand : avif)
            if (std::memcmp(data + at, brand, 4) == 0)
                return PhotoKind::Avif;
        for (const char* brand : heif)
            if (std::memcmp(data + at, brand, 4) == 0)
                kind = PhotoKind::Heif;
    }
    return kind;
}

} // namespace

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
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return PhotoKind::Webp;
    return sniffFtyp(data, size);
}

bool photoKindDecoded(PhotoKind kind) {
    switch (kind) {
    case PhotoKind::Jpeg:
    case PhotoKind::Png:
    case PhotoKind::Bmp:
        return true;
#if PLUVINA_PHOTO_HEIF
    case PhotoKind::Heif:
    case PhotoKind::Avif:
        return detail::heifDecodes(kind);
#endif
#if PLUVINA_PHOTO_WEBP
    case PhotoKind::Webp:
        return true;
#endif
    default:
        return false;
    }
}

const char* photoFormats() {
    static const std::string list = [] {
        std::string s = "JPEG, PNG, BMP";
        const std::pair<PhotoKind, const char*> more[] = {
            {PhotoKind::Heif, "HEIF"}, {PhotoKind::Avif, "AVIF"}, {PhotoKind::Webp, "WebP"}};
        for (const auto& [kind, name] : more)
            if (photoKindDecoded(kind))
                s += std::string(", ") + name;
        return s;
    }();
    return list.c_str();
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

// Most memory a decoder's own buffers may take for one picture beside the result.
constexpr std::uint64_t kWorkBudget = std::uint64_t{256} << 20;

bool failWithError(const detail::Error& e) {
    std::snprintf(reasonText, sizeof reasonText, "%s", e.text());
    reason = reasonText;
    return false;
}

// Feeds the decoder's rows to the area scaler.
struct ScalerSink final : detail::RowSink {
    detail::RowScaler& scaler;
    explicit ScalerSink(detail::RowScaler& s) : scaler(s) {}
    void push(const unsigned char* row) override { scaler.push(row); }
};

// The road for the kinds that have a row source: probe, plan (the output size, the smallest
// decoder scale that covers it, the pixel and memory limits), rows into the scaler.
bool decodeSource(detail::RowSource& source, const PhotoOptions& options, grImage2D& out,
                  int& orientation, detail::ColourInfo& colour) {
    detail::ProbeInfo info;
    detail::Plan plan;
    plan.limits.pixels = options.maxPixels;
    plan.limits.workBytes = kWorkBudget;
    if (const detail::Error e = source.probe(info, plan.limits))
        return failWithError(e);
    plan.stored = {info.width, info.height};
    plan.output = fitLongestSide(plan.stored, options.longestSide, options.maxTextureSize);
    plan.decoded = plan.stored;
    for (const detail::DecoderScale s : info.scales) {
        auto side = [s](std::uint32_t v) {
            return static_cast<std::uint32_t>((std::uint64_t{v} * s.num + s.denom - 1) / s.denom);
        };
        const PhotoSize d{side(info.width), side(info.height)};
        if (d.width >= plan.output.width && d.height >= plan.output.height &&
            std::uint64_t{d.width} * d.height <
                std::uint64_t{plan.decoded.width} * plan.decoded.height) {
            plan.decoded = d;
            plan.scale = s;
        }
    }
    const std::uint64_t pixels = std::uint64_t{info.width} * info.height;
    if (pixels * info.bufferedBytesPerPixel > kWorkBudget ||
        std::uint64_t{info.width} * info.rowBytesPerPixel > kWorkBudget)
        return detail::fail("the decoder would need more memory than the budget allows");
    plan.layout = info.layout;
    plan.alpha = info.hasAlpha ? 3 : -1;
    grImage2D image;
    if (!detail::makeRecord(image, info.layout, plan.output.width, plan.output.height))
        return detail::fail("out of memory for the picture");
    detail::RowScaler scaler(plan.decoded.width, plan.decoded.height, detail::viewOf(image),
                             plan.alpha);
    ScalerSink sink(scaler);
    if (const detail::Error e = source.decode(plan, sink))
        return failWithError(e);
    orientation = info.orientation;
    colour = info.colour;
    out = image;
    return true;
}

// `owner`, when given, holds the bytes at `data`, which the decoder may let go early.
bool decodeBytes(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                 grImage2D& out, std::vector<unsigned char>* owner = nullptr) {
    grImage2D image;
    int orientation = 1;
    detail::ColourInfo colour;
    std::unique_ptr<detail::RowSource> source;
    const PhotoKind kind = sniffPhoto(data, size);
    switch (kind) {
    case PhotoKind::Jpeg:
        colour.icc = detail::jpegIccProfile(data, size); // before the decoder lets the bytes go
        if (!detail::decodeJpeg(data, size, options, image, orientation, owner))
            return false;
        break;
    case PhotoKind::Png:
        if (!detail::decodePng(data, size, options, image, orientation, colour))
            return false;
        break;
    case PhotoKind::Bmp:
        return detail::fail("BMP pictures are read from files only");
    case PhotoKind::Heif:
    case PhotoKind::Avif:
#if PLUVINA_PHOTO_HEIF
        if (!detail::heifDecodes(kind))
            return detail::fail("this build's HEIF decoder lacks the picture's codec");
        source = detail::makeHeifSource(data, size);
#endif
        break;
    case PhotoKind::Webp:
#if PLUVINA_PHOTO_WEBP
        source = detail::makeWebpSource(data, size);
#endif
        break;
    default:
        return detail::fail("not a picture of a kind this library reads");
    }
    if (kind != PhotoKind::Jpeg && kind != PhotoKind::Png) {
        if (source == nullptr)
            return detail::fail("a kind of picture this build does not read");
        if (!decodeSource(*source, options, image, orientation, colour))
            return false;
    }
    // After scaling: fewer pixels to convert. A profile that cannot be used is passed over.
    const detail::View v = detail::viewOf(image);
    detail::convertToSrgb(colour, image.layout, v.top, v.stride, v.width, v.height);
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

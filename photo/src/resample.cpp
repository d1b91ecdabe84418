// The area scaler, its lookup tables, record set-up shared by the decoders, and the fitted
// size.
#include "libphoto/resample.h"

#include "photo_internal.h"

#include "libutils/platform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace libphoto {

namespace detail {

int componentsOf(std::int32_t layout) {
    switch (layout) {
    case libgr::grLayoutLuminance:
        return 1;
    case libgr::grLayoutLuminanceAlpha:
        return 2;
    case libgr::grLayoutRGB:
    case libgr::grLayoutBGR:
        return 3;
    case libgr::grLayoutRGBA:
    case libgr::grLayoutBGRA:
        return 4;
    default:
        return 0;
    }
}

int alphaIndexOf(std::int32_t layout) {
    const int n = componentsOf(layout);
    return n == 2 || n == 4 ? n - 1 : -1;
}

libgr::grImage2D describe(std::int32_t layout, std::uint32_t width, std::uint32_t height) {
    // Rows of four bytes a pixel are always 4-aligned, at every mipmap level too; tight
    // three-byte rows are only 1-aligned in general, and GLU builds smaller levels in tight
    // rows under the record's alignment.
    static const libgr::grPixelStore four{GL_FALSE, 4};
    static const libgr::grPixelStore one{GL_FALSE, 1};
    libgr::grImage2D image;
    image.layout = layout;
    image.numberKind = libgr::grKindUnsigned;
    image.bitCode = libgr::grBits8;
    image.width = width;
    image.height = height;
    image.pixelStore = componentsOf(layout) == 4 ? &four : &one;
    return image;
}

bool makeRecord(libgr::grImage2D& out, std::int32_t layout, std::uint32_t width,
                std::uint32_t height) {
    libgr::grImage2D image = describe(layout, width, height);
    if (width == 0 || height == 0 || !image.allocatePixels())
        return false;
    // Large pages under a large block not yet touched: on first touch a fresh 4 KiB page
    // costs more than decoding into it.
    libutils::adviseLargePages(image.pixels.begin(), image.pixels.size());
    out = image;
    return true;
}

View viewOf(const libgr::grImage2D& image) {
    View v;
    const auto stride = static_cast<std::ptrdiff_t>(image.rowStride());
    unsigned char* base = const_cast<unsigned char*>(image.pixels.begin());
    v.top = base + stride * (static_cast<std::ptrdiff_t>(image.height) - 1);
    v.stride = -stride;
    v.width = image.width;
    v.height = image.height;
    v.channels = image.bitsPerPixel() / 8;
    return v;
}

const Curves& Curves::get() {
    static const Curves curves = [] {
        Curves c;
        for (int i = 0; i < 256; ++i) {
            const double v = i / 255.0;
            const double lin = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            c.toLinear[i] = static_cast<std::uint16_t>(std::lround(lin * 65535.0));
            c.toAlpha[i] = static_cast<std::uint16_t>(i * 257);
        }
        for (int i = 0; i < 65536; ++i) {
            const double lin = i / 65535.0;
            const double v =
                lin <= 0.0031308 ? lin * 12.92 : 1.055 * std::pow(lin, 1 / 2.4) - 0.055;
            c.fromLinear[i] =
                static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
            c.fromAlpha[i] = static_cast<unsigned char>((i * 255 + 32767) / 65535);
        }
        return c;
    }();
    return curves;
}

namespace {
constexpr std::uint32_t kOne = 1u << 14; // a weight of one
constexpr std::uint32_t kHalf = kOne / 2;
} // namespace

// Output pixel i covers source [i·from/to, (i+1)·from/to); counted in units of 1/to of a
// source pixel every bound is an integer, so each overlap is exact before it is weighted.
RowScaler::Axis::Axis(std::uint32_t from, std::uint32_t to) {
    first.resize(to);
    count.resize(to);
    offset.resize(to);
    for (std::uint32_t i = 0; i < to; ++i) {
        const std::uint64_t lo = std::uint64_t{i} * from, hi = lo + from;
        const auto j0 = static_cast<std::uint32_t>(lo / to);
        const auto j1 = static_cast<std::uint32_t>((hi - 1) / to);
        first[i] = j0;
        count[i] = j1 - j0 + 1;
        offset[i] = static_cast<std::uint32_t>(weight.size());
        // Each weight is the rounded running total minus the weights before it, so the
        // weights sum to exactly one however many source pixels share the output pixel
        // (rounding each on its own drifts by up to half a unit a tap: past one for a
        // thousand-fold reduction, which would overflow the sums).
        std::uint64_t covered = 0;
        std::uint32_t given = 0;
        for (std::uint32_t j = j0; j <= j1; ++j) {
            covered +=
                std::min(hi, std::uint64_t{j + 1} * to) - std::max(lo, std::uint64_t{j} * to);
            const auto upTo = static_cast<std::uint32_t>((covered * kOne + from / 2) / from);
            weight.push_back(static_cast<std::uint16_t>(upTo - given));
            given = upTo;
        }
    }
}

RowScaler::RowScaler(std::uint32_t width, std::uint32_t height, const View& dst, int alpha)
    : dst_(dst), srcWidth_(width), srcHeight_(height),
      copy_(width == dst.width && height == dst.height),
      across_(copy_ ? 0 : width, copy_ ? 0 : dst.width),
      down_(copy_ ? 0 : height, copy_ ? 0 : dst.height),
      hasAlpha_(alpha >= 0 && alpha < dst.channels) {
    const Curves& curves = Curves::get();
    for (int c = 0; c < 4; ++c) {
        toWide_[c] = c == alpha ? curves.toAlpha : curves.toLinear;
        toByte_[c] = c == alpha ? curves.fromAlpha : curves.fromLinear;
    }
    if (!copy_) {
        const std::size_t n = std::size_t{width} * dst.channels;
        current_.assign(n, 0);
        next_.assign(n, 0);
        wide_.resize(n);
    }
}

// Adds a source row, in linear light, to the output row's sums with weight w, and to the
// next output row's with w2 (0 when the row lies in one output row only).
template <int CH>
void RowScaler::down(const unsigned char* row, std::uint32_t w, std::uint32_t w2) {
    const std::uint16_t* const* lut = toWide_;
    std::uint32_t* sum = current_.data();
    std::uint32_t* next = next_.data();
    const std::size_t n = std::size_t{srcWidth_} * CH;
    if (!hasAlpha_) { // one curve for every component: one plain loop
        const std::uint16_t* linear = lut[0];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t v = linear[row[i]];
            sum[i] += v * w;
            if (w2 != 0)
                next[i] += v * w2;
        }
        return;
    }
    if (w2 == 0) {
        for (std::size_t i = 0; i < n; i += CH)
            for (int c = 0; c < CH; ++c)
                sum[i + c] += lut[c][row[i + c]] * w;
        return;
    }
    for (std::size_t i = 0; i < n; i += CH)
        for (int c = 0; c < CH; ++c) {
            const std::uint32_t v = lut[c][row[i + c]];
            sum[i + c] += v * w;
            next[i + c] += v * w2;
        }
}

// Filters the finished row (wide_) across into the output row.
template <int CH> void RowScaler::across() {
    unsigned char* out = dst_.row(out_);
    const unsigned char* const* lut = toByte_;
    for (std::uint32_t x = 0; x < dst_.width; ++x, out += CH) {
        std::uint32_t acc[CH] = {};
        const std::uint16_t* s = &wide_[std::size_t{across_.first[x]} * CH];
        const std::uint16_t* w = &across_.weight[across_.offset[x]];
        for (std::uint32_t k = 0, n = across_.count[x]; k < n; ++k, s += CH)
            for (int c = 0; c < CH; ++c)
                acc[c] += s[c] * std::uint32_t{w[k]};
        for (int c = 0; c < CH; ++c)
            out[c] = lut[c][(acc[c] + kHalf) >> 14];
    }
}

void RowScaler::push(const unsigned char* row) {
    if (y_ >= srcHeight_)
        return;
    if (copy_) {
        std::memcpy(dst_.row(y_++), row, std::size_t{srcWidth_} * dst_.channels);
        return;
    }
    const std::uint32_t o = out_;
    const std::uint32_t w = down_.weight[down_.offset[o] + (y_ - down_.first[o])];
    // A source row that straddles two output rows gives the next one its share too.
    const bool shared = o + 1 < dst_.height && down_.first[o + 1] == y_;
    const std::uint32_t w2 = shared ? down_.weight[down_.offset[o + 1]] : 0;
    switch (dst_.channels) {
    case 1:
        down<1>(row, w, w2);
        break;
    case 2:
        down<2>(row, w, w2);
        break;
    case 3:
        down<3>(row, w, w2);
        break;
    default:
        down<4>(row, w, w2);
        break;
    }
    if (y_ == down_.first[o] + down_.count[o] - 1)
        emit();
    ++y_;
}

void RowScaler::emit() {
    for (std::size_t i = 0, n = current_.size(); i < n; ++i)
        wide_[i] = static_cast<std::uint16_t>((current_[i] + kHalf) >> 14);
    switch (dst_.channels) {
    case 1:
        across<1>();
        break;
    case 2:
        across<2>();
        break;
    case 3:
        across<3>();
        break;
    default:
        across<4>();
        break;
    }
    current_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0);
    ++out_;
}

bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes) {
    if (bytes > 0xFFFFFFFFu || !buffer.create(static_cast<std::uint32_t>(bytes)))
        return false;
    libutils::adviseLargePages(buffer.begin(), bytes);
    return true;
}

} // namespace detail

PhotoSize fitLongestSide(PhotoSize size, std::uint32_t longestSide, std::uint32_t cap) {
    std::uint32_t limit = longestSide;
    if (cap != 0 && (limit == 0 || cap < limit))
        limit = cap;
    const std::uint32_t longest = std::max(size.width, size.height);
    if (limit == 0 || longest <= limit)
        return size;
    auto scaled = [&](std::uint32_t side) {
        const std::uint64_t v = (std::uint64_t{side} * limit + longest / 2) / longest;
        return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(v, 1, limit));
    };
    return {scaled(size.width), scaled(size.height)};
}

bool isPlainPhoto(const libgr::grImage2D& image) {
    if (detail::componentsOf(image.layout) == 0 || image.bitCode != libgr::grBits8 ||
        image.numberKind != libgr::grKindUnsigned || image.compressed)
        return false;
    if (image.width == 0 || image.height == 0 || image.rowLength != 0 || image.skipPixels != 0 ||
        image.skipRows != 0)
        return false;
    // The last row's padding may be missing, as it may in a BMP file.
    const std::uint64_t lastRow = std::uint64_t{image.width} * (image.bitsPerPixel() / 8);
    return std::uint64_t{image.height - 1} * image.rowStride() + lastRow <= image.pixels.size();
}

bool resamplePhoto(const libgr::grImage2D& in, std::uint32_t width, std::uint32_t height,
                   libgr::grImage2D& out) {
    if (!isPlainPhoto(in))
        return detail::fail("not an 8-bit picture of 1 to 4 components");
    if (width == 0 || height == 0 || width > in.width || height > in.height)
        return detail::fail("resampling only scales down");
    try {
        libgr::grImage2D image;
        if (!detail::makeRecord(image, in.layout, width, height))
            return detail::fail("out of memory for the scaled picture");
        const detail::View src = detail::viewOf(in);
        detail::RowScaler scaler(in.width, in.height, detail::viewOf(image),
                                 detail::alphaIndexOf(in.layout));
        for (std::uint32_t y = 0; y < in.height; ++y)
            scaler.push(src.row(y));
        out = image;
        return detail::succeed();
    } catch (const std::bad_alloc&) {
        return detail::fail("out of memory for the scaled picture");
    }
}

} // namespace libphoto

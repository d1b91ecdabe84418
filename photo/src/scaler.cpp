// The streaming area scaler.
//
// Output pixel i of a side scaled from `from` to `to` covers source [i·from/to,
// (i+1)·from/to). Counted in units of 1/to of a source pixel every bound is an integer: output
// pixel i is [i·from, (i+1)·from) and source pixel j is [j·to, (j+1)·to), so each overlap is
// an exact integer and an output pixel's overlaps sum to exactly `from`.
#include "scaler.h"

#include "curve.h"

#include <algorithm>
#include <cstring>

namespace libphoto::detail {

RowScaler::RowScaler(std::uint32_t width, std::uint32_t height, const View& dst, int alpha)
    : dst_(dst), srcWidth_(width), srcHeight_(height),
      copy_(width == dst.width && height == dst.height) {
    const Curves& curves = Curves::get();
    for (int c = 0; c < 4; ++c) {
        toWide_[c] = c == alpha ? curves.toAlpha : curves.toLinear;
        toByte_[c] = c == alpha ? curves.fromAlpha : curves.fromLinear;
    }
    if (!copy_) {
        const std::size_t n = std::size_t{dst.width} * dst.channels;
        row_.resize(n);
        sum_.assign(n, 0);
        next_.assign(n, 0);
    }
}

// One source row, through the curve, averaged across into row_ (16-bit linear values).
template <int CH> void RowScaler::across(const unsigned char* row) {
    const std::uint64_t from = srcWidth_, to = dst_.width;
    const std::uint16_t* const* lut = toWide_;
    std::uint16_t* out = row_.data();
    for (std::uint64_t i = 0; i < to; ++i, out += CH) {
        const std::uint64_t lo = i * from, hi = lo + from;
        const std::uint64_t j0 = lo / to, j1 = (hi - 1) / to;
        const unsigned char* p = row + j0 * CH;
        if (j0 == j1) { // inside one source pixel
            for (int c = 0; c < CH; ++c)
                out[c] = lut[c][p[c]];
            continue;
        }
        // The first and last source pixels in part, every one between them whole.
        const std::uint64_t head = (j0 + 1) * to - lo, tail = hi - j1 * to;
        std::uint64_t acc[CH], inner[CH] = {};
        for (int c = 0; c < CH; ++c)
            acc[c] = lut[c][p[c]] * head + lut[c][p[(j1 - j0) * CH + c]] * tail;
        for (const unsigned char *q = p + CH, *end = row + j1 * CH; q < end; q += CH)
            for (int c = 0; c < CH; ++c)
                inner[c] += lut[c][q[c]];
        for (int c = 0; c < CH; ++c)
            out[c] = static_cast<std::uint16_t>((acc[c] + inner[c] * to + from / 2) / from);
    }
}

void RowScaler::push(const unsigned char* row) {
    if (y_ >= srcHeight_)
        return;
    if (copy_) {
        std::memcpy(dst_.row(y_++), row, std::size_t{srcWidth_} * dst_.channels);
        return;
    }
    switch (dst_.channels) {
    case 1:
        across<1>(row);
        break;
    case 2:
        across<2>(row);
        break;
    case 3:
        across<3>(row);
        break;
    default:
        across<4>(row);
        break;
    }
    // Source row y is [y·to, (y+1)·to) down; output row out_ ends at (out_ + 1)·from.
    const std::uint64_t from = srcHeight_, to = dst_.height;
    const std::uint64_t lo = std::uint64_t{y_} * to, hi = lo + to;
    const std::uint64_t end = (std::uint64_t{out_} + 1) * from;
    const std::uint64_t here = std::min(hi, end) - std::max(lo, std::uint64_t{out_} * from);
    const std::uint64_t there = hi > end ? hi - end : 0; // the next output row's share
    const std::size_t n = row_.size();
    for (std::size_t i = 0; i < n; ++i) {
        sum_[i] += row_[i] * here;
        next_[i] += row_[i] * there;
    }
    ++y_;
    if (hi >= end)
        emit();
}

// Writes the output row in hand and starts the next from the share already given to it.
void RowScaler::emit() {
    const std::uint64_t from = srcHeight_;
    unsigned char* out = dst_.row(out_);
    const int ch = dst_.channels;
    for (std::size_t i = 0, n = sum_.size(); i < n; ++i)
        out[i] = toByte_[i % ch][(sum_[i] + from / 2) / from];
    sum_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0);
    ++out_;
}

} // namespace libphoto::detail

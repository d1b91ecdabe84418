// The streaming area scaler: rows of a source picture in, top row first, an area-filtered
// smaller (or equal) picture out. Its state grows with the output, never with the source.
#pragma once

#include "records.h"
#include "road.h"

#include <cstdint>
#include <vector>

namespace libphoto::detail {

/// Every output pixel is the exact area-weighted mean of the source pixels it covers
/// (overlaps counted in whole units, so the weights sum to exactly one), colour components in
/// linear light, the alpha component linearly. Each source row is filtered across as it comes
/// (no table per source column), then added down into at most two output rows with weights
/// worked out from the row's position (no table per source row): the state is a few numbers
/// per output pixel of one row.
class RowScaler final : public RowSink {
public:
    /// Source `width` × `height` into `dst` (each side at most the source's, channels 1 to
    /// 4); `alpha` is the alpha component's index or -1.
    RowScaler(std::uint32_t width, std::uint32_t height, const View& dst, int alpha);
    /// Takes the next source row (width × channels bytes); rows past the last are ignored.
    void push(const unsigned char* row) override;
    /// Whether every source row has come in (and so every output row is written).
    bool done() const { return y_ == srcHeight_; }

private:
    template <int CH> void across(const unsigned char* row);
    void emit();

    View dst_;
    std::uint32_t srcWidth_, srcHeight_;
    bool copy_;
    const std::uint16_t* toWide_[4];
    const unsigned char* toByte_[4];
    std::vector<std::uint16_t> row_;  // the source row filtered across, linear, output width
    std::vector<std::uint64_t> sum_;  // the output row in hand, weighted sums
    std::vector<std::uint64_t> next_; // the next output row's share of a straddling row
    std::uint32_t y_ = 0, out_ = 0;
};

} // namespace libphoto::detail

// The road every photograph takes, and the one interface each kind of picture implements:
//
//     bytes ─ probe ─► ProbeInfo ─ makePlan ─► Plan ─ decode ─► rows ─► scaler ─► orient ─► chain
//
// 1. probe: a RowSource reads the headers only and says what it found (ProbeInfo): the kind,
//    the stored size, the EXIF orientation, the colour facts, whether there is alpha, the
//    layout of the rows it will deliver and the scales it can apply itself.
// 2. plan: makePlan alone decides the output size, the decoder's own scale and every limit
//    (pixels, memory, scans, row length), the same way for every kind. No decoder decides a
//    size or a limit; each only holds itself to the ones the plan hands it.
// 3. decode: the RowSource delivers the rows of the planned size, top row first, into a
//    RowSink (the area scaler), one at a time, so that memory follows the output.
// 4. orient and build the mipmap chain: the road's own, after the rows are in.
//
// Adding a kind: write a RowSource (probe, workBytes, decode), give it a factory below and
// a case in sourceFor. A colour transform (an ICC profile, a stated gamma) goes between the
// decoder and the scaler as a RowSink that converts each row and pushes it on: ProbeInfo
// carries what it needs. Decoders never include the entry points (photo.h's implementation);
// failures travel back as an Error by value.
#pragma once

#include "libgr/error.h"
#include "libgr/image_record.h"
#include "libphoto/photo.h"
#include "libphoto/resample.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace libphoto::detail {

using Error = libgr::grError;
using libgr::grErrc;

/// A reduction a decoder applies itself (inside its transform, where it saves work): each
/// side becomes ceil(side × num / denom). 1/1 is full size.
struct DecoderScale {
    std::uint32_t num = 1;   ///< numerator, at least 1
    std::uint32_t denom = 1; ///< denominator, at least num
};

/// The sides of `size` at a decoder scale: ceil(side × num / denom), at least 1.
PhotoSize scaledSize(PhotoSize size, DecoderScale scale);

/// Colour facts found in the headers, passed along the road for a colour stage to use. A
/// picture with none of them is taken as sRGB.
struct ColourInfo {
    std::vector<unsigned char> icc; ///< an embedded ICC profile as stored; empty: none
    double gamma = 0;               ///< a stated encoding gamma (PNG gAMA, e.g. 0.45455); 0: none
    bool srgb = false;              ///< declared sRGB (PNG sRGB chunk)
};

/// What a RowSource's probe found: everything the plan needs, from the headers alone.
struct ProbeInfo {
    PhotoKind kind = PhotoKind::Unknown; ///< what the source reads
    std::uint32_t width = 0;             ///< stored width, before orientation
    std::uint32_t height = 0;            ///< stored height, before orientation
    int orientation = 1;                 ///< EXIF orientation (1 to 8) found in the headers
    bool hasAlpha = false;               ///< whether the rows carry meaningful alpha
    /// Layout of the rows decode delivers, 8 bits a component: grLayoutLuminance,
    /// grLayoutLuminanceAlpha or grLayoutBGRA (alpha 255 where the picture has none).
    std::int32_t layout = 0;
    /// Bytes a pixel of the stored picture takes in the decoder's own whole-picture buffer
    /// when it needs one (progressive JPEG coefficients, interlaced PNG); 0 when it streams.
    std::uint32_t bufferedBytesPerPixel = 0;
    /// Bytes a stored pixel takes in the decoder's own row buffers when it streams.
    std::uint32_t rowBytesPerPixel = 0;
    std::vector<DecoderScale> scales{DecoderScale{}}; ///< scales decode applies; holds 1/1
    ColourInfo colour;                                ///< as found
};

/// Every limit a picture is held to; decided by makePlan, obeyed by every stage.
struct Limits {
    std::uint64_t pixels = 0;    ///< most stored pixels
    std::uint64_t workBytes = 0; ///< most memory the decoder and the scaler may take
    std::uint32_t scans = 0;     ///< most scans of a progressive picture
};

/// What makePlan decided for one picture.
struct Plan {
    PhotoSize stored;        ///< the picture as stored
    DecoderScale scale;      ///< the decoder's own reduction
    PhotoSize decoded;       ///< the rows decode delivers: scaledSize(stored, scale)
    PhotoSize output;        ///< the scaler's result, before orientation
    int orientation = 1;     ///< turn applied after scaling (1: none)
    std::int32_t layout = 0; ///< of the delivered rows and of the output
    int alpha = -1;          ///< index of alpha in a pixel; -1: scaled as colour
    Limits limits;           ///< what every stage is held to
};

/// Where decoded rows go, one at a time, top row first.
class RowSink {
public:
    /// Takes the next row: Plan::decoded.width pixels of Plan::layout.
    virtual void push(const unsigned char* row) = 0;

protected:
    ~RowSink() = default;
};

/// One kind of picture over bytes in memory (which must outlive it). probe first, once; then
/// decode at most once, with the plan made from the probe.
class RowSource {
public:
    virtual ~RowSource() = default;
    /// Reads the headers and fills `info`; nothing the size of the picture is allocated.
    /// `limits.pixels` may be checked here already. An Error names why the headers are refused.
    virtual Error probe(ProbeInfo& info, const Limits& limits) = 0;
    /// Delivers exactly plan.decoded.height rows of plan.decoded.width pixels to `sink`, at
    /// plan.scale, holding itself to plan.limits (memory, scans): a picture that would break
    /// them is refused before its buffers exist where the decoder allows. A picture that is
    /// damaged, or ends early, is refused (no partial picture reaches the screen).
    virtual Error decode(const Plan& plan, RowSink& sink) = 0;
};

/// The sources, one per kind (the bytes must outlive them).
///@{
std::unique_ptr<RowSource> makeJpegSource(const unsigned char* data, std::size_t size);
std::unique_ptr<RowSource> makePngSource(const unsigned char* data, std::size_t size);
std::unique_ptr<RowSource> makeBmpSource(const unsigned char* data, std::size_t size);
///@}

/// The source for what the first bytes say; null for a kind no source reads.
std::unique_ptr<RowSource> sourceFor(const unsigned char* data, std::size_t size);

/// Decides, for every kind alike: the limits from `options` and the budget, the size shown
/// (longest side, GL's cap), the smallest decoder scale that still covers it, the turn, and
/// whether the decoder's buffers and rows fit the memory budget at that scale.
Error makePlan(const ProbeInfo& info, const PhotoOptions& options, Plan& plan);

/// The whole road over bytes in memory: probe, plan, decode into the scaler, orient. On
/// success `out` holds the picture (rows bottom-up, as decodePhoto describes).
Error decodeRoad(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                 libgr::grImage2D& out);

} // namespace libphoto::detail

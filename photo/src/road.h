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
// Adding a kind: write a RowSource (probe, decode), give it a factory below and
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
    /// The turn is the picture's own (HEIF's irot/imir), not a note beside it: applied even
    /// when the caller asks the EXIF orientation to be left alone.
    bool turnIsPicture = false;
    bool hasAlpha = false; ///< whether the rows carry meaningful alpha
    /// Layout of the rows decode delivers, 8 bits a component: grLayoutLuminance,
    /// grLayoutLuminanceAlpha or grLayoutBGRA (alpha 255 where the picture has none).
    std::int32_t layout = 0;
    /// Bytes of the decoder's own whole-picture buffer, when it needs one (the coefficients of
    /// a progressive JPEG, an interlaced PNG's pixels); 0 when it streams.
    std::uint64_t bufferedBytes = 0;
    /// Bytes of the decoder's own row buffers at full scale (beyond the row it delivers).
    std::uint64_t rowBytes = 0;
    /// Whether the source has taken what it needs of the bytes: the caller may let them go.
    bool inputDone = false;
    std::vector<DecoderScale> scales{DecoderScale{}}; ///< scales decode applies; holds 1/1
    ColourInfo colour;                                ///< as found
};

/// Every limit a picture is held to; decided by makePlan, obeyed by every stage.
struct Limits {
    std::uint64_t pixels = 0;    ///< most stored pixels
    std::uint64_t fileBytes = 0; ///< longest file read
    /// Most memory the decoder may take for its own buffers (the rest of the budget goes to
    /// the file's bytes, the rows, the scaler and the output).
    std::uint64_t workBytes = 0;
    std::uint32_t scans = 0; ///< most scans of a progressive picture
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

/// The memory budget of one picture on the road, beside the program: the file's bytes, the
/// decoder, the rows, the scaler and the output together.
constexpr std::uint64_t kMemoryBudget = std::uint64_t{256} << 20;
/// Most scans of a progressive picture (real encoders write about ten).
constexpr std::uint32_t kMostScans = 100;
/// Most rows a picture may store: each row costs the decoder a fixed time however narrow, and
/// 2^24 of them take about a second and a half.
constexpr std::uint32_t kMostRows = std::uint32_t{1} << 24;

/// A picture of at least this many decoded pixels is scaled on a second thread, where the
/// machine has one, while its decoder makes the next rows (smaller ones are done before a
/// thread would be under way).
constexpr std::uint64_t kRelayPixels = std::uint64_t{1} << 21;
/// Most rows, and most bytes, the decoder may run ahead of the scaler.
constexpr std::size_t kRelayRows = 64;
constexpr std::size_t kRelayBytes = std::size_t{8} << 20;

/// The limits `options` and the budget set before anything is known of the picture.
Limits limitsOf(const PhotoOptions& options);

/// Decides, for every kind alike: the pixel limit, the size shown (longest side, GL's cap),
/// the smallest decoder scale that still covers it, the turn, and whether the decoder's
/// buffers and rows fit what the budget leaves beside `fileBytes` and the output.
Error makePlan(const ProbeInfo& info, const PhotoOptions& options, std::uint64_t fileBytes,
               Plan& plan);

/// The whole road over bytes in memory: probe, plan, decode into the scaler, orient. On
/// success `out` holds the picture (rows bottom-up, as decodePhoto describes).
/// `owner`, when given, holds the bytes at `data`: they are let go as soon as the source has
/// taken what it needs of them.
Error decodeRoad(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                 libgr::grImage2D& out, std::vector<unsigned char>* owner = nullptr);

} // namespace libphoto::detail

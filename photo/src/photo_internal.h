// Shared by the photograph decoders: the failure reason, record set-up, top-down views of
// bottom-up records, and the streaming area scaler every decoder feeds its rows into.
#pragma once

#include "libgr/image_record.h"
#include "libphoto/photo.h"
#include "road.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace libphoto::detail {

/// Keeps `reason` (a static string) as this thread's failure reason; returns false.
bool fail(const char* reason);
/// Keeps "`what`: `detail`" (detail copied) as this thread's failure reason; returns false.
bool failWith(const char* what, const char* detail);
/// Clears this thread's failure reason; returns true.
bool succeed();

/// Components of an 8-bit layout decodePhoto makes or takes (0 for any other layout).
int componentsOf(std::int32_t layout);
/// Index of the alpha component in a pixel of `layout`, -1 without alpha.
int alphaIndexOf(std::int32_t layout);

/// A record of an 8-bit `layout` of that size, rows tight, alignment 4 for four components
/// and 1 otherwise; no pixels yet.
libgr::grImage2D describe(std::int32_t layout, std::uint32_t width, std::uint32_t height);
/// A fresh bottom-up 8-bit record of `layout`, rows tight, alignment 4 for four components
/// and 1 otherwise. False when the size does not fit or memory is short.
bool makeRecord(libgr::grImage2D& out, std::int32_t layout, std::uint32_t width,
                std::uint32_t height);

/// Rows of a picture seen top row first, whatever order memory holds them in.
struct View {
    unsigned char* top = nullptr; ///< first byte of the top row
    std::ptrdiff_t stride = 0;    ///< bytes from one row to the one below it (may be negative)
    std::uint32_t width = 0;      ///< pixels per row
    std::uint32_t height = 0;     ///< rows
    int channels = 0;             ///< bytes per pixel

    unsigned char* row(std::uint32_t y) const {
        return top + static_cast<std::ptrdiff_t>(y) * stride;
    }
};

/// The top-down view of a bottom-up record (its pixels must hold every row).
View viewOf(const libgr::grImage2D& image);

/// Asks the kernel for huge pages under a large block not yet touched: on first touch a
/// fresh 4 KiB page costs more than decoding into it.
void preferHugePages(void* block, std::size_t bytes);
/// Gives `buffer` fresh storage of `bytes` (huge pages preferred); false when that does not
/// fit 32 bits or memory is short.
bool freshBytes(libgr::ofsvector<unsigned char>& buffer, std::uint64_t bytes);

/// Streams rows of a source picture, top row first, into an area-filtered smaller (or equal)
/// picture written into a view. Colour components are averaged in linear light, the alpha
/// component linearly, with 14-bit weights that sum exactly to one per output pixel. Rows are
/// summed down first, at the source's width; each finished output row is then filtered across
/// once.
class RowScaler {
public:
    /// Source `width` × `height` into `dst` (each side at most the source's, channels 1 to
    /// 4); `alpha` is the alpha component's index or -1.
    RowScaler(std::uint32_t width, std::uint32_t height, const View& dst, int alpha);
    /// Takes the next source row (width × channels bytes).
    void push(const unsigned char* row);

private:
    struct Axis {
        std::vector<std::uint32_t> first, count, offset;
        std::vector<std::uint16_t> weight;
        Axis(std::uint32_t from, std::uint32_t to);
    };
    template <int CH> void down(const unsigned char* row, std::uint32_t w, std::uint32_t w2);
    template <int CH> void across();
    void emit();

    View dst_;
    std::uint32_t srcWidth_, srcHeight_;
    bool copy_;
    Axis across_, down_;
    bool hasAlpha_;
    const std::uint16_t* toWide_[4];
    const unsigned char* toByte_[4];
    std::vector<std::uint32_t> current_, next_; // the output row's sums and the next one's
    std::vector<std::uint16_t> wide_;           // a finished row, summed down, source width
    std::uint32_t y_ = 0, out_ = 0;
};

/// The lookup tables: 8-bit sRGB to 16-bit linear and back, and alpha to 16 bits and back.
struct Curves {
    std::uint16_t toLinear[256];
    std::uint16_t toAlpha[256];
    unsigned char fromLinear[65536];
    unsigned char fromAlpha[65536];
    static const Curves& get();
};

/// Decodes a JPEG picture (as decodePhoto describes) into `out`, upright only when
/// `orientation` comes back 1; sets `orientation` to the file's EXIF orientation.
/// `owner`, when given, holds the bytes at `data`: they are let go as soon as the decoder is
/// done with them, before the picture is scaled, so the file and the scaled picture never
/// take memory at the same time.
bool decodeJpeg(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                libgr::grImage2D& out, int& orientation,
                std::vector<unsigned char>* owner = nullptr);
/// As decodeJpeg, for a PNG picture (orientation from its eXIf chunk); `colour` gets the
/// colour space its iCCP, sRGB, cHRM and gAMA chunks name, not yet applied.
bool decodePng(const unsigned char* data, std::size_t size, const PhotoOptions& options,
               libgr::grImage2D& out, int& orientation, ColourInfo& colour);

} // namespace libphoto::detail

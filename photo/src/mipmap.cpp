// Mipmap chains: each level a box filter of the one before in linear light, a plain 2 × 2
// average where both sides are even and the area scaler where a side is odd.
#include "libphoto/mipmap.h"

#include "curve.h"
#include "errors.h"
#include "libphoto/resample.h"
#include "memory.h"
#include "records.h"
#include "scaler.h"

#include <new>

namespace libphoto {

std::uint32_t mipmapLevelCount(std::uint32_t width, std::uint32_t height) {
    std::uint32_t longest = width > height ? width : height;
    if (width == 0 || height == 0)
        return 0;
    std::uint32_t levels = 1;
    while (longest > 1) {
        longest /= 2;
        ++levels;
    }
    return levels;
}

std::uint32_t floorPowerOfTwo(std::uint32_t n) {
    std::uint32_t p = 1;
    while (n != 0 && p <= n / 2)
        p *= 2;
    return n == 0 ? 0 : p;
}

namespace {

using detail::View;

// Halves both (even) sides: each output is the mean of a 2 × 2 block.
template <int CH> void halve(const View& src, const View& dst, int alpha) {
    const detail::Curves& curves = detail::Curves::get();
    const std::uint16_t* to[4];
    const unsigned char* from[4];
    for (int c = 0; c < 4; ++c) {
        to[c] = c == alpha ? curves.toAlpha : curves.toLinear;
        from[c] = c == alpha ? curves.fromAlpha : curves.fromLinear;
    }
    for (std::uint32_t y = 0; y < dst.height; ++y) {
        const unsigned char* a = src.row(2 * y);
        const unsigned char* b = src.row(2 * y + 1);
        unsigned char* d = dst.row(y);
        for (std::uint32_t x = 0; x < dst.width; ++x, a += 2 * CH, b += 2 * CH, d += CH)
            for (int c = 0; c < CH; ++c) {
                const std::uint32_t sum =
                    to[c][a[c]] + to[c][a[c + CH]] + to[c][b[c]] + to[c][b[c + CH]];
                d[c] = from[c][(sum + 2) >> 2];
            }
    }
}

void nextLevel(const View& src, const View& dst, int alpha) {
    if (src.width == 2 * dst.width && src.height == 2 * dst.height) {
        switch (src.channels) {
        case 1:
            return halve<1>(src, dst, alpha);
        case 2:
            return halve<2>(src, dst, alpha);
        case 3:
            return halve<3>(src, dst, alpha);
        default:
            return halve<4>(src, dst, alpha);
        }
    }
    detail::RowScaler scaler(src.width, src.height, dst, alpha);
    for (std::uint32_t y = 0; y < src.height; ++y)
        scaler.push(src.row(y));
}

bool isPowerOfTwo(std::uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

bool buildChain(const libgr::grImage2D& base, bool keepNonPowerOfTwo,
                std::vector<libgr::grImage2D>& levels) {
    libgr::grImage2D top = base;
    if (!keepNonPowerOfTwo && !(isPowerOfTwo(base.width) && isPowerOfTwo(base.height)) &&
        !resamplePhoto(base, floorPowerOfTwo(base.width), floorPowerOfTwo(base.height), top))
        return false;
    const std::uint32_t count = mipmapLevelCount(top.width, top.height);
    std::vector<libgr::grImage2D> chain(count);
    chain[0] = top;
    // Levels 1 and on: one storage, each level a view of its own part.
    std::uint64_t bytes = 0;
    std::vector<std::uint64_t> offsets(count, 0);
    for (std::uint32_t i = 1; i < count; ++i) {
        libgr::grImage2D& level = chain[i];
        level = detail::describe(top.layout, top.width >> i ? top.width >> i : 1,
                                 top.height >> i ? top.height >> i : 1);
        offsets[i] = bytes;
        bytes += level.rowStride() * level.height;
    }
    if (count > 1) {
        libgr::ofsvector<unsigned char> storage;
        if (!detail::freshBytes(storage, bytes))
            return detail::fail(libgr::grErrc::outOfMemory, "out of memory for the mipmap levels");
        const int alpha = detail::alphaIndexOf(top.layout);
        for (std::uint32_t i = 1; i < count; ++i) {
            const auto length = static_cast<std::uint32_t>(chain[i].rowStride() * chain[i].height);
            chain[i].pixels.attach(storage, static_cast<std::uint32_t>(offsets[i]), length);
            nextLevel(detail::viewOf(chain[i - 1]), detail::viewOf(chain[i]), alpha);
        }
    }
    levels.swap(chain);
    return detail::succeed();
}

} // namespace

bool buildMipmapChain(const libgr::grImage2D& base, bool keepNonPowerOfTwo,
                      std::vector<libgr::grImage2D>& levels) {
    if (!isPlainPhoto(base))
        return detail::fail(libgr::grErrc::badArgument,
                            "not an 8-bit picture of 1 to 4 components");
    try {
        return buildChain(base, keepNonPowerOfTwo, levels);
    } catch (const std::bad_alloc&) {
        return detail::fail(libgr::grErrc::outOfMemory, "out of memory for the mipmap levels");
    }
}

} // namespace libphoto

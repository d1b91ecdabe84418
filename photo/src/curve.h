// The colour curve: 8-bit sRGB to 16-bit linear light and back, and alpha to 16 bits and back,
// as lookup tables made once.
#pragma once

#include <cstdint>

namespace libphoto::detail {

/// The lookup tables of the scaler and the mipmap chain.
struct Curves {
    std::uint16_t toLinear[256];     ///< sRGB byte to linear light, 0 to 65535
    std::uint16_t toAlpha[256];      ///< alpha byte to 16 bits (× 257)
    unsigned char fromLinear[65536]; ///< linear light back to the nearest sRGB byte
    unsigned char fromAlpha[65536];  ///< 16-bit alpha back to the nearest byte
    /// The tables, made on first use (thread-safe).
    static const Curves& get();
};

} // namespace libphoto::detail

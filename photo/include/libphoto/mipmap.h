// Mipmap chains built on the CPU: every level down to 1 × 1 as its own image record, ready
// for glTexImage2D, so no GLU scaling is needed.
#pragma once

#include "libgr/image_record.h"

#include <cstdint>
#include <vector>

namespace libphoto {

/// Levels of a full chain whose level 0 is `width` × `height`: 1 + floor(log2(longest side));
/// 0 for an empty size.
std::uint32_t mipmapLevelCount(std::uint32_t width, std::uint32_t height);

/// Largest power of two not above `n` (0 for 0).
std::uint32_t floorPowerOfTwo(std::uint32_t n);

/// Fills `levels` with the whole chain of `base`: level 0, then each level of
/// max(1, floor(n / 2)) on each side from the one before, down to 1 × 1 (GL's rule). Each
/// level is a box filter of the one before that covers the source exactly, also for odd
/// sizes (an output pixel of an odd side averages 2 + 1/n source pixels by area), with
/// colour averaged in linear light and alpha linearly. Level 0 shares `base` when
/// `keepNonPowerOfTwo` is set or both sides are powers of two; otherwise it is `base`
/// resampled once to the largest powers of two not above its sides. Levels 1 and smaller
/// share one storage, each record a view of its own part; layout as `base`, rows bottom-up,
/// alignment 4 for four components and 1 otherwise. False, `levels` untouched and
/// photoFailureReason() set, for a base isPlainPhoto refuses or short memory.
bool buildMipmapChain(const libgr::grImage2D& base, bool keepNonPowerOfTwo,
                      std::vector<libgr::grImage2D>& levels);

} // namespace libphoto

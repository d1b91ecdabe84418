// Colour management: the colour facts a decoder found (road.h's ColourInfo) turned into a
// conversion of 8-bit rows into sRGB, the one space the scene's textures have; and the ICC
// profiles that files describe in words of their own (JPEG's APP2 parts, PNG's cHRM, HEIF's
// nclx codes).
#pragma once

#include "road.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace libphoto::detail {

/// Whether `colour` says anything but sRGB (an ICC profile or a stated gamma).
inline bool needsConversion(const ColourInfo& colour) {
    return !colour.srgb && (!colour.icc.empty() || colour.gamma > 0);
}

/// Converts `height` rows of `width` pixels of `layout` (8-bit BGRA: other layouts are left
/// as they are; alpha kept), the first at `top` and each `stride` bytes after the one before,
/// from the space `colour` names into sRGB, in place. A grey profile applies to grey
/// pictures (in BGRA rows their three components are equal). An ICC profile wins
/// over a gamma; a gamma alone has sRGB's primaries. One conversion is made per distinct
/// space and kept for the pictures that follow (the last few used); one that changes no
/// colour costs nothing after the first time. A damaged profile, or one that does not
/// describe RGB or grey pixels (CMYK, Lab), leaves them as they are and
/// returns false: never a reason to refuse a picture. True when the rows are sRGB now.
/// Without colour management in the build only sRGB rows give true. Thread-safe.
bool convertToSrgb(const ColourInfo& colour, std::int32_t layout, unsigned char* top,
                   std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height);

/// The ICC profile in a JPEG's APP2 "ICC_PROFILE" segments before its scan, the parts put
/// together in their sequence numbers' order; empty when there is none, or when the parts
/// are inconsistent (a number missing, twice, or beyond their count). Every segment length
/// is checked against `size`.
std::vector<unsigned char> jpegIccProfile(const unsigned char* jpeg, std::size_t size);

/// An RGB ICC profile made from chromaticities (x, y of white, red, green and blue; null for
/// sRGB's) and a PNG-style gamma (light = sample^(1/gamma); 0 for sRGB's curve). Empty for
/// values no profile can have, and in a build without colour management.
std::vector<unsigned char> rgbProfile(const double* chromaticities, double gamma);

/// The profile a HEIF/AVIF `nclx` box's primaries and transfer codes (ITU-T H.273) name;
/// empty for sRGB itself and for codes that are not converted (HDR transfers among them:
/// those pictures are shown as decoded).
std::vector<unsigned char> nclxProfile(int primaries, int transfer);

} // namespace libphoto::detail

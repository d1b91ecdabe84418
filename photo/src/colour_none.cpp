// A build without colour management: rows stay as decoded, and no profile is made.
#include "colour.h"

namespace libphoto::detail {

bool convertToSrgb(const ColourInfo& colour, std::int32_t, unsigned char*, std::ptrdiff_t,
                   std::uint32_t, std::uint32_t) {
    return !needsConversion(colour);
}

std::vector<unsigned char> rgbProfile(const double*, double) {
    return {};
}

} // namespace libphoto::detail

// The colour curve's lookup tables.
#include "curve.h"

#include <algorithm>
#include <cmath>

namespace libphoto::detail {

const Curves& Curves::get() {
    static const Curves curves = [] {
        Curves c;
        for (int i = 0; i < 256; ++i) {
            const double v = i / 255.0;
            const double lin = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            c.toLinear[i] = static_cast<std::uint16_t>(std::lround(lin * 65535.0));
            c.toAlpha[i] = static_cast<std::uint16_t>(i * 257);
        }
        for (int i = 0; i < 65536; ++i) {
            const double lin = i / 65535.0;
            const double v =
                lin <= 0.0031308 ? lin * 12.92 : 1.055 * std::pow(lin, 1 / 2.4) - 0.055;
            c.fromLinear[i] =
                static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
            c.fromAlpha[i] = static_cast<unsigned char>((i * 255 + 32767) / 65535);
        }
        return c;
    }();
    return curves;
}

} // namespace libphoto::detail

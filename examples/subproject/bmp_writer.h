// The parent project's own `utils` library: it writes small BMP files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace parent {

/// Writes a bottom-up 24-bit BMP of `width` x `height` pixels; `bgr` holds the rows bottom
/// first, three bytes a pixel (blue, green, red), without padding. False when it cannot write.
bool writeBmp24(const std::string& path, int width, int height,
                const std::vector<std::uint8_t>& bgr);

} // namespace parent

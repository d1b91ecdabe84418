#include "libutils/byteorder.h"

#include "libutils/platform.h"

namespace libutils {

byteorder::~byteorder() = default;

std::uint64_t byteorder::swap64(std::uint64_t v) {
    const auto low = static_cast<std::uint32_t>(v);
    const auto high = static_cast<std::uint32_t>(v >> 32);
    // Network-to-host of a 32-bit half reverses its four bytes on this host.
    return (static_cast<std::uint64_t>(netToHost32(low)) << 32) | netToHost32(high);
}

std::uint16_t intel_byteorder::to_host16(std::uint16_t v) const {
    return le_to_host16(v);
}
std::uint32_t intel_byteorder::to_host32(std::uint32_t v) const {
    return le_to_host32(v);
}
std::uint64_t intel_byteorder::to_host64(std::uint64_t v) const {
    return le_to_host64(v);
}

std::uint16_t motorola_byteorder::to_host16(std::uint16_t v) const {
    return netToHost16(v);
}
std::uint32_t motorola_byteorder::to_host32(std::uint32_t v) const {
    return netToHost32(v);
}
std::uint64_t motorola_byteorder::to_host64(std::uint64_t v) const {
    return swap64(v);
}

} // namespace libutils

// Conversion of stored 16-, 32- and 64-bit values to host order: the abstract byteorder,
// intel_byteorder for little-endian data, motorola_byteorder for big-endian data, and static
// little-endian conversions that need no object. The host is little-endian; reversing bytes
// is its own inverse, so the same calls also turn host values into the stored order.
#pragma once

#include <cstdint>

namespace libutils {

/// The byte order of stored data: converts its 16-, 32- and 64-bit values to host order (and,
/// reversing being its own inverse, host values back to the stored order).
class byteorder {
public:
    /// A value in this object's stored order, in host order.
    ///@{
    virtual std::uint16_t to_host16(std::uint16_t v) const = 0;
    virtual std::uint32_t to_host32(std::uint32_t v) const = 0;
    virtual std::uint64_t to_host64(std::uint64_t v) const = 0;
    ///@}
    virtual ~byteorder() = 0;

    /// Little-endian to host: unchanged on this little-endian host.
    ///@{
    static std::uint16_t le_to_host16(std::uint16_t v) { return v; }
    static std::uint32_t le_to_host32(std::uint32_t v) { return v; }
    static std::uint64_t le_to_host64(std::uint64_t v) { return v; }
    ///@}

    /// Reverses all eight bytes.
    static std::uint64_t swap64(std::uint64_t v);
};

/// Little-endian stored data: every value is returned unchanged.
class intel_byteorder : public byteorder {
public:
    std::uint16_t to_host16(std::uint16_t v) const override;
    std::uint32_t to_host32(std::uint32_t v) const override;
    std::uint64_t to_host64(std::uint64_t v) const override;
};

/// Big-endian stored data: every value has its bytes reversed.
class motorola_byteorder : public byteorder {
public:
    std::uint16_t to_host16(std::uint16_t v) const override;
    std::uint32_t to_host32(std::uint32_t v) const override;
    std::uint64_t to_host64(std::uint64_t v) const override;
};

} // namespace libutils

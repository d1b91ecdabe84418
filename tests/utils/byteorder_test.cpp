#include "libutils/byteorder.h"

#include <gtest/gtest.h>

#include <type_traits>

using namespace libutils;

TEST(Byteorder, BigEndianReversesAndLittleEndianKeeps) {
    static_assert(std::is_abstract<byteorder>::value, "byteorder cannot be instantiated");
    const byteorder& big = motorola_byteorder(); // through the interface, as callers hold it
    const byteorder& little = intel_byteorder();
    EXPECT_EQ(big.to_host16(0x1234), 0x3412);
    EXPECT_EQ(big.to_host32(0x12345678u), 0x78563412u);
    EXPECT_EQ(big.to_host64(0x0102030405060708ull), 0x0807060504030201ull);

    for (std::uint64_t v : {0ull, 0xFFFFull, 0x0102030405060708ull, 0xFF000000000000A5ull}) {
        const auto v32 = static_cast<std::uint32_t>(v);
        const auto v16 = static_cast<std::uint16_t>(v);
        EXPECT_EQ(big.to_host64(big.to_host64(v)), v);
        EXPECT_EQ(big.to_host32(big.to_host32(v32)), v32);
        EXPECT_EQ(big.to_host16(big.to_host16(v16)), v16);
        EXPECT_EQ(little.to_host64(v), v);
        EXPECT_EQ(little.to_host32(v32), v32);
        EXPECT_EQ(little.to_host16(v16), v16);
        EXPECT_EQ(byteorder::le_to_host64(v), v);
        EXPECT_EQ(byteorder::le_to_host32(v32), v32);
        EXPECT_EQ(byteorder::le_to_host16(v16), v16);
    }
}

#include "libutils/byteorder.h"

#include <gtest/gtest.h>

#include <type_traits>

using namespace libutils;

TEST(Byteorder, BigEndianReversesAndLittleEndianKeeps) {
    const motorola_byteorder big;
    const byteorder& order = big; // through the interface, as callers hold it
    EXPECT_EQ(order.to_host16(0x1234), 0x3412);
    EXPECT_EQ(order.to_host32(0x12345678u), 0x78563412u);
    EXPECT_EQ(order.to_host64(0x0102030405060708ull), 0x0807060504030201ull);
    EXPECT_EQ(byteorder::swap64(0xFF00000000000001ull), 0x01000000000000FFull);

    for (std::uint64_t v : {0ull, 1ull, 0xFFFFull, 0x0102030405060708ull, ~0ull}) {
        EXPECT_EQ(order.to_host64(order.to_host64(v)), v);
        EXPECT_EQ(order.to_host32(order.to_host32(static_cast<std::uint32_t>(v))),
                  static_cast<std::uint32_t>(v));
        EXPECT_EQ(order.to_host16(order.to_host16(static_cast<std::uint16_t>(v))),
                  static_cast<std::uint16_t>(v));
    }

    const intel_byteorder little;
    const byteorder& same = little;
    for (std::uint32_t v : {0u, 0xFFFFu, 0x12345678u}) {
        EXPECT_EQ(same.to_host32(v), v);
        EXPECT_EQ(byteorder::le_to_host32(v), v);
    }
    EXPECT_EQ(same.to_host16(0xFFFF), 0xFFFF);
    EXPECT_EQ(same.to_host64(0x0102030405060708ull), 0x0102030405060708ull);
    EXPECT_EQ(byteorder::le_to_host16(0x1234), 0x1234);
    EXPECT_EQ(byteorder::le_to_host64(0), 0u);

    static_assert(std::is_abstract<byteorder>::value, "byteorder cannot be instantiated");
}

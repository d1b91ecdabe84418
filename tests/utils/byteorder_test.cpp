#include "libutils/byteorder.h"

#include <gtest/gtest.h>

using namespace libutils;

TEST(Byteorder, BigEndianReversesAndLittleEndianKeeps) {
    const byteorder& big = motorola_byteorder(); // through the interface, as callers hold it
    const byteorder& little = intel_byteorder();
    EXPECT_EQ(big.to_host16(0x1234), 0x3412);
    EXPECT_EQ(big.to_host32(0x12345678u), 0x78563412u);
    EXPECT_EQ(big.to_host64(0x0102030405060708ull), 0x0807060504030201ull);
    EXPECT_EQ(little.to_host16(0x1234), 0x1234);
    EXPECT_EQ(little.to_host32(0x12345678u), 0x12345678u);
    EXPECT_EQ(little.to_host64(0x0102030405060708ull), 0x0102030405060708ull);
}

#include "libutils/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

TEST(Platform, ClockAdvancesInMilliseconds) {
    const std::uint32_t a = libutils::timeGetTime();
    usleep(30000);
    const std::uint32_t b = libutils::timeGetTime();
    // Wrapping difference: correct even if the 32-bit count rolled over in between.
    const std::uint32_t d = b - a;
    EXPECT_GE(d, 25u);
    EXPECT_LT(d, 2000u);
}

TEST(Platform, FileStatusReportsSizeAndMissingFiles) {
    char path[] = "/tmp/pluvina-statXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string bytes(1234, 'x');
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), 1234);
    close(fd);
    libutils::FileStatus st;
    ASSERT_TRUE(libutils::fileStatus(path, st));
    EXPECT_EQ(st.size, 1234u);
    unlink(path);
    st.size = 77;
    EXPECT_FALSE(libutils::fileStatus(path, st));
    EXPECT_EQ(st.size, 77u) << "a failed query leaves the output alone";
    EXPECT_FALSE(libutils::fileStatus(nullptr, st));
}

TEST(Platform, NetworkOrderIsBigEndian) {
    const unsigned char b16[2] = {0x12, 0x34};
    const unsigned char b32[4] = {0x12, 0x34, 0x56, 0x78};
    std::uint16_t v16;
    std::uint32_t v32;
    std::memcpy(&v16, b16, 2);
    std::memcpy(&v32, b32, 4);
    EXPECT_EQ(libutils::netToHost16(v16), 0x1234u);
    EXPECT_EQ(libutils::netToHost32(v32), 0x12345678u);
}

#include "libutils/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

TEST(Platform, FileStatusReportsSizeAndMissingFiles) {
    const std::string path = ::testing::TempDir() + "stat-" + std::to_string(getpid());
    std::ofstream(path) << std::string(1234, 'x');
    libutils::FileStatus st;
    ASSERT_TRUE(libutils::fileStatus(path.c_str(), st));
    EXPECT_EQ(st.size, 1234u);
    std::remove(path.c_str());
    st.size = 77;
    EXPECT_FALSE(libutils::fileStatus(path.c_str(), st));
    EXPECT_EQ(st.size, 77u) << "a failed query leaves the output alone";
    EXPECT_FALSE(libutils::fileStatus(nullptr, st));
}

#include "libutils/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

TEST(Platform, FileStatusAndOpeningRegularFiles) {
    const std::string path = ::testing::TempDir() + "stat-" + std::to_string(getpid());
    std::ofstream(path) << std::string(1234, 'x');
    libutils::FileStatus st;
    ASSERT_TRUE(libutils::fileStatus(path.c_str(), st));
    EXPECT_EQ(st.size, 1234u);
    // With standard input closed the file opens as descriptor 0, which is as good as any.
    const int saved = dup(0);
    close(0);
    const char* why = "";
    std::FILE* f = libutils::openRegularFile(path.c_str(), st, why);
    EXPECT_EQ(f ? fileno(f) : -1, 0) << why;
    if (f)
        std::fclose(f);
    dup2(saved, 0);
    close(saved);
    std::remove(path.c_str());
    st.size = 77;
    EXPECT_FALSE(libutils::fileStatus(path.c_str(), st));
    EXPECT_EQ(st.size, 77u) << "a failed query leaves the output alone";
    EXPECT_FALSE(libutils::fileStatus(nullptr, st));
}

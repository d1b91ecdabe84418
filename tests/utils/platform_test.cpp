#include "libutils/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
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

TEST(Platform, CreatesFilesExclusivelyOrTruncatingAndOpensOnlyRegularOnes) {
    const std::string path = ::testing::TempDir() + "create-" + std::to_string(getpid());
    std::remove(path.c_str());
    EXPECT_FALSE(libutils::nameTaken(path.c_str()));
    int error = 0;
    std::FILE* made = libutils::createFile(path.c_str(), true, error);
    ASSERT_NE(made, nullptr) << error;
    std::fputs("first", made);
    std::fclose(made);
    EXPECT_TRUE(libutils::nameTaken(path.c_str()));
    EXPECT_EQ(libutils::createFile(path.c_str(), true, error), nullptr);
    EXPECT_EQ(error, EEXIST);
    libutils::FileStatus st;
    const char* reason = nullptr;
    std::FILE* read = libutils::openRegularFile(path.c_str(), st, reason);
    ASSERT_NE(read, nullptr) << reason;
    std::fclose(read);
    EXPECT_EQ(st.size, 5u) << "an exclusive create never touches what is there";
    std::fclose(libutils::createFile(path.c_str(), false, error));
    ASSERT_TRUE(libutils::fileStatus(path.c_str(), st));
    EXPECT_EQ(st.size, 0u) << "a plain create truncates";
    std::remove(path.c_str());
    const std::string folder = ::testing::TempDir() + ".";
    EXPECT_EQ(libutils::openRegularFile(folder.c_str(), st, reason), nullptr);
    EXPECT_STREQ(reason, "not a regular file");
    EXPECT_EQ(libutils::createFile(folder.c_str(), true, error), nullptr);
    EXPECT_NE(libutils::executableFolder(), "");
}

TEST(Platform, ClockCountsMilliseconds) {
    const std::uint32_t before = libutils::timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const std::uint32_t waited = libutils::timeGetTime() - before;
    EXPECT_GE(waited, 29u);
    EXPECT_LT(waited, 5000u);
}

// The BMP reader against what only POSIX systems have: FIFOs, devices and sparse files.
#include "libgr/bmp_file.h"

#include "../bmp_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

using namespace libgr;

TEST(BmpFile, OpensOnlyRegularFiles) {
    grBmpFile file;
    // Only regular files are opened: a FIFO without a writer would block the reader for ever.
    const std::string fifo = "/tmp/pluvina-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<const char*, const char*> sources[] = {
        {fifo.c_str(), "not a regular file"},
        {"/tmp", "not a regular file"},
        {"/dev/zero", "not a regular file"},
    };
    for (const auto& [path, reason] : sources) {
        EXPECT_FALSE(file.load(path)) << path;
        EXPECT_STREQ(grBmpFailureReason(), reason) << path;
    }
    std::remove(fifo.c_str());
}

TEST(BmpFile, ReadsOnlyTheHeadersTableAndPixelArray) {
    // A sparse file: the pixels 3 GiB after the table, then almost 1 GiB more.
    const Bytes bytes = bmp(desc(8, 0, 40, {}));
    const std::string path = writeTemp(patch(Bytes(bytes.begin(), bytes.end() - 16), 10, 3u << 30));
    const int fd = open(path.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, bytes.data() + 86, 16, 3ll << 30), 16);
    ASSERT_EQ(ftruncate(fd, 0xFFFFFFFFll) + close(fd), 0);
    grBmpFile file;
    grImage2D image;
    ASSERT_TRUE(file.load(path.c_str()) && grBmpToImage(image, file)) << grBmpFailureReason();
    std::remove(path.c_str());
    EXPECT_EQ(file.bits.byteLength(), bytes.size());             // headers, table and pixels
    EXPECT_EQ(std::uint32_t(file.fileHeader[0].bfOffBits), 86u); // packed: read as a copy
    EXPECT_EQ(image.pixels[8 * 3 + 2], 0xFF);                    // red of the top row's first pixel
}

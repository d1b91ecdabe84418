// Photographs against what only POSIX systems have: FIFOs and devices.
#include "photo_files.h"

#include "libphoto/photo.h"

#include <sys/stat.h>

using libgr::grImage2D;
using libphoto::PhotoOptions;
using namespace photos;

TEST(Photo, OpensOnlyRegularFiles) {
    grImage2D image;
    const std::string path = writeTemp(Bytes(16, 0));
    // Refused at once, never waited on: a FIFO nobody writes, a device, a folder.
    const std::string fifo = path + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& odd : {fifo, std::string("/dev/zero"), std::string("/tmp")}) {
        EXPECT_FALSE(libphoto::decodePhoto(odd.c_str(), PhotoOptions(), image));
        EXPECT_STREQ(libphoto::photoFailureReason(), "not a regular file") << odd;
    }
    std::remove(fifo.c_str());
    std::remove(path.c_str());
}

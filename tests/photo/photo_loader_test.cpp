// The background loader without GL: requests prepared in order on its worker, results handed
// back by polling, a failing file among them, a loader destroyed with work still queued, and
// as many pictures prepared at once as it has workers.
// The test command also runs it under ThreadSanitizer.
#include "photo_files.h"

#include "libphoto/photo_loader.h"
#include "libphoto/resample.h"
#include "relay.h"

#include <algorithm>
#include <cstdio>
#include <memory>

using libphoto::MipmapSource;
using libphoto::PhotoLoader;
using libphoto::PhotoTexture;
using libphoto::TextureRequest;
using namespace photos;

TEST(PhotoLoader, PreparesInOrderAndStopsWithWorkQueued) {
    const std::string jpg =
        writeTemp(jpeg(quadrants(64, 32, "ABCD", kQuadrants, 3), TJPF_RGB, TJSAMP_420));
    const std::string bmpFile = writeTemp(bmp(desc(24, 0, 40, kBGR)));
    // Long enough to prepare (tens of milliseconds) that waiting for it is seen.
    const std::string large =
        writeTemp(jpeg(quadrants(1536, 1024, "ABCD", kQuadrants, 3), TJPF_RGB, TJSAMP_420));
    TextureRequest library, glu;
    glu.mipmaps = MipmapSource::Glu;
    struct Case {
        std::string path;
        const TextureRequest& request;
        bool prepared;
        std::uint32_t width, levels;
    } cases[] = {
        {jpg, library, true, 64, 7},
        {"/nonexistent/picture.jpg", library, false, 0, 0},
        {bmpFile, glu, true, 8, 1},
        {large, library, true, 1024, 11}, // resampled to powers of two
    };
    PhotoLoader loader;
    EXPECT_FALSE(loader.busy());
    EXPECT_FALSE(loader.request(nullptr, jpg, library));
    std::vector<std::shared_ptr<PhotoTexture>> targets;
    for (const Case& c : cases) {
        targets.push_back(std::make_shared<PhotoTexture>());
        ASSERT_TRUE(loader.request(targets.back(), c.path, c.request));
    }
    // Polling never waits: the results come back across as many polls as it takes.
    std::vector<PhotoLoader::Done> done;
    while (done.size() < 2) {
        for (PhotoLoader::Done& d : loader.finished())
            done.push_back(std::move(d));
    }
    loader.wait();
    EXPECT_FALSE(loader.busy());
    for (PhotoLoader::Done& d : loader.finished())
        done.push_back(std::move(d));
    EXPECT_TRUE(loader.finished().empty());
    ASSERT_EQ(done.size(), std::size(cases));
    for (std::size_t i = 0; i < done.size(); ++i) {
        SCOPED_TRACE(cases[i].path);
        EXPECT_EQ(done[i].texture, targets[i]);
        EXPECT_EQ(done[i].path, cases[i].path);
        EXPECT_EQ(done[i].prepared, cases[i].prepared);
        EXPECT_STREQ(done[i].texture->reason(), cases[i].prepared ? "" : "cannot open the file");
        EXPECT_EQ(done[i].texture->width(), cases[i].width);
        EXPECT_EQ(done[i].texture->levels().size(), cases[i].levels);
    }
    done.clear();

    // Destroyed at once with eight larger pictures asked for: the job in hand finishes, the
    // queued ones are dropped untouched, and every target is let go.
    targets.resize(8);
    {
        PhotoLoader quitting;
        for (auto& t : targets) {
            t = std::make_shared<PhotoTexture>();
            ASSERT_TRUE(quitting.request(t, large, library));
        }
        EXPECT_TRUE(quitting.busy());
    }
    std::size_t prepared = 0;
    for (const auto& t : targets) {
        EXPECT_EQ(t.use_count(), 1);
        prepared += t->width() != 0;
    }
    EXPECT_LT(prepared, targets.size());
    std::remove(large.c_str());
    std::remove(jpg.c_str());
    std::remove(bmpFile.c_str());
}

TEST(PhotoLoader, PreparesAsManyAtOnceAsItHasWorkers) {
    const std::string large =
        writeTemp(jpeg(quadrants(1536, 1024, "ABCD", kQuadrants, 3), TJPF_RGB, TJSAMP_420));
    for (unsigned workers : {1u, 2u}) {
        PhotoLoader loader(workers);
        std::vector<std::shared_ptr<PhotoTexture>> targets(3);
        for (auto& t : targets) {
            t = std::make_shared<PhotoTexture>();
            ASSERT_TRUE(loader.request(t, large, TextureRequest()));
        }
        std::size_t most = 0;
        while (loader.busy())
            most = std::max(most, loader.inHand());
        EXPECT_EQ(most, workers);
        EXPECT_EQ(loader.finished().size(), targets.size());
        for (const auto& t : targets)
            EXPECT_EQ(t->width(), 1024u);
    }
    std::remove(large.c_str());
}

// Rows handed on from a second thread arrive whole and in order however few slots the ring
// has, all of them by the time the relay goes; and a picture large enough to be scaled that
// way comes out as the same picture scaled on one thread.
TEST(RowRelay, PassesEveryRowInOrderAndScalesAsOneThreadDoes) {
    struct Recorder final : libphoto::detail::RowSink {
        std::vector<Bytes> rows;
        void push(const unsigned char* row) override { rows.emplace_back(row, row + 5); }
    };
    for (const std::size_t depth : {1, 3, 64})
        for (const int count : {0, 1, 200}) {
            SCOPED_TRACE(testing::Message() << depth << " slots, " << count << " rows");
            Recorder got;
            std::vector<Bytes> sent;
            {
                libphoto::detail::RowRelay relay(got, 5, depth);
                EXPECT_TRUE(relay.threaded());
                for (int i = 0; i < count; ++i) {
                    sent.push_back(Bytes(5, static_cast<unsigned char>(i * 7)));
                    sent.back()[i % 5] = 1;
                    relay.push(sent.back().data());
                }
            }
            EXPECT_EQ(got.rows, sent);
        }
    const int w = 2048, h = 1024; // 2^21 pixels
    std::vector<std::uint16_t> samples(std::size_t{w} * h * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint16_t>((i * 37 + i / 6000) % 256);
    const Bytes file = png({2, 8, 0, {}, {}}, w, h, samples);
    libphoto::PhotoOptions small;
    small.longestSide = 300;
    libgr::grImage2D scaled, whole, want;
    ASSERT_TRUE(libphoto::decodePhotoMemory(file.data(), file.size(), small, scaled));
    ASSERT_TRUE(libphoto::decodePhotoMemory(file.data(), file.size(), {}, whole));
    ASSERT_TRUE(libphoto::resamplePhoto(whole, scaled.width, scaled.height, want));
    EXPECT_EQ(scaled.width, 300u);
    EXPECT_TRUE(scaled.pixels.size() == want.pixels.size() &&
                std::equal(want.pixels.begin(), want.pixels.end(), scaled.pixels.begin()));
}

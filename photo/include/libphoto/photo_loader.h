// PhotoLoader: prepares PhotoTextures on worker threads of its own, so that reading,
// decoding, scaling and building mipmaps never hold up the frames; the GL thread collects what
// is ready between frames and uploads it.
//
// Usage:
//     libphoto::PhotoLoader loader(2);                  // two at once; no thread yet
//     auto photo = std::make_shared<libphoto::PhotoTexture>();
//     loader.request(photo, "holiday.jpg", request);    // the worker starts on it
//     ...                                               // each frame, on the GL thread:
//     for (const libphoto::PhotoLoader::Done& done : loader.finished())
//         if (!done.prepared || !done.texture->upload())
//             report(done.path, done.texture->reason());
#pragma once

#include "libphoto/photo_texture.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace libphoto {

/// Worker threads that run PhotoTexture::prepare for the requests they are given, taken in the
/// order asked: with one worker they also finish in that order, with more several pictures are
/// prepared at once. The loader itself calls no GL. Its member functions may be called from
/// any one thread.
class PhotoLoader {
public:
    /// What the worker made of one request.
    struct Done {
        std::shared_ptr<PhotoTexture> texture; ///< the target, prepared or not
        std::string path;                      ///< the file it was asked to read
        bool prepared = false;                 ///< prepare's result; else texture->reason()
    };

    /// At most `workers` requests are prepared at once (0 counts as 1). Starts no thread: a
    /// worker starts when a request finds every running one busy.
    explicit PhotoLoader(unsigned workers = 1);
    /// Drops the requests not yet started, waits for those in hand and ends the workers.
    /// Targets it still holds are let go on the calling thread, never on the worker: destroy
    /// the loader on the GL thread when a target may hold a texture name.
    ~PhotoLoader();
    PhotoLoader(const PhotoLoader&) = delete;
    PhotoLoader& operator=(const PhotoLoader&) = delete;

    /// Queues `target` to be prepared from `path` as `request` says. The caller must leave
    /// `target` alone until finished() hands it back. False (nothing queued) for a null
    /// target or when the worker thread cannot be started.
    bool request(std::shared_ptr<PhotoTexture> target, std::string path,
                 const TextureRequest& request);

    /// The requests finished since the last call, in the order they finished; never waits.
    std::vector<Done> finished();

    /// Whether requests are queued or in hand.
    bool busy() const;
    /// How many requests are being prepared right now.
    std::size_t inHand() const;

    /// Blocks until every request made so far is finished (for tests and tools; a frame
    /// loop polls finished() instead).
    void wait();

private:
    struct Job {
        std::shared_ptr<PhotoTexture> texture;
        std::string path;
        TextureRequest request;
    };
    void work();

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> queue;
    std::vector<Done> done;
    std::size_t working = 0;     ///< requests in hand
    std::size_t idleWorkers = 0; ///< workers waiting for a request
    unsigned most = 1;
    bool stopping = false;
    std::vector<std::thread> workers;
};

} // namespace libphoto

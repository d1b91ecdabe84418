// PhotoLoader: prepares PhotoTextures on a worker thread of its own, so that reading,
// decoding, scaling and building mipmaps never hold up the frames; the GL thread collects what
// is ready between frames and uploads it.
//
// Usage:
//     libphoto::PhotoLoader loader;                     // no thread yet
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

/// One worker thread that runs PhotoTexture::prepare for the requests it is given, in order.
/// The loader itself calls no GL. Its member functions may be called from any one thread.
class PhotoLoader {
public:
    /// What the worker made of one request.
    struct Done {
        std::shared_ptr<PhotoTexture> texture; ///< the target, prepared or not
        std::string path;                      ///< the file it was asked to read
        bool prepared = false;                 ///< prepare's result; else texture->reason()
    };

    /// Starts no thread: the worker starts with the first request.
    PhotoLoader() = default;
    /// Drops the requests not yet started, waits for the one in hand and ends the worker.
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
    std::size_t inHand = 0;
    bool stopping = false;
    std::thread worker;
};

} // namespace libphoto

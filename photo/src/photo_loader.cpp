// PhotoLoader: worker threads that prepare PhotoTextures, taken in the order asked, and hand
// them back to the thread that polls. Nothing here calls GL, and no PhotoTexture is ever let
// go on the worker: its last owner may hold a GL name, which only the GL thread may delete.
#include "libphoto/photo_loader.h"

#include <iterator>
#include <new>
#include <system_error>

namespace libphoto {

PhotoLoader::PhotoLoader(unsigned workerCount) : most(workerCount > 0 ? workerCount : 1) {}

PhotoLoader::~PhotoLoader() {
    std::deque<Job> dropped;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        dropped.swap(queue);
    }
    changed.notify_all();
    for (std::thread& worker : workers)
        worker.join();
}

bool PhotoLoader::request(std::shared_ptr<PhotoTexture> target, std::string path,
                          const TextureRequest& request) {
    if (!target)
        return false;
    try {
        const std::lock_guard<std::mutex> lock(mutex);
        // Room for every request to finish before the next poll, made here so that the worker
        // never allocates (and so never fails) when it hands a result over.
        done.reserve(done.size() + queue.size() + working + 1);
        queue.push_back(Job{std::move(target), std::move(path), request});
        if (queue.size() > idleWorkers && workers.size() < most) {
            try {
                workers.reserve(most);
                workers.emplace_back(&PhotoLoader::work, this);
            } catch (const std::system_error&) {
                // The workers already running take it in their turn.
                if (workers.empty()) {
                    queue.pop_back();
                    return false;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    changed.notify_all();
    return true;
}

std::vector<PhotoLoader::Done> PhotoLoader::finished() {
    std::vector<Done> out;
    const std::lock_guard<std::mutex> lock(mutex);
    try {
        out.reserve(done.size());
    } catch (const std::bad_alloc&) {
        return out; // kept for a later poll
    }
    std::move(done.begin(), done.end(), std::back_inserter(out));
    done.clear(); // keeps its capacity for the requests still out
    return out;
}

bool PhotoLoader::busy() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return !queue.empty() || working != 0;
}

std::size_t PhotoLoader::inHand() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return working;
}

void PhotoLoader::wait() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return queue.empty() && working == 0; });
}

void PhotoLoader::work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        ++idleWorkers;
        changed.wait(lock, [this] { return stopping || !queue.empty(); });
        --idleWorkers;
        if (stopping)
            return;
        Done result;
        result.texture = std::move(queue.front().texture);
        result.path = std::move(queue.front().path);
        const TextureRequest request = queue.front().request;
        queue.pop_front();
        ++working;
        lock.unlock();
        result.prepared = result.texture->prepare(result.path.c_str(), request);
        lock.lock();
        done.push_back(std::move(result)); // within the capacity request() reserved
        --working;
        changed.notify_all();
    }
}

} // namespace libphoto

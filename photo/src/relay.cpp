// RowRelay: a ring of row slots between the decoding thread and a worker that passes them on.
#include "relay.h"

#include <cstring>
#include <system_error>

namespace libphoto::detail {

RowRelay::RowRelay(RowSink& next, std::size_t rowBytes, std::size_t depth)
    : next_(next), rowBytes_(rowBytes), depth_(depth > 0 ? depth : 1), slots_(rowBytes_ * depth_) {
    try {
        worker_ = std::thread(&RowRelay::work, this);
    } catch (const std::system_error&) {
        // Rows go on directly.
    }
}

RowRelay::~RowRelay() {
    finish();
    if (worker_.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
}

void RowRelay::push(const unsigned char* row) {
    if (!threaded()) {
        next_.push(row);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pushed_ - passed_ < depth_; });
    // The slot is the worker's no more (passed_ is past it) and not yet its again.
    const std::size_t slot = pushed_ % depth_;
    lock.unlock();
    std::memcpy(slots_.data() + slot * rowBytes_, row, rowBytes_);
    lock.lock();
    ++pushed_;
    lock.unlock();
    changed_.notify_all();
}

void RowRelay::finish() {
    if (!threaded())
        return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return passed_ == pushed_; });
}

void RowRelay::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || passed_ < pushed_; });
        if (passed_ == pushed_)
            return; // closing, and nothing left
        const std::size_t slot = passed_ % depth_;
        lock.unlock();
        next_.push(slots_.data() + slot * rowBytes_);
        lock.lock();
        ++passed_;
        changed_.notify_all();
    }
}

} // namespace libphoto::detail

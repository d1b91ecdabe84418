// RowRelay: rows handed from the decoder to the next stage on a thread of its own, so that
// on a machine with a core to spare a picture's decoding and its scaling overlap.
#pragma once

#include "road.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace libphoto::detail {

/// A RowSink that copies each row into a ring of `depth` slots and passes them on to `next`,
/// in order, from a worker thread. push waits only while every slot is full. Where no thread
/// can be started, rows go to `next` at once, on the caller's thread.
class RowRelay final : public RowSink {
public:
    /// Rows of `rowBytes` bytes each; `next` must outlive the relay.
    RowRelay(RowSink& next, std::size_t rowBytes, std::size_t depth);
    /// finish(), then the worker ends.
    ~RowRelay();
    RowRelay(const RowRelay&) = delete;
    RowRelay& operator=(const RowRelay&) = delete;

    void push(const unsigned char* row) override;
    /// Waits until every row pushed so far has reached `next`.
    void finish();
    /// Whether rows go through a worker thread.
    bool threaded() const { return worker_.joinable(); }

private:
    void work();

    RowSink& next_;
    const std::size_t rowBytes_, depth_;
    std::vector<unsigned char> slots_;
    std::size_t pushed_ = 0, passed_ = 0; // rows taken in, rows given on
    bool closing_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;
};

} // namespace libphoto::detail

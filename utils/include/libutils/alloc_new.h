// alloc_new: the allocator policy behind the reference-counted arrays. It hands out raw byte
// blocks with array new, can fill a new block straight from a file, and remembers the byte
// length of the block it last obtained.
#pragma once

#include <cstdint>

namespace libutils {

/// The allocator policy of the reference-counted arrays: raw byte blocks from array new,
/// optionally filled from a file, with the length and outcome of the last request kept.
class alloc_new {
public:
    /// Outcome of the last allocate or reallocate.
    enum class status {
        ok,
        no_memory,   ///< the block could not be obtained
        open_failed, ///< the file could not be opened or positioned
        short_read,  ///< the file ended (or failed) before the requested bytes were read
    };

    /// Obtains a block of `bytes` bytes (contents uninitialised). With a `path`, the block is
    /// filled with `bytes` bytes of that file starting at byte `offset`. Returns null, with
    /// the reason in lastStatus(), when memory is short or the file cannot be opened or read
    /// in full: a block is only ever handed out with every requested file byte in it.
    /// On success the byte length becomes `bytes`; on failure it is left alone.
    /// `hint` is accepted for callers' documentation and not used.
    void* allocate(std::uint32_t bytes, const char* path = nullptr, std::int32_t hint = 1,
                   std::int64_t offset = 0);

    /// Obtains a block of `bytes` bytes, copies the smaller of the recorded length and `bytes`
    /// from `old`, frees `old` and records `bytes`. On failure returns null and leaves `old`
    /// and the recorded length untouched (the caller still owns `old`). `extra` is not used.
    void* reallocate(void* old, std::uint32_t bytes, std::int64_t extra = 0);

    /// Frees a block obtained from this policy; null is accepted and ignored.
    void deallocate(void* block);

    /// Byte length of the block last obtained (0 before the first).
    std::uint32_t byteLength() const { return length_; }
    /// Why the last allocate or reallocate failed, or status::ok after one that succeeded.
    status lastStatus() const { return status_; }

private:
    std::uint32_t length_ = 0;
    status status_ = status::ok;
};

} // namespace libutils

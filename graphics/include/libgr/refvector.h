// Reference-counted arrays that let image bytes be shared instead of copied:
// refvector2 (storage shared by any number of arrays), ofsvector (a typed view at a byte
// offset into such storage) and refvector (count, length and elements in one block, copied
// on resize). Elements are plain data: never constructed or destroyed one by one.
// Reference counts are plain integers: single-threaded use only.
#pragma once

#include "libgr/refcount.h"
#include "libutils/alloc_new.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

namespace libgr {

/// The storage record shared by every refvector2/ofsvector attached to it, whatever their
/// element types. The allocator holds the data's length in bytes.
template <class A> struct refstorage {
    std::int32_t refs = 0;   ///< arrays attached
    std::uint32_t count = 0; ///< elements, in the type of the array that created/resized it
    A alloc;                 ///< the allocator that owns `data`
    void* data = nullptr;    ///< the elements
};

/// An array of T whose storage is shared by reference count among every array attached to it;
/// copies share, create() detaches, resize() changes the storage for all its sharers.
template <class T, class A = libutils::alloc_new> class refvector2 {
public:
    using value_type = T;     ///< element type
    using allocator_type = A; ///< allocator of the storage

    refvector2() = default;
    /// Copies share the storage (one more reference), exactly like assignment.
    refvector2(const refvector2& other) = default;
    /// Leaves its own storage (freed with its last sharer) and shares the other's.
    refvector2& operator=(const refvector2& other) = default;
    virtual ~refvector2() = default;

    /// True without storage or when the storage holds no elements.
    virtual bool empty() const { return !storage_ || storage_->count == 0; }
    /// Element count of the storage; 0 without storage.
    virtual std::uint32_t size() const { return storage_ ? storage_->count : 0; }
    /// First element; null without storage.
    virtual T* begin() { return storage_ ? static_cast<T*>(storage_->data) : nullptr; }
    virtual T* end() { return begin() + size(); } ///< past the last element
    /// First element; null without storage.
    virtual const T* begin() const {
        return storage_ ? static_cast<const T*>(storage_->data) : nullptr;
    }
    virtual const T* end() const { return begin() + size(); } ///< past the last element
    /// Unchecked element access.
    virtual T& operator[](std::size_t i) { return begin()[i]; }
    virtual const T& operator[](std::size_t i) const { return begin()[i]; } ///< unchecked
    virtual operator T*() { return begin(); }                               ///< begin()
    virtual operator const T*() const { return begin(); }                   ///< begin()

    /// Gives this array storage of its own for `count` elements; with a `path` the storage is
    /// filled with count × sizeof(T) bytes of that file from byte `offset`. With `keep`, the
    /// leading elements of the old storage are copied over. Other sharers of the old storage
    /// keep it unchanged. Returns false (and keeps the old storage) when memory is short, the
    /// byte count does not fit 32 bits, or the file cannot be read in full.
    virtual bool create(std::uint32_t count, const char* path = nullptr, std::int32_t hint = 1,
                        std::int64_t offset = 0, bool keep = false) {
        refstorage<A>* record = makeStorage(count, path, hint, offset);
        if (record == nullptr)
            return false;
        if (keep && storage_) {
            const std::uint32_t oldBytes = storage_->alloc.byteLength();
            const std::uint32_t newBytes = record->alloc.byteLength();
            const std::uint32_t bytes = oldBytes < newBytes ? oldBytes : newBytes;
            if (bytes != 0)
                std::memcpy(record->data, storage_->data, bytes);
        }
        storage_ = Storage(record); // other sharers keep the old storage
        return true;
    }

    /// Resizes the shared storage in place: every array attached to it sees the new data and
    /// length. Without storage, a non-zero count gives fresh storage. Returns false when
    /// memory is short or the byte count does not fit 32 bits; the storage is then unchanged.
    virtual bool resize(std::uint32_t count, std::int64_t extra = 0) {
        if (storage_) {
            std::uint32_t bytes = 0;
            if (!byteCount(count, bytes))
                return false;
            void* data = storage_->alloc.reallocate(storage_->data, bytes, extra);
            if (data == nullptr)
                return false;
            storage_->data = data;
            storage_->count = count;
            return true;
        }
        if (count == 0)
            return true;
        storage_ = Storage(makeStorage(count, nullptr, 1, 0));
        return bool(storage_);
    }

    /// Detaches: no storage afterwards.
    virtual void release() { storage_.reset(); }

    bool hasStorage() const { return bool(storage_); } ///< whether it is attached to storage
    /// Arrays attached to this array's storage (0 without storage).
    std::int32_t refCount() const { return storage_.useCount(); }
    /// Length of the storage's data in bytes (0 without storage).
    std::uint32_t byteLength() const { return storage_ ? storage_->alloc.byteLength() : 0; }
    /// Whether both arrays are attached to the same storage (false when neither has any).
    template <class U> bool sharesWith(const refvector2<U, A>& other) const {
        return storage_ && storage_.get() == other.storage_.get();
    }

protected:
    template <class U, class B> friend class refvector2;
    template <class U, class B> friend class ofsvector;

    /// Sets `bytes` to count × sizeof(T); false (bytes untouched) when that exceeds 32 bits.
    static bool byteCount(std::uint32_t count, std::uint32_t& bytes) {
        const std::uint64_t wide = static_cast<std::uint64_t>(count) * sizeof(T);
        if (wide > std::numeric_limits<std::uint32_t>::max())
            return false;
        bytes = static_cast<std::uint32_t>(wide);
        return true;
    }

    /// A new record holding one reference to `count` elements, read from `path` at `offset`
    /// when a path is given; null when the size does not fit, memory is short or the read fails.
    static refstorage<A>* makeStorage(std::uint32_t count, const char* path, std::int32_t hint,
                                      std::int64_t offset) {
        std::uint32_t bytes = 0;
        if (!byteCount(count, bytes))
            return nullptr;
        auto* record = new (std::nothrow) refstorage<A>;
        if (record == nullptr)
            return nullptr;
        record->data = record->alloc.allocate(bytes, path, hint, offset);
        if (record->data == nullptr) {
            delete record;
            return nullptr;
        }
        record->refs = 1;
        record->count = count;
        return record;
    }

    // Out of line so that compilers judging inlined copies of the release one by one do not
    // take a shared record's release by one holder for a use after free by the next.
    /// Frees a storage record and its data once its last reference goes.
    struct Free {
        /// Frees the data through the record's allocator, then the record.
        [[gnu::noinline]] static void destroy(refstorage<A>* record) {
            record->alloc.deallocate(record->data);
            delete record;
        }
    };
    using Storage = grRefHandle<refstorage<A>, &refstorage<A>::refs, Free>; ///< counted handle

    /// Attaches to `record` (one more reference), leaving the current storage.
    void share(refstorage<A>* record) { storage_.share(record); }

    Storage storage_; ///< the attached storage; empty when none
};

/// A view of T elements that starts `byteOffset()` bytes into a shared storage and shows at
/// most `limit()` elements (npos: to the end). Its length is measured in the storage's bytes,
/// so views of different element types can lie over one byte storage.
template <class T, class A = libutils::alloc_new> class ofsvector : public refvector2<T, A> {
    using base = refvector2<T, A>;

public:
    /// The element limit meaning "runs to the end of the storage".
    static constexpr std::uint32_t npos = 0xFFFFFFFFu;

    ofsvector() = default;
    /// Shares the source's storage and takes its byte offset and element limit.
    ofsvector(const ofsvector& other) : base(other), offset_(other.offset_), limit_(other.limit_) {}
    /// Shares the source's storage, then takes its byte offset and element limit.
    ofsvector& operator=(const ofsvector& other) {
        base::operator=(other);
        offset_ = other.offset_;
        limit_ = other.limit_;
        return *this;
    }

    /// Shares the storage of a byte array and places the view `offset` bytes from the start of
    /// that storage (lowered to the storage's length when it is shorter), showing at most
    /// `limit` elements.
    void attach(const refvector2<unsigned char, A>& source, std::uint32_t offset,
                std::uint32_t limit = npos) {
        this->share(source.storage_.get());
        const std::uint32_t length = this->byteLength();
        offset_ = offset < length ? offset : length;
        limit_ = limit;
    }

    bool empty() const override { return base::empty() || limit_ == 0; }

    std::uint32_t size() const override {
        if (!this->storage_)
            return 0;
        const std::uint64_t length = this->storage_->alloc.byteLength();
        // The storage may have shrunk under the view since it was placed.
        std::uint64_t available = offset_ < length ? length - offset_ : 0;
        if (limit_ != npos) {
            const std::uint64_t limited = static_cast<std::uint64_t>(limit_) * sizeof(T);
            if (limited < available)
                available = limited;
        }
        return static_cast<std::uint32_t>(available / sizeof(T));
    }

    T* begin() override {
        return this->storage_
                   ? reinterpret_cast<T*>(static_cast<unsigned char*>(this->storage_->data) +
                                          clampedOffset())
                   : nullptr;
    }
    T* end() override { return begin() + size(); } ///< past the last element shown
    /// First element shown; null without storage.
    const T* begin() const override {
        return this->storage_
                   ? reinterpret_cast<const T*>(
                         static_cast<const unsigned char*>(this->storage_->data) + clampedOffset())
                   : nullptr;
    }
    const T* end() const override { return begin() + size(); }   ///< past the last element shown
    T& operator[](std::size_t i) override { return begin()[i]; } ///< unchecked
    const T& operator[](std::size_t i) const override { return begin()[i]; } ///< unchecked
    operator T*() override { return begin(); }                               ///< begin()
    operator const T*() const override { return begin(); }                   ///< begin()

    /// As refvector2::create; the view then starts at the storage's beginning without a limit
    /// (also when create fails and the old storage stays).
    bool create(std::uint32_t count, const char* path = nullptr, std::int32_t hint = 1,
                std::int64_t offset = 0, bool keep = false) override {
        const bool ok = base::create(count, path, hint, offset, keep);
        offset_ = 0;
        limit_ = npos;
        return ok;
    }

    /// Drops the limit, then resizes the shared storage; the byte offset stays.
    bool resize(std::uint32_t count, std::int64_t extra = 0) override {
        limit_ = npos;
        return base::resize(count, extra);
    }

    void release() override {
        base::release();
        offset_ = 0;
        limit_ = npos;
    }

    /// Where the view starts, in bytes from the storage's start (as placed; begin() lowers
    /// it to the storage's current length).
    std::uint32_t byteOffset() const { return offset_; }
    std::uint32_t limit() const { return limit_; } ///< most elements shown; npos: no limit

private:
    std::uint32_t clampedOffset() const {
        const std::uint32_t length = this->storage_->alloc.byteLength();
        return offset_ < length ? offset_ : length;
    }

    std::uint32_t offset_ = 0;
    std::uint32_t limit_ = npos;
};

/// An array whose reference count, element count, allocator state and elements form one
/// block. Copies share the block; resize always gives this array a private copy.
template <class T, class A = libutils::alloc_new> class refvector {
public:
    using value_type = T;     ///< element type
    using allocator_type = A; ///< allocator of the block

    refvector() = default;
    refvector(const refvector& other) = default; ///< shares the other's block
    refvector& operator=(const refvector& other) { return assign(other); } ///< as assign()
    virtual ~refvector() = default;

    /// True without a block or when it holds no elements.
    virtual bool empty() const { return !block_ || block_->count == 0; }
    /// Element count; 0 without a block.
    virtual std::uint32_t size() const { return block_ ? block_->count : 0; }
    /// First element; null without a block.
    virtual T* begin() { return block_ ? elements(block_.get()) : nullptr; }
    virtual T* end() { return begin() + size(); } ///< past the last element
    /// First element; null without a block.
    virtual const T* begin() const { return block_ ? elements(block_.get()) : nullptr; }
    virtual const T* end() const { return begin() + size(); }   ///< past the last element
    virtual T& operator[](std::size_t i) { return begin()[i]; } ///< unchecked
    virtual const T& operator[](std::size_t i) const { return begin()[i]; } ///< unchecked
    virtual operator T*() { return begin(); }                               ///< begin()
    virtual operator const T*() const { return begin(); }                   ///< begin()

    /// Shares the other array's block.
    virtual refvector& assign(const refvector& other) {
        block_ = other.block_;
        return *this;
    }

    /// Count 0 detaches. Otherwise a new private block of `count` elements receives the
    /// leading old elements; sharers of the old block keep it unchanged. Returns false (this
    /// array unchanged) when memory is short or the size does not fit 32 bits.
    virtual bool resize(std::uint32_t count) {
        if (count == 0) {
            block_.reset();
            return true;
        }
        const std::uint64_t wide = headerSize + static_cast<std::uint64_t>(count) * sizeof(T);
        if (wide > std::numeric_limits<std::uint32_t>::max())
            return false;
        A alloc;
        void* raw = alloc.allocate(static_cast<std::uint32_t>(wide), nullptr, 1, 0);
        if (raw == nullptr)
            return false;
        header* fresh = new (raw) header{1, count, alloc};
        if (block_) {
            const std::uint32_t keep = block_->count < count ? block_->count : count;
            if (keep != 0)
                std::memcpy(elements(fresh), elements(block_.get()), keep * sizeof(T));
        }
        block_ = Block(fresh); // sharers keep the old block
        return true;
    }

    /// Detaches: no block afterwards (freed with its last sharer).
    virtual void release() { block_.reset(); }

    bool hasStorage() const { return bool(block_); } ///< whether it holds a block
    /// Arrays sharing this array's block (0 without a block).
    std::int32_t refCount() const { return block_.useCount(); }
    /// Whether both arrays share one block (false when neither has any).
    bool sharesWith(const refvector& other) const {
        return block_ && block_.get() == other.block_.get();
    }

private:
    struct header {
        std::int32_t refs;
        std::uint32_t count;
        A alloc; ///< holds the byte length of the whole block
    };
    // Elements follow the header directly, at the first offset aligned for T.
    static constexpr std::size_t headerSize =
        (sizeof(header) + alignof(T) - 1) / alignof(T) * alignof(T);

    static T* elements(header* h) {
        return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(h) + headerSize);
    }
    static const T* elements(const header* h) {
        return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(h) + headerSize);
    }

    // The block frees itself through the allocator in its own header.
    struct Free {
        static void destroy(header* block) {
            A alloc = block->alloc;
            block->~header();
            alloc.deallocate(block);
        }
    };
    using Block = grRefHandle<header, &header::refs, Free>;

    Block block_;
};

} // namespace libgr

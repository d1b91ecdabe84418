// grRefHandle: the one reference-count core of the library. Display-list and texture names,
// the storage of refvector2/ofsvector and the blocks of refvector are all held through it.
// Counts are plain integers: single-threaded use only.
#pragma once

#include <cstdint>
#include <utility>

namespace libgr {

/// A counted hold on a `Record` whose count is the member `Count`. Copies add a reference;
/// moves hand the hold over; the last holder to let go calls `Free::destroy(record)`.
/// Sharing a record that is already held (self-assignment included) changes nothing.
template <class Record, std::int32_t Record::*Count, class Free> class grRefHandle {
public:
    grRefHandle() = default;
    /// Adopts a fresh record whose count the caller has set to 1.
    explicit grRefHandle(Record* adopted) : record_(adopted) {}
    /// Copies hold the same record; moves hand the hold over and leave `other` empty.
    ///@{
    grRefHandle(const grRefHandle& other) { share(other.record_); }
    grRefHandle(grRefHandle&& other) noexcept : record_(std::exchange(other.record_, nullptr)) {}
    grRefHandle& operator=(const grRefHandle& other) {
        share(other.record_);
        return *this;
    }
    grRefHandle& operator=(grRefHandle&& other) noexcept {
        if (record_ != other.record_) {
            reset();
            record_ = std::exchange(other.record_, nullptr);
        }
        return *this;
    }
    ///@}
    ~grRefHandle() { reset(); }

    /// Holds `record` (one more reference) instead of the current one.
    void share(Record* record) {
        if (record == record_)
            return;
        reset();
        if (record != nullptr)
            ++(record->*Count);
        record_ = record;
    }
    /// Drops this hold; the last one frees the record. Nothing without a record.
    void reset() {
        if (record_ == nullptr)
            return;
        if (--(record_->*Count) == 0)
            Free::destroy(record_);
        record_ = nullptr;
    }

    /// The record held, or null.
    ///@{
    Record* get() const { return record_; }
    Record* operator->() const { return record_; }
    ///@}
    /// Whether a record is held.
    explicit operator bool() const { return record_ != nullptr; }
    /// Holders of the record (0 without one).
    std::int32_t useCount() const { return record_ ? record_->*Count : 0; }

private:
    Record* record_ = nullptr;
};

} // namespace libgr

// grSharedName: the one owner type for a reference-counted GL object name. Display lists and
// texture objects both hold their name through it; copies share one record, and the last
// holder to let go deletes the GL object (if one was generated) and frees the record.
#pragma once

#include <GL/gl.h>

#include <cstdint>

namespace libgr {

/// The shared record: how many handles refer to it, the GL name and whether the name is live.
struct grNameRecord {
    std::int32_t count = 0;
    GLuint name = 0;
    bool allocated = false;
};

/// A handle on a shared grNameRecord. `Deleter` is a type with a static
/// `void destroy(GLuint name)` that deletes one GL object of the handle's kind.
/// Default construction touches no GL and allocates nothing.
template <class Deleter> class grSharedName {
public:
    grSharedName() = default;
    grSharedName(const grSharedName& other) : record_(other.record_) {
        if (record_)
            ++record_->count;
    }
    grSharedName& operator=(const grSharedName& other) {
        if (record_ != other.record_) {
            release();
            record_ = other.record_;
            if (record_)
                ++record_->count;
        }
        return *this;
    }
    ~grSharedName() { release(); }

    /// Creates the record (count 1, name 0, not allocated) if there is none yet.
    grNameRecord& ensureRecord() {
        if (!record_) {
            record_ = new grNameRecord;
            record_->count = 1;
        }
        return *record_;
    }

    bool hasRecord() const { return record_ != nullptr; }
    bool allocated() const { return record_ && record_->allocated; }
    GLuint name() const { return record_ ? record_->name : 0; }
    std::int32_t useCount() const { return record_ ? record_->count : 0; }
    const grNameRecord* record() const { return record_; }

    /// Deletes the GL object if one is live; the record itself stays, so a later
    /// generation puts a fresh name into it.
    void deleteName() {
        if (record_ && record_->allocated) {
            Deleter::destroy(record_->name);
            record_->allocated = false;
        }
    }

    /// Drops this handle's reference; the last one deletes the GL object and the record.
    /// Does nothing on a handle without a record.
    void release() {
        if (!record_)
            return;
        if (--record_->count == 0) {
            deleteName();
            delete record_;
        }
        record_ = nullptr;
    }

private:
    grNameRecord* record_ = nullptr;
};

} // namespace libgr

// grSharedName: the one owner type for a reference-counted GL object name. Display lists and
// texture objects both hold their name through it; copies share one record, and the last
// holder to let go deletes the GL object (if one was generated) and frees the record.
#pragma once

#include "libgr/refcount.h"

#include <GL/gl.h>

#include <cstdint>

namespace libgr {

/// The shared record: how many handles refer to it, the GL name and whether the name is live.
struct grNameRecord {
    std::int32_t count = 0; ///< handles holding the record
    GLuint name = 0;        ///< the GL name; 0 before one is generated
    bool allocated = false; ///< whether `name` is a live GL object
};

/// A handle on a shared grNameRecord. `Deleter` is a type with a static
/// `void destroy(GLuint name)` that deletes one GL object of the handle's kind.
/// Default construction touches no GL and allocates nothing. Copies share the record, moves
/// hand it over; the last holder deletes the GL object (if one is live) and the record.
template <class Deleter> class grSharedName {
public:
    /// Creates the record (count 1, name 0, not allocated) if there is none yet.
    grNameRecord& ensureRecord() {
        if (!handle_) {
            auto* fresh = new grNameRecord;
            fresh->count = 1;
            handle_ = Handle(fresh);
        }
        return *handle_.get();
    }

    /// Whether the handle holds a record.
    bool hasRecord() const { return bool(handle_); }
    /// Whether the record's GL name is live (false without a record).
    bool allocated() const { return handle_ && handle_->allocated; }
    /// The record's GL name (0 without a record).
    GLuint name() const { return handle_ ? handle_->name : 0; }
    /// Handles holding the record (0 without one).
    std::int32_t useCount() const { return handle_.useCount(); }
    /// The record, or null.
    const grNameRecord* record() const { return handle_.get(); }

    /// Deletes the GL object if one is live; the record itself stays, so a later
    /// generation puts a fresh name into it.
    void deleteName() { deleteName(handle_.get()); }

    /// Drops this handle's reference; the last one deletes the GL object and the record.
    /// Does nothing on a handle without a record.
    void release() { handle_.reset(); }

private:
    static void deleteName(grNameRecord* record) {
        if (record && record->allocated) {
            Deleter::destroy(record->name);
            record->allocated = false;
        }
    }
    struct Free {
        static void destroy(grNameRecord* record) {
            deleteName(record);
            delete record;
        }
    };
    using Handle = grRefHandle<grNameRecord, &grNameRecord::count, Free>;
    Handle handle_;
};

} // namespace libgr

// grError: why something could not be read or shown, as a code a program can test and a short
// text a person can read. Carried by value: it holds its own text, so it stays valid however
// long it is kept and whichever thread it travels to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace libgr {

/// What went wrong, for a program to act on; the text says it for a person.
enum class grErrc : std::uint8_t {
    none = 0,      ///< no failure
    badArgument,   ///< a null path or buffer, a size that cannot be, a call out of order
    cannotOpen,    ///< no such file, no permission
    notRegular,    ///< a FIFO, a device, a folder: refused without reading
    cannotRead,    ///< the file could not be read in full
    fileTooLong,   ///< longer than the caller allows
    unknownKind,   ///< not a picture of a kind the reader takes
    unsupported,   ///< a variant of a known kind that is not taken
    tooManyPixels, ///< the picture claims more pixels than allowed
    sideTooLong,   ///< a side too long to stream within the memory budget
    overBudget,    ///< the decoder would need more memory than the budget allows
    tooManyScans,  ///< a progressive picture with more scans than allowed
    truncated,     ///< the data ends before the picture does
    corrupt,       ///< the data contradicts itself or its checksums
    outOfMemory,   ///< memory was short
    driver,        ///< the graphics driver did not take the picture
};

/// A failure (or its absence) by value: a code and up to kTextBytes - 1 bytes of text.
class grError {
public:
    static constexpr std::size_t kTextBytes = 112; ///< room for the text and its terminator

    /// No failure: code none, text "".
    grError() = default;
    /// `code` with `text` (copied, cut to fit; null reads as "").
    grError(grErrc code, const char* text) : code_(code) { append(text); }
    /// `code` with "`what`: `detail`" (both copied, cut to fit).
    grError(grErrc code, const char* what, const char* detail) : code_(code) {
        append(what);
        append(": ");
        append(detail != nullptr && *detail != '\0' ? detail : "unknown");
    }

    grErrc code() const { return code_; }                            ///< what went wrong
    const char* text() const { return text_; }                       ///< the reason, "" for none
    explicit operator bool() const { return code_ != grErrc::none; } ///< whether it failed

private:
    void append(const char* s) {
        if (s == nullptr)
            return;
        std::size_t at = std::strlen(text_);
        while (*s != '\0' && at + 1 < kTextBytes)
            text_[at++] = *s++;
        text_[at] = '\0';
    }

    grErrc code_ = grErrc::none;
    char text_[kTextBytes] = {};
};

} // namespace libgr

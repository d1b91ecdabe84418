// The few operating-system services the libraries and the program need, behind one small
// interface: a wrapping millisecond clock, a file-status query with a 64-bit size, a
// non-blocking open of regular files, the creation of files that must not replace anything,
// a hint for large buffers and big-endian to host conversion. One source per system
// implements it (platform_posix.cpp, platform_win32.cpp), chosen by the build, beside what
// every system shares (platform.cpp). The GL side
// (entry-point lookup, swap control) lives with the extension probes in libgr.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace libutils {

/// Milliseconds from an arbitrary epoch as an unsigned 32-bit count that wraps
/// (about every 49.7 days). Only differences and whole seconds are meaningful.
std::uint32_t timeGetTime();

/// What fileStatus reports about a file.
struct FileStatus {
    std::uint64_t size = 0; ///< length in bytes
    bool regular = false;   ///< a plain file, not a directory, FIFO, socket or device
};

/// Queries the status of the file at `path`. Returns false (and leaves `out` alone)
/// when the status cannot be obtained, as for a missing file or a bad path.
bool fileStatus(const char* path, FileStatus& out);

/// Why openRegularFile refused a path.
enum class OpenRefusal {
    cannotOpen, ///< missing, not permitted, or the open failed
    notRegular, ///< a FIFO, a device, a directory: never opened, or closed at once
};

/// Opens the file at `path` for reading, in binary mode, only if it is a regular file, and
/// never waits doing so: a FIFO without a writer, a device or a directory is refused at once.
/// Returns null (and leaves `out` alone) on failure, with `reason` set to "not a regular
/// file" or "cannot open the file" and `*refusal` (when given) to the matching code;
/// otherwise the open stream, with `out` describing the file actually opened (not whatever
/// the path names by the time the caller looks again).
std::FILE* openRegularFile(const char* path, FileStatus& out, const char*& reason,
                           OpenRefusal* refusal = nullptr);

/// Creates the file at `path` for writing in binary mode. With `exclusive` nothing that is
/// already there is ever replaced or written through, not even a link that leads nowhere;
/// without it an existing file is truncated. Never waits doing so: a FIFO nobody reads is
/// refused rather than waited for. Returns null on failure with `error` set to an errno
/// value (for std::strerror).
std::FILE* createFile(const char* path, bool exclusive, int& error);

/// Whether anything at all (a file, a folder, a link, even one leading nowhere) holds the
/// name `path`.
bool nameTaken(const char* path);

/// The folder that holds the running program, without a trailing separator; empty when the
/// system cannot say.
std::string executableFolder();

/// Advice that a large buffer about to be filled would be better served by large memory
/// pages; does nothing where the system offers no such advice or the buffer is small.
void adviseLargePages(void* block, std::size_t bytes);

/// Big-endian (network order) to host order.
///@{
std::uint16_t netToHost16(std::uint16_t v);
std::uint32_t netToHost32(std::uint32_t v);
///@}

} // namespace libutils

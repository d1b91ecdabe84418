// The few operating-system services the libraries need, behind one small interface:
// a wrapping millisecond clock, a file-status query with a 64-bit size, a non-blocking open
// of regular files and big-endian to host conversion. The GL entry-point lookup lives with the
// extension probes in libgr.
#pragma once

#include <cstdint>
#include <cstdio>

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

/// Opens the file at `path` for reading, in binary mode, only if it is a regular file, and
/// never waits doing so: a FIFO without a writer, a device or a directory is refused at once.
/// Returns null (and leaves `out` alone) on failure, with `reason` set to "not a regular
/// file" or "cannot open the file"; otherwise the open stream, with `out` describing the
/// file actually opened (not whatever the path names by the time the caller looks again).
std::FILE* openRegularFile(const char* path, FileStatus& out, const char*& reason);

/// Big-endian (network order) to host order.
///@{
std::uint16_t netToHost16(std::uint16_t v);
std::uint32_t netToHost32(std::uint32_t v);
///@}

} // namespace libutils

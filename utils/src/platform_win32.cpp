#include "libutils/platform.h"

#include "open_checked.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace libutils {

namespace {

// The errno value that std::strerror words best for a failed CreateFile.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_PIPE_BUSY:
    case ERROR_PIPE_NOT_CONNECTED:
        return ENXIO;
    default:
        return EIO;
    }
}

// Hands a file handle over to a C stream; the handle is closed on failure.
std::FILE* streamOf(HANDLE handle, int openFlags, const char* mode) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), openFlags);
    if (fd == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* const file = _fdopen(fd, mode);
    if (file == nullptr)
        _close(fd);
    return file;
}

} // namespace

std::uint32_t timeGetTime() {
    // The performance counter, not the multimedia timer of that name: that one ticks every
    // 5 to 16 ms unless the whole system's timer is sped up, which would make the
    // animation's steps uneven. Milliseconds since start-up, truncated to wrap at 32 bits.
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const auto ticks = static_cast<std::uint64_t>(count.QuadPart);
    const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
    const std::uint64_t ms = ticks / perSecond * 1000u + ticks % perSecond * 1000u / perSecond;
    return static_cast<std::uint32_t>(ms);
}

bool fileStatus(const char* path, FileStatus& out) {
    if (path == nullptr)
        return false;
    struct _stat64 st {};
    if (_stat64(path, &st) != 0)
        return false;
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.regular = (st.st_mode & _S_IFMT) == _S_IFREG;
    return true;
}

std::FILE* detail::openChecked(const char* path, FileStatus& out, OpenRefusal& why) {
    const auto refuse = [&why](OpenRefusal given) -> std::FILE* {
        why = given;
        return nullptr;
    };
    const HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return refuse(OpenRefusal::cannotOpen);
    // A disk file, not a pipe, console or other device, and no folder either.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(handle);
        return refuse(OpenRefusal::notRegular);
    }
    std::FILE* const file = streamOf(handle, _O_RDONLY | _O_BINARY, "rb");
    if (file == nullptr)
        return refuse(OpenRefusal::cannotOpen);
    out.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    out.regular = true;
    return file;
}

std::FILE* createFile(const char* path, bool exclusive, int& error) {
    // CREATE_NEW fails for anything already there, a link included; a pipe nobody serves
    // fails at once instead of waiting.
    const HANDLE handle =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    exclusive ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = errnoOf(GetLastError());
        return nullptr;
    }
    std::FILE* const file = streamOf(handle, _O_WRONLY | _O_BINARY, "wb");
    if (file == nullptr)
        error = EIO;
    return file;
}

bool nameTaken(const char* path) {
    // Attributes of the name itself: a link is not followed.
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

std::string executableFolder() {
    char path[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return "";
    const std::string exe(path, n);
    return exe.substr(0, exe.find_last_of("\\/"));
}

void adviseLargePages(void*, std::size_t) {
    // Large pages need a privilege that ordinary programs lack: nothing to advise.
}

// Windows runs little-endian on every processor it supports.
std::uint16_t netToHost16(std::uint16_t v) {
    return _byteswap_ushort(v);
}
std::uint32_t netToHost32(std::uint32_t v) {
    return _byteswap_ulong(v);
}

} // namespace libutils

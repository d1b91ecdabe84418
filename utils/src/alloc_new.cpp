#include "libutils/alloc_new.h"

#include "libutils/platform.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace libutils {

namespace {

// Reads exactly `bytes` bytes of `path` from `offset` into `block`. Unbuffered: the
// library reads large requests straight into the block, without an intermediate copy.
alloc_new::status readFile(const char* path, std::int64_t offset, unsigned char* block,
                           std::uint32_t bytes) {
    if (offset < 0 || offset > std::numeric_limits<long>::max())
        return alloc_new::status::open_failed;
    // Only a regular file: a FIFO or a device could block the read for ever.
    FileStatus st;
    const char* reason = nullptr;
    std::FILE* file = openRegularFile(path, st, reason);
    if (file == nullptr)
        return alloc_new::status::open_failed;
    std::setvbuf(file, nullptr, _IONBF, 0);
    alloc_new::status result = alloc_new::status::ok;
    if (offset != 0 && std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        result = alloc_new::status::open_failed;
    else if (bytes != 0 && std::fread(block, 1, bytes, file) != bytes)
        result = alloc_new::status::short_read;
    std::fclose(file);
    return result;
}

} // namespace

void* alloc_new::allocate(std::uint32_t bytes, const char* path, std::int32_t /*hint*/,
                          std::int64_t offset) {
    unsigned char* block = new (std::nothrow) unsigned char[bytes];
    if (block == nullptr) {
        status_ = status::no_memory;
        return nullptr;
    }
    if (path != nullptr) {
        const status read = readFile(path, offset, block, bytes);
        if (read != status::ok) {
            delete[] block;
            status_ = read;
            return nullptr;
        }
    }
    length_ = bytes;
    status_ = status::ok;
    return block;
}

void* alloc_new::reallocate(void* old, std::uint32_t bytes, std::int64_t /*extra*/) {
    unsigned char* block = new (std::nothrow) unsigned char[bytes];
    if (block == nullptr) {
        status_ = status::no_memory;
        return nullptr;
    }
    if (old != nullptr) {
        const std::uint32_t keep = length_ < bytes ? length_ : bytes;
        if (keep != 0)
            std::memcpy(block, old, keep);
        delete[] static_cast<unsigned char*>(old);
    }
    length_ = bytes;
    status_ = status::ok;
    return block;
}

void alloc_new::deallocate(void* block) {
    delete[] static_cast<unsigned char*>(block);
}

} // namespace libutils

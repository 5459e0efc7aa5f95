#include "reading/mapped_file.hpp"

#include <cstdint>
#include <limits>
#include <utility>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define READDATA14_HAVE_MMAP 1
#endif

namespace readdata14 {

MappedFile::~MappedFile() {
    if (data_ == nullptr) return;
#ifdef _WIN32
    UnmapViewOfFile(data_);
    CloseHandle(static_cast<HANDLE>(mapping_));
#elif defined(READDATA14_HAVE_MMAP)
    munmap(data_, size_);
#endif
}

void MappedFile::Swap(MappedFile& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(mapping_, other.mapping_);
    std::swap(writable_, other.writable_);
}

MappedFile MappedFile::Map(std::FILE* file, std::uint64_t size) noexcept {
    MappedFile mapped;
    if (file == nullptr || size == 0 || size > std::numeric_limits<std::size_t>::max()) return mapped;
    const auto bytes = static_cast<std::size_t>(size);
#ifdef _WIN32
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE) return mapped;
    // Copy on write from the start: a view of such a mapping is writable
    // without changing the file.
    HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_WRITECOPY, static_cast<DWORD>(size >> 32),
                                        static_cast<DWORD>(size & 0xFFFFFFFFu), nullptr);
    if (mapping == nullptr) return mapped;
    void* view = MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, bytes);
    if (view == nullptr) {
        CloseHandle(mapping);
        return mapped;
    }
    mapped.data_ = static_cast<char*>(view);
    mapped.mapping_ = mapping;
    mapped.writable_ = true;
#elif defined(READDATA14_HAVE_MMAP)
    // Read only at first: asking for a writable private mapping up front
    // would let the system copy pages that are only read.
    void* view = mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fileno(file), 0);
    if (view == MAP_FAILED) return mapped;
    mapped.data_ = static_cast<char*>(view);
#else
    (void)bytes;
    return mapped;
#endif
    mapped.size_ = bytes;
    return mapped;
}

bool MappedFile::MakeWritable() noexcept {
    if (writable_ || data_ == nullptr) return writable_;
#if defined(READDATA14_HAVE_MMAP) && !defined(_WIN32)
    writable_ = mprotect(data_, size_, PROT_READ | PROT_WRITE) == 0;
#endif
    return writable_;
}

}  // namespace readdata14

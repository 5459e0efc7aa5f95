// A regular file's bytes mapped into memory instead of copied: the system
// hands the page cache's own pages to the reading, so a large chart is not
// copied once more before it is read. Copy on write: text mode may change
// the mapped bytes in place, and the file on disk never sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace readdata14 {

class MappedFile {
public:
    MappedFile() noexcept = default;
    MappedFile(MappedFile&& other) noexcept { Swap(other); }
    MappedFile& operator=(MappedFile&& other) noexcept {
        MappedFile(std::move(other)).Swap(*this);
        return *this;
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // The first `size` bytes of an open regular file, read only until
    // MakeWritable. Unmapped (false) when the system refuses, when the size
    // does not fit the address space (a 32-bit process), or on a platform
    // without mappings: the caller then reads the file as a stream.
    static MappedFile Map(std::FILE* file, std::uint64_t size) noexcept;

    explicit operator bool() const noexcept { return data_ != nullptr; }
    char* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

    // Writes go to private copies of the pages they touch. False when the
    // system refuses: the bytes are then to be copied before they change.
    bool MakeWritable() noexcept;

private:
    void Swap(MappedFile& other) noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;  // Windows: the file mapping object
    bool writable_ = false;
};

}  // namespace readdata14

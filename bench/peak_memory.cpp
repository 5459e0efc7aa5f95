#include "peak_memory.hpp"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "library_read.hpp"

namespace readdata14::bench {
namespace {

std::size_t PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;  // Linux counts KiB
}

// Heap in use, small chunks and mmapped ones alike.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

[[noreturn]] void MeasureInChild(const char* path, int fd) {
    ReadMemory memory;
    memory.baselineBytes = PeakResidentBytes();
    const std::size_t heapBefore = HeapInUse();
    {
        const LibraryRead read(path);
        memory.peakBytes = PeakResidentBytes();
        memory.blockBytes = HeapInUse() - heapBefore;
        memory.elements = read.Elements();
        if (!read.Read()) memory.peakBytes = 0;
    }
    const bool written = WriteAll(fd, &memory, sizeof memory);
    std::_Exit(written ? 0 : 1);
}

}  // namespace

std::optional<ReadMemory> MeasureRead(const char* path) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(fds[0]);
        MeasureInChild(path, fds[1]);
    }
    ::close(fds[1]);
    ReadMemory memory;
    const bool got = ::read(fds[0], &memory, sizeof memory) == static_cast<ssize_t>(sizeof memory);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || memory.peakBytes == 0) return std::nullopt;
    return memory;
}

std::size_t CountElements(const char* path) {
    const LibraryRead read(path);
    return read.Elements();
}

}  // namespace readdata14::bench

// One read through the library's C API, released when it goes out of scope:
// what the benchmarks time and measure.
#pragma once

#include <cstddef>

#include "readdata14/readdata14.h"

namespace readdata14::bench {

class LibraryRead {
public:
    explicit LibraryRead(const char* path) noexcept { status_ = readdata14_read(path, &chart_, nullptr, nullptr); }
    ~LibraryRead() { readdata14_release(&chart_); }
    LibraryRead(const LibraryRead&) = delete;
    LibraryRead& operator=(const LibraryRead&) = delete;

    bool Read() const noexcept { return status_ == READDATA14_READ; }
    const readdata14_chart& Chart() const noexcept { return chart_; }

    // The records of every section.
    std::size_t Elements() const noexcept {
        return Records(chart_.lines) + Records(chart_.lineSymbols) + Records(chart_.closedContours) +
               Records(chart_.symbols.values) + Records(chart_.weatherRegions) + Records(chart_.fillAreas) +
               Records(chart_.notes.values);
    }

private:
    static std::size_t Records(const float* block) noexcept {
        return block != nullptr && block[0] > 0 ? static_cast<std::size_t>(block[0]) : 0;
    }
    readdata14_chart chart_;
    readdata14_status status_;
};

}  // namespace readdata14::bench

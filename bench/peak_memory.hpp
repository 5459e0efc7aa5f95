// Peak resident memory of one whole read, measured in a child process of its
// own so that reads of earlier (larger) files do not hide it.
#pragma once

#include <cstddef>
#include <optional>

namespace readdata14::bench {

struct ReadMemory {
    std::size_t baselineBytes = 0;  // the child's peak resident set before the read
    std::size_t peakBytes = 0;      // ... and after it
    std::size_t blockBytes = 0;     // heap the returned blocks hold
    std::size_t elements = 0;       // records in all returned blocks
};

// Nothing when the child could not run or the read failed.
std::optional<ReadMemory> MeasureRead(const char* path);

// Records in all blocks of one read (element 0 of each block); 0 when the read
// failed. Also the way the benchmarks count elements.
std::size_t CountElements(const char* path);

}  // namespace readdata14::bench

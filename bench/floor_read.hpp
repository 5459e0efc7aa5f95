// The floor: what this work costs at the least on this machine. The file is
// read into memory in one piece and every token converted with
// std::from_chars (integers as int, everything else as float; tokens that are
// not numbers are passed over), and nothing else is done.
#pragma once

#include <cstddef>

namespace readdata14::bench {

struct FloorTally {
    std::size_t numbers = 0;
    std::size_t skipped = 0;  // tokens that are not numbers
    double checksum = 0.0;
};

// False when the file cannot be read.
bool ReadFloor(const char* path, FloorTally& tally);

}  // namespace readdata14::bench

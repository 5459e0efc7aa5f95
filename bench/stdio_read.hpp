// The baseline a literal implementation sets: the chart read section by
// section with one fscanf call per format the file layout is described with
// ("%s %d ", "%f %f %f ", a line read for note texts). Values are only
// gathered, not assembled into blocks, so the figure is what the formatted
// reads alone cost.
#pragma once

#include <cstddef>

namespace readdata14::bench {

struct StdioTally {
    std::size_t numbers = 0;   // ints and floats converted
    std::size_t tokens = 0;    // texts read with "%s" or a line read
    double checksum = 0.0;     // keeps the conversions from being optimised away
};

// False when the file cannot be opened or its header is not type 14.
bool ReadWithStdio(const char* path, StdioTally& tally);

}  // namespace readdata14::bench

// Whether the first bytes of a file begin a type-14 chart: the rule GIS
// drivers claim files by, written once so that it cannot drift from what
// the reader reads.
#pragma once

#include <string>
#include <string_view>

namespace readdata14 {

enum class Identity { Chart, NotChart, NeedsMore };

// A chart is a file that the reader reads (a header of three tokens with 14
// in the middle) and that holds a section tag after its header: the tag is
// what tells a chart from a whitespace table whose second column is 14.
// `wholeFile`: `bytes` is the whole file. `reason` receives why not.
Identity Identify(std::string_view bytes, bool wholeFile, std::string& reason);

}  // namespace readdata14

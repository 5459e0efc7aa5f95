// The read driver: the header, then every section reader in file order on
// one scanner, each result routed to its place. The C export is a thin shell
// over it; C++ callers (tools, tests) may use it directly with a sink.
#pragma once

#include <memory>
#include <string_view>

#include "driver/blocks.hpp"
#include "driver/diagnostics.hpp"

namespace readdata14 {

struct ChartData {
    FloatBlock lines;  // null when the LINES tag was not where it is due
    std::unique_ptr<char[]> description;
    FloatBlock lineSymbols;
    FloatBlock closedContours;
    TextBlock symbols;
    FloatBlock weatherRegions;
    bool fillAreasRead = false;  // false: the file has no STATION_SITUATION marker
    FloatBlock fillAreas;
    TextBlock notes;
};

enum class ChartStatus {
    Read,        // the header named type 14; every output is set
    CannotOpen,  // the file could not be opened; nothing is set
    NotType14,   // the header is not three tokens with 14 in the middle; nothing is set
};

// Reads a chart from text already in text mode (see ApplyTextMode).
ChartStatus ReadChart(std::string_view text, ChartData& chart, DiagnosticSink* sink = nullptr);

// Loads the file, applies text mode and reads it.
ChartStatus ReadChartFile(const char* path, ChartData& chart, DiagnosticSink* sink = nullptr);

}  // namespace readdata14

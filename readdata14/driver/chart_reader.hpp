// The read driver: the header, then every section reader in file order on
// one scanner, each result routed to its place. The C exports are thin shells
// over it; tests may use it directly with a sink.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/findings.hpp"
#include "reading/blocks.hpp"
#include "reading/diagnostics.hpp"

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

// Where the bytes of a chart come from.
struct ChartSource {
    const char* path = nullptr;          // a file to load, or
    std::string_view bytes;              // the file's bytes, when path is null
};

// What ReadChartSource came to beyond the chart itself.
struct ChartReadResult {
    ChartStatus status = ChartStatus::CannotOpen;
    int systemError = 0;                 // CannotOpen: the C runtime's errno
    std::vector<PlacedFinding> findings; // only when asked for
};

// Loads the file (or copies the bytes), applies text mode and reads it; with
// `withFindings`, collects the findings, placed in the file.
ChartReadResult ReadChartSource(const ChartSource& source, ChartData& chart, bool withFindings);

// Loads the file, applies text mode and reads it, silently.
ChartStatus ReadChartFile(const char* path, ChartData& chart);

}  // namespace readdata14

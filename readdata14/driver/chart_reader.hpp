// The read driver: the header, then every section reader in file order on
// one scanner, each result routed to its place. The C exports are thin shells
// over it; tests may use it directly with a sink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/findings.hpp"
#include "reading/blocks.hpp"
#include "reading/diagnostics.hpp"
#include "reading/prepared_numbers.hpp"
#include "reading/text_input.hpp"

namespace readdata14 {

// The sections in file order; bit (1 << section) of ChartData::sectionsPresent.
enum class Section : std::uint8_t { Lines, LineSymbols, Symbols, ClosedContours, WeatherRegions, FillAreas, Notes };
inline constexpr std::size_t SECTION_COUNT = 7;

inline constexpr std::size_t HEADER_INTEGERS = 5;

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

    // The header's own fields, which the original export reads and drops.
    std::unique_ptr<char[]> firstToken;
    std::size_t firstTokenSize = 0;
    std::size_t descriptionSize = 0;
    std::array<std::int32_t, HEADER_INTEGERS> headerIntegers{};
    // The line of integers ends at the first token that is not one: those
    // before it stood in the file.
    std::size_t headerIntegerCount = 0;
    // Bit (1 << Section): the section's tag stood where it was due, whatever
    // its count. Weather regions: the WEATHER_REGION: tag after the marker.
    std::uint32_t sectionsPresent = 0;
    // Per closed-contour record, where its contour stood in the file.
    std::vector<std::uint32_t> contourFilePositions;
};

enum class ChartStatus {
    Read,        // the header named type 14; every output is set
    CannotOpen,  // the file could not be opened; nothing is set
    NotType14,   // the header is not three tokens with 14 in the middle; nothing is set
    TooLarge,    // more bytes than the read allows; nothing is set
    Stopped,     // the findings' listener ended the read: what was read is set
};

// Reads a chart from text already in text mode (see ApplyTextMode); with
// `headerOnly`, the header and its integers and nothing after them.
// With `prepared.threads` above 1 and a text of at least its minBytes, the
// numbers are converted ahead on other threads; the result is the same.
ChartStatus ReadChart(std::string_view text, ChartData& chart, DiagnosticSink* sink = nullptr,
                      bool headerOnly = false, const PreparedRead& prepared = {});

// Whether the first bytes of a file already decide its header. Undecided
// while a header token may still go on past the bytes at hand.
enum class HeaderVerdict { Undecided, NotType14, Type14 };
HeaderVerdict JudgeHeader(std::string_view firstBytes, bool wholeFile);

// Where the bytes of a chart come from.
struct ChartSource {
    const char* path = nullptr;          // a file to load, or
    std::string_view bytes;              // the file's bytes, when path is null
    bool utf8Path = false;               // Windows: the path is UTF-8, not the ANSI code page
};

// How to read: the bound on the input, header only, and the findings.
struct ReadOptions {
    std::uint64_t maxInputSize = UINT64_MAX;
    bool headerOnly = false;
    // Each finding as it is settled (see FindingStream); false stops the read.
    FindingStream::Delivery onFinding;
    std::uint64_t findingLimit = UINT64_MAX;
    // Count errors and warnings even without onFinding.
    bool countFindings = false;
    // Threads for a large chart (see ReadChart).
    PreparedRead prepared;
    // A file of at least this many bytes is mapped, not copied (see
    // LoadLimits::mapFrom); the chart read is the same either way.
    std::uint64_t mapFrom = LoadLimits{}.mapFrom;
};

// What ReadChartSource came to beyond the chart itself.
struct ChartReadResult {
    ChartStatus status = ChartStatus::CannotOpen;
    int systemError = 0;  // CannotOpen: the C runtime's errno
    std::uint64_t errors = 0;
    std::uint64_t warnings = 0;
    std::uint64_t inputSize = 0;  // the bytes read, before text mode
};

// Loads the file (or copies the bytes), applies text mode and reads it.
ChartReadResult ReadChartSource(const ChartSource& source, ChartData& chart, const ReadOptions& options);

// Loads the file, applies text mode and reads it, silently and unbounded, as
// the original export always has.
ChartStatus ReadChartFile(const char* path, ChartData& chart);

}  // namespace readdata14

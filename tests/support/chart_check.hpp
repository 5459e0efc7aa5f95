// Checks everything one read handed back, through the in-memory driver or the
// C export alike: every block walks by its own slots to exactly its end, the
// text blocks' lengths agree with their text, and the outputs that are never
// null are there. Used by the unit tests and by the fuzz target, so it stays
// free of any test framework.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "driver/chart_reader.hpp"
#include "readdata14/readdata14.h"

namespace readdata14::test {

// What the C API says a block, its lengths and its text hold: checked as
// exact ends in every build, not only where the allocator can be asked.
struct Reported {
    std::size_t floats = 0;
    std::size_t slots = 0;
    std::size_t textBytes = 0;
};

struct TextView {
    const float* values = nullptr;
    const std::int32_t* lengths = nullptr;
    const char* text = nullptr;
    std::optional<Reported> reported;
};

// The outputs of one read as plain pointers; `description` is null when the
// read wrote nothing (the file did not open or is not type 14).
struct ChartView {
    const float* lines = nullptr;
    const char* description = nullptr;
    const float* lineSymbols = nullptr;
    const float* closedContours = nullptr;
    TextView symbols;
    const float* weatherRegions = nullptr;
    bool fillAreasRead = false;
    const float* fillAreas = nullptr;
    TextView notes;
    // The floats in each block, when the read reported them (the C API does).
    struct Sizes {
        std::size_t lines, lineSymbols, closedContours, weatherRegions, fillAreas;
    };
    std::optional<Sizes> sizes;
};

ChartView ViewOf(const ChartData& chart);

// What one ReadZenparData14 call handed back. `fillAreas` starts null, as the
// header asks, so that it can always be given to the release.
struct ExportedChart {
    float* lines = nullptr;
    char* description = nullptr;
    float* lineSymbols = nullptr;
    float* closedContours = nullptr;
    FloatTextBlock symbols{nullptr, nullptr, nullptr};
    float* weatherRegions = nullptr;
    float* fillAreas = nullptr;
    FloatTextBlock notes{nullptr, nullptr, nullptr};
};

ExportedChart ReadExported(const char* path);
// ReleaseZenparData14 on everything, leaving the record all null.
void ReleaseExported(ExportedChart& chart);
ChartView ViewOf(const ExportedChart& chart);
// A readdata14_read result, with the sizes it reports.
ChartView ViewOf(const readdata14_chart& chart);

// Empty when every output is sound; otherwise what is wrong, for a message.
std::string CheckChart(const ChartView& chart);

// Empty when both reads handed back the same outputs, float for float (bit
// patterns, so NaNs compare too) and byte for byte.
std::string CompareCharts(const ChartView& a, const ChartView& b);

// The size of a heap allocation in bytes where the build can tell (under
// AddressSanitizer); nothing elsewhere, and the exact-end checks are skipped.
std::optional<std::size_t> AllocatedBytes(const void* p);

}  // namespace readdata14::test

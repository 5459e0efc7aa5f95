// Synthetic type-14 surface-analysis charts of our own: highs and lows as
// nested isobars, fronts, centre symbols and winds, weather regions, fill
// areas and notes, all drawn from one seed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "readdata14/readdata14_write.h"

namespace readdata14::make_chart {

// How many elements each section gets.
struct SectionCounts {
    int lines = 6;
    int lineSymbols = 5;
    int symbols = 30;
    int contours = 22;
    int weatherRegions = 3;
    int fillAreas = 2;
    int notes = 2;
};

struct ChartPlan {
    std::uint64_t seed = 1;
    SectionCounts counts;
    int points = 64;  // points of a line or isobar; long fronts and regions get more
    std::string description = "Synthetic_surface_analysis";
};

struct DocumentCloser {
    void operator()(readdata14_document* document) const { readdata14_close(document); }
};
using DocumentPtr = std::unique_ptr<readdata14_document, DocumentCloser>;

// The whole chart, built element by element through the library's builder
// and finished: the document a reader of its file gets. The same plan gives
// the same chart on one platform (the shapes go through the C library's sin
// and cos, which may differ in the last bit between platforms). Throws
// std::bad_alloc, or std::runtime_error should the builder refuse an element.
DocumentPtr MakeChart(const ChartPlan& plan);

// The chart as the library's writer writes it (LF line ends), for tests and
// for sizing.
std::string ChartText(const ChartPlan& plan);

// Counts scaled from `plan.counts` so that the chart comes to about `bytes`.
SectionCounts CountsForSize(const ChartPlan& plan, std::uint64_t bytes);

}  // namespace readdata14::make_chart

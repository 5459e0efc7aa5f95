// One writer per section: each writes its tag, its count and its elements
// from the section's block, so that the section's reader gives the block
// back. False when the block holds something no file gives (the problem is
// in `out`).
#pragma once

#include <cstdint>
#include <span>

#include "writing/chart_input.hpp"
#include "writing/chart_out.hpp"

namespace readdata14::writing {

bool WriteLines(BlockView block, ChartOut& out);
bool WriteLineSymbols(BlockView block, ChartOut& out);
bool WriteSymbols(const TextBlockView& block, ChartOut& out);
// In file order: `positions[i]` is where record i stood (empty: block order).
bool WriteClosedContours(BlockView block, std::span<const std::uint32_t> positions, ChartOut& out);
// The marker, the tag and the regions.
bool WriteWeatherRegions(BlockView block, ChartOut& out);
bool WriteFillAreas(BlockView block, ChartOut& out);
bool WriteNotes(const TextBlockView& block, ChartOut& out);

}  // namespace readdata14::writing

// One writer per section: each writes its tag, its count and its elements
// from the section's block, so that the section's reader gives the block
// back. False when the block holds something no file gives (the problem is
// in `out`).
#pragma once

#include <cstdint>
#include <optional>
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

// A symbol record [1, type, x, y, direction] whose angle was missing where
// its section stopped: it keeps the direction 0, which no angle gives.
bool LostItsAngle(std::span<const float> record);
// Whether a symbols' lengths slot goes with `record`, the next record not
// yet taken (none when every record is taken): a zero slot belongs to the
// next record when that one has no text, otherwise to a dropped symbol; a
// symbol that lost its angle ended its section, so it takes the last slot.
bool SlotTakesRecord(std::optional<std::span<const float>> record, std::int32_t slot, bool lastSlot);

}  // namespace readdata14::writing

// One reader per section. Each takes the scanner where the previous reader
// left it and leaves it after its own section (or where it gave up).
#pragma once

#include <cstdint>

#include "reading/blocks.hpp"
#include "reading/scanner.hpp"

namespace readdata14 {

// "LINES:" — labelled lines, every point kept. Null when the tag is wrong.
FloatBlock ReadLines(Scanner& in);

// "LINES_SYMBOL:" — coded point lists, long ones thinned. Null when the tag is wrong.
FloatBlock ReadLineSymbols(Scanner& in);

// "SYMBOLS:" — point symbols with a direction or a text. Untouched (all null)
// when the tag is wrong or the count is 0.
TextBlock ReadSymbols(Scanner& in);

// "STATION_SITUATION" … "WEATHER_REGION:" — never null. `status` becomes
// NO_STATION_SITUATION when the marker or the tag after it is missing.
FloatBlock ReadWeatherRegions(Scanner& in, std::int32_t& status);

// "FILLAREA:" — never null: the empty block when the tag is wrong.
FloatBlock ReadFillAreas(Scanner& in);

// "NOTES_SYMBOL:" — notes with two texts each read by character count.
// Untouched when the tag is wrong or the count is 0.
TextBlock ReadNotes(Scanner& in);

}  // namespace readdata14

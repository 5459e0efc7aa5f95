// The legend: one row for every kind of thing the map shows, drawn as the
// map draws it, grouped as a forecaster reads a chart (contours and their
// labels, lines, fronts, centres and symbols, weather, areas, notes), and
// how many texts had no room. chart14 svg draws it beside its map, chart14
// html beside its page's. It lists the contour levels from high to low,
// whichever way the file sorts them: a chart has highs and lows, and its
// contours rise towards the one and fall towards the other.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "picture/map_text.hpp"
#include "picture/layout.hpp"
#include "picture/notes.hpp"
#include "picture/style.hpp"
#include "picture/texts.hpp"
#include "readdata14/chart.hpp"
#include "svg/document.hpp"

namespace readdata14::chart14 {

// The codes written as labels, as the legend lists them: three or more
// whole numbers in a row as a range ("10-13"), and more than a few items
// and ranges as a count ("87 codes from 10 to 99").
std::string CodeList(const std::set<std::string>& codes);

// What the map shows.
struct Drawn {
    bool levelContour = false, noLevelContour = false, openContour = false;
    bool plainLine = false, codedLine = false;
    std::set<std::string> labelCodes;  // codes written as labels
    std::set<std::int32_t> lineSymbols;
    std::map<std::int32_t, std::string> centres;  // the first text drawn of each type of centre
    std::set<std::int32_t> windTypes;
    bool symbolTexts = false;
    std::set<std::int32_t> regions, fillAreas;
    bool framedNotes = false, plainNotes = false;  // callouts of either kind written whole
    bool leaders = false;
    std::vector<Footnote> footnotes;
    LeftOut left;           // texts with no room
    std::string leftWhere;  // where they can be seen instead
};

// What the map draws of the chart's elements (not of its texts).
Drawn DrawnElements(const Chart& chart, const LevelColours& colours);
// And of the texts placed.
void AddDrawnTexts(Drawn& drawn, std::span<const MapText> texts);

// Writes the legend with its top left corner at `at`, at most `width` wide;
// returns its height.
double WriteLegend(SvgDocument& doc, const Drawn& drawn, const LevelColours& colours, Px at, double width);

}  // namespace readdata14::chart14

// The legend: one row for every kind of thing the map shows, drawn as the
// map draws it, grouped as a forecaster reads a chart (contours and their
// labels, lines, fronts, centres and symbols, weather, areas, notes). It
// lists the contour levels from high to low, whichever way the file sorts
// them: a chart has highs and lows, and its contours rise towards the one
// and fall towards the other.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "svg_document.hpp"
#include "svg_layout.hpp"
#include "svg_notes.hpp"

namespace readdata14::chart14 {

// What the map shows.
struct Drawn {
    bool levelContour = false, noLevelContour = false, openContour = false;
    bool plainLine = false, codedLine = false;
    std::set<std::string> labelCodes;  // codes written as labels
    std::set<std::int32_t> lineSymbols;
    std::string highText, lowText;  // the texts of the centres drawn, empty when none
    std::set<std::int32_t> windTypes;
    bool symbolTexts = false;
    std::set<std::int32_t> regions, fillAreas;
    CalloutsDrawn callouts;
};

// Writes the legend with its top left corner at `at`, at most `width` wide;
// returns its height.
double WriteLegend(SvgDocument& doc, const Drawn& drawn, const LevelColours& colours, Px at, double width);

}  // namespace readdata14::chart14

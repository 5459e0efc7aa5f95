// Notes and the longer texts of symbols ("Blocking high"): boxes of text
// that belong near a point but need not cover it. Each goes where it covers
// no symbol, label or other note, crosses as few drawn lines as may be and
// stays close to its point, with a leader line back to the point when it had
// to move. Where no such room is, the note is tried smaller, and failing that
// it leaves a numbered mark on the map and its text goes to the legend (the
// first few notes so; after them, and a symbol's text at once, it is left
// out and counted, so that a crowded chart does not bury its legend).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "svg_document.hpp"
#include "svg_layout.hpp"

namespace readdata14::chart14 {

struct Callout {
    Px anchor;
    std::string first, second;  // the lines of text; the second may be empty
    bool framed = true;         // a note: framed, its first line bold; a symbol's text: a white ground only
};

struct Footnote {
    std::string number;  // as the mark on the map shows it
    std::string first, second;
    bool marked = false;  // false: not even the mark found room
};

// What the placed callouts showed, for the legend.
struct CalloutsDrawn {
    bool framed = false, plain = false;  // callouts of either kind written whole
    bool leaders = false;
    std::vector<Footnote> footnotes;
    std::size_t notesLeftOut = 0, textsLeftOut = 0;
};

// Places the callouts in order, each box going into `taken`; boxes and texts
// go to `notes`, leader lines to `leaders` (drawn beneath the labels).
CalloutsDrawn PlaceCallouts(std::span<const Callout> callouts, const Box& map, const Coverage& lines,
                            BoxGrid& taken, SvgDocument& notes, SvgDocument& leaders);

// A numbered mark as the map shows it, with its top left corner at `at`
// (the legend draws the same); returns its box.
Box WriteMark(SvgDocument& doc, Px at, const std::string& number);

}  // namespace readdata14::chart14

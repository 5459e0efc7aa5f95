// A text on the map, as the layout placed it: its box, in pixels, centred
// on a place in the chart's units, and what is written in it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "picture/frame.hpp"
#include "picture/layout.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::chart14 {

// Turns a text of the file into UTF-8 (see TextDecoder).
using TextToUtf8 = std::function<std::string(std::string_view)>;

enum class TextRole : std::uint8_t {
    Centre,      // the H or L of a pressure centre, on its point
    Label,       // a value on a contour or line
    SymbolText,  // a short text of a symbol, on its point or beside it
    Note,        // a framed note; or a longer text of a symbol, on a white ground
    Mark,        // a numbered mark for a note whose text went to the legend
};

struct MapText {
    TextRole role = TextRole::Label;
    layers::LayerId layer = layers::LayerId::Symbols;  // the element it belongs to
    std::uint64_t fid = 0;
    Spot centre;            // of its box, in the chart's units
    double width = 0, height = 0;  // of its box, in pixels
    Spot anchor;            // the element's point: a moved note is led back to it
    std::string first, second;  // its lines; the second may be empty
    std::string colour;         // of a centre, label or symbol text
    double fontSize = 0;
    bool framed = false;  // a note (not a symbol's longer text)
    std::int32_t symbolType = 0;  // of a centre or symbol text
    bool labelCode = false;       // a label that is a code, not a value
    int level = 0;        // the first level of the ladder that shows it

    Box BoxAt(const Frame& frame) const { return Box::Around(frame.ToPx(centre), width, height); }
};

// How a text is drawn in its box: the SVG picture and the page's script
// draw it alike from this.
struct TextShape {
    std::string_view boxClass;  // the box's class; empty: no box is drawn
    std::string_view firstClass, secondClass;
    bool centred = true;        // each line centred on the box; else from its left, after the padding
    double padding = 0;
    double firstBaseline = 0;   // below the box's top
    double lineStep = 0;        // from the first baseline to the second
};
TextShape ShapeOf(const MapText& text);

}  // namespace readdata14::chart14

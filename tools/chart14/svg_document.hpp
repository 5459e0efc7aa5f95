// The pieces an SVG picture of a chart is written with: numbers without
// locale, escaped texts, point lists as paths, and the colour ramp of the
// contour levels.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/point.hpp"
#include "svg_layout.hpp"

namespace readdata14::chart14 {

// An SVG document being written; the caller writes the elements in drawing
// order (later ones on top).
class SvgDocument {
public:
    std::string& Out() { return out_; }

    // The shortest text that reads back as the same float.
    SvgDocument& Number(double value);
    SvgDocument& Raw(std::string_view text) {
        out_.append(text);
        return *this;
    }
    // Text for element content or an attribute value: markup characters
    // escaped, control characters (a note text may end with its line break)
    // as blanks.
    SvgDocument& Escaped(std::string_view utf8);

    // A "d" attribute value for a polyline; closed adds "Z". Non-finite
    // points are skipped. Writes nothing for fewer than two points.
    SvgDocument& PathData(std::span<const readdata14::Point> points, bool closed);

    // A text with its baseline at (x, y) on the page (pixels, y down). `box`,
    // when given, is the room it was placed in, written as data-box="x0 y0
    // x1 y1" so that tools (and the tests) can see the layout.
    SvgDocument& Text(double x, double y, std::string_view cssClass, std::string_view utf8,
                      std::string_view fill = {}, const Box* box = nullptr);
    SvgDocument& BoxAttribute(const Box& box);

private:
    std::string out_;
};

// "#rrggbb" for t in [0, 1] along a blue–green–yellow–red ramp: low levels
// cold, high levels warm.
std::string RampColour(double t);

// The colour of each contour level, in ascending order of the levels along
// the ramp.
class LevelColours {
public:
    explicit LevelColours(std::span<const float> levels);
    // NO_LEVEL_COLOUR for a value that is no level (no label, a code, an
    // open contour's value that never became one).
    std::string For(float value) const;
    // The levels, ascending, NaN left out.
    std::span<const float> Sorted() const { return sorted_; }

private:
    std::vector<float> sorted_;
};

// The colour mixed with black, `keep` of it left: readable text on white.
std::string Darker(std::string_view colour, double keep);

// A fixed colour for a code or type without a colour of its own.
std::string PaletteColour(std::int32_t code);

// The colours of the picture's elements, on the map and in the legend alike.
inline constexpr std::string_view NO_LEVEL_COLOUR = "#808080";  // a contour of no level
inline constexpr std::string_view LINE_COLOUR = "#4d4d4d";
std::string RegionColour(std::int32_t code);
std::string FillAreaColour(std::int32_t code);
std::string_view SymbolColour(std::int32_t type);  // a text symbol's

// A label value as it is written on a line or contour: a whole number without
// decimals, a label code as the code itself.
std::string LabelText(float value);

}  // namespace readdata14::chart14

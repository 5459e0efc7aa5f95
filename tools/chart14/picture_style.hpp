// The symbology of a chart's picture, the one both chart14 svg and chart14
// html draw: the colour of every element, its line's width and dashes in
// pixels, the fronts' glyphs, the arrows. Sizes are in pixels of the picture,
// whatever the chart's own units, so that a line reads the same at any scale.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

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

inline constexpr std::string_view NO_LEVEL_COLOUR = "#808080";  // a contour of no level
inline constexpr std::string_view LINE_COLOUR = "#4d4d4d";
inline constexpr std::string_view HIGH_COLOUR = "#1f4fd1";
inline constexpr std::string_view LOW_COLOUR = "#d62728";
std::string RegionColour(std::int32_t code);
std::string FillAreaColour(std::int32_t code);
std::string_view SymbolColour(std::int32_t type);  // a text symbol's

// A label value as it is written on a line or contour: a whole number without
// decimals, a label code as the code itself.
std::string LabelText(float value);

// Line-symbol codes of the fronts.
enum class FrontKind { Cold, Warm, Occluded, Stationary, None };
FrontKind FrontKindOf(std::int32_t code);
// The line's colour (a stationary front's red dashes go over it).
std::string FrontColour(std::int32_t code);

// Symbol types of the pressure centres, whose one or two letters (H, L)
// mark the centre's place.
inline constexpr std::int32_t HIGH_CENTRE = 60, LOW_CENTRE = 61;

// How the map draws one element. Widths and dashes in pixels.
struct ElementStyle {
    std::string stroke;        // empty: no line
    double width = 0;
    std::vector<double> dash;  // empty: solid
    std::string fill;          // empty: not filled
    double fillOpacity = 0;
    bool closed = false;       // the path returns to its first point
    FrontKind front = FrontKind::None;  // glyphs along the line
    bool arrow = false;        // a wind arrow at the element's point, turned by its direction

    bool operator==(const ElementStyle&) const = default;
};

ElementStyle FillAreaStyle(std::int32_t code);
ElementStyle RegionStyle(std::int32_t code);
ElementStyle LineStyle(float labelValue);
ElementStyle ContourStyle(const ClosedContour& contour, const LevelColours& colours);
ElementStyle FrontStyle(std::int32_t code);
ElementStyle ArrowStyle(std::int32_t type);

// A stationary front's second line: red dashes over its blue, and the
// colours of its glyphs (triangles, then half discs on the other side).
inline constexpr double STATIONARY_DASH = 15;
inline constexpr std::string_view STATIONARY_DASH_COLOUR = LOW_COLOUR;

// The arrow of a wind symbol, pointing along +x from its centre, and the
// corners of its box with its stroke (as generously as a browser bounds a
// stroke): turned with the arrow, their box is what the arrow takes.
inline constexpr std::string_view ARROW_PATH = "M-10,0H10M10,0L4,4M10,0L4,-4";
inline constexpr double ARROW_WIDTH = 1.4;
// The direction is 270 less the heading in degrees, counted anticlockwise
// with north up: the turn of the arrow on a page whose y points down.
double ArrowTurnDegrees(float direction);

}  // namespace readdata14::chart14

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
#include "readdata14/layers.hpp"
#include "readdata14/symbology.hpp"

namespace readdata14::chart14 {

// What codes and types mean, their names and colours, come from the table
// the QGIS plugin draws with too (readdata14/symbology.hpp, made from
// share/symbology.json): the functions below read it, so that no meaning is
// written twice.

// "#rrggbb" for t in [0, 1] along the table's ramp of the levels: low levels
// cold, high levels warm.
std::string RampColour(double t);

// The colour of each contour level, in ascending order of the levels along
// the ramp.
class LevelColours {
public:
    explicit LevelColours(std::span<const float> levels);
    // The table's colour of no level for a value that is no level (no
    // label, a code, an open contour's value that never became one).
    std::string For(float value) const;
    // Whether the value is one of the levels (a NaN never is).
    bool IsLevel(float value) const;
    // The levels, ascending, NaN left out.
    std::span<const float> Sorted() const { return sorted_; }

private:
    std::vector<float> sorted_;
};

// The colour mixed with black, `keep` of it left: readable text on white.
std::string Darker(std::string_view colour, double keep);
// The colour of a contour's value: its line's, darker.
std::string ContourLabelColour(std::string_view lineColour);

// The palette's colour for a code or type without a colour of its own.
std::string PaletteColour(std::int32_t code);

std::string RegionColour(std::int32_t code);
std::string FillAreaColour(std::int32_t code);
std::string_view SymbolColour(std::int32_t type);  // a text symbol's
std::string_view TextColour();  // of symbols that are no centre, and of notes
std::string_view NoLevelColour();  // of a contour whose value is no level
std::string_view LineColour();
std::string_view LineLabelColour();

// The names the legend gives a code: the table's, or the table's name of
// codes without an entry, with the code in it.
std::string RegionName(std::int32_t code);
std::string FrontName(std::int32_t code);
std::string FillAreaName(std::int32_t code);

// A label value as it is written on a line or contour, in the table's format
// of label numbers: a whole number without decimals, another as the shortest
// text of its 32-bit float, a label code as the code itself.
std::string LabelText(float value);

// The layers the table's drawing order names, from the bottom of the
// drawing to its top, each once; texts go above them all.
std::vector<layers::LayerId> DrawingOrder();

// How a front is drawn; the table says which line-symbol codes are fronts
// of which kind.
enum class FrontKind { Cold, Warm, Occluded, Stationary, None };
FrontKind FrontKindOf(std::int32_t code);
// The table's word for a kind ("cold", ...), empty for None.
std::string_view FrontKindName(FrontKind kind);
// The line's colour (a stationary front's dashes go over it).
std::string FrontColour(std::int32_t code);

// Whether a symbol of this type is a pressure centre, whose one or two
// letters (H, L) mark the centre's place.
bool IsCentreType(std::int32_t type);

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

// A stationary front: its line and triangles in `first`, its dashes and
// its half discs (on the other side) in `second`. The page carries one pair
// for every stationary front, so the table gives them all the same.
struct StationaryColours {
    std::string_view first, second;
};
StationaryColours StationaryFrontColours();
// The dashes of the second colour over a stationary front.
ElementStyle StationaryDashStyle();

// The arrow of a wind symbol, pointing along +x from its centre, and the
// corners of its box with its stroke (as generously as a browser bounds a
// stroke): turned with the arrow, their box is what the arrow takes.
inline constexpr std::string_view ARROW_PATH = "M-10,0H10M10,0L4,4M10,0L4,-4";
inline constexpr double ARROW_WIDTH = symbology::ARROW_WIDTH;
static_assert(symbology::ARROW_LENGTH == 20,
              "share/symbology.json: ARROW_PATH and the corners of its box draw an arrow 20 pixels long");
// The direction is 270 less the heading in degrees, counted anticlockwise
// with north up: the turn of the arrow on a page whose y points down.
double ArrowTurnDegrees(float direction);

}  // namespace readdata14::chart14

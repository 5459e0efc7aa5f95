#include "picture/style.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <utility>

namespace readdata14::chart14 {
namespace {

namespace table = readdata14::symbology;

// The table's words for the kinds of front this code draws.
constexpr std::pair<std::string_view, FrontKind> FRONT_KINDS[] = {
    {"cold", FrontKind::Cold}, {"warm", FrontKind::Warm},
    {"occluded", FrontKind::Occluded}, {"stationary", FrontKind::Stationary}};

constexpr FrontKind KindNamed(std::string_view word) {
    for (const auto& [name, kind] : FRONT_KINDS)
        if (name == word) return kind;
    return FrontKind::None;
}

constexpr bool EveryFrontKindKnown() {
    for (const table::Front& front : table::FRONTS)
        if (KindNamed(front.kind) == FrontKind::None) return false;
    return true;
}
static_assert(EveryFrontKindKnown(), "share/symbology.json: a front's kind is cold, warm, occluded or stationary");

// The colours of the table's stationary fronts. A table without one never
// draws one: any pair will do.
constexpr StationaryColours STATIONARY = [] {
    for (const table::Front& front : table::FRONTS)
        if (KindNamed(front.kind) == FrontKind::Stationary) return StationaryColours{front.colour, front.secondColour};
    return StationaryColours{table::TEXT_COLOUR, table::TEXT_COLOUR};
}();

constexpr bool StationaryFrontsAlike() {
    for (const table::Front& front : table::FRONTS)
        if (KindNamed(front.kind) == FrontKind::Stationary &&
            (front.colour != STATIONARY.first || front.secondColour != STATIONARY.second || front.secondColour.empty()))
            return false;
    return true;
}
static_assert(StationaryFrontsAlike(),
              "share/symbology.json: every stationary front has a second_colour, and all have the same two colours");

std::string Hex(std::array<double, 3> rgb) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string colour = "#";
    for (double channel : rgb) {
        int v = std::clamp(static_cast<int>(std::lround(channel)), 0, 255);
        colour += DIGITS[v / 16];
        colour += DIGITS[v % 16];
    }
    return colour;
}

}  // namespace

std::string RampColour(double t) {
    static constexpr const auto& STOPS = table::LEVEL_RAMP;
    static_assert(STOPS.size() >= 2, "share/symbology.json: the ramp of the levels has two stops at least");
    if (!std::isfinite(t)) t = 0.0;
    t = std::clamp(t, 0.0, 1.0) * (STOPS.size() - 1);
    std::size_t i = std::min(static_cast<std::size_t>(t), STOPS.size() - 2);
    double f = t - static_cast<double>(i);
    std::array<double, 3> rgb{};
    for (std::size_t c = 0; c < 3; ++c) rgb[c] = STOPS[i][c] + f * (STOPS[i + 1][c] - STOPS[i][c]);
    return Hex(rgb);
}

LevelColours::LevelColours(std::span<const float> levels) {
    // A level the file wrote as "nan" has no place in an order.
    std::copy_if(levels.begin(), levels.end(), std::back_inserter(sorted_), [](float v) { return std::isfinite(v); });
    std::sort(sorted_.begin(), sorted_.end());
    sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
}

std::string LevelColours::For(float value) const {
    if (!IsLevel(value)) return std::string(table::NO_LEVEL_COLOUR);
    if (sorted_.size() == 1) return RampColour(0.5);
    const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), value);
    return RampColour(double(it - sorted_.begin()) / double(sorted_.size() - 1));
}

bool LevelColours::IsLevel(float value) const {
    // Not binary_search: a NaN compares neither less nor greater than any
    // level, and would be found.
    const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), value);
    return it != sorted_.end() && *it == value;
}

std::string Darker(std::string_view colour, double keep) {
    if (colour.size() != 7 || colour[0] != '#') return std::string(colour);
    std::array<double, 3> rgb{};
    for (std::size_t c = 0; c < 3; ++c) {
        int v = 0;
        std::from_chars(colour.data() + 1 + 2 * c, colour.data() + 3 + 2 * c, v, 16);
        rgb[c] = v * keep;
    }
    return Hex(rgb);
}

std::string ContourLabelColour(std::string_view lineColour) { return Darker(lineColour, table::LABEL_SHADE); }

std::string PaletteColour(std::int32_t code) {
    // The code as an unsigned number: a negative code takes a colour too.
    const auto index = static_cast<std::size_t>(static_cast<std::uint32_t>(code) % table::PALETTE.size());
    return std::string(table::PALETTE[index]);
}

std::string RegionColour(std::int32_t code) {
    const table::WeatherRegion* region = table::FindWeatherRegion(code);
    return region != nullptr ? std::string(region->colour) : PaletteColour(code);
}

std::string FillAreaColour(std::int32_t code) {
    // Shifted from the regions' colours so that an area and a region of one code differ.
    const auto shift = static_cast<std::uint32_t>(table::FILL_AREA_PALETTE_SHIFT);
    return PaletteColour(static_cast<std::int32_t>(static_cast<std::uint32_t>(code) + shift));
}

std::string_view SymbolColour(std::int32_t type) {
    const table::Centre* centre = table::FindCentre(type);
    return centre != nullptr ? centre->colour : table::TEXT_COLOUR;
}

std::string_view TextColour() { return table::TEXT_COLOUR; }
std::string_view NoLevelColour() { return table::NO_LEVEL_COLOUR; }
std::string_view LineColour() { return table::LINE_COLOUR; }
std::string_view LineLabelColour() { return table::LINE_LABEL_COLOUR; }

namespace {

// The table's name with "{code}" in it, the code put there.
std::string WithCode(std::string_view name, std::int32_t code) {
    constexpr std::string_view PLACE = "{code}";
    std::string named(name);
    if (const auto at = named.find(PLACE); at != std::string::npos) named.replace(at, PLACE.size(), std::to_string(code));
    return named;
}

}  // namespace

std::string RegionName(std::int32_t code) {
    const table::WeatherRegion* region = table::FindWeatherRegion(code);
    return region != nullptr ? std::string(region->name) : WithCode(table::OTHER_REGION_NAME, code);
}

std::string FrontName(std::int32_t code) {
    const table::Front* front = table::FindFront(code);
    return front != nullptr ? std::string(front->name) : WithCode(table::OTHER_FRONT_NAME, code);
}

std::string FillAreaName(std::int32_t code) { return WithCode(table::FILL_AREA_NAME, code); }

std::string LabelText(float value) {
    if (readdata14::IsNoLabel(value)) return {};
    double shown = readdata14::IsLabelCode(value)
                       ? static_cast<double>(value) - static_cast<double>(readdata14::LABEL_CODE_OFFSET)
                       : static_cast<double>(value);
    if (!std::isfinite(shown)) return {};
    char digits[32];
    std::to_chars_result r{};
    if (std::abs(shown) < table::LABEL_WHOLE_BELOW && shown == std::floor(shown))
        r = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(shown));
    else
        r = std::to_chars(digits, digits + sizeof digits, static_cast<float>(shown));
    return std::string(digits, r.ptr);
}

std::vector<layers::LayerId> DrawingOrder() {
    std::vector<layers::LayerId> order;
    for (const std::string_view name : table::DRAWING_ORDER) {
        for (std::uint32_t i = 0; i < layers::LAYER_COUNT; ++i) {
            const auto id = static_cast<layers::LayerId>(i);
            if (layers::Layer(id).name == name && std::find(order.begin(), order.end(), id) == order.end())
                order.push_back(id);
        }
    }
    return order;
}

FrontKind FrontKindOf(std::int32_t code) {
    const table::Front* front = table::FindFront(code);
    return front != nullptr ? KindNamed(front->kind) : FrontKind::None;
}

std::string_view FrontKindName(FrontKind kind) {
    for (const auto& [name, named] : FRONT_KINDS)
        if (named == kind) return name;
    return {};
}

std::string FrontColour(std::int32_t code) {
    const table::Front* front = table::FindFront(code);
    return front != nullptr ? std::string(front->colour) : PaletteColour(code);
}

StationaryColours StationaryFrontColours() { return STATIONARY; }

ElementStyle StationaryDashStyle() {
    ElementStyle style;
    style.stroke = STATIONARY.second;
    style.dash.assign(table::STATIONARY_DASH.begin(), table::STATIONARY_DASH.end());
    return style;
}

bool IsCentreType(std::int32_t type) { return table::FindCentre(type) != nullptr; }

namespace {

ElementStyle Stroked(std::string colour, double width) {
    ElementStyle style;
    style.stroke = std::move(colour);
    style.width = width;
    return style;
}

ElementStyle Shaded(std::string colour, double opacity, double outlineWidth) {
    ElementStyle style = Stroked(colour, outlineWidth);
    style.fill = std::move(colour);
    style.fillOpacity = opacity;
    style.closed = true;
    return style;
}

}  // namespace

ElementStyle FillAreaStyle(std::int32_t code) {
    ElementStyle style = Shaded(FillAreaColour(code), table::FILL_AREA_OPACITY, table::FILL_AREA_OUTLINE_WIDTH);
    style.dash.assign(table::FILL_AREA_DASH.begin(), table::FILL_AREA_DASH.end());
    return style;
}

ElementStyle RegionStyle(std::int32_t code) {
    return Shaded(RegionColour(code), table::REGION_OPACITY, table::REGION_OUTLINE_WIDTH);
}

ElementStyle LineStyle(float labelValue) {
    ElementStyle style = Stroked(std::string(table::LINE_COLOUR), table::LINE_WIDTH);
    if (IsLabelCode(labelValue)) style.dash.assign(table::CODED_LINE_DASH.begin(), table::CODED_LINE_DASH.end());
    return style;
}

ElementStyle ContourStyle(const ClosedContour& contour, const LevelColours& colours) {
    ElementStyle style = Stroked(colours.For(contour.value), table::CONTOUR_WIDTH);
    style.closed = contour.IsClosed();
    if (!style.closed) style.dash.assign(table::OPEN_CONTOUR_DASH.begin(), table::OPEN_CONTOUR_DASH.end());
    return style;
}

ElementStyle FrontStyle(std::int32_t code) {
    ElementStyle style = Stroked(FrontColour(code), table::FRONT_WIDTH);
    style.front = FrontKindOf(code);
    return style;
}

ElementStyle ArrowStyle(std::int32_t type) {
    ElementStyle style = Stroked(PaletteColour(type), ARROW_WIDTH);
    style.arrow = true;
    return style;
}

double ArrowTurnDegrees(float direction) {
    return -std::remainder(270.0 - double(direction), 360.0);
}

}  // namespace readdata14::chart14

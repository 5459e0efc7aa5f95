#include "picture_style.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>

namespace readdata14::chart14 {
namespace {

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
    static constexpr std::array<std::array<double, 3>, 7> STOPS{{
        {44, 123, 182}, {0, 166, 202}, {0, 204, 188}, {144, 235, 157},
        {249, 208, 87}, {242, 140, 40}, {215, 25, 28},
    }};
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
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), value);
    if (it == sorted_.end() || *it != value) return std::string(NO_LEVEL_COLOUR);
    if (sorted_.size() == 1) return RampColour(0.5);
    return RampColour(double(it - sorted_.begin()) / double(sorted_.size() - 1));
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

std::string PaletteColour(std::int32_t code) {
    static constexpr std::array<std::string_view, 10> PALETTE{
        "#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e",
        "#8c564b", "#e377c2", "#17becf", "#7f7f7f", "#bcbd22"};
    auto index = static_cast<std::size_t>(static_cast<std::uint32_t>(code) % PALETTE.size());
    return std::string(PALETTE[index]);
}

std::string RegionColour(std::int32_t code) {
    switch (code) {  // rain, snow, fog, thunder
        case 1: return "#2ca02c";
        case 2: return "#6baed6";
        case 3: return "#969696";
        case 4: return "#ff7f0e";
        default: return PaletteColour(code);
    }
}

std::string FillAreaColour(std::int32_t code) {
    // Shifted from the regions' colours so that an area and a region of one code differ.
    return PaletteColour(static_cast<std::int32_t>(static_cast<std::uint32_t>(code) + 4u));
}

std::string_view SymbolColour(std::int32_t type) {
    switch (type) {
        case HIGH_CENTRE: return HIGH_COLOUR;
        case LOW_CENTRE: return LOW_COLOUR;
        default: return "#222";
    }
}

std::string LabelText(float value) {
    if (readdata14::IsNoLabel(value)) return {};
    double shown = readdata14::IsLabelCode(value)
                       ? static_cast<double>(value) - static_cast<double>(readdata14::LABEL_CODE_OFFSET)
                       : static_cast<double>(value);
    if (!std::isfinite(shown)) return {};
    char digits[32];
    std::to_chars_result r{};
    if (std::abs(shown) < 1e9 && shown == std::floor(shown))
        r = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(shown));
    else
        r = std::to_chars(digits, digits + sizeof digits, static_cast<float>(shown));
    return std::string(digits, r.ptr);
}

FrontKind FrontKindOf(std::int32_t code) {
    switch (code) {
        case 2: return FrontKind::Cold;
        case 3: return FrontKind::Warm;
        case 4: return FrontKind::Occluded;
        case 5: return FrontKind::Stationary;
        default: return FrontKind::None;
    }
}

std::string FrontColour(std::int32_t code) {
    switch (FrontKindOf(code)) {
        case FrontKind::Cold:
        case FrontKind::Stationary: return std::string(HIGH_COLOUR);
        case FrontKind::Warm: return std::string(LOW_COLOUR);
        case FrontKind::Occluded: return "#8e44ad";
        case FrontKind::None: break;
    }
    return PaletteColour(code);
}

namespace {

ElementStyle Stroked(std::string colour, double width) {
    ElementStyle style;
    style.stroke = std::move(colour);
    style.width = width;
    return style;
}

ElementStyle Shaded(std::string colour, double opacity) {
    ElementStyle style = Stroked(colour, 1);
    style.fill = std::move(colour);
    style.fillOpacity = opacity;
    style.closed = true;
    return style;
}

}  // namespace

ElementStyle FillAreaStyle(std::int32_t code) {
    ElementStyle style = Shaded(FillAreaColour(code), 0.22);
    style.dash = {6, 4};
    return style;
}

ElementStyle RegionStyle(std::int32_t code) { return Shaded(RegionColour(code), 0.3); }

ElementStyle LineStyle(float labelValue) {
    ElementStyle style = Stroked(std::string(LINE_COLOUR), 1.2);
    if (IsLabelCode(labelValue)) style.dash = {8, 5};
    return style;
}

ElementStyle ContourStyle(const ClosedContour& contour, const LevelColours& colours) {
    ElementStyle style = Stroked(colours.For(contour.value), 1.6);
    style.closed = contour.IsClosed();
    if (!style.closed) style.dash = {10, 4};
    return style;
}

ElementStyle FrontStyle(std::int32_t code) {
    ElementStyle style = Stroked(FrontColour(code), 2.2);
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

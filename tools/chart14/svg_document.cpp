#include "svg_document.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>

#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

SvgDocument& SvgDocument::Number(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char digits[32];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, static_cast<float>(value));
    if (ec != std::errc{}) return Raw("0");
    return Raw(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

SvgDocument& SvgDocument::Escaped(std::string_view utf8) {
    for (char c : utf8) {
        switch (c) {
            case '&': out_ += "&amp;"; break;
            case '<': out_ += "&lt;"; break;
            case '>': out_ += "&gt;"; break;
            case '"': out_ += "&quot;"; break;
            default:
                // XML 1.0 admits no control characters but tab and line breaks,
                // and a text is one line here.
                out_ += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
    }
    return *this;
}

SvgDocument& SvgDocument::PathData(std::span<const readdata14::Point> points, bool closed) {
    bool first = true;
    std::size_t written = 0;
    for (readdata14::Point p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        Raw(first ? "M" : " ").Number(p.x).Raw(",").Number(p.y);
        first = false;
        ++written;
    }
    if (written == 1) Raw("h0");  // a lone point still shows with round caps
    if (closed && written > 2) Raw("Z");
    return *this;
}

SvgDocument& SvgDocument::Text(double x, double y, std::string_view cssClass, std::string_view utf8,
                               std::string_view fill, const Box* box) {
    if (!std::isfinite(x) || !std::isfinite(y) || utf8.empty()) return *this;
    Raw("<text class=\"").Raw(cssClass).Raw("\" x=\"").Number(x).Raw("\" y=\"").Number(y).Raw("\"");
    if (!fill.empty()) Raw(" fill=\"").Raw(fill).Raw("\"");
    if (box != nullptr) BoxAttribute(*box);
    return Raw(">").Escaped(utf8).Raw("</text>\n");
}

SvgDocument& SvgDocument::BoxAttribute(const Box& box) {
    return Raw(" data-box=\"").Number(box.x0).Raw(" ").Number(box.y0).Raw(" ").Number(box.x1).Raw(" ")
        .Number(box.y1).Raw("\"");
}

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
        case 60: return "#1f4fd1";  // high-pressure centre
        case 61: return "#d62728";  // low-pressure centre
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

}  // namespace readdata14::chart14

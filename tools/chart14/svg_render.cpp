#include "svg_render.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

#include "chart_extent.hpp"
#include "svg_document.hpp"
#include "svg_fronts.hpp"

namespace readdata14::chart14 {
namespace {

using readdata14::Chart;
using readdata14::Point;

// The bounding box of everything drawn.
Extent DrawnExtent(const Chart& chart) {
    Extent e = ChartExtent(chart);
    if (e.Empty()) e = Extent{0, 0, 1, 1};
    // A chart of one point or one straight line still needs an area.
    double span = std::max({e.maxX - e.minX, e.maxY - e.minY, 1e-3});
    if (e.maxX - e.minX < span * 0.05) e.minX -= span * 0.05, e.maxX += span * 0.05;
    if (e.maxY - e.minY < span * 0.05) e.minY -= span * 0.05, e.maxY += span * 0.05;
    return e;
}

// Sizes scale with the chart, so that a chart in pixels and one in metres
// look alike: one unit is a thousandth of the chart's larger side.
struct Frame {
    Extent extent;
    double unit = 1, pad = 0, legendWidth = 0;
    double left = 0, top = 0, width = 0, height = 0;  // the viewBox, y down
};

Frame MakeFrame(const Chart& chart) {
    Frame f;
    f.extent = DrawnExtent(chart);
    double w = f.extent.maxX - f.extent.minX, h = f.extent.maxY - f.extent.minY;
    f.unit = std::max(w, h) / 1000.0;
    f.pad = 40.0 * f.unit;
    f.legendWidth = 190.0 * f.unit;
    f.left = f.extent.minX - f.pad;
    f.top = -(f.extent.maxY + f.pad + 30.0 * f.unit);  // room for the title
    f.width = w + 2 * f.pad + f.legendWidth;
    f.height = h + 2 * f.pad + 30.0 * f.unit;
    return f;
}

// Contour levels in ascending order, for the colour of a value.
class LevelColours {
public:
    explicit LevelColours(std::span<const float> levels) {
        // A level the file wrote as "nan" has no place in an order.
        std::copy_if(levels.begin(), levels.end(), std::back_inserter(sorted_),
                     [](float v) { return std::isfinite(v); });
        std::sort(sorted_.begin(), sorted_.end());
    }
    // Grey for a value that is no level (no label, a code, an open contour's
    // value that never became one).
    std::string For(float value) const {
        auto it = std::lower_bound(sorted_.begin(), sorted_.end(), value);
        if (it == sorted_.end() || *it != value) return "#808080";
        if (sorted_.size() == 1) return RampColour(0.5);
        return RampColour(double(it - sorted_.begin()) / double(sorted_.size() - 1));
    }

private:
    std::vector<float> sorted_;
};

void WriteHead(SvgDocument& doc, const Frame& f, const SvgOptions& options) {
    double u = f.unit;
    doc.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"")
        .Number(options.widthPx)
        .Raw("\" height=\"")
        .Number(std::round(options.widthPx * f.height / f.width))
        .Raw("\" viewBox=\"")
        .Number(f.left).Raw(" ").Number(f.top).Raw(" ").Number(f.width).Raw(" ").Number(f.height)
        .Raw("\">\n<style>\ntext{font-family:'DejaVu Sans',Verdana,sans-serif;text-anchor:middle;"
             "paint-order:stroke;stroke:#fff;stroke-linejoin:round;stroke-width:")
        .Number(2.5 * u)
        .Raw("}\n.label{font-size:").Number(10 * u).Raw("px;font-weight:bold}\n")
        .Raw(".centre{font-size:").Number(30 * u).Raw("px;font-weight:bold}\n")
        .Raw(".symbol{font-size:").Number(11 * u).Raw("px}\n")
        .Raw(".note{font-size:").Number(11 * u).Raw("px;fill:#222;text-anchor:start}\n")
        .Raw(".title{font-size:").Number(16 * u).Raw("px;font-weight:bold;fill:#222;text-anchor:start}\n")
        .Raw(".legend{font-size:").Number(11 * u).Raw("px;fill:#222;text-anchor:start;stroke:none}\n")
        .Raw("</style>\n<defs><path id=\"wind\" fill=\"none\" stroke-linecap=\"round\" "
             "d=\"M-8,0H8M8,0L3,3M8,0L3,-3\"/></defs>\n");
    doc.Raw("<rect x=\"").Number(f.left).Raw("\" y=\"").Number(f.top).Raw("\" width=\"").Number(f.width)
        .Raw("\" height=\"").Number(f.height).Raw("\" fill=\"#ffffff\"/>\n");
    doc.Raw("<rect x=\"").Number(f.extent.minX - f.pad).Raw("\" y=\"").Number(-(f.extent.maxY + f.pad))
        .Raw("\" width=\"").Number(f.extent.maxX - f.extent.minX + 2 * f.pad).Raw("\" height=\"")
        .Number(f.extent.maxY - f.extent.minY + 2 * f.pad)
        .Raw("\" id=\"map\" fill=\"#f4f8fb\" stroke=\"#9aa\" stroke-width=\"").Number(u).Raw("\"/>\n");
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

void WriteAreas(SvgDocument& doc, const Chart& chart, double u) {
    doc.Raw("<g id=\"areas\" stroke-linejoin=\"round\">\n");
    for (const auto& area : chart.FillAreas()) {
        std::string colour = PaletteColour(area.code + 4);
        doc.Raw("<path fill=\"").Raw(colour).Raw("\" fill-opacity=\"0.22\" stroke=\"").Raw(colour)
            .Raw("\" stroke-dasharray=\"").Number(6 * u).Raw(" ").Number(4 * u).Raw("\" d=\"");
        doc.PathData(area.points, true).Raw("\"/>\n");
    }
    for (const auto& region : chart.WeatherRegions()) {
        std::string colour = RegionColour(region.code);
        doc.Raw("<path fill=\"").Raw(colour).Raw("\" fill-opacity=\"0.3\" stroke=\"").Raw(colour).Raw("\" d=\"");
        doc.PathData(region.points, true).Raw("\"/>\n");
    }
    doc.Raw("</g>\n");
}

void WriteContours(SvgDocument& doc, const Chart& chart, const LevelColours& colours, double u) {
    doc.Raw("<g id=\"contours\" fill=\"none\" stroke-linejoin=\"round\" stroke-width=\"").Number(1.8 * u)
        .Raw("\">\n");
    for (const auto& contour : chart.ClosedContours()) {
        doc.Raw("<path stroke=\"").Raw(colours.For(contour.value)).Raw("\"");
        if (!contour.IsClosed()) doc.Raw(" stroke-dasharray=\"").Number(10 * u).Raw(" ").Number(4 * u).Raw("\"");
        doc.Raw(" d=\"").PathData(contour.points, contour.IsClosed()).Raw("\"/>\n");
    }
    doc.Raw("</g>\n");
}

void WriteLines(SvgDocument& doc, const Chart& chart, double u) {
    doc.Raw("<g id=\"lines\" fill=\"none\" stroke=\"#4d4d4d\" stroke-linejoin=\"round\" stroke-width=\"").Number(1.2 * u)
        .Raw("\">\n");
    for (const auto& line : chart.Lines()) {
        doc.Raw("<path");
        if (readdata14::IsLabelCode(line.labelValue))
            doc.Raw(" stroke-dasharray=\"").Number(8 * u).Raw(" ").Number(5 * u).Raw("\"");
        doc.Raw(" d=\"").PathData(line.points, false).Raw("\"/>\n");
    }
    doc.Raw("</g>\n");
}

void WriteGlyphs(SvgDocument& doc, const std::vector<Along>& places, std::string_view colour, double size,
                 FrontKind kind, int parity) {
    doc.Raw("<path stroke=\"none\" fill=\"").Raw(colour).Raw("\" d=\"");
    for (std::size_t i = 0; i < places.size(); ++i) {
        bool even = i % 2 == 0;
        if (parity >= 0 && static_cast<int>(i % 2) != parity) continue;
        if (kind == FrontKind::Cold || (kind == FrontKind::Occluded && even)) TriangleGlyph(doc, places[i], size, 1);
        else if (kind == FrontKind::Stationary && even) TriangleGlyph(doc, places[i], size, 1);
        else if (kind == FrontKind::Stationary) HalfDiscGlyph(doc, places[i], size, -1);
        else HalfDiscGlyph(doc, places[i], size, 1);
    }
    doc.Raw("\"/>\n");
}

void WriteFronts(SvgDocument& doc, const Chart& chart, double u) {
    doc.Raw("<g id=\"fronts\" fill=\"none\" stroke-linejoin=\"round\" stroke-linecap=\"round\" stroke-width=\"")
        .Number(2.6 * u).Raw("\">\n");
    for (const auto& front : chart.LineSymbols()) {
        FrontKind kind = FrontKindOf(front.code);
        std::string colour = kind == FrontKind::Cold       ? "#1f4fd1"
                             : kind == FrontKind::Warm     ? "#d62728"
                             : kind == FrontKind::Occluded ? "#8e44ad"
                             : kind == FrontKind::Stationary ? "#1f4fd1"
                                                             : PaletteColour(front.code);
        doc.Raw("<path stroke=\"").Raw(colour).Raw("\" d=\"").PathData(front.points, false).Raw("\"/>\n");
        if (kind == FrontKind::None) continue;
        auto places = PlacesAlong(front.points, 30.0 * u);
        if (kind == FrontKind::Stationary) {
            doc.Raw("<path stroke=\"#d62728\" stroke-dasharray=\"").Number(15 * u).Raw("\" d=\"")
                .PathData(front.points, false).Raw("\"/>\n");
            WriteGlyphs(doc, places, "#1f4fd1", 11 * u, kind, 0);
            WriteGlyphs(doc, places, "#d62728", 11 * u, kind, 1);
        } else {
            WriteGlyphs(doc, places, colour, 11 * u, kind, -1);
        }
    }
    doc.Raw("</g>\n");
}

void WriteWinds(SvgDocument& doc, const Chart& chart, double u) {
    doc.Raw("<g id=\"winds\" stroke-width=\"1.3\">\n");
    for (const auto& symbol : chart.Symbols()) {
        if (readdata14::IsTextSymbolType(symbol.type) || !std::isfinite(symbol.position.x) ||
            !std::isfinite(symbol.position.y) || !std::isfinite(symbol.direction))
            continue;
        // The direction is 270 less the heading in degrees; the arrow points
        // along the heading.
        double heading = std::remainder(270.0 - double(symbol.direction), 360.0);
        doc.Raw("<use xlink:href=\"#wind\" stroke=\"").Raw(PaletteColour(symbol.type)).Raw("\" transform=\"translate(")
            .Number(symbol.position.x).Raw(",").Number(symbol.position.y).Raw(") rotate(").Number(heading)
            .Raw(") scale(").Number(1.1 * u).Raw(")\"/>\n");
    }
    doc.Raw("</g>\n");
}

// Everything in the file's coordinates, y up: one flip for all of it.
void WriteGeometry(SvgDocument& doc, const Chart& chart, const LevelColours& colours, double u) {
    doc.Raw("<g transform=\"scale(1,-1)\">\n");
    WriteAreas(doc, chart, u);
    WriteLines(doc, chart, u);
    WriteContours(doc, chart, colours, u);
    WriteFronts(doc, chart, u);
    WriteWinds(doc, chart, u);
    doc.Raw("</g>\n");
}

// A valued contour without label points gets its value at its top.
std::span<const Point> LabelPlaces(std::span<const Point> labelPoints, std::span<const Point> points, Point& top) {
    if (!labelPoints.empty() || points.empty()) return labelPoints;
    top = *std::max_element(points.begin(), points.end(), [](Point a, Point b) { return a.y < b.y; });
    return {&top, 1};
}

void WriteLabels(SvgDocument& doc, const Chart& chart, const LevelColours& colours) {
    for (const auto& line : chart.Lines()) {
        std::string text = LabelText(line.labelValue);
        for (Point p : line.labelPoints) doc.Text(p.x, p.y, "label", text, "#333");
    }
    for (const auto& contour : chart.ClosedContours()) {
        std::string text = LabelText(contour.value);
        if (text.empty()) continue;
        Point top{};
        std::string colour = Darker(colours.For(contour.value), 0.7);
        for (Point p : LabelPlaces(contour.labelPoints, contour.points, top)) doc.Text(p.x, p.y, "label", text, colour);
    }
}

std::string_view SymbolColour(std::int32_t type) {
    switch (type) {
        case 60: return "#1f4fd1";  // high-pressure centre
        case 61: return "#d62728";  // low-pressure centre
        default: return "#222";
    }
}

void WriteTexts(SvgDocument& doc, const Chart& chart, const TextToUtf8& toUtf8, double u) {
    for (const auto& symbol : chart.Symbols()) {
        if (!readdata14::IsTextSymbolType(symbol.type)) continue;
        std::string text = toUtf8(symbol.text);
        bool centre = (symbol.type == 60 || symbol.type == 61) && text.size() <= 2;
        double y = symbol.position.y - (centre ? 10.0 * u : 0.0);
        doc.Text(symbol.position.x, y, centre ? "centre" : "symbol", text, SymbolColour(symbol.type));
    }
    for (const auto& note : chart.Notes()) {
        doc.Text(note.position.x, note.position.y, "note", toUtf8(note.firstText));
        doc.Text(note.position.x, note.position.y - 14.0 * u, "note", toUtf8(note.secondText));
    }
}

// At most this many levels are listed; longer lists are sampled evenly.
constexpr std::size_t LEGEND_ROWS = 30;

void WriteLegend(SvgDocument& doc, const Chart& chart, const Frame& f, const LevelColours& colours,
                 const TextToUtf8& toUtf8) {
    double u = f.unit;
    double x = f.extent.maxX + f.pad + 20 * u, y = f.extent.maxY;
    doc.Text(f.extent.minX - f.pad, f.extent.maxY + f.pad + 10 * u, "title", toUtf8(chart.Description()));
    auto levels = chart.Levels();
    const char* order = chart.LevelsOrder() == readdata14::LevelOrder::Rising    ? "Levels (rising inwards)"
                        : chart.LevelsOrder() == readdata14::LevelOrder::Falling ? "Levels (falling inwards)"
                                                                                 : "Levels";
    doc.Text(x, y, "legend", levels.empty() ? "No contour levels" : order);
    std::size_t rows = std::min(levels.size(), LEGEND_ROWS);
    for (std::size_t r = 0; r < rows; ++r) {
        std::size_t i = rows < 2 ? 0 : r * (levels.size() - 1) / (rows - 1);
        double rowY = y - (static_cast<double>(r) + 1.6) * 17 * u;
        doc.Raw("<rect x=\"").Number(x).Raw("\" y=\"").Number(-rowY - 6 * u).Raw("\" width=\"").Number(26 * u)
            .Raw("\" height=\"").Number(8 * u).Raw("\" fill=\"").Raw(colours.For(levels[i])).Raw("\"/>\n");
        doc.Text(x + 34 * u, rowY - 3 * u, "legend", LabelText(levels[i]));
    }
}

}  // namespace

std::string RenderSvg(const Chart& chart, const TextToUtf8& toUtf8, const SvgOptions& options) {
    SvgDocument doc;
    Frame frame = MakeFrame(chart);
    LevelColours colours(chart.Levels());
    WriteHead(doc, frame, options);
    WriteGeometry(doc, chart, colours, frame.unit);
    doc.Raw("<g id=\"labels\">\n");
    WriteLabels(doc, chart, colours);
    doc.Raw("</g>\n<g id=\"texts\">\n");
    WriteTexts(doc, chart, toUtf8, frame.unit);
    doc.Raw("</g>\n<g id=\"legend\">\n");
    WriteLegend(doc, chart, frame, colours, toUtf8);
    doc.Raw("</g>\n");
    doc.Raw("</svg>\n");
    return std::move(doc.Out());
}

}  // namespace readdata14::chart14

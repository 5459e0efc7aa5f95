#include "svg_render.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>
#include <vector>

#include "chart_extent.hpp"
#include "svg_document.hpp"
#include "svg_fronts.hpp"
#include "svg_labels.hpp"
#include "svg_layout.hpp"
#include "svg_legend.hpp"
#include "svg_notes.hpp"

namespace readdata14::chart14 {
namespace {

using readdata14::Chart;
using readdata14::Point;

bool Finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

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

constexpr double MARGIN = 12;
constexpr double TITLE_HEIGHT = 26;
constexpr double LEGEND_WIDTH = 250;
// A narrower picture has its legend under the map.
constexpr double LEGEND_BESIDE_FROM = 720;
// Texts of symbols up to this wide stay on their point (a central pressure);
// longer ones are placed as notes are.
constexpr double PINNED_TEXT_WIDTH = 48;

// The page is in output pixels; the chart comes onto its map scaled alike in
// x and y, north up.
struct Frame {
    Extent extent;
    double width = 0, margin = 0;
    double scale = 1;  // pixels per unit of the chart
    double pad = 0;    // between the map's edge and the chart's extent
    Box map;
    Px legendAt;
    double legendWidth = 0;

    Px ToPx(double x, double y) const {
        return {map.x0 + pad + (x - extent.minX) * scale, map.y0 + pad + (extent.maxY - y) * scale};
    }
    Px ToPx(Point p) const { return ToPx(p.x, p.y); }
    double Units(double pixels) const { return pixels / scale; }
};

Frame MakeFrame(const Chart& chart, double widthPx) {
    Frame f;
    f.extent = DrawnExtent(chart);
    f.width = widthPx;
    f.margin = std::min(MARGIN, widthPx * 0.03);
    bool beside = widthPx >= LEGEND_BESIDE_FROM;
    double mapWidth = std::max(beside ? widthPx - LEGEND_WIDTH - 3 * f.margin : widthPx - 2 * f.margin, 1.0);
    f.pad = std::min(16.0, mapWidth * 0.04);
    double w = f.extent.maxX - f.extent.minX, h = f.extent.maxY - f.extent.minY;
    f.scale = std::max(mapWidth - 2 * f.pad, 1e-3) / w;
    double top = f.margin + TITLE_HEIGHT;
    f.map = {f.margin, top, f.margin + mapWidth, top + h * f.scale + 2 * f.pad};
    f.legendAt = beside ? Px{f.map.x1 + f.margin, f.map.y0} : Px{f.margin, f.map.y1 + f.margin};
    f.legendWidth = beside ? LEGEND_WIDTH : mapWidth;
    return f;
}

std::vector<Px> ToPixels(const Frame& f, std::span<const Point> points) {
    std::vector<Px> out;
    out.reserve(points.size());
    for (Point p : points)
        if (Finite(p)) out.push_back(f.ToPx(p));
    return out;
}

std::size_t ExpectedBoxes(const Chart& chart) {
    std::size_t n = chart.Symbols().size() + 4 * chart.Notes().size() + 8 * chart.LineSymbols().size();
    for (const auto& c : chart.ClosedContours()) n += 1 + c.labelPoints.size();
    for (const auto& l : chart.Lines()) n += l.labelPoints.size();
    return n;
}

// The picture being made: its parts are written apart and put together
// once the legend's height is known.
struct Picture {
    Picture(const Chart& c, const TextToUtf8& t, double widthPx)
        : chart(c), toUtf8(t), frame(MakeFrame(c, widthPx)), colours(c.Levels()),
          taken(frame.map, ExpectedBoxes(c)), lines(frame.map) {}

    const Chart& chart;
    const TextToUtf8& toUtf8;
    Frame frame;
    LevelColours colours;
    BoxGrid taken;   // everything placed so far that a text must not cover
    Coverage lines;  // where lines were drawn, which a note had better not cover
    Drawn drawn;
    std::vector<Callout> callouts;
    std::vector<Box> glyphs;  // of the fronts: taken once the symbols are placed
    SvgDocument geometry, marks, labels, leaders, notes, legend;
};

void WriteAreas(Picture& pic) {
    SvgDocument& doc = pic.geometry;
    const Frame& f = pic.frame;
    doc.Raw("<g id=\"areas\" stroke-linejoin=\"round\" stroke-width=\"").Number(f.Units(1)).Raw("\">\n");
    for (const auto& area : pic.chart.FillAreas()) {
        std::string colour = FillAreaColour(area.code);
        doc.Raw("<path fill=\"").Raw(colour).Raw("\" fill-opacity=\"0.22\" stroke=\"").Raw(colour)
            .Raw("\" stroke-dasharray=\"").Number(f.Units(6)).Raw(" ").Number(f.Units(4)).Raw("\" d=\"");
        doc.PathData(area.points, true).Raw("\"/>\n");
        if (ToPixels(f, area.points).size() > 2) pic.drawn.fillAreas.insert(area.code);
    }
    for (const auto& region : pic.chart.WeatherRegions()) {
        std::string colour = RegionColour(region.code);
        doc.Raw("<path fill=\"").Raw(colour).Raw("\" fill-opacity=\"0.3\" stroke=\"").Raw(colour).Raw("\" d=\"");
        doc.PathData(region.points, true).Raw("\"/>\n");
        if (ToPixels(f, region.points).size() > 2) pic.drawn.regions.insert(region.code);
    }
    doc.Raw("</g>\n");
}

void WriteLines(Picture& pic) {
    SvgDocument& doc = pic.geometry;
    const Frame& f = pic.frame;
    doc.Raw("<g id=\"lines\" fill=\"none\" stroke=\"").Raw(LINE_COLOUR)
        .Raw("\" stroke-linejoin=\"round\" stroke-width=\"").Number(f.Units(1.2)).Raw("\">\n");
    for (const auto& line : pic.chart.Lines()) {
        bool coded = readdata14::IsLabelCode(line.labelValue);
        doc.Raw("<path");
        if (coded) doc.Raw(" stroke-dasharray=\"").Number(f.Units(8)).Raw(" ").Number(f.Units(5)).Raw("\"");
        doc.Raw(" d=\"").PathData(line.points, false).Raw("\"/>\n");
        auto points = ToPixels(f, line.points);
        if (points.size() < 2) continue;
        (coded ? pic.drawn.codedLine : pic.drawn.plainLine) = true;
        pic.lines.Add(points, false);
    }
    doc.Raw("</g>\n");
}

void WriteContours(Picture& pic) {
    SvgDocument& doc = pic.geometry;
    const Frame& f = pic.frame;
    doc.Raw("<g id=\"contours\" fill=\"none\" stroke-linejoin=\"round\" stroke-width=\"").Number(f.Units(1.6))
        .Raw("\">\n");
    for (const auto& contour : pic.chart.ClosedContours()) {
        std::string colour = pic.colours.For(contour.value);
        bool closed = contour.IsClosed();
        doc.Raw("<path stroke=\"").Raw(colour).Raw("\"");
        if (!closed) doc.Raw(" stroke-dasharray=\"").Number(f.Units(10)).Raw(" ").Number(f.Units(4)).Raw("\"");
        doc.Raw(" d=\"").PathData(contour.points, closed).Raw("\"/>\n");
        auto points = ToPixels(f, contour.points);
        if (points.size() < 2) continue;
        (colour == NO_LEVEL_COLOUR ? pic.drawn.noLevelContour : pic.drawn.levelContour) = true;
        if (!closed) pic.drawn.openContour = true;
        pic.lines.Add(points, closed);
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

// The box of a glyph on the page: its base along the line and its height
// (a triangle's; a half disc is lower) on the side it stands.
Box GlyphBox(const Frame& f, const Along& a, double size, double side) {
    double nx = -a.dy * side * size * 0.85, ny = a.dx * side * size * 0.85, hx = a.dx * size / 2, hy = a.dy * size / 2;
    Box box{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double along : {-1.0, 1.0}) {
        for (double out : {0.0, 1.0}) {
            Px p = f.ToPx(a.x + along * hx + out * nx, a.y + along * hy + out * ny);
            box = {std::min(box.x0, p.x), std::min(box.y0, p.y), std::max(box.x1, p.x), std::max(box.y1, p.y)};
        }
    }
    return box.Grown(1);
}

void WriteFronts(Picture& pic) {
    SvgDocument& doc = pic.geometry;
    const Frame& f = pic.frame;
    double size = f.Units(px::FRONT_GLYPH);
    doc.Raw("<g id=\"fronts\" fill=\"none\" stroke-linejoin=\"round\" stroke-linecap=\"round\" stroke-width=\"")
        .Number(f.Units(2.2)).Raw("\">\n");
    for (const auto& front : pic.chart.LineSymbols()) {
        FrontKind kind = FrontKindOf(front.code);
        std::string colour = FrontColour(front.code);
        doc.Raw("<path stroke=\"").Raw(colour).Raw("\" d=\"").PathData(front.points, false).Raw("\"/>\n");
        auto points = ToPixels(f, front.points);
        if (points.empty()) continue;
        pic.drawn.lineSymbols.insert(front.code);
        pic.lines.Add(points, false);
        if (kind == FrontKind::None) continue;
        auto places = PlacesAlong(front.points, f.Units(px::FRONT_SPACING));
        if (kind == FrontKind::Stationary) {
            doc.Raw("<path stroke=\"#d62728\" stroke-dasharray=\"").Number(f.Units(15)).Raw("\" d=\"")
                .PathData(front.points, false).Raw("\"/>\n");
            WriteGlyphs(doc, places, "#1f4fd1", size, kind, 0);
            WriteGlyphs(doc, places, "#d62728", size, kind, 1);
        } else {
            WriteGlyphs(doc, places, colour, size, kind, -1);
        }
        for (std::size_t i = 0; i < places.size(); ++i)
            pic.glyphs.push_back(GlyphBox(f, places[i], size, kind == FrontKind::Stationary && i % 2 == 1 ? -1 : 1));
    }
    doc.Raw("</g>\n");
}

// The corners of the box of the #wind arrow with its stroke (half its width
// and a little more, as generously as a browser bounds a stroke): turned
// with the arrow, the box of these is what the arrow takes on the page.
constexpr std::array<Px, 4> WIND_CORNERS{{{-11.5, -5.5}, {11.5, -5.5}, {11.5, 5.5}, {-11.5, 5.5}}};

void WriteWinds(Picture& pic) {
    SvgDocument& doc = pic.marks;
    doc.Raw("<g id=\"winds\">\n");
    for (const auto& symbol : pic.chart.Symbols()) {
        if (readdata14::IsTextSymbolType(symbol.type) || !Finite(symbol.position) || !std::isfinite(symbol.direction))
            continue;
        // The direction is 270 less the heading in degrees, counted
        // anticlockwise with north up; the page's y points down, so the
        // arrow turns the other way there.
        double heading = std::remainder(270.0 - double(symbol.direction), 360.0);
        double turn = -heading * std::numbers::pi / 180, c = std::cos(turn), s = std::sin(turn);
        Px at = pic.frame.ToPx(symbol.position);
        Box box{at.x, at.y, at.x, at.y};
        for (Px p : WIND_CORNERS) {
            double x = at.x + p.x * c - p.y * s, y = at.y + p.x * s + p.y * c;
            box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
        }
        pic.taken.Add(box);
        pic.drawn.windTypes.insert(symbol.type);
        doc.Raw("<use xlink:href=\"#wind\" stroke=\"").Raw(PaletteColour(symbol.type)).Raw("\" transform=\"translate(")
            .Number(at.x).Raw(",").Number(at.y).Raw(") rotate(").Number(-heading).Raw(")\"");
        doc.BoxAttribute(box).Raw("/>\n");
    }
    doc.Raw("</g>\n");
}

// A short text of a symbol stays by its point: on it when free, else just
// beside it (a central pressure under its centre's letter); on it all the
// same when nothing near is free, for it says something of that point.
Box PinnedBox(const BoxGrid& taken, Px at, double width, double height) {
    Box box = Box::Around(at, width, height);
    for (int k = 1; k <= 3; ++k) {
        double dy = k * height / 2, dx = k * width / 2;
        for (Px d : {Px{0, 0}, Px{0, dy}, Px{0, -dy}, Px{dx, 0}, Px{-dx, 0}}) {
            Box moved = box.Moved(d.x, d.y);
            if (taken.Free(moved.Grown(px::GAP))) return moved;
        }
    }
    return box;
}

void WriteTextSymbols(Picture& pic) {
    SvgDocument& doc = pic.marks;
    doc.Raw("<g id=\"texts\">\n");
    Font centreFont{px::CENTRE_FONT, true}, textFont{px::SYMBOL_FONT, false};
    // Centres first: the letters mark where the centre is and never move.
    for (bool centres : {true, false}) {
        for (const auto& symbol : pic.chart.Symbols()) {
            if (!readdata14::IsTextSymbolType(symbol.type) || !Finite(symbol.position)) continue;
            std::string text = pic.toUtf8(symbol.text);
            bool centre = (symbol.type == 60 || symbol.type == 61) && text.size() <= 2;
            if (text.empty() || centre != centres) continue;
            Px at = pic.frame.ToPx(symbol.position);
            const Font& font = centre ? centreFont : textFont;
            double width = font.Width(text) + 2 * px::HALO, height = font.Height() + 2 * px::HALO;
            if (!centre && width > PINNED_TEXT_WIDTH) {
                pic.callouts.push_back({at, std::move(text), "", false});
                continue;
            }
            Box box = centre ? Box::Around(at, width, height) : PinnedBox(pic.taken, at, width, height);
            pic.taken.Add(box);
            doc.Text(box.Centre().x, font.BaselineFor(box.Centre().y), centre ? "centre" : "symbol", text,
                     SymbolColour(symbol.type), &box);
            if (!centre) pic.drawn.symbolTexts = true;
            else if (symbol.type == 60 && pic.drawn.highText.empty()) pic.drawn.highText = text;
            else if (symbol.type == 61 && pic.drawn.lowText.empty()) pic.drawn.lowText = text;
        }
    }
    doc.Raw("</g>\n");
}

// Notes before the texts of symbols: a warning and its time outweigh a
// word beside a centre, which the centre's letter already marks.
void PlaceNotes(Picture& pic) {
    std::vector<Callout> callouts;
    for (const auto& note : pic.chart.Notes()) {
        if (!Finite(note.position)) continue;
        callouts.push_back({pic.frame.ToPx(note.position), pic.toUtf8(note.firstText), pic.toUtf8(note.secondText),
                            true});
    }
    std::move(pic.callouts.begin(), pic.callouts.end(), std::back_inserter(callouts));
    pic.callouts = std::move(callouts);
    pic.lines.Finish();
    pic.drawn.callouts = PlaceCallouts(pic.callouts, pic.frame.map, pic.lines, pic.taken, pic.notes, pic.leaders);
}

// A contour with a value but no label points gets one at its top.
void AddLabelled(std::vector<LabelledLine>& out, std::vector<bool>& coded, const Frame& f, float value,
                 std::string colour, std::span<const Point> points, bool closed, std::span<const Point> labelPoints,
                 bool labelAtTop) {
    std::string text = LabelText(value);
    if (text.empty()) return;
    LabelledLine line{std::move(text), std::move(colour), PixelPath(ToPixels(f, points), closed),
                      ToPixels(f, labelPoints), 0};
    if (line.wanted.empty() && labelAtTop && !line.path.Points().empty())
        line.wanted.push_back(*std::min_element(line.path.Points().begin(), line.path.Points().end(),
                                                [](Px a, Px b) { return a.y < b.y; }));
    if (line.wanted.empty()) return;
    out.push_back(std::move(line));
    coded.push_back(readdata14::IsLabelCode(value));
}

void PlaceAllLabels(Picture& pic) {
    std::vector<LabelledLine> lines;
    std::vector<bool> coded;
    for (const auto& contour : pic.chart.ClosedContours())
        AddLabelled(lines, coded, pic.frame, contour.value, Darker(pic.colours.For(contour.value), 0.7),
                    contour.points, contour.IsClosed(), contour.labelPoints, true);
    for (const auto& line : pic.chart.Lines())
        AddLabelled(lines, coded, pic.frame, line.labelValue, "#333", line.points, false, line.labelPoints, false);
    PlaceLabels(lines, pic.frame.map, pic.taken, pic.labels);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (coded[i] && lines[i].placed > 0) pic.drawn.labelCodes.insert(lines[i].text);
}

void WriteStyle(SvgDocument& doc) {
    Font label{px::LABEL_FONT, true};
    doc.Raw("<style>\ntext{font-family:'DejaVu Sans',Verdana,sans-serif;text-anchor:middle}\n"
            ".label,.centre,.symbol{paint-order:stroke;stroke:#fff;stroke-linejoin:round;stroke-width:")
        .Number(2 * px::HALO).Raw("px}\n.label,.legend-label{font-size:").Number(label.size)
        .Raw("px;font-weight:bold}\n.centre{font-size:").Number(px::CENTRE_FONT)
        .Raw("px;font-weight:bold}\n.symbol{font-size:").Number(px::SYMBOL_FONT)
        .Raw("px}\n.note-box{fill:#fff;fill-opacity:0.85;stroke:none}\n"
             ".note-box.framed{fill-opacity:0.92;stroke:#555;stroke-width:0.8px}\n"
             ".note-box.mark{fill:#333;fill-opacity:1}\n.mark-text{font-size:9px;font-weight:bold;fill:#fff}\n"
             ".note-text{fill:#222;text-anchor:start}\n.note-text,.legend-note{font-size:")
        .Number(px::NOTE_FONT).Raw("px}\n.note-first{font-weight:bold}\n#leaders{stroke:#555;stroke-width:0.8px;fill:#555}\n")
        .Raw(".title{font-size:").Number(px::TITLE_FONT).Raw("px;font-weight:bold;fill:#222;text-anchor:start}\n")
        .Raw(".legend{font-size:").Number(px::LEGEND_FONT).Raw("px;fill:#222;text-anchor:start}\n")
        .Raw(".legend-head{font-weight:bold}\n.legend-label{text-anchor:start}\n")
        .Raw(".legend-centre{font-size:16px;font-weight:bold}\n</style>\n");
}

std::string Assemble(Picture& pic, double legendHeight) {
    const Frame& f = pic.frame;
    double height = std::ceil(std::max(f.map.y1, f.legendAt.y + legendHeight) + f.margin);
    SvgDocument doc;
    doc.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"")
        .Number(f.width).Raw("\" height=\"").Number(height).Raw("\" viewBox=\"0 0 ").Number(f.width).Raw(" ")
        .Number(height).Raw("\">\n");
    WriteStyle(doc);
    doc.Raw("<defs><path id=\"wind\" fill=\"none\" stroke-width=\"1.4\" stroke-linecap=\"round\" "
            "d=\"M-10,0H10M10,0L4,4M10,0L4,-4\"/></defs>\n");
    doc.Raw("<rect width=\"").Number(f.width).Raw("\" height=\"").Number(height).Raw("\" fill=\"#ffffff\"/>\n");
    Font title{px::TITLE_FONT, true};
    doc.Text(f.margin, f.margin + title.Ascent(), "title",
             FitText(pic.toUtf8(pic.chart.Description()), title, f.width - 2 * f.margin));
    doc.Raw("<rect id=\"map\" x=\"").Number(f.map.x0).Raw("\" y=\"").Number(f.map.y0).Raw("\" width=\"")
        .Number(f.map.Width()).Raw("\" height=\"").Number(f.map.Height())
        .Raw("\" fill=\"#f4f8fb\" stroke=\"#9aa\" stroke-width=\"1\"/>\n");
    // The chart's own coordinates, y up, onto the map: one transform for all of it.
    doc.Raw("<g id=\"geometry\" transform=\"translate(")
        .Number(f.map.x0 + f.pad - f.extent.minX * f.scale).Raw(",")
        .Number(f.map.y0 + f.pad + f.extent.maxY * f.scale).Raw(") scale(").Number(f.scale).Raw(",")
        .Number(-f.scale).Raw(")\">\n");
    doc.Raw(pic.geometry.Out()).Raw("</g>\n");
    doc.Raw(pic.marks.Out());
    doc.Raw("<g id=\"leaders\">\n").Raw(pic.leaders.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"labels\">\n").Raw(pic.labels.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"notes\">\n").Raw(pic.notes.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"legend\">\n").Raw(pic.legend.Out()).Raw("</g>\n</svg>\n");
    return std::move(doc.Out());
}

}  // namespace

std::string RenderSvg(const Chart& chart, const TextToUtf8& toUtf8, const SvgOptions& options) {
    Picture pic(chart, toUtf8, options.widthPx);
    // Drawn beneath, then placed in order of how firmly each thing is tied to
    // its point: symbols, then notes, then the labels, which can move along
    // their lines or go.
    WriteAreas(pic);
    WriteLines(pic);
    WriteContours(pic);
    WriteFronts(pic);
    WriteWinds(pic);
    WriteTextSymbols(pic);
    // A front's glyphs may pass under a symbol, not under a note or label.
    for (const Box& glyph : pic.glyphs) pic.taken.Add(glyph);
    PlaceNotes(pic);
    PlaceAllLabels(pic);
    double legendHeight = WriteLegend(pic.legend, pic.drawn, pic.colours, pic.frame.legendAt, pic.frame.legendWidth);
    return Assemble(pic, legendHeight);
}

}  // namespace readdata14::chart14

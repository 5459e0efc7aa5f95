#include "svg/render.hpp"

#include <algorithm>
#include <cmath>

#include "picture/fronts.hpp"
#include "svg/front_glyphs.hpp"
#include "picture/frame.hpp"
#include "picture/layout.hpp"
#include "picture/style.hpp"
#include "picture/texts.hpp"
#include "svg/document.hpp"
#include "svg/legend.hpp"
#include "svg/texts.hpp"

namespace readdata14::chart14 {
namespace {

using layers::LayerId;

constexpr double MARGIN = 12;
constexpr double TITLE_HEIGHT = 26;
constexpr double LEGEND_WIDTH = 250;
// A narrower picture has its legend under the map.
constexpr double LEGEND_BESIDE_FROM = 720;

// The page: the title, the map and the legend, in output pixels.
struct Page {
    Frame frame;
    double width = 0, margin = 0;
    Px legendAt;
    double legendWidth = 0;
};

Page MakePage(const Chart& chart, double widthPx) {
    Page page;
    page.width = widthPx;
    page.margin = std::min(MARGIN, widthPx * 0.03);
    const bool beside = widthPx >= LEGEND_BESIDE_FROM;
    const double mapWidth =
        std::max(beside ? widthPx - LEGEND_WIDTH - 3 * page.margin : widthPx - 2 * page.margin, 1.0);
    const Extent extent = DrawnExtent(chart);
    const double pad = std::min(16.0, mapWidth * 0.04);
    const double scale = std::max(mapWidth - 2 * pad, 1e-3) / (extent.maxX - extent.minX);
    page.frame = FrameAt(extent, scale, pad, {page.margin, page.margin + TITLE_HEIGHT});
    page.frame.map.x1 = page.margin + mapWidth;
    const Box& map = page.frame.map;
    page.legendAt = beside ? Px{map.x1 + page.margin, map.y0} : Px{page.margin, map.y1 + page.margin};
    page.legendWidth = beside ? LEGEND_WIDTH : mapWidth;
    return page;
}

// One element's path in the chart's units (the geometry group's transform
// puts it on the map); sizes in pixels become units.
void WritePath(SvgDocument& doc, const Frame& f, const ElementStyle& style, std::span<const Point> points) {
    doc.Raw("<path");
    if (!style.stroke.empty()) doc.Raw(" stroke=\"").Raw(style.stroke).Raw("\"");
    if (!style.dash.empty()) {
        doc.Raw(" stroke-dasharray=\"");
        for (std::size_t i = 0; i < style.dash.size(); ++i) doc.Raw(i > 0 ? " " : "").Number(f.Units(style.dash[i]));
        doc.Raw("\"");
    }
    if (!style.fill.empty()) {
        doc.Raw(" fill=\"").Raw(style.fill).Raw("\" fill-opacity=\"").Number(style.fillOpacity).Raw("\"");
    }
    doc.Raw(" d=\"").PathData(points, style.closed).Raw("\"/>\n");
}

void OpenGroup(SvgDocument& doc, const Frame& f, std::string_view id, double width, bool roundEnds = false) {
    doc.Raw("<g id=\"").Raw(id).Raw("\" fill=\"none\" stroke-linejoin=\"round\"");
    if (roundEnds) doc.Raw(" stroke-linecap=\"round\"");
    doc.Raw(" stroke-width=\"").Number(f.Units(width)).Raw("\">\n");
}

// The areas' paths take their outline's width from their group.
static_assert(symbology::FILL_AREA_OUTLINE_WIDTH == symbology::REGION_OUTLINE_WIDTH,
              "share/symbology.json: fill areas and weather regions share one group of one outline width");

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

void WriteFronts(SvgDocument& doc, const Chart& chart, const Frame& f) {
    const double size = f.Units(px::FRONT_GLYPH);
    for (const auto& front : chart.LineSymbols()) {
        const ElementStyle style = FrontStyle(front.code);
        WritePath(doc, f, style, front.points);
        if (style.front == FrontKind::None) continue;
        const auto places = PlacesAlong(front.points, f.Units(px::FRONT_SPACING));
        if (style.front == FrontKind::Stationary) {
            const StationaryColours colours = StationaryFrontColours();
            WritePath(doc, f, StationaryDashStyle(), front.points);
            WriteGlyphs(doc, places, colours.first, size, style.front, 0);
            WriteGlyphs(doc, places, colours.second, size, style.front, 1);
        } else {
            WriteGlyphs(doc, places, style.stroke, size, style.front, -1);
        }
    }
}

void WriteArrows(SvgDocument& doc, const Chart& chart, const Frame& f) {
    for (const auto& symbol : chart.Symbols()) {
        if (IsTextSymbolType(symbol.type) || !std::isfinite(symbol.position.x) || !std::isfinite(symbol.position.y) ||
            !std::isfinite(symbol.direction))
            continue;
        const double turn = ArrowTurnDegrees(symbol.direction);
        const Px at = f.ToPx(symbol.position);
        doc.Raw("<use xlink:href=\"#wind\" stroke=\"").Raw(ArrowStyle(symbol.type).stroke)
            .Raw("\" transform=\"translate(").Number(at.x).Raw(",").Number(at.y).Raw(") rotate(").Number(turn)
            .Raw(")\"");
        doc.BoxAttribute(ArrowBox(at, turn)).Raw("/>\n");
    }
}

// The group a layer is drawn in: fill areas and weather regions share one.
// Notes are texts, and the picture draws no label points.
std::string_view GroupOf(LayerId id) {
    switch (id) {
        case LayerId::FillAreas:
        case LayerId::WeatherRegions: return "areas";
        case LayerId::ClosedContours: return "contours";
        case LayerId::Lines: return "lines";
        case LayerId::LineSymbols: return "fronts";
        case LayerId::Symbols: return "winds";
        case LayerId::Notes:
        case LayerId::LabelPoints: break;
    }
    return {};
}

void OpenLayerGroup(SvgDocument& doc, const Frame& f, LayerId id) {
    const std::string_view group = GroupOf(id);
    switch (id) {
        case LayerId::FillAreas:
        case LayerId::WeatherRegions: OpenGroup(doc, f, group, RegionStyle(0).width); break;
        case LayerId::ClosedContours: OpenGroup(doc, f, group, symbology::CONTOUR_WIDTH); break;
        case LayerId::Lines: OpenGroup(doc, f, group, LineStyle(0).width); break;
        case LayerId::LineSymbols: OpenGroup(doc, f, group, FrontStyle(0).width, true); break;
        case LayerId::Symbols: doc.Raw("<g id=\"").Raw(group).Raw("\">\n"); break;
        case LayerId::Notes:
        case LayerId::LabelPoints: break;
    }
}

void WriteLayer(SvgDocument& doc, const Chart& chart, const Frame& f, const LevelColours& colours, LayerId id) {
    switch (id) {
        case LayerId::FillAreas:
            for (const auto& area : chart.FillAreas()) WritePath(doc, f, FillAreaStyle(area.code), area.points);
            break;
        case LayerId::WeatherRegions:
            for (const auto& region : chart.WeatherRegions())
                WritePath(doc, f, RegionStyle(region.code), region.points);
            break;
        case LayerId::ClosedContours:
            for (const auto& contour : chart.ClosedContours())
                WritePath(doc, f, ContourStyle(contour, colours), contour.points);
            break;
        case LayerId::Lines:
            for (const auto& line : chart.Lines()) WritePath(doc, f, LineStyle(line.labelValue), line.points);
            break;
        case LayerId::LineSymbols: WriteFronts(doc, chart, f); break;
        case LayerId::Symbols: WriteArrows(doc, chart, f); break;
        case LayerId::Notes:
        case LayerId::LabelPoints: break;
    }
}

// The layers in the table's drawing order, each in its group; those in the
// chart's own coordinates (all but the arrows, drawn in pixels so that they
// keep their size) inside one transform that puts them on the map.
void WriteLayers(SvgDocument& doc, const Chart& chart, const Frame& f, const LevelColours& colours) {
    std::string_view open;  // the group being written
    bool inChartUnits = false;
    for (const LayerId id : DrawingOrder()) {
        const std::string_view group = GroupOf(id);
        if (group.empty()) continue;
        if (group != open && !open.empty()) doc.Raw("</g>\n");
        const bool chartUnits = id != LayerId::Symbols;
        if (chartUnits != inChartUnits) {
            if (chartUnits) {
                doc.Raw("<g id=\"geometry\" transform=\"translate(")
                    .Number(f.map.x0 + f.pad - f.extent.minX * f.scale).Raw(",")
                    .Number(f.map.y0 + f.pad + f.extent.maxY * f.scale).Raw(") scale(").Number(f.scale).Raw(",")
                    .Number(-f.scale).Raw(")\">\n");
            } else {
                doc.Raw("</g>\n");
            }
            inChartUnits = chartUnits;
        }
        if (group != open) OpenLayerGroup(doc, f, id);
        open = group;
        WriteLayer(doc, chart, f, colours, id);
    }
    if (!open.empty()) doc.Raw("</g>\n");
    if (inChartUnits) doc.Raw("</g>\n");
}

// The texts by group, in the order they are drawn: symbols' texts, the
// leaders beneath the labels, the labels, the notes.
struct TextGroups {
    SvgDocument symbols, leaders, labels, notes;
    bool anyLeader = false;
};

TextGroups WriteTexts(std::span<const MapText> texts, const Frame& f) {
    TextGroups groups;
    for (const MapText& text : texts) {
        const Box box = text.BoxAt(f);
        switch (text.role) {
            case TextRole::Centre:
            case TextRole::SymbolText: WriteText(groups.symbols, text, box); break;
            case TextRole::Label: WriteText(groups.labels, text, box); break;
            case TextRole::Note:
            case TextRole::Mark: {
                WriteText(groups.notes, text, box);
                const Px anchor = f.ToPx(text.anchor);
                if (!NeedsLeader(box, anchor)) break;
                WriteLeader(groups.leaders, anchor, NearestOnBox(box, anchor));
                groups.anyLeader = true;
                break;
            }
        }
    }
    return groups;
}

void WriteStyle(SvgDocument& doc) {
    Font label{px::LABEL_FONT, true};
    doc.Raw("<style>\ntext{font-family:'DejaVu Sans',Verdana,sans-serif;text-anchor:middle}\n"
            ".label,.centre,.symbol{paint-order:stroke;stroke:#fff;stroke-linejoin:round;stroke-width:")
        .Number(2 * px::HALO).Raw("px}\n.label,.legend-label{font-size:").Number(label.size)
        .Raw("px;font-weight:bold}\n.centre{font-size:").Number(px::CENTRE_FONT)
        .Raw("px;font-weight:bold}\n.symbol{font-size:").Number(px::SYMBOL_FONT)
        .Raw("px}\n.note-box{fill:#fff;fill-opacity:0.85;stroke:none}\n"
             ".note-box.framed{fill-opacity:")
        .Number(symbology::FRAME_OPACITY).Raw(";stroke:").Raw(symbology::LEADER_COLOUR).Raw(";stroke-width:")
        .Number(symbology::LEADER_WIDTH).Raw("px}\n.note-box.mark{fill:#333;fill-opacity:1}\n.mark-text{font-size:")
        .Number(MARK_FONT).Raw("px;font-weight:bold;fill:#fff}\n.note-text{fill:")
        .Raw(TextColour()).Raw(";text-anchor:start}\n.note-text,.legend-note{font-size:")
        .Number(px::NOTE_FONT).Raw("px}\n.note-first{font-weight:bold}\n#leaders{stroke:").Raw(symbology::LEADER_COLOUR)
        .Raw(";stroke-width:").Number(symbology::LEADER_WIDTH).Raw("px;fill:").Raw(symbology::LEADER_COLOUR).Raw("}\n")
        .Raw(".title{font-size:").Number(px::TITLE_FONT).Raw("px;font-weight:bold;fill:#222;text-anchor:start}\n")
        .Raw(".legend{font-size:").Number(px::LEGEND_FONT).Raw("px;fill:#222;text-anchor:start}\n")
        .Raw(".legend-head{font-weight:bold}\n.legend-label{text-anchor:start}\n")
        .Raw(".legend-centre{font-size:16px;font-weight:bold}\n</style>\n");
}

}  // namespace

std::string SvgStyleSheet() {
    SvgDocument doc;
    WriteStyle(doc);
    return std::move(doc.Out());
}

std::string RenderSvg(const Chart& chart, const TextToUtf8& toUtf8, const SvgOptions& options) {
    const Page page = MakePage(chart, options.widthPx);
    const Frame& f = page.frame;
    const LevelColours colours(chart.Levels());
    TextLayout layout(chart, toUtf8, colours, LayoutMode::Picture);
    layout.Place(f, 0);
    TextGroups texts = WriteTexts(layout.Texts(), f);

    Drawn drawn = DrawnElements(chart, colours);
    AddDrawnTexts(drawn, layout.Texts());
    drawn.leaders = texts.anyLeader;
    drawn.footnotes = layout.Footnotes();
    drawn.left = layout.Left();
    drawn.leftWhere = "(see --width, chart14 html)";
    SvgDocument legend;
    const double legendHeight = WriteLegend(legend, drawn, colours, page.legendAt, page.legendWidth);

    const double height = std::ceil(std::max(f.map.y1, page.legendAt.y + legendHeight) + page.margin);
    SvgDocument doc;
    doc.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"")
        .Number(page.width).Raw("\" height=\"").Number(height).Raw("\" viewBox=\"0 0 ").Number(page.width)
        .Raw(" ").Number(height).Raw("\">\n");
    WriteStyle(doc);
    doc.Raw("<defs><path id=\"wind\" fill=\"none\" stroke-width=\"").Number(ARROW_WIDTH)
        .Raw("\" stroke-linecap=\"round\" d=\"").Raw(ARROW_PATH).Raw("\"/></defs>\n");
    doc.Raw("<rect width=\"").Number(page.width).Raw("\" height=\"").Number(height).Raw("\" fill=\"#ffffff\"/>\n");
    const Font title{px::TITLE_FONT, true};
    doc.Text(page.margin, page.margin + title.Ascent(), "title",
             FitText(toUtf8(chart.Description()), title, page.width - 2 * page.margin));
    doc.Raw("<rect id=\"map\" x=\"").Number(f.map.x0).Raw("\" y=\"").Number(f.map.y0).Raw("\" width=\"")
        .Number(f.map.Width()).Raw("\" height=\"").Number(f.map.Height())
        .Raw("\" fill=\"#f4f8fb\" stroke=\"#9aa\" stroke-width=\"1\"/>\n");
    WriteLayers(doc, chart, f, colours);
    doc.Raw("<g id=\"texts\">\n").Raw(texts.symbols.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"leaders\">\n").Raw(texts.leaders.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"labels\">\n").Raw(texts.labels.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"notes\">\n").Raw(texts.notes.Out()).Raw("</g>\n");
    doc.Raw("<g id=\"legend\">\n").Raw(legend.Out()).Raw("</g>\n</svg>\n");
    return std::move(doc.Out());
}

}  // namespace readdata14::chart14

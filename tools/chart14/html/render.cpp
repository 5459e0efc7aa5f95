#include "html/render.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <vector>

#include "html/assets.hpp"
#include "html/packing.hpp"
#include "support/json_writer.hpp"
#include "picture/frame.hpp"
#include "picture/style.hpp"
#include "picture/texts.hpp"
#include "readdata14/layers.hpp"
#include "svg/document.hpp"
#include "svg/legend.hpp"
#include "svg/render.hpp"

namespace readdata14::chart14 {
namespace {

using layers::LayerId;

// The ladder of scales the texts are laid out at: level 0 puts the chart's
// longer side on this many pixels, each level doubles the scale, and the
// ladder ends where the texts have found room, or after so many levels.
constexpr double BASE_PIXELS = 256;
constexpr int MAX_LEVELS = 20;
constexpr double PAD = 16;
// Coordinates are kept to this share of the chart's longer side: finer than
// a pixel at 4000 times the scale that shows the whole chart at 1000 pixels.
constexpr double QUANTA = 1 << 22;

// The layers the page shows, in the table's drawing order. The label points
// are the places of the values on lines and contours: the page draws those
// values, not points of their own.
std::vector<LayerId> DrawnLayers() {
    std::vector<LayerId> drawn = DrawingOrder();
    std::erase(drawn, LayerId::LabelPoints);
    return drawn;
}

const char* GeometryName(layers::GeometryType type) {
    switch (type) {
        case layers::GeometryType::Point: return "Point";
        case layers::GeometryType::LineString: return "LineString";
        case layers::GeometryType::Polygon: return "Polygon";
    }
    return "Point";
}

const char* FieldTypeName(layers::FieldType type) {
    switch (type) {
        case layers::FieldType::Integer: return "Integer";
        case layers::FieldType::Boolean: return "Boolean";
        case layers::FieldType::Real: return "Real";
        case layers::FieldType::String: return "String";
    }
    return "String";
}

// A number the page reads as it is: the shortest text that reads back to it.
void WriteDouble(JsonWriter& w, double value) {
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::isfinite(value) ? value : 0.0).ptr;
    w.RawNumber(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

// A field's value as the layer model has it. A Real that is a float reads as
// that float; one that is not finite (JSON has no word for it) as its name.
void WriteFieldValue(JsonWriter& w, layers::FieldType type, const layers::FieldValue& value,
                     const TextToUtf8& toUtf8) {
    using Kind = layers::FieldValue::Kind;
    if (value.kind == Kind::Null) {
        w.Null();
        return;
    }
    switch (type) {
        case layers::FieldType::Integer: w.Int(value.integer); break;
        case layers::FieldType::Boolean: w.Bool(value.integer != 0); break;
        case layers::FieldType::Real:
            if (std::isnan(value.real)) w.String("NaN");
            else if (std::isinf(value.real)) w.String(value.real > 0 ? "Infinity" : "-Infinity");
            else if (static_cast<double>(static_cast<float>(value.real)) == value.real)
                w.Float(static_cast<float>(value.real));
            else WriteDouble(w, value.real);
            break;
        case layers::FieldType::String: w.String(value.kind == Kind::Text ? toUtf8(value.text) : value.text); break;
    }
}

void WriteStyle(JsonWriter& w, const ElementStyle& style) {
    w.BeginObject();
    w.Key("stroke").String(style.stroke).Key("width");
    WriteDouble(w, style.width);
    w.Key("dash").BeginArray();
    for (const double d : style.dash) WriteDouble(w, d);
    w.EndArray();
    w.Key("fill").String(style.fill).Key("fillOpacity");
    WriteDouble(w, style.fillOpacity);
    w.Key("closed").Bool(style.closed).Key("front");
    if (const std::string_view front = FrontKindName(style.front); !front.empty()) w.String(front);
    else w.Null();
    w.Key("arrow").Bool(style.arrow);
    w.EndObject();
}

// Each element's style, by layer, in feature order: an index into a list
// of the distinct styles; -1 for an element drawn as a text only.
struct LayerStyles {
    std::vector<ElementStyle> distinct;
    std::vector<std::int64_t> index;
    std::vector<double> turn;  // a wind arrow's, in degrees

    void Add(const ElementStyle* style, double arrowTurn = 0) {
        turn.push_back(arrowTurn);
        if (style == nullptr) {
            index.push_back(-1);
            return;
        }
        auto at = std::find(distinct.begin(), distinct.end(), *style);
        if (at == distinct.end()) at = distinct.insert(distinct.end(), *style);
        index.push_back(at - distinct.begin());
    }
};

LayerStyles StylesOf(const Chart& chart, LayerId id, const LevelColours& colours) {
    LayerStyles styles;
    const auto add = [&](const ElementStyle& style) { styles.Add(&style); };
    switch (id) {
        case LayerId::Lines:
            for (const auto& line : chart.Lines()) add(LineStyle(line.labelValue));
            break;
        case LayerId::LineSymbols:
            for (const auto& front : chart.LineSymbols()) add(FrontStyle(front.code));
            break;
        case LayerId::Symbols:
            for (const auto& symbol : chart.Symbols()) {
                if (IsTextSymbolType(symbol.type) || !std::isfinite(symbol.direction)) {
                    styles.Add(nullptr);
                    continue;
                }
                const ElementStyle arrow = ArrowStyle(symbol.type);
                styles.Add(&arrow, ArrowTurnDegrees(symbol.direction));
            }
            break;
        case LayerId::ClosedContours:
            for (const auto& contour : chart.ClosedContours()) add(ContourStyle(contour, colours));
            break;
        case LayerId::WeatherRegions:
            for (const auto& region : chart.WeatherRegions()) add(RegionStyle(region.code));
            break;
        case LayerId::FillAreas:
            for (const auto& area : chart.FillAreas()) add(FillAreaStyle(area.code));
            break;
        case LayerId::Notes:
            for (std::size_t i = 0; i < chart.Notes().size(); ++i) styles.Add(nullptr);
            break;
        case LayerId::LabelPoints: break;
    }
    return styles;
}

// One layer: its schema and values from the layer model, its geometry and
// styles for drawing.
void WriteLayer(JsonWriter& w, const Chart& chart, const layers::ChartLayers& model, const layers::LayerDefinition& layer,
                const Extent& extent, double quantum, const LevelColours& colours, const TextToUtf8& toUtf8) {
    const std::uint64_t count = model.FeatureCount(layer.id);
    std::vector<layers::Feature> features;
    features.reserve(count);
    for (std::uint64_t fid = 0; fid < count; ++fid) features.push_back(model.GetFeature(layer.id, fid));

    w.Break().BeginObject();
    w.Key("name").String(layer.name).Key("geometry").String(GeometryName(layer.geometry));
    w.Key("count").Int(static_cast<std::int64_t>(count));
    w.Key("fields").BeginArray();
    for (const auto& field : layer.fields)
        w.BeginObject().Key("name").String(field.name).Key("type").String(FieldTypeName(field.type)).EndObject();
    w.EndArray();
    w.Key("values").BeginArray();
    for (std::size_t i = 0; i < layer.fields.size(); ++i) {
        w.Break().BeginArray();
        for (const auto& feature : features) WriteFieldValue(w, layer.fields[i].type, feature.values[i], toUtf8);
        w.EndArray();
    }
    w.EndArray();

    const LayerStyles styles = StylesOf(chart, layer.id, colours);
    w.Break().Key("styles").BeginArray();
    for (const auto& style : styles.distinct) WriteStyle(w, style);
    w.EndArray();
    PackedIntegers style, points, turn;
    PackedCoordinates xs(extent.minX, quantum), ys(extent.minY, quantum);
    for (std::size_t i = 0; i < features.size(); ++i) {
        const auto& g = features[i].geometry;
        const std::span<const Point> line = g.type == layers::GeometryType::Point ? std::span(&g.point, 1) : g.points;
        std::int64_t finite = 0;
        for (const Point p : line) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            xs.Add(p.x);
            ys.Add(p.y);
            ++finite;
        }
        points.Add(finite);
        style.Add(i < styles.index.size() ? styles.index[i] : -1);
        turn.Add(i < styles.turn.size() ? std::llround(styles.turn[i] * 100) : 0);
    }
    w.Key("style").String(style.Base64()).Key("points").String(points.Base64());
    w.Key("x").String(xs.Base64()).Key("y").String(ys.Base64());
    // A wind arrow's turn, in hundredths of a degree.
    w.Key("turn").String(turn.Base64());
    w.EndObject();
}

// The texts of every level, and the few shapes they are drawn in.
void WriteTexts(JsonWriter& w, std::span<const MapText> texts, const Extent& extent, double quantum) {
    std::vector<std::string> strings{""};
    std::map<std::string, std::int64_t> stringIndex{{"", 0}};
    const auto stringOf = [&](const std::string& text) {
        const auto [at, added] = stringIndex.emplace(text, static_cast<std::int64_t>(strings.size()));
        if (added) strings.push_back(text);
        return at->second;
    };
    struct ShapeKey {
        TextShape shape;
        std::string colour;
        double fontSize;
        bool operator==(const ShapeKey& o) const {
            return shape.boxClass == o.shape.boxClass && shape.firstClass == o.shape.firstClass &&
                   shape.secondClass == o.shape.secondClass && shape.centred == o.shape.centred &&
                   shape.padding == o.shape.padding && shape.firstBaseline == o.shape.firstBaseline &&
                   shape.lineStep == o.shape.lineStep && colour == o.colour && fontSize == o.fontSize;
        }
    };
    std::vector<ShapeKey> shapes;
    PackedCoordinates xs(extent.minX, quantum), ys(extent.minY, quantum);
    PackedIntegers level, layer, fid, width, height, shape, first, second;
    for (const MapText& text : texts) {
        xs.Add(text.centre.x);
        ys.Add(text.centre.y);
        level.Add(text.level);
        layer.Add(static_cast<std::int64_t>(text.layer));
        fid.Add(static_cast<std::int64_t>(text.fid));
        // In hundredths of a pixel, rounded up: the box never shrinks.
        width.Add(static_cast<std::int64_t>(std::ceil(text.width * 100)));
        height.Add(static_cast<std::int64_t>(std::ceil(text.height * 100)));
        const ShapeKey key{ShapeOf(text), text.colour, text.fontSize};
        auto at = std::find(shapes.begin(), shapes.end(), key);
        if (at == shapes.end()) at = shapes.insert(shapes.end(), key);
        shape.Add(at - shapes.begin());
        first.Add(stringOf(text.first));
        second.Add(stringOf(text.second));
    }
    w.Break().Key("texts").BeginObject();
    w.Key("count").Int(static_cast<std::int64_t>(texts.size()));
    w.Key("x").String(xs.Base64()).Key("y").String(ys.Base64()).Key("level").String(level.Base64());
    w.Key("layer").String(layer.Base64()).Key("fid").String(fid.Base64());
    w.Key("width").String(width.Base64()).Key("height").String(height.Base64());
    w.Key("shape").String(shape.Base64()).Key("first").String(first.Base64()).Key("second").String(second.Base64());
    w.Key("shapes").BeginArray();
    for (const ShapeKey& key : shapes) {
        w.Break().BeginObject();
        w.Key("boxClass").String(key.shape.boxClass).Key("firstClass").String(key.shape.firstClass);
        w.Key("secondClass").String(key.shape.secondClass).Key("centred").Bool(key.shape.centred);
        w.Key("padding");
        WriteDouble(w, key.shape.padding);
        w.Key("firstBaseline");
        WriteDouble(w, key.shape.firstBaseline);
        w.Key("lineStep");
        WriteDouble(w, key.shape.lineStep);
        w.Key("fill").String(key.colour).Key("fontSize");
        WriteDouble(w, key.fontSize);
        w.EndObject();
    }
    w.EndArray();
    w.Break().Key("strings").BeginArray();
    for (const std::string& s : strings) w.String(s);
    w.EndArray();
    w.EndObject();
}

// The page's data: the chart's extent, the quantum of its packed
// coordinates, the ladder of text levels, the sizes of glyphs and arrows,
// the layers, and the texts.
void WriteData(std::string& out, const Chart& chart, const TextToUtf8& toUtf8, const Extent& extent,
               const LevelColours& colours, const TextLayout& layout, double base, int levels) {
    const double quantum = std::max(extent.maxX - extent.minX, extent.maxY - extent.minY) / QUANTA;
    const layers::ChartLayers model(chart);
    JsonWriter w(out);
    w.BeginObject();
    w.Key("title").String(toUtf8(chart.Description()));
    w.Key("extent").BeginArray();
    for (const double v : {extent.minX, extent.minY, extent.maxX, extent.maxY}) WriteDouble(w, v);
    w.EndArray();
    w.Key("quantum");
    WriteDouble(w, quantum);
    w.Key("ladder").BeginObject().Key("base");
    WriteDouble(w, base);
    w.Key("levels").Int(levels).EndObject();
    w.Key("glyph").BeginObject().Key("size");
    WriteDouble(w, px::FRONT_GLYPH);
    w.Key("spacing");
    WriteDouble(w, px::FRONT_SPACING);
    w.Key("dash").BeginArray();
    for (const double d : StationaryDashStyle().dash) WriteDouble(w, d);
    w.EndArray();
    // A stationary front's dashes, its triangles and its half discs.
    const StationaryColours stationary = StationaryFrontColours();
    w.Key("dashColour").String(stationary.second);
    w.Key("high").String(stationary.first).Key("low").String(stationary.second);
    w.EndObject();
    w.Key("arrow").BeginObject().Key("path").String(ARROW_PATH).Key("width");
    WriteDouble(w, ARROW_WIDTH);
    w.EndObject();
    const std::vector<LayerId> drawn = DrawnLayers();
    w.Key("layers").BeginArray();
    for (const LayerId id : drawn) WriteLayer(w, chart, model, layers::Layer(id), extent, quantum, colours, toUtf8);
    w.EndArray();
    // The texts name their layer by its place in the model's list.
    w.Key("layerIds").BeginArray();
    for (const LayerId id : drawn) w.Int(static_cast<std::int64_t>(id));
    w.EndArray();
    WriteTexts(w, layout.Texts(), extent, quantum);
    w.EndObject();
}

// "<" never closes the script that holds the data: JSON lets it be \u003c.
std::string ForScript(const std::string& json) {
    std::string out;
    out.reserve(json.size());
    for (const char c : json) {
        if (c == '<') out += "\\u003c";
        else out += c;
    }
    return out;
}

std::string EscapedHtml(std::string_view text) {
    SvgDocument doc;
    doc.Escaped(text);
    return std::move(doc.Out());
}

std::string Legend(const Chart& chart, const LevelColours& colours, const TextLayout& layout) {
    Drawn drawn = DrawnElements(chart, colours);
    AddDrawnTexts(drawn, layout.Texts());
    drawn.left = layout.Left();
    drawn.leftWhere = "(no zoom has room for them)";
    SvgDocument legend;
    constexpr double WIDTH = 250;
    const double height = WriteLegend(legend, drawn, colours, {1, 1}, WIDTH - 2) + 2;
    SvgDocument doc;
    doc.Raw("<svg id=\"legend\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
            "width=\"")
        .Number(WIDTH).Raw("\" height=\"").Number(std::ceil(height)).Raw("\">\n");
    doc.Raw(legend.Out()).Raw("</svg>\n");
    return std::move(doc.Out());
}

}  // namespace

std::string RenderHtml(const Chart& chart, const TextToUtf8& toUtf8) {
    const Extent extent = DrawnExtent(chart);
    const LevelColours colours(chart.Levels());
    TextLayout layout(chart, toUtf8, colours, LayoutMode::Zoom);
    const double base = BASE_PIXELS / std::max(extent.maxX - extent.minX, extent.maxY - extent.minY);
    // Up the ladder until every element has its text, and two levels more
    // for repeats of labels along long lines.
    int levels = 0, after = 0;
    while (levels < MAX_LEVELS && after < 2) {
        if (layout.Left().Total() == 0 && levels > 0) ++after;
        layout.Place(FrameAt(extent, std::ldexp(base, levels), PAD, {0, 0}), levels);
        ++levels;
    }
    std::string data;
    WriteData(data, chart, toUtf8, extent, colours, layout, base, std::max(levels, 1));

    const std::string title = EscapedHtml(toUtf8(chart.Description()));
    std::string page;
    page.reserve(data.size() + 65536);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    page += title + "</title>\n";
    page += SvgStyleSheet();
    page += "<style>\n";
    page += PAGE_STYLE;
    page += "</style>\n</head>\n<body>\n<header><h1>" + title + "</h1>";
    page += "<nav><button id=\"fit\" title=\"The whole chart\">fit</button>"
            "<button id=\"one\" title=\"One unit of the chart to one pixel\">1:1</button>"
            "<button id=\"zoom-out\" title=\"Zoom out\">\xE2\x88\x92</button>"
            "<button id=\"zoom-in\" title=\"Zoom in\">+</button><output id=\"scale\"></output>"
            "<button id=\"panel\" title=\"Show or hide the layers, the element and the legend\">panel</button>"
            "</nav></header>\n";
    page += "<main id=\"map\"><canvas id=\"geometry\"></canvas><canvas id=\"highlight\"></canvas>"
            "<svg id=\"texts\" xmlns=\"http://www.w3.org/2000/svg\"></svg></main>\n";
    page += "<aside><section id=\"layers\"><h2>Layers</h2></section>\n"
            "<section id=\"fields\"><h2>Element</h2><p id=\"fields-hint\">Point at an element, or tap it</p>"
            "<table id=\"fields-table\"></table></section>\n<section id=\"legend-box\"><h2>Legend</h2>\n";
    page += "<svg width=\"0\" height=\"0\" style=\"position:absolute\"><defs><path id=\"wind\" fill=\"none\" "
            "stroke-width=\"";
    {
        SvgDocument number;
        number.Number(ARROW_WIDTH);
        page += number.Out();
    }
    page += "\" stroke-linecap=\"round\" d=\"";
    page += ARROW_PATH;
    page += "\"/></defs></svg>\n";
    page += Legend(chart, colours, layout);
    page += "</section></aside>\n<script type=\"application/json\" id=\"chart-data\">";
    page += ForScript(data);
    page += "</script>\n<script>\n";
    page += PAGE_SCRIPT;
    page += "</script>\n</body>\n</html>\n";
    return page;
}

}  // namespace readdata14::chart14

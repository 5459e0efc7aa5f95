#include "svg/legend.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>
#include <string_view>

#include "svg/front_glyphs.hpp"
#include "readdata14/symbology.hpp"
#include "svg/texts.hpp"

namespace readdata14::chart14 {
namespace {

constexpr double ROW = 18;           // row height
constexpr double SWATCH = 32;        // width of the drawn sample
constexpr double TEXT_OFFSET = 40;   // from the row's left to its text
constexpr double LEVEL_COLUMN = 110;  // the width of a column of levels
// At most this many levels are listed; longer lists are sampled evenly.
constexpr std::size_t LEVEL_ROWS = 30;
// A list of coded labels longer than this many items and ranges is a count.
constexpr std::size_t CODE_PARTS = 8;

class Legend {
public:
    Legend(SvgDocument& doc, Px at, double width) : doc_(doc), x_(at.x), top_(at.y), y_(at.y), width_(width) {}

    double Height() const { return y_ - top_; }
    double Width() const { return width_; }
    void Skip(std::size_t rows) { y_ += double(rows) * ROW; }
    double Middle() const { return y_ + ROW / 2; }  // of the row being written
    double SwatchX() const { return x_; }

    void Heading(std::string_view text) {
        if (y_ > top_) y_ += ROW / 3;
        Font font{px::LEGEND_FONT, true};
        doc_.Text(x_, font.BaselineFor(Middle()), "legend legend-head", FitText(text, font, width_));
        y_ += ROW;
    }
    // A row: the sample drawn by `swatch` at the row's left, then the text.
    void Row(std::string_view text, const std::function<void()>& swatch) {
        if (swatch) swatch();
        Font font{px::LEGEND_FONT, false};
        doc_.Text(x_ + TEXT_OFFSET, font.BaselineFor(Middle()), "legend", FitText(text, font, width_ - TEXT_OFFSET));
        y_ += ROW;
    }
    // A text that may need several rows: the swatch beside the first.
    void Wrapped(std::string_view text, const std::function<void()>& swatch) {
        const std::vector<std::string> rows = WrapText(text, Font{px::LEGEND_FONT, false}, width_ - TEXT_OFFSET);
        for (std::size_t i = 0; i < rows.size(); ++i) Row(rows[i], i == 0 ? swatch : std::function<void()>());
    }
    // A lead and what it lists: on one row where it fits, else the lead on
    // a row of its own, so that no item is split from the rest.
    void Listing(const std::string& lead, const std::string& items) {
        const std::string row = lead + " " + items;
        if (Font{px::LEGEND_FONT, false}.Width(row) <= width_ - TEXT_OFFSET) {
            Row(row, {});
            return;
        }
        Row(lead, {});
        Wrapped(items, {});
    }

    void Line(std::string_view colour, double strokeWidth, bool dashed) {
        doc_.Raw("<path fill=\"none\" stroke=\"").Raw(colour).Raw("\" stroke-width=\"").Number(strokeWidth).Raw("\"");
        if (dashed) doc_.Raw(" stroke-dasharray=\"6 3\"");
        doc_.Raw(" d=\"M").Number(x_).Raw(",").Number(Middle()).Raw("h").Number(SWATCH).Raw("\"/>\n");
    }
    void Patch(std::string_view colour, double opacity, bool dashed) {
        doc_.Raw("<rect x=\"").Number(x_).Raw("\" y=\"").Number(Middle() - 6).Raw("\" width=\"").Number(SWATCH)
            .Raw("\" height=\"12\" fill=\"").Raw(colour).Raw("\" fill-opacity=\"").Number(opacity)
            .Raw("\" stroke=\"").Raw(colour).Raw("\"");
        if (dashed) doc_.Raw(" stroke-dasharray=\"6 4\"");
        doc_.Raw("/>\n");
    }
    void Sample(std::string_view cssClass, std::string_view text, std::string_view colour, const Font& font) {
        doc_.Text(x_ + SWATCH / 2, font.BaselineFor(Middle()), cssClass, text, colour);
    }
    SvgDocument& Doc() { return doc_; }

private:
    SvgDocument& doc_;
    double x_, top_, y_, width_;
};

void WriteContours(Legend& legend, const Drawn& drawn, const LevelColours& colours) {
    auto levels = colours.Sorted();
    if (!drawn.levelContour && !drawn.noLevelContour && !drawn.openContour && drawn.labelCodes.empty()) return;
    std::size_t rows = std::min(levels.size(), LEVEL_ROWS);
    if (drawn.levelContour && rows > 0) {
        legend.Heading(rows < levels.size() ? "Contour levels, high to low (" + std::to_string(rows) + " of " +
                                                  std::to_string(levels.size()) + ")"
                                            : std::string("Contour levels, high to low"));
        // Two columns, when there is room, down the first and then the second.
        std::size_t columns = rows > 6 && legend.Width() >= 2 * LEVEL_COLUMN ? 2 : 1;
        std::size_t perColumn = (rows + columns - 1) / columns;
        Font label{px::LABEL_FONT, true};
        SvgDocument& doc = legend.Doc();
        for (std::size_t r = 0; r < rows; ++r) {
            std::size_t i = rows < 2 ? 0 : (rows - 1 - r) * (levels.size() - 1) / (rows - 1);
            std::string colour = colours.For(levels[i]);
            double x = legend.SwatchX() + double(r / perColumn) * LEVEL_COLUMN;
            double y = legend.Middle() + double(r % perColumn) * ROW;
            doc.Raw("<path fill=\"none\" stroke=\"").Raw(colour).Raw("\" stroke-width=\"").Number(symbology::CONTOUR_WIDTH)
                .Raw("\" d=\"M").Number(x)
                .Raw(",").Number(y).Raw("h").Number(SWATCH).Raw("\"/>\n");
            doc.Text(x + TEXT_OFFSET, label.BaselineFor(y), "legend legend-label", LabelText(levels[i]),
                     ContourLabelColour(colour));
        }
        legend.Skip(perColumn);
    } else {
        legend.Heading("Contours");
    }
    if (drawn.noLevelContour)
        legend.Row(symbology::NO_LEVEL_NAME, [&] { legend.Line(NoLevelColour(), symbology::CONTOUR_WIDTH, false); });
    if (drawn.openContour) {
        legend.Row(symbology::OPEN_CONTOUR_NAME,
                   [&] { legend.Line(symbology::CONTOUR_SAMPLE_COLOUR, symbology::CONTOUR_WIDTH, true); });
    }
    if (!drawn.labelCodes.empty()) legend.Listing("Labels that are codes:", CodeList(drawn.labelCodes));
}

void WriteLines(Legend& legend, const Drawn& drawn) {
    if (!drawn.plainLine && !drawn.codedLine) return;
    legend.Heading("Lines");
    if (drawn.plainLine) legend.Row("Line", [&] { legend.Line(LineColour(), symbology::LINE_WIDTH, false); });
    if (drawn.codedLine) legend.Row("Line with a coded label", [&] { legend.Line(LineColour(), symbology::LINE_WIDTH, true); });
}

void FrontSwatch(Legend& legend, std::int32_t code) {
    FrontKind kind = FrontKindOf(code);
    std::string colour = FrontColour(code);
    SvgDocument& doc = legend.Doc();
    legend.Line(colour, symbology::FRONT_WIDTH, false);
    if (kind == FrontKind::None) return;
    double x = legend.SwatchX();
    const StationaryColours stationary = StationaryFrontColours();
    if (kind == FrontKind::Stationary)
        doc.Raw("<path fill=\"none\" stroke=\"").Raw(stationary.second)
            .Raw("\" stroke-width=\"").Number(symbology::FRONT_WIDTH).Raw("\" stroke-dasharray=\"8\" d=\"M").Number(x).Raw(",").Number(legend.Middle())
            .Raw("h").Number(SWATCH).Raw("\"/>\n");
    // Glyphs stand above the line: in the page's downward y that is its right.
    auto glyph = [&](double at, bool triangle, std::string_view fill, double side) {
        doc.Raw("<path stroke=\"none\" fill=\"").Raw(fill).Raw("\" d=\"");
        if (triangle) TriangleGlyph(doc, {x + at, legend.Middle(), 1, 0}, px::FRONT_GLYPH - 1, side);
        else HalfDiscGlyph(doc, {x + at, legend.Middle(), 1, 0}, px::FRONT_GLYPH - 1, side);
        doc.Raw("\"/>\n");
    };
    switch (kind) {
        case FrontKind::Cold: glyph(9, true, colour, -1), glyph(23, true, colour, -1); break;
        case FrontKind::Warm: glyph(9, false, colour, -1), glyph(23, false, colour, -1); break;
        case FrontKind::Occluded: glyph(9, true, colour, -1), glyph(23, false, colour, -1); break;
        case FrontKind::Stationary:
            glyph(9, true, stationary.first, -1), glyph(23, false, stationary.second, 1);
            break;
        case FrontKind::None: break;
    }
}

void WriteFronts(Legend& legend, const Drawn& drawn) {
    if (drawn.lineSymbols.empty()) return;
    legend.Heading("Fronts and line symbols");
    for (std::int32_t code : drawn.lineSymbols) legend.Row(FrontName(code), [&] { FrontSwatch(legend, code); });
}

void WriteSymbols(Legend& legend, const Drawn& drawn) {
    bool any = !drawn.centres.empty() || !drawn.windTypes.empty() || drawn.symbolTexts || drawn.plainNotes;
    if (!any) return;
    legend.Heading("Centres and symbols");
    Font centre{16, true}, text{px::SYMBOL_FONT, false};
    for (const symbology::Centre& kind : symbology::CENTRES) {  // in the table's order
        const auto drawnText = drawn.centres.find(kind.type);
        if (drawnText == drawn.centres.end()) continue;
        legend.Row(kind.name, [&] { legend.Sample("legend-centre", drawnText->second, kind.colour, centre); });
    }
    for (std::int32_t type : drawn.windTypes) {
        legend.Row("Arrow of symbol type " + std::to_string(type), [&] {
            legend.Doc().Raw("<use xlink:href=\"#wind\" stroke=\"").Raw(PaletteColour(type)).Raw("\" transform=\"translate(")
                .Number(legend.SwatchX() + SWATCH / 2).Raw(",").Number(legend.Middle()).Raw(")\"/>\n");
        });
    }
    if (drawn.symbolTexts) legend.Row("Text of a symbol", [&] { legend.Sample("symbol", "1013", TextColour(), text); });
    if (drawn.plainNotes) {
        legend.Row("Longer text of a symbol", [&] {
            SvgDocument& doc = legend.Doc();
            doc.Raw("<rect class=\"note-box\" x=\"").Number(legend.SwatchX()).Raw("\" y=\"").Number(legend.Middle() - 7)
                .Raw("\" width=\"").Number(SWATCH).Raw("\" height=\"14\"/>\n");
            legend.Sample("legend-note", "Abc", TextColour(), text);
        });
    }
}

void WriteAreas(Legend& legend, const Drawn& drawn) {
    if (!drawn.regions.empty()) {
        legend.Heading("Weather regions");
        for (std::int32_t code : drawn.regions)
            legend.Row(RegionName(code), [&] { legend.Patch(RegionColour(code), symbology::REGION_OPACITY, false); });
    }
    if (!drawn.fillAreas.empty()) {
        legend.Heading("Fill areas");
        for (std::int32_t code : drawn.fillAreas)
            legend.Row(FillAreaName(code),
                       [&] { legend.Patch(FillAreaColour(code), symbology::FILL_AREA_OPACITY, true); });
    }
}

void WriteNotes(Legend& legend, const Drawn& drawn) {
    if (!drawn.framedNotes && !drawn.leaders && drawn.footnotes.empty()) return;
    legend.Heading("Notes");
    if (drawn.framedNotes) {
        legend.Row("Note", [&] {
            legend.Doc().Raw("<rect class=\"note-box framed\" x=\"").Number(legend.SwatchX()).Raw("\" y=\"")
                .Number(legend.Middle() - 7).Raw("\" width=\"").Number(SWATCH).Raw("\" height=\"14\"/>\n");
        });
    }
    if (drawn.leaders) {
        legend.Row("Leads a moved text to its point", [&] {
            double y = legend.Middle(), x = legend.SwatchX();
            legend.Doc().Raw("<g id=\"legend-leader\" stroke=\"").Raw(symbology::LEADER_COLOUR).Raw("\" stroke-width=\"")
                .Number(symbology::LEADER_WIDTH).Raw("\" fill=\"").Raw(symbology::LEADER_COLOUR).Raw("\"><path d=\"M")
                .Number(x + 2).Raw(",").Number(y).Raw("h").Number(SWATCH - 2).Raw("\"/><circle cx=\"").Number(x + 2)
                .Raw("\" cy=\"").Number(y).Raw("\" r=\"2\"/></g>\n");
        });
    }
    if (!drawn.footnotes.empty()) legend.Row("No room on the map for:", {});
    for (const Footnote& note : drawn.footnotes) {
        std::string first = note.marked ? note.first : "(" + note.number + ", no room for its mark) " + note.first;
        legend.Wrapped(first, [&] {
            if (note.marked) WriteMark(legend.Doc(), {legend.SwatchX() + 8, legend.Middle() - 6.5}, note.number);
        });
        if (!note.second.empty()) legend.Wrapped(note.second, {});
    }
}

// How many texts had no room, the most important first, and where to see them.
void WriteLeftOut(Legend& legend, const Drawn& drawn) {
    const LeftOut& left = drawn.left;
    if (left.Total() == 0) return;
    legend.Heading("Left out for want of room");
    const auto row = [&](std::size_t n, const char* one, const char* many) {
        if (n > 0) legend.Row(std::to_string(n) + " " + (n == 1 ? one : many), {});
    };
    row(left.centres, "centre (H, L)", "centres (H, L)");
    row(left.contourValues, "contour's value", "contours' values");
    row(left.lineValues, "line's value", "lines' values");
    row(left.notes, "note", "notes");
    row(left.symbolTexts, "text of a symbol", "texts of symbols");
    legend.Row(drawn.leftWhere, {});
}

// The whole numbers among `codes`, ascending; nothing when one is not.
std::optional<std::vector<int>> CodeNumbers(const std::set<std::string>& codes) {
    std::vector<int> numbers;
    for (const std::string& code : codes) {
        int n = 0;
        const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), n);
        if (error != std::errc() || end != code.data() + code.size()) return std::nullopt;
        numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

std::string CodeList(const std::set<std::string>& codes) {
    const auto numbers = CodeNumbers(codes);
    std::vector<std::string> parts;
    if (!numbers) {
        parts.assign(codes.begin(), codes.end());
    } else {
        for (std::size_t i = 0; i < numbers->size();) {
            std::size_t j = i;
            while (j + 1 < numbers->size() && (*numbers)[j + 1] == (*numbers)[j] + 1) ++j;
            // Three or more in a row read as a range.
            if (j >= i + 2) {
                parts.push_back(std::to_string((*numbers)[i]) + "-" + std::to_string((*numbers)[j]));
            } else {
                for (std::size_t k = i; k <= j; ++k) parts.push_back(std::to_string((*numbers)[k]));
            }
            i = j + 1;
        }
    }
    if (parts.size() > CODE_PARTS && numbers) {
        return std::to_string(numbers->size()) + " codes from " + std::to_string(numbers->front()) + " to " +
               std::to_string(numbers->back());
    }
    if (parts.size() > CODE_PARTS) return std::to_string(codes.size()) + " codes";
    std::string list;
    for (const std::string& part : parts) list += (list.empty() ? "" : ", ") + part;
    return list;
}

Drawn DrawnElements(const Chart& chart, const LevelColours& colours) {
    Drawn drawn;
    const auto finite = [](std::span<const Point> points) {
        return static_cast<std::size_t>(std::count_if(points.begin(), points.end(), [](Point p) {
            return std::isfinite(p.x) && std::isfinite(p.y);
        }));
    };
    for (const auto& area : chart.FillAreas())
        if (finite(area.points) > 2) drawn.fillAreas.insert(area.code);
    for (const auto& region : chart.WeatherRegions())
        if (finite(region.points) > 2) drawn.regions.insert(region.code);
    for (const auto& line : chart.Lines()) {
        if (finite(line.points) < 2) continue;
        (IsLabelCode(line.labelValue) ? drawn.codedLine : drawn.plainLine) = true;
    }
    for (const auto& contour : chart.ClosedContours()) {
        if (finite(contour.points) < 2) continue;
        (colours.IsLevel(contour.value) ? drawn.levelContour : drawn.noLevelContour) = true;
        if (!contour.IsClosed()) drawn.openContour = true;
    }
    for (const auto& front : chart.LineSymbols())
        if (finite(front.points) > 0) drawn.lineSymbols.insert(front.code);
    for (const auto& symbol : chart.Symbols()) {
        if (!IsTextSymbolType(symbol.type) && finite({&symbol.position, 1}) == 1 && std::isfinite(symbol.direction))
            drawn.windTypes.insert(symbol.type);
    }
    return drawn;
}

void AddDrawnTexts(Drawn& drawn, std::span<const MapText> texts) {
    for (const MapText& text : texts) {
        switch (text.role) {
            case TextRole::Centre:
                drawn.centres.emplace(text.symbolType, text.first);  // the first of its type stays
                break;
            case TextRole::Label:
                if (text.labelCode) drawn.labelCodes.insert(text.first);
                break;
            case TextRole::SymbolText: drawn.symbolTexts = true; break;
            case TextRole::Note: (text.framed ? drawn.framedNotes : drawn.plainNotes) = true; break;
            case TextRole::Mark: break;
        }
    }
}

double WriteLegend(SvgDocument& doc, const Drawn& drawn, const LevelColours& colours, Px at, double width) {
    Legend legend(doc, at, width);
    WriteContours(legend, drawn, colours);
    WriteLines(legend, drawn);
    WriteFronts(legend, drawn);
    WriteSymbols(legend, drawn);
    WriteAreas(legend, drawn);
    WriteNotes(legend, drawn);
    WriteLeftOut(legend, drawn);
    if (legend.Height() == 0) legend.Row("Nothing drawn", {});
    return legend.Height();
}

}  // namespace readdata14::chart14

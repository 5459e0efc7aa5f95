#include "layers/layer_model.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "layers/record_walk.hpp"
#include "readdata14/chart.hpp"
#include "readdata14/format.hpp"

namespace readdata14::layers {
namespace {

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

// The names the model gives itself, each a run of one shared string.
constexpr char NAMES[] = "nonecodevaluelinesclosed_contours";
constexpr std::string_view Name(std::size_t at, std::size_t length) noexcept { return {NAMES + at, length}; }
constexpr std::string_view LABEL_NONE = Name(0, 4);
constexpr std::string_view LABEL_CODE = Name(4, 4);
constexpr std::string_view LABEL_VALUE = Name(8, 5);
constexpr std::string_view PARENT_LINES = Name(13, 5);
constexpr std::string_view PARENT_CONTOURS = Name(18, 15);

bool Finite(float value) noexcept { return std::isfinite(value); }

bool AllFinite(std::span<const Point> points) noexcept {
    return std::all_of(points.begin(), points.end(), [](Point p) { return Finite(p.x) && Finite(p.y); });
}

// "NoLabel" is none; a three-character label in (0, 100) is a code, stored
// with its offset; anything else is a value (NaN included: it was written
// as a number).
void Label(Table& table, std::size_t at, float value) {
    if (IsNoLabel(value)) {
        table[at].Text(NAMES, LABEL_NONE);
        table[at + 1].Null();
        table[at + 2].Null();
    } else if (IsLabelCode(value)) {
        table[at].Text(NAMES, LABEL_CODE);
        table[at + 1].Null();
        // The code as near to what was written as the stored float allows.
        table[at + 2].Real(double(value) - double(LABEL_CODE_OFFSET));
    } else {
        table[at].Text(NAMES, LABEL_VALUE);
        table[at + 1].Real(value);
        table[at + 2].Null();
    }
}

bool Present(const readdata14_document& document, std::uint32_t section) noexcept {
    return (document.sectionsPresent & section) != 0;
}

// The label points' parents, in the order of their layer: the lines', then
// the contours'.
struct LabelParent {
    std::string_view layer;
    std::size_t fid;
    float label;
    std::span<const Point> points;
};

}  // namespace

// ---- columns ------------------------------------------------------------------

Column::Column(const readdata14_field_definition& field) noexcept : type_(field.type) {}

void Column::Reserve(std::size_t rows) {
    nulls_.reserve(rows);
    switch (type_) {
        case READDATA14_FIELD_REAL: reals_.reserve(rows); break;
        case READDATA14_FIELD_STRING:
            textStarts_.reserve(rows);
            textLengths_.reserve(rows);
            break;
        default: integers_.reserve(rows); break;
    }
}

void Column::Real(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    Row();
    reals_.push_back(value);
}

void Column::Text(const char* base, std::string_view text) {
    Row();
    texts_ = base;
    // An empty text may be a view with no place at all (a null pointer).
    textStarts_.push_back(text.empty() ? 0 : static_cast<std::uint64_t>(text.data() - base));
    textLengths_.push_back(static_cast<std::uint32_t>(text.size()));
}

void Column::Null() {
    nulls_.push_back(1);
    anyNull_ = true;
    switch (type_) {
        case READDATA14_FIELD_REAL: reals_.push_back(NOT_A_NUMBER); break;
        case READDATA14_FIELD_STRING:
            textStarts_.push_back(0);
            textLengths_.push_back(0);
            break;
        default: integers_.push_back(0); break;
    }
}

readdata14_column Column::Record() const noexcept {
    readdata14_column column{};
    column.type = type_;
    switch (type_) {
        case READDATA14_FIELD_REAL: column.reals = reals_.data(); break;
        case READDATA14_FIELD_STRING:
            // A column of no rows, or of null rows only, still has bytes.
            column.texts = texts_ != nullptr ? texts_ : NAMES;
            column.textStarts = textStarts_.data();
            column.textLengths = textLengths_.data();
            break;
        default: column.integers = integers_.data(); break;
    }
    column.nulls = anyNull_ ? nulls_.data() : nullptr;
    return column;
}

// ---- tables -------------------------------------------------------------------

Table::Table(readdata14_layer_id id, bool present) {
    const readdata14_layer_definition& definition = Schema()[id];
    record_.size = sizeof record_;
    record_.id = static_cast<std::uint32_t>(id);
    record_.present = present ? 1 : 0;
    record_.definition = &definition;
    hasRecords_ = id != READDATA14_LAYER_LABEL_POINTS;
    columns_.reserve(definition.fieldCount);
    for (std::uint32_t i = 0; i < definition.fieldCount; ++i) columns_.emplace_back(definition.fields[i]);
    extent_ = {NOT_A_NUMBER, NOT_A_NUMBER, NOT_A_NUMBER, NOT_A_NUMBER};
}

void Table::Reserve(std::size_t features) {
    starts_.reserve(features);
    counts_.reserve(features);
    flags_.reserve(features);
    if (hasRecords_) recordStarts_.reserve(features);
    for (Column& column : columns_) column.Reserve(features);
}

void Table::Add(const float* base, std::span<const Point> points, std::uint8_t flags) {
    const bool isNull = (flags & READDATA14_GEOMETRY_NULL) != 0;
    const auto start = points.empty() ? 0 : reinterpret_cast<const float*>(points.data()) - base;
    starts_.push_back(isNull ? 0 : static_cast<std::uint64_t>(start));
    counts_.push_back(isNull ? 0 : static_cast<std::uint32_t>(points.size()));
    flags_.push_back(flags);
    if (isNull) return;
    for (const Point p : points) {
        // NaN compares false, so the first point sets the extent.
        if (!(p.x >= extent_[0])) extent_[0] = p.x;
        if (!(p.y >= extent_[1])) extent_[1] = p.y;
        if (!(p.x <= extent_[2])) extent_[2] = p.x;
        if (!(p.y <= extent_[3])) extent_[3] = p.y;
    }
}

void Table::Line(const float* base, std::span<const Point> points) {
    const bool isNull = points.size() < 2 || !AllFinite(points);
    Add(base, points, isNull ? static_cast<std::uint8_t>(READDATA14_GEOMETRY_NULL) : std::uint8_t{0});
}

// A ring as stored, closed by repeating its first point where the file does
// not: too few points for a ring once closed make no geometry. Whether GIS
// closed it (false where there is no ring to close).
bool Table::Ring(const float* base, std::span<const Point> points) {
    const bool closed = !points.empty() && points.front() == points.back();
    const bool isNull = points.size() + (closed ? 0 : 1) < 4 || !AllFinite(points);
    if (isNull) {
        Add(base, points, static_cast<std::uint8_t>(READDATA14_GEOMETRY_NULL));
    } else {
        Add(base, points, closed ? std::uint8_t{0} : static_cast<std::uint8_t>(READDATA14_RING_LEFT_OPEN));
    }
    return !isNull && !closed;
}

void Table::PointAt(const float* base, const Point* point) {
    const std::span<const Point> one(point, 1);
    Add(base, one, AllFinite(one) ? 0 : static_cast<std::uint8_t>(READDATA14_GEOMETRY_NULL));
}

void Table::Finish(const float* coordinates) {
    columnRecords_.reserve(columns_.size());
    for (const Column& column : columns_) columnRecords_.push_back(column.Record());
    record_.featureCount = counts_.size();
    record_.coordinates = coordinates;
    record_.geometryStarts = starts_.data();
    record_.pointCounts = counts_.data();
    record_.geometryFlags = flags_.data();
    record_.columns = columnRecords_.data();
    record_.recordStarts = hasRecords_ ? recordStarts_.data() : nullptr;
    std::copy(extent_.begin(), extent_.end(), record_.extent);
}

// ---- the layers -----------------------------------------------------------------

namespace {

void BuildLines(Table& table, const readdata14_chart& chart, std::vector<LabelParent>& parents) {
    const auto lines = Records<detail::LineLayout>(chart.lines, chart.linesSize);
    table.Reserve(lines.size());
    RecordStart<detail::LineLayout> start(chart.lines, chart.linesSize);
    std::size_t fid = 0;
    for (const readdata14::Line line : lines) {
        table.RecordAt(start.Next());
        table.Line(chart.lines, line.points);
        table[field::CODE].Integer(line.code);
        Label(table, field::LABEL_KIND, line.labelValue);
        table[field::LINE_LABEL_POINT_COUNT].Integer(static_cast<std::int64_t>(line.labelPoints.size()));
        if (!line.labelPoints.empty()) parents.push_back({PARENT_LINES, fid, line.labelValue, line.labelPoints});
        ++fid;
    }
    table.Finish(chart.lines);
}

template <class Layout>
void BuildCoded(Table& table, const float* block, std::size_t size, bool ring) {
    const auto records = Records<Layout>(block, size);
    table.Reserve(records.size());
    RecordStart<Layout> start(block, size);
    for (const auto record : records) {
        table.RecordAt(start.Next());
        if (ring) {
            table[field::REGION_LEFT_OPEN].Integer(table.Ring(block, record.points) ? 1 : 0);
        } else {
            table.Line(block, record.points);
        }
        table[field::CODE].Integer(record.code);
    }
    table.Finish(block);
}

void BuildSymbols(Table& table, const readdata14_chart& chart) {
    const float* block = chart.symbols.values;
    const auto symbols = Records<detail::SymbolLayout>(
        block, chart.symbolValuesSize, Texts(chart.symbols, chart.symbolLengthsSize, chart.symbolTextSize));
    table.Reserve(symbols.size());
    RecordStart<detail::SymbolLayout> start(block, chart.symbolValuesSize);
    for (const readdata14::Symbol symbol : symbols) {
        // The record is [1, type, x, y, direction]: its point stands at x.
        const std::size_t at = start.Next();
        table.RecordAt(at);
        table.PointAt(block, reinterpret_cast<const Point*>(block + at + 2));
        table[field::SYMBOL_TYPE].Integer(symbol.type);
        if (IsTextSymbolType(symbol.type)) {
            table[field::SYMBOL_DIRECTION].Null();
            table[field::SYMBOL_TEXT].Text(chart.symbols.text, symbol.text);
        } else {
            table[field::SYMBOL_DIRECTION].Real(symbol.direction);
            table[field::SYMBOL_TEXT].Null();
        }
    }
    table.Finish(block);
}

void BuildContours(Table& table, const readdata14_document& document, std::vector<LabelParent>& parents) {
    const readdata14_chart& chart = document.chart;
    const auto contours = Records<detail::ClosedContourLayout>(chart.closedContours, chart.closedContoursSize);
    table.Reserve(contours.size());
    RecordStart<detail::ClosedContourLayout> start(chart.closedContours, chart.closedContoursSize);
    std::size_t fid = 0;
    for (const ClosedContour contour : contours) {
        table.RecordAt(start.Next());
        table.Line(chart.closedContours, contour.points);
        table[field::CODE].Integer(contour.code);
        Label(table, field::LABEL_KIND, contour.value);
        table[field::CONTOUR_CLOSED].Integer(contour.IsClosed() ? 1 : 0);
        table[field::CONTOUR_VALUED_CLOSED].Integer(contour.valuedClosed ? 1 : 0);
        if (contour.levelIndex == NO_LEVEL_INDEX) {
            table[field::CONTOUR_LEVEL_INDEX].Null();
        } else {
            table[field::CONTOUR_LEVEL_INDEX].Integer(contour.levelIndex);
        }
        table[field::CONTOUR_NESTING_POSITION].Integer(static_cast<std::int64_t>(fid));
        table[field::CONTOUR_LABEL_POINT_COUNT].Integer(static_cast<std::int64_t>(contour.labelPoints.size()));
        // Every record has its file position when the reader made the block.
        const bool known = fid < document.contourFilePositionsSize;
        table[field::CONTOUR_FILE_POSITION].Integer(
            known ? document.contourFilePositions[fid] : static_cast<std::int64_t>(fid));
        if (!contour.labelPoints.empty()) parents.push_back({PARENT_CONTOURS, fid, contour.value, contour.labelPoints});
        ++fid;
    }
    table.Finish(chart.closedContours);
}

void BuildFillAreas(Table& table, const readdata14_chart& chart) {
    const auto areas = Records<detail::FillAreaLayout>(chart.fillAreas, chart.fillAreasSize);
    table.Reserve(areas.size());
    RecordStart<detail::FillAreaLayout> start(chart.fillAreas, chart.fillAreasSize);
    for (const FillArea area : areas) {
        table.RecordAt(start.Next());
        table[field::FILL_AREA_LEFT_OPEN].Integer(table.Ring(chart.fillAreas, area.points) ? 1 : 0);
        table[field::CODE].Integer(area.code);
        for (std::size_t k = 0; k < area.values.size(); ++k) {
            // The 14th value is the one float; the others are integers.
            if (k + 1 == field::FILL_AREA_REAL_VALUE) {
                table[k + 1].Real(area.values[k]);
            } else {
                table[k + 1].Integer(IntegerSlot(area.values[k]));
            }
        }
    }
    table.Finish(chart.fillAreas);
}

void BuildNotes(Table& table, const readdata14_chart& chart) {
    const float* block = chart.notes.values;
    const auto notes =
        Records<detail::NoteLayout>(block, chart.noteValuesSize, Texts(chart.notes, chart.noteLengthsSize, chart.noteTextSize));
    table.Reserve(notes.size());
    RecordStart<detail::NoteLayout> start(block, chart.noteValuesSize);
    for (const Note note : notes) {
        // The record is [1, type, x, y, value, 6 values].
        const std::size_t at = start.Next();
        table.RecordAt(at);
        table.PointAt(block, reinterpret_cast<const Point*>(block + at + 2));
        table[field::NOTE_TYPE].Integer(note.type);
        table[field::NOTE_VALUE].Real(note.value);
        for (std::size_t k = 0; k < note.values.size(); ++k) table[field::NOTE_VALUES + k].Real(note.values[k]);
        table[field::NOTE_FIRST_TEXT].Text(chart.notes.text, note.firstText);
        table[field::NOTE_SECOND_TEXT].Text(chart.notes.text, note.secondText);
    }
    table.Finish(block);
}

void BuildLabelPoints(Table& table, const std::vector<LabelParent>& parents, std::vector<float>& coordinates) {
    std::size_t count = 0;
    for (const LabelParent& parent : parents) count += parent.points.size();
    coordinates.reserve(2 * count);
    for (const LabelParent& parent : parents) {
        for (const Point p : parent.points) {
            coordinates.push_back(p.x);
            coordinates.push_back(p.y);
        }
    }
    table.Reserve(count);
    const auto* points = reinterpret_cast<const Point*>(coordinates.data());
    std::size_t at = 0;
    for (const LabelParent& parent : parents) {
        for (std::size_t index = 0; index < parent.points.size(); ++index, ++at) {
            table.PointAt(coordinates.data(), points + at);
            table[field::PARENT_LAYER].Text(NAMES, parent.layer);
            table[field::PARENT_FID].Integer(static_cast<std::int64_t>(parent.fid));
            table[field::LABEL_INDEX].Integer(static_cast<std::int64_t>(index));
            Label(table, field::LABEL_POINT_LABEL_KIND, parent.label);
        }
    }
    table.Finish(coordinates.data());
}

}  // namespace

LayerModel::LayerModel(const readdata14_document& document) {
    const readdata14_chart& chart = document.chart;
    const auto table = [&](readdata14_layer_id id, std::uint32_t section) -> Table& {
        tables_[id] = Table(id, Present(document, section));
        return tables_[id];
    };
    std::vector<LabelParent> parents;
    BuildLines(table(READDATA14_LAYER_LINES, READDATA14_SECTION_LINES), chart, parents);
    BuildCoded<detail::LineSymbolLayout>(table(READDATA14_LAYER_LINE_SYMBOLS, READDATA14_SECTION_LINE_SYMBOLS),
                                         chart.lineSymbols, chart.lineSymbolsSize, false);
    BuildSymbols(table(READDATA14_LAYER_SYMBOLS, READDATA14_SECTION_SYMBOLS), chart);
    BuildContours(table(READDATA14_LAYER_CLOSED_CONTOURS, READDATA14_SECTION_CLOSED_CONTOURS), document, parents);
    BuildCoded<detail::WeatherRegionLayout>(
        table(READDATA14_LAYER_WEATHER_REGIONS, READDATA14_SECTION_WEATHER_REGIONS), chart.weatherRegions,
        chart.weatherRegionsSize, true);
    BuildFillAreas(table(READDATA14_LAYER_FILL_AREAS, READDATA14_SECTION_FILL_AREAS), chart);
    BuildNotes(table(READDATA14_LAYER_NOTES, READDATA14_SECTION_NOTES), chart);
    BuildLabelPoints(table(READDATA14_LAYER_LABEL_POINTS, READDATA14_SECTION_LINES | READDATA14_SECTION_CLOSED_CONTOURS),
                     parents, labelPoints_);
}

}  // namespace readdata14::layers

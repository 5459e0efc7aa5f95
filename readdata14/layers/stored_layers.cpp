#include "layers/stored_layers.hpp"

#include <initializer_list>
#include <span>

#include "layers/record_walk.hpp"
#include "readdata14/chart.hpp"
#include "readdata14/format.hpp"

namespace readdata14::layers {
namespace {

constexpr std::uint32_t VALUE = READDATA14_STORED_VALUE;
constexpr std::uint32_t VALUES = READDATA14_STORED_VALUES;
constexpr std::uint32_t POINTS = READDATA14_STORED_POINTS;

std::size_t Offset(const float* block, const float* at) noexcept { return static_cast<std::size_t>(at - block); }
std::size_t Offset(const float* block, std::span<const Point> points) noexcept {
    return Offset(block, reinterpret_cast<const float*>(points.data()));
}

struct ColumnName {
    const char* name;
    std::uint32_t kind;
};

// Each label point as (x, y, its parent's label), in the layer model's
// order: the lines', then the contours', each parent's in order.
void KeepLabelPoints(std::vector<float>& kept, std::span<const Point> points, float label) {
    for (const Point p : points) kept.insert(kept.end(), {p.x, p.y, label});
}

// The columns of a layer whose items all lie in one block.
template <class Layout>
RecordRange<Layout> Begin(StoredLayer& layer, std::initializer_list<ColumnName> columns, const float* block,
                          std::size_t size, detail::TextSource texts = {}) {
    const auto records = Records<Layout>(block, size, texts);
    for (const ColumnName& column : columns) layer.Add(column.name, column.kind, block, size).Reserve(records.size());
    return records;
}

// Lines and closed contours: their records end alike, the label (a
// contour's value) after the points, then the label points.
//   line:    [p, code, p × (x, y), label, m, m × (x, y)]
//   contour: [n, code, valuedClosed, levelIndex, n × (x, y), value, m, m × (x, y)]
template <class Layout, class LabelOf>
void BuildLabelled(StoredLayer& layer, readdata14_layer_id id, const float* block, std::size_t size,
                   const char* label, LabelOf labelOf, std::vector<float>& kept) {
    const auto records = Begin<Layout>(
        layer, {{"record", VALUES}, {"points", POINTS}, {label, VALUE}, {"label_points", POINTS}}, block, size);
    RecordStart<Layout> start(block, size);
    for (const auto record : records) {
        layer[0].Add(start.Next(), start.Length());
        const std::size_t points = Offset(block, record.points);
        layer[1].Add(points, record.points.size());
        layer[2].Add(points + 2 * record.points.size(), 1);
        layer[3].Add(Offset(block, record.labelPoints), record.labelPoints.size());
        KeepLabelPoints(kept, record.labelPoints, labelOf(record));
    }
    layer.Finish(id, records.size());
}

void BuildLines(StoredLayer& layer, const readdata14_chart& chart, std::vector<float>& kept) {
    BuildLabelled<detail::LineLayout>(layer, READDATA14_LAYER_LINES, chart.lines, chart.linesSize, "label",
                                      [](const readdata14::Line& line) { return line.labelValue; }, kept);
}

void BuildContours(StoredLayer& layer, const readdata14_chart& chart, std::vector<float>& kept) {
    BuildLabelled<detail::ClosedContourLayout>(
        layer, READDATA14_LAYER_CLOSED_CONTOURS, chart.closedContours, chart.closedContoursSize, "value",
        [](const ClosedContour& contour) { return contour.value; }, kept);
}

template <class Layout>
void BuildPointLists(StoredLayer& layer, readdata14_layer_id id, const float* block, std::size_t size) {
    const auto records = Begin<Layout>(layer, {{"record", VALUES}, {"points", POINTS}}, block, size);
    RecordStart<Layout> start(block, size);
    for (const auto record : records) {
        layer[0].Add(start.Next(), start.Length());
        layer[1].Add(Offset(block, record.points), record.points.size());
    }
    layer.Finish(id, records.size());
}

void BuildSymbols(StoredLayer& layer, const readdata14_chart& chart) {
    const float* block = chart.symbols.values;
    const auto symbols = Begin<detail::SymbolLayout>(
        layer, {{"record", VALUES}, {"x", VALUE}, {"y", VALUE}, {"direction", VALUE}}, block, chart.symbolValuesSize,
        Texts(chart.symbols, chart.symbolLengthsSize, chart.symbolTextSize));
    RecordStart<detail::SymbolLayout> start(block, chart.symbolValuesSize);
    for (const readdata14::Symbol symbol : symbols) {
        // [1, type, x, y, direction]; the slot of a text type's direction holds no direction.
        const std::size_t at = start.Next();
        layer[0].Add(at, start.Length());
        layer[1].Add(at + 2, 1);
        layer[2].Add(at + 3, 1);
        layer[3].Add(at + 4, IsTextSymbolType(symbol.type) ? 0 : 1);
    }
    layer.Finish(READDATA14_LAYER_SYMBOLS, symbols.size());
}

void BuildFillAreas(StoredLayer& layer, const readdata14_chart& chart) {
    const float* block = chart.fillAreas;
    const auto areas = Begin<detail::FillAreaLayout>(layer, {{"record", VALUES}, {"points", POINTS}, {"values", VALUES}},
                                                     block, chart.fillAreasSize);
    RecordStart<detail::FillAreaLayout> start(block, chart.fillAreasSize);
    for (const FillArea area : areas) {
        layer[0].Add(start.Next(), start.Length());
        layer[1].Add(Offset(block, area.points), area.points.size());
        layer[2].Add(Offset(block, area.values.data()), area.values.size());
    }
    layer.Finish(READDATA14_LAYER_FILL_AREAS, areas.size());
}

void BuildNotes(StoredLayer& layer, const readdata14_chart& chart) {
    const float* block = chart.notes.values;
    const auto notes = Begin<detail::NoteLayout>(
        layer, {{"record", VALUES}, {"x", VALUE}, {"y", VALUE}, {"value", VALUE}, {"values", VALUES}}, block,
        chart.noteValuesSize, Texts(chart.notes, chart.noteLengthsSize, chart.noteTextSize));
    RecordStart<detail::NoteLayout> start(block, chart.noteValuesSize);
    for (const Note note : notes) {
        // [1, type, x, y, value, 6 values]
        const std::size_t at = start.Next();
        layer[0].Add(at, start.Length());
        layer[1].Add(at + 2, 1);
        layer[2].Add(at + 3, 1);
        layer[3].Add(at + 4, 1);
        layer[4].Add(Offset(block, note.values.data()), note.values.size());
    }
    layer.Finish(READDATA14_LAYER_NOTES, notes.size());
}

void BuildLabelPoints(StoredLayer& layer, const std::vector<float>& kept) {
    const std::size_t n = kept.size() / 3;
    const char* names[] = {"x", "y", "label"};
    for (std::size_t k = 0; k < 3; ++k) {
        StoredColumn& column = layer.Add(names[k], VALUE, kept.data(), kept.size());
        column.Reserve(n);
        for (std::size_t i = 0; i < n; ++i) column.Add(3 * i + k, 1);
    }
    layer.Finish(READDATA14_LAYER_LABEL_POINTS, n);
}

}  // namespace

StoredColumn::StoredColumn(const char* name, std::uint32_t kind, const float* floats, std::size_t floatCount) noexcept {
    record_.name = name;
    record_.kind = kind;
    record_.floats = floats;
    record_.floatCount = floatCount;
}

void StoredColumn::Reserve(std::size_t features) {
    starts_.reserve(features);
    counts_.reserve(features);
}

readdata14_stored_column StoredColumn::Record() const noexcept {
    readdata14_stored_column record = record_;
    record.starts = starts_.data();
    record.counts = counts_.data();
    return record;
}

StoredColumn& StoredLayer::Add(const char* name, std::uint32_t kind, const float* floats, std::size_t floatCount) {
    return columns_.emplace_back(name, kind, floats, floatCount);
}

void StoredLayer::Finish(readdata14_layer_id id, std::size_t features) {
    columnRecords_.reserve(columns_.size());
    for (const StoredColumn& column : columns_) columnRecords_.push_back(column.Record());
    record_.size = sizeof record_;
    record_.id = static_cast<std::uint32_t>(id);
    record_.columnCount = static_cast<std::uint32_t>(columnRecords_.size());
    record_.featureCount = features;
    record_.columns = columnRecords_.data();
}

StoredLayers::StoredLayers(const readdata14_document& document) {
    const readdata14_chart& chart = document.chart;
    BuildLines(layers_[READDATA14_LAYER_LINES], chart, labelPoints_);
    BuildPointLists<detail::LineSymbolLayout>(layers_[READDATA14_LAYER_LINE_SYMBOLS], READDATA14_LAYER_LINE_SYMBOLS,
                                              chart.lineSymbols, chart.lineSymbolsSize);
    BuildSymbols(layers_[READDATA14_LAYER_SYMBOLS], chart);
    BuildContours(layers_[READDATA14_LAYER_CLOSED_CONTOURS], chart, labelPoints_);
    BuildPointLists<detail::WeatherRegionLayout>(layers_[READDATA14_LAYER_WEATHER_REGIONS],
                                                 READDATA14_LAYER_WEATHER_REGIONS, chart.weatherRegions,
                                                 chart.weatherRegionsSize);
    BuildFillAreas(layers_[READDATA14_LAYER_FILL_AREAS], chart);
    BuildNotes(layers_[READDATA14_LAYER_NOTES], chart);
    // Last: the lines' and the contours' label points are all kept by now.
    BuildLabelPoints(layers_[READDATA14_LAYER_LABEL_POINTS], labelPoints_);
}

}  // namespace readdata14::layers

// The layers' way back into a chart (readdata14_layers.h): a host's table
// resolved by the layer model's rules, then its elements added to the
// builder all together or not at all.
#define READDATA14_BUILDING
#include "readdata14/readdata14_layers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "api/builder.hpp"
#include "api/write_results.hpp"
#include "layers/layer_input.hpp"
#include "layers/schema.hpp"

namespace {

using readdata14::api::Guarded;
using readdata14::api::Refuse;
using readdata14::api::Report;
using readdata14::api::Tell;
using readdata14::writing::ChartBuilder;
using readdata14::writing::Problem;

constexpr std::uint32_t SECTION_OF[] = {READDATA14_SECTION_LINES,           READDATA14_SECTION_LINE_SYMBOLS,
                                        READDATA14_SECTION_SYMBOLS,         READDATA14_SECTION_CLOSED_CONTOURS,
                                        READDATA14_SECTION_WEATHER_REGIONS, READDATA14_SECTION_FILL_AREAS,
                                        READDATA14_SECTION_NOTES,           0};

// The record as first defined, up to `fids`: the members after it came
// later, and a host's record that ends before them reads them as null or 0.
constexpr std::size_t kFirstTableSize = offsetof(readdata14_layer_table, fids) + sizeof(const std::int64_t*);

// The host's record as this library's, whatever the host's size.
readdata14_layer_table Widened(const readdata14_layer_table& given) noexcept {
    readdata14_layer_table table{};
    std::memcpy(&table, &given, std::min(given.size, sizeof table));
    table.size = sizeof table;
    return table;
}

// A table the library can read at all: its record, and arrays wherever it
// has rows (which columns it has is the layer table's to check).
bool Readable(const readdata14_layer_table* table) noexcept {
    if (table == nullptr || table->size < kFirstTableSize) return false;
    if (table->id >= readdata14::layers::LAYER_COUNT) return false;
    // A bit this library does not know asks for what it would not do.
    constexpr std::uint32_t kKnownFlags = READDATA14_TABLE_CLOSE_RINGS | READDATA14_TABLE_POINTS_AS_GIVEN;
    if (table->size >= offsetof(readdata14_layer_table, flags) + sizeof(table->flags) && (table->flags & ~kKnownFlags) != 0) {
        return false;
    }
    if (table->columnCount > 0 && table->columns == nullptr) return false;
    if (table->featureCount == 0) return true;
    return table->geometryStarts != nullptr && table->pointCounts != nullptr &&
           (table->coordinates != nullptr || table->coordinateCount == 0);
}

// The builder's reason without its own place ("LINES, line 3: "): the
// row of the table names the element instead.
std::string WhyRefused(const Problem& problem) {
    const std::string& message = problem.message;
    const auto colon = message.find(": ");
    return problem.element >= 0 && colon != std::string::npos ? message.substr(colon + 2) : message;
}

// Each element to the builder; the first refusal, named by the row.
std::optional<Problem> AddAll(ChartBuilder& chart, readdata14_layer_id id, const readdata14::layers::LayerElements& in) {
    const auto refused = [&](std::size_t row, const Problem& problem) {
        const std::string name = readdata14::layers::Schema()[id].name;
        return Problem{SECTION_OF[id], static_cast<std::int64_t>(row),
                       name + " row " + std::to_string(row) + ": " + WhyRefused(problem)};
    };
    for (const auto& e : in.labelled) {
        const readdata14::writing::LabelledLine line{e.code, e.points, e.label, e.labelPoints};
        const auto problem = id == READDATA14_LAYER_LINES ? chart.AddLine(line) : chart.AddKeptContour(line);
        if (problem) return refused(e.row, *problem);
    }
    for (const auto& e : in.lists) {
        const readdata14::writing::PointList list{e.code, e.points, e.values};
        const auto problem = id == READDATA14_LAYER_LINE_SYMBOLS      ? chart.AddLineSymbol(list)
                             : id == READDATA14_LAYER_WEATHER_REGIONS ? chart.AddWeatherRegion(list)
                                                                      : chart.AddFillArea(list);
        if (problem) return refused(e.row, *problem);
    }
    for (const auto& e : in.symbols) {
        if (const auto problem = chart.AddSymbol({e.type, e.x, e.y, e.direction, e.text, false})) return refused(e.row, *problem);
    }
    for (const auto& e : in.notes) {
        const readdata14::writing::Note note{e.type, e.x, e.y, e.value, e.trailing, e.firstText, e.secondText};
        if (const auto problem = chart.AddNote(note)) return refused(e.row, *problem);
    }
    return std::nullopt;
}

readdata14_status Told(readdata14_write_result* result, const Problem& problem) {
    Report report;
    report.status = READDATA14_NOT_WRITABLE;
    report.problem = &problem;
    return Tell(result, report);
}

// The rows resolved and added; kept when `keep` and none was refused, else
// the builder left as it was.
readdata14_status AddLayer(readdata14_builder* builder, const readdata14_layer_table* table,
                           const readdata14_layer_table* labelPoints, readdata14_write_result* result, bool keep) {
    if (builder == nullptr || !Readable(table) || table->id == READDATA14_LAYER_LABEL_POINTS ||
        (labelPoints != nullptr && (!Readable(labelPoints) || labelPoints->id != READDATA14_LAYER_LABEL_POINTS))) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT,
                      "a null builder or table, a table whose size is not set or that names no layer, flags this "
                      "library does not know, null arrays with rows, or label points that are not the label_points "
                      "layer (which goes with its parents)");
    }
    const readdata14_layer_table rows = Widened(*table);
    const readdata14_layer_table marks = labelPoints != nullptr ? Widened(*labelPoints) : readdata14_layer_table{};
    return Guarded(result, [&] {
        const auto id = static_cast<readdata14_layer_id>(rows.id);
        readdata14::layers::LayerElements elements;
        if (auto refusal = readdata14::layers::ResolveLayer(rows, labelPoints != nullptr ? &marks : nullptr, elements)) {
            return Told(result, Problem{SECTION_OF[id], refusal->row, std::move(refusal->message)});
        }
        ChartBuilder& chart = builder->chart;
        const ChartBuilder::Mark mark = chart.Marked();
        std::optional<Problem> problem;
        try {
            problem = AddAll(chart, id, elements);
        } catch (...) {
            chart.Restore(mark);
            throw;
        }
        if (problem || !keep) chart.Restore(mark);
        return problem ? Told(result, *problem) : Tell(result, Report{});
    });
}

}  // namespace

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_layer(
    readdata14_builder* builder, const readdata14_layer_table* table, const readdata14_layer_table* labelPoints,
    readdata14_write_result* result) {
    return AddLayer(builder, table, labelPoints, result, true);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_check_layer(
    readdata14_builder* builder, const readdata14_layer_table* table, const readdata14_layer_table* labelPoints,
    readdata14_write_result* result) {
    return AddLayer(builder, table, labelPoints, result, false);
}

// The layers' way back (readdata14_builder_add_layer): every chart's layers,
// given back, give the chart again, but for the points of elements GIS cannot
// carry; and a table the format cannot take is refused whole, naming the row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "readdata14/format.hpp"
#include "readdata14/layers.hpp"
#include "readdata14/readdata14_layers.h"
#include "support/chart_text.hpp"
#include "support/document_compare.hpp"
#include "support/write_round_trip.hpp"

#if __has_include("chart_generator.hpp")
#include "chart_generator.hpp"
#define READDATA14_HAVE_GENERATOR 1
#endif

namespace readdata14 {
namespace {

using test::CompareDocuments;
using test::DocumentPtr;

// A layer of the model as a table handed back: every column by its name.
struct Table {
    explicit Table(const readdata14_layer& layer) {
        const readdata14_layer_definition& definition = *layer.definition;
        for (std::uint32_t i = 0; i < definition.fieldCount; ++i) {
            const readdata14_column& column = layer.columns[i];
            std::uint64_t textSize = 0;
            for (std::uint64_t row = 0; column.type == READDATA14_FIELD_STRING && row < layer.featureCount; ++row) {
                textSize = std::max(textSize, column.textStarts[row] + column.textLengths[row]);
            }
            columns.push_back({definition.fields[i].name, column, textSize});
        }
        std::uint64_t coordinates = 0;
        for (std::uint64_t row = 0; row < layer.featureCount; ++row) {
            coordinates = std::max(coordinates, layer.geometryStarts[row] + 2 * std::uint64_t{layer.pointCounts[row]});
        }
        table.id = layer.id;
        table.columnCount = static_cast<std::uint32_t>(columns.size());
        table.columns = columns.data();
        table.featureCount = layer.featureCount;
        table.coordinates = layer.coordinates;
        table.coordinateCount = coordinates;
        table.geometryStarts = layer.geometryStarts;
        table.pointCounts = layer.pointCounts;
        table.geometryFlags = layer.geometryFlags;
    }
    std::vector<readdata14_table_column> columns;
    readdata14_layer_table table = READDATA14_LAYER_TABLE_INIT;
};

// The chart's layers out, then in through the entry, with its header and
// the sections it lacks.
DocumentPtr ThroughLayers(const readdata14_document& chart, std::string& why) {
    readdata14_builder* builder = nullptr;
    EXPECT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const Table marks(*readdata14_document_layer(&chart, READDATA14_LAYER_LABEL_POINTS));
    std::uint32_t missing = 0;
    for (std::uint32_t id = 0; id < READDATA14_LAYER_LABEL_POINTS && why.empty(); ++id) {
        const readdata14_layer* layer = readdata14_document_layer(&chart, id);
        const Table table(*layer);
        if (readdata14_builder_add_layer(builder, &table.table, &marks.table, &result) != READDATA14_WRITTEN) {
            why = result.message;
        }
        if (!layer->present && layer->featureCount == 0) missing |= 1u << id;
    }
    std::string first(chart.firstToken, chart.firstTokenSize);
    std::string description(chart.chart.description, chart.descriptionSize);
    std::vector<std::int32_t> integers;
    for (std::size_t i = 0; i < 5 && chart.headerIntegerPresent[i]; ++i) integers.push_back(chart.headerIntegers[i]);
    readdata14_builder_set_header(builder, first.c_str(), description.c_str(), integers.data(), integers.size(), &result);
    // Layer ids and section bits are in the same order.
    readdata14_builder_leave_out(builder, missing & (chart.sectionsPresent ^ 0x7Fu), &result);
    readdata14_document* built = nullptr;
    if (why.empty() && readdata14_builder_finish(builder, &built, &result) != READDATA14_READ) why = result.message;
    readdata14_builder_free(builder);
    return DocumentPtr(built);
}

// A null that stands for a value that was not finite (lost through GIS: it
// comes back NaN), not for a field the row has not.
bool LostValue(const readdata14_layer& layer, std::uint32_t field, std::uint64_t row) {
    const std::string_view name = layer.definition->fields[field].name;
    const auto text = [&](std::uint32_t k) {
        return layers::ChartLayers::Value(layer.columns[k], row).text;
    };
    if (name == "label_code") return false;
    if (name == "label_value") return text(field - 1) == "value";
    if (name == "direction") return !IsTextSymbolType(static_cast<std::int32_t>(layer.columns[0].integers[row]));
    return layer.definition->fields[field].type == READDATA14_FIELD_REAL;
}

// Whether the chart holds what GIS cannot carry: a null geometry (its
// points), a dropped symbol, a value that is not finite.
bool AllCarried(const readdata14_document& chart) {
    for (std::uint32_t id = 0; id < readdata14_layer_count(); ++id) {
        const readdata14_layer& layer = *readdata14_document_layer(&chart, id);
        for (std::uint64_t row = 0; row < layer.featureCount; ++row) {
            if ((layer.geometryFlags[row] & READDATA14_GEOMETRY_NULL) != 0) return false;
            for (std::uint32_t k = 0; k < layer.definition->fieldCount; ++k) {
                const uint8_t* nulls = layer.columns[k].nulls;
                if (nulls != nullptr && nulls[row] != 0 && LostValue(layer, k, row)) return false;
            }
        }
    }
    const readdata14_chart& c = chart.chart;
    return c.symbols.values == nullptr || c.symbolLengthsSize == static_cast<std::size_t>(c.symbols.values[0]);
}

// The same rows in a layer that keeps its order (all but the contours,
// which the nesting orders by their points): fields and the points of
// every geometry GIS carried.
std::string SameRows(const readdata14_layer& a, const readdata14_layer& b) {
    if (a.featureCount != b.featureCount) return std::string(a.definition->name) + ": feature counts differ";
    for (std::uint64_t row = 0; row < a.featureCount; ++row) {
        const std::string at = std::string(a.definition->name) + " row " + std::to_string(row);
        const auto ga = layers::ChartLayers::Geometry(a, row), gb = layers::ChartLayers::Geometry(b, row);
        if (ga.isNull != gb.isNull || ga.points.size() != gb.points.size() ||
            !std::equal(ga.points.begin(), ga.points.end(), gb.points.begin())) {
            if (!ga.isNull) return at + ": geometry differs";
        }
        for (std::uint32_t k = 0; k < a.definition->fieldCount; ++k) {
            const auto va = layers::ChartLayers::Value(a.columns[k], row), vb = layers::ChartLayers::Value(b.columns[k], row);
            const bool same = va.kind == vb.kind && va.integer == vb.integer && va.text == vb.text &&
                              (va.real == vb.real || (std::isnan(va.real) && std::isnan(vb.real)));
            // left_open follows from the points, which a null geometry lost.
            if (!same && !(ga.isNull && std::string_view(a.definition->fields[k].name) == "left_open")) {
                return at + ": " + a.definition->fields[k].name + " differs";
            }
        }
    }
    return {};
}

// Returns whether the chart came back whole (else: but for what GIS lost).
bool ExpectLayersGiveTheChart(const readdata14_document& chart, const std::string& name) {
    SCOPED_TRACE(name);
    std::string why;
    const DocumentPtr once = ThroughLayers(chart, why);
    EXPECT_TRUE(once) << why;
    if (!once) return false;
    const bool whole = AllCarried(chart);
    if (whole) {
        EXPECT_EQ(CompareDocuments(chart, *once), "");
    }
    for (std::uint32_t id = 0; id < readdata14_layer_count(); ++id) {
        if (id == READDATA14_LAYER_CLOSED_CONTOURS || id == READDATA14_LAYER_LABEL_POINTS) continue;
        EXPECT_EQ(SameRows(*readdata14_document_layer(&chart, id), *readdata14_document_layer(once.get(), id)), "");
    }
    EXPECT_EQ(readdata14_document_layer(&chart, READDATA14_LAYER_CLOSED_CONTOURS)->featureCount,
              readdata14_document_layer(once.get(), READDATA14_LAYER_CLOSED_CONTOURS)->featureCount);
    EXPECT_EQ(chart.levelCount, once->levelCount);
    // What the way back lost, it lost once: a second trip gives the same.
    const DocumentPtr twice = ThroughLayers(*once, why);
    EXPECT_TRUE(twice) << why;
    if (twice) {
        EXPECT_EQ(CompareDocuments(*once, *twice), "");
    }
    return whole;
}

std::vector<std::filesystem::path> ChartFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* dir : {READDATA14_TEST_DATA, READDATA14_FUZZ_DIR "/corpus"}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
    }
    files.emplace_back(READDATA14_SAMPLE_CHART);
    std::sort(files.begin(), files.end());
    return files;
}

TEST(LayerInput, EveryChartComesBackThroughItsLayers) {
    std::size_t whole = 0, lost = 0;
    for (const auto& file : ChartFiles()) {
        readdata14_document* chart = nullptr;
        const readdata14_status status = readdata14_open(file.string().c_str(), nullptr, &chart);
        const DocumentPtr held(chart);
        if (status != READDATA14_READ && status != READDATA14_STOPPED) continue;
        ++(ExpectLayersGiveTheChart(*chart, file.filename().string()) ? whole : lost);
    }
    // Both kinds are among the test charts: whole ones, and ones with
    // elements GIS cannot carry.
    EXPECT_GE(whole, 3u);
    EXPECT_GE(lost, 2u);
}

#ifdef READDATA14_HAVE_GENERATOR
TEST(LayerInput, GeneratedChartsComeBackThroughTheirLayers) {
    for (const std::uint64_t seed : {1u, 2u, 7u}) {
        make_chart::ChartPlan plan;
        plan.seed = seed;
        const make_chart::DocumentPtr chart = make_chart::MakeChart(plan);
        ExpectLayersGiveTheChart(*chart, "seed " + std::to_string(seed));
    }
}
#endif

}  // namespace
}  // namespace readdata14

// The layers' way back (readdata14_builder_add_layer): every chart's layers,
// given back, give the chart again, but for the points of elements GIS cannot
// carry; and a table the format cannot take is refused whole, naming the row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
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
    // A broken file can hold what no layer spells (a symbol's missing
    // angle, a note cut short): it need only come back as its layers say.
    const bool wellFormed = chart.chart.errors == 0;
    const bool whole = wellFormed && AllCarried(chart);
    if (whole) {
        EXPECT_EQ(CompareDocuments(chart, *once), "");
    }
    for (std::uint32_t id = 0; id < readdata14_layer_count() && wellFormed; ++id) {
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
    // More charts to try, a fuzzer's findings say: READDATA14_MORE_CHARTS=folder.
    if (const char* more = std::getenv("READDATA14_MORE_CHARTS")) {
        for (const auto& entry : std::filesystem::directory_iterator(more)) files.push_back(entry.path());
    }
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

namespace readdata14 {
namespace {

// A small table written by hand: rows of points and named columns.
struct HandTable {
    struct Column {
        std::string name;
        std::int32_t type = READDATA14_FIELD_INTEGER;
        std::vector<std::int64_t> integers;
        std::vector<double> reals;
        std::vector<std::uint8_t> nulls;
        std::string texts;
        std::vector<std::uint64_t> starts;
        std::vector<std::uint32_t> lengths;
    };

    HandTable(readdata14_layer_id layer, std::vector<std::vector<float>> rows) : id(layer), points(std::move(rows)) {}

    HandTable& Ints(std::string name, std::vector<std::int64_t> values, std::vector<std::uint8_t> nulls = {}) {
        columns.push_back({std::move(name), READDATA14_FIELD_INTEGER, std::move(values), {}, std::move(nulls), {}, {}, {}});
        return *this;
    }
    HandTable& Reals(std::string name, std::vector<double> values, std::vector<std::uint8_t> nulls = {}) {
        columns.push_back({std::move(name), READDATA14_FIELD_REAL, {}, std::move(values), std::move(nulls), {}, {}, {}});
        return *this;
    }
    HandTable& Texts(std::string name, std::vector<std::string> values) {
        Column column{std::move(name), READDATA14_FIELD_STRING, {}, {}, {}, {}, {}, {}};
        for (const std::string& text : values) {
            column.starts.push_back(column.texts.size());
            column.lengths.push_back(static_cast<std::uint32_t>(text.size()));
            column.texts += text;
        }
        columns.push_back(std::move(column));
        return *this;
    }

    const readdata14_layer_table& Get() {
        coordinates.clear();
        starts.clear();
        counts.clear();
        for (const auto& row : points) {
            starts.push_back(coordinates.size());
            counts.push_back(static_cast<std::uint32_t>(row.size() / 2));
            coordinates.insert(coordinates.end(), row.begin(), row.end());
        }
        given.clear();
        for (const Column& c : columns) {
            readdata14_column column{};
            column.type = c.type;
            column.integers = c.integers.data();
            column.reals = c.reals.data();
            column.texts = c.texts.data();
            column.textStarts = c.starts.data();
            column.textLengths = c.lengths.data();
            column.nulls = c.nulls.empty() ? nullptr : c.nulls.data();
            given.push_back({c.name.c_str(), column, c.texts.size()});
        }
        table = READDATA14_LAYER_TABLE_INIT;
        table.id = id;
        table.featureCount = points.size();
        table.coordinates = coordinates.data();
        table.coordinateCount = coordinates.size() - shortBy;
        table.geometryStarts = starts.data();
        table.pointCounts = counts.data();
        table.columnCount = static_cast<std::uint32_t>(given.size());
        table.columns = given.data();
        table.storedLabels = stored.empty() ? nullptr : stored.data();
        table.flags = flags;
        return table;
    }

    readdata14_layer_id id;
    std::vector<std::vector<float>> points;
    std::vector<Column> columns;
    std::size_t shortBy = 0;  // coordinates the table claims less than it has
    std::vector<float> stored;  // labels as stored
    std::uint32_t flags = 0;
    std::vector<float> coordinates;
    std::vector<std::uint64_t> starts;
    std::vector<std::uint32_t> counts;
    std::vector<readdata14_table_column> given;
    readdata14_layer_table table = READDATA14_LAYER_TABLE_INIT;
};

const std::vector<float> kLine = {0, 0, 10, 0, 10, 10};

HandTable Lines(std::vector<std::int64_t> codes) {
    HandTable table(READDATA14_LAYER_LINES, std::vector<std::vector<float>>(codes.size(), kLine));
    table.Ints("code", std::move(codes));
    return table;
}

HandTable Marks(std::vector<std::int64_t> parents, std::string layer = "lines") {
    HandTable marks(READDATA14_LAYER_LABEL_POINTS, std::vector<std::vector<float>>(parents.size(), {1, 2}));
    marks.Texts("parent_layer", std::vector<std::string>(parents.size(), layer)).Ints("parent_fid", parents);
    return marks;
}

struct RefusalCase {
    const char* name;
    HandTable table;
    std::optional<HandTable> marks;
    readdata14_status status;
    std::int64_t row;
    const char* says;
};

TEST(LayerInput, RefusesWhatTheFormatCannotTakeNamingTheRow) {
    const float nan = std::nanf("");
    std::vector<RefusalCase> cases;
    const auto add = [&](const char* name, HandTable table, std::int64_t row, const char* says,
                         std::optional<HandTable> marks = std::nullopt,
                         readdata14_status status = READDATA14_NOT_WRITABLE) {
        cases.push_back({name, std::move(table), std::move(marks), status, row, says});
    };
    HandTable beyond = Lines({1, 2});
    beyond.shortBy = 2;
    add("points beyond the coordinates", beyond, 1, "lines row 1: its 3 points from 6 lie beyond the 10 coordinates");
    HandTable notFinite = Lines({1, 2, 3});
    notFinite.points[2][3] = nan;
    add("a coordinate not finite", notFinite, 2, "lines row 2: its point 2 has a coordinate that is not finite");
    HandTable infinite = Lines({2, 3});
    infinite.points[1][0] = -std::numeric_limits<float>::infinity();
    add("an infinite coordinate, the first", infinite, 1, "lines row 1: its point 1 has a coordinate that is not finite");
    add("two columns of one field", Lines({1, 2}).Ints("code", {1, 2}), -1,
        "lines: two columns name the field code");
    HandTable nullCode(READDATA14_LAYER_LINE_SYMBOLS, {kLine, kLine});
    add("a null in a field that may not be null", nullCode.Ints("code", {4, 5}, {0, 1}), 1, "line_symbols row 1: code is null");
    add("a field the layer has not", Lines({1}).Ints("colour", {3}), -1, "a column names the field \"colour\"");
    add("a column of the wrong type", HandTable(READDATA14_LAYER_LINES, {kLine}).Texts("code", {"7"}), -1,
        "the column code is string; the field is integer");
    add("a code no float slot gives back", Lines({1, 16777217}), 1, "lines row 1: code is 16777217, which reads back as 16777216");
    add("a code not whole", HandTable(READDATA14_LAYER_LINES, {kLine}).Reals("code", {1.5}), 0,
        "code is 1.5, not a whole number of 32 bits");
    add("a label kind unknown", Lines({1}).Texts("label_kind", {"size"}), 0, "label_kind is \"size\", not none, code or value");
    add("a label code beyond 100", Lines({1}).Texts("label_kind", {"code"}).Reals("label_code", {250}), 0,
        "label_code is 250, not a code");
    add("a value that reads as NoLabel", Lines({1}).Texts("label_kind", {"value"}).Reals("label_value", {999999}), 0,
        "label_value is 999999, which no label gives back: it reads back as NoLabel");
    add("a label point whose parent is missing", Lines({1, 2}), 2, "label_points row 2: its parent, lines FID 5, is not in the layer",
        Marks({0, 1, 5}));
    add("more label points than a line holds", Lines({1}), 48, "lines FID 0, has 48 label points already",
        Marks(std::vector<std::int64_t>(49, 0)));
    add("a parent layer that is none", Lines({1}), 0, "parent_layer is \"notes\"", Marks({0}, "notes"));
    HandTable texts(READDATA14_LAYER_SYMBOLS, {{1, 1}, {2, 2}});
    texts.Ints("type", {48, 48}).Texts("text", {"ab", "cd"});
    texts.columns.back().lengths[1] = 9;
    add("a text beyond its bytes", texts, 1, "symbols row 1: its text lies beyond the column's 4 bytes");
    HandTable long_text(READDATA14_LAYER_SYMBOLS, {{1, 1}, {2, 2}});
    add("what the builder refuses, by the row", long_text.Ints("type", {48, 48}).Texts("text", {"a", std::string(200, 'x')}),
        1, "symbols row 1: its text has 200 bytes");
    add("label points given as a layer", Marks({0}), -1, "label points that are not", std::nullopt,
        READDATA14_INVALID_ARGUMENT);

    for (RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        readdata14_builder* builder = nullptr;
        ASSERT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        // The check answers as the entry, with the same message.
        readdata14_write_result checked = READDATA14_WRITE_RESULT_INIT;
        EXPECT_EQ(readdata14_builder_check_layer(builder, &c.table.Get(), c.marks ? &c.marks->Get() : nullptr, &checked),
                  c.status);
        const readdata14_status status =
            readdata14_builder_add_layer(builder, &c.table.Get(), c.marks ? &c.marks->Get() : nullptr, &result);
        EXPECT_EQ(status, c.status);
        EXPECT_STREQ(checked.message, result.message);
        EXPECT_EQ(checked.element, result.element);
        EXPECT_NE(std::string(result.message).find(c.says), std::string::npos) << result.message;
        if (c.status == READDATA14_NOT_WRITABLE) {
            EXPECT_EQ(result.element, c.row);
        }
        // Nothing of a refused table stays in the builder.
        readdata14_document* built = nullptr;
        ASSERT_EQ(readdata14_builder_finish(builder, &built, nullptr), READDATA14_READ);
        EXPECT_EQ(built->chart.linesSize, 1u);
        EXPECT_EQ(built->chart.symbolLengthsSize, 0u);
        EXPECT_EQ(built->chart.lineSymbolsSize, 1u);
        readdata14_close(built);
        readdata14_builder_free(builder);
    }
}

// A table the entry takes is only checked: the builder stays empty, and
// takes the same rows afterwards.
TEST(LayerInput, ACheckTakesNothing) {
    readdata14_builder* builder = nullptr;
    ASSERT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
    HandTable lines(READDATA14_LAYER_LINES, {{0, 0, 1, 1}, {2, 2, 3, 3}});
    lines.Ints("code", {1, 2});
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(readdata14_builder_check_layer(builder, &lines.Get(), nullptr, &result), READDATA14_WRITTEN) << result.message;
    }
    readdata14_document* built = nullptr;
    ASSERT_EQ(readdata14_builder_finish(builder, &built, &result), READDATA14_READ) << result.message;
    EXPECT_EQ(readdata14_document_layer(built, READDATA14_LAYER_LINES)->featureCount, 0u);
    readdata14_close(built);
    ASSERT_EQ(readdata14_builder_add_layer(builder, &lines.Get(), nullptr, &result), READDATA14_WRITTEN) << result.message;
    ASSERT_EQ(readdata14_builder_finish(builder, &built, &result), READDATA14_READ) << result.message;
    EXPECT_EQ(readdata14_document_layer(built, READDATA14_LAYER_LINES)->featureCount, 2u);
    readdata14_close(built);
    readdata14_builder_free(builder);
}

// The rules that resolve a table, each seen in the chart that comes out.
TEST(LayerInput, ResolvesContoursRingsAndLabelPointsOnce) {
    readdata14_builder* builder = nullptr;
    ASSERT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
    const std::vector<float> ring = {0, 0, 10, 0, 10, 10, 0, 0};
    // Rows 0 and 2 in file positions 1 and 0; row 1 without one, after;
    // row 3 has lost its geometry and is kept with no points, its label
    // counting for the levels.
    HandTable contours(READDATA14_LAYER_CLOSED_CONTOURS, {ring, ring, {0, 0, 5, 0, 5, 5, 0, 0}, {}});
    contours.Ints("code", {1, 2, 3, 4})
        .Texts("label_kind", {"value", "value", "value", "value"})
        .Reals("label_value", {1012, 1016, 1008, 1020})
        .Ints("file_position", {1, 0, 0, 0}, {0, 1, 0, 1});
    HandTable marks = Marks({0, 0}, "closed_contours");
    marks.Ints("index", {1, 0});
    marks.points = {{7, 7}, {3, 3}};
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    ASSERT_EQ(readdata14_builder_add_layer(builder, &contours.Get(), &marks.Get(), &result), READDATA14_WRITTEN)
        << result.message;
    // A ring GIS closed, which the file left open.
    HandTable regions(READDATA14_LAYER_WEATHER_REGIONS, {ring, ring});
    regions.Ints("code", {5, 6}).Ints("left_open", {1, 0});
    ASSERT_EQ(readdata14_builder_add_layer(builder, &regions.Get(), nullptr, &result), READDATA14_WRITTEN) << result.message;
    readdata14_document* built = nullptr;
    ASSERT_EQ(readdata14_builder_finish(builder, &built, &result), READDATA14_READ) << result.message;
    const DocumentPtr chart(built);
    readdata14_builder_free(builder);

    const readdata14_layer& layer = *readdata14_document_layer(chart.get(), READDATA14_LAYER_CLOSED_CONTOURS);
    ASSERT_EQ(layer.featureCount, 4u);
    std::vector<std::int64_t> codeInFileOrder(4);
    for (std::uint64_t f = 0; f < 4; ++f) {
        codeInFileOrder[static_cast<std::size_t>(layer.columns[9].integers[f])] = layer.columns[0].integers[f];
    }
    EXPECT_EQ(codeInFileOrder, (std::vector<std::int64_t>{3, 1, 2, 4}));
    EXPECT_EQ(chart->levelCount, 4u);
    const readdata14_layer& points = *readdata14_document_layer(chart.get(), READDATA14_LAYER_LABEL_POINTS);
    ASSERT_EQ(points.featureCount, 2u);
    EXPECT_EQ(points.coordinates[0], 3.0f);  // index 0 first
    EXPECT_EQ(points.coordinates[2], 7.0f);
    // The weather regions: [2, 3, 5, three points, 4, 6, four points].
    ASSERT_EQ(chart->chart.weatherRegionsSize, 1u + 2 + 6 + 2 + 8);
    EXPECT_EQ(chart->chart.weatherRegions[1], 3.0f);
    EXPECT_EQ(chart->chart.weatherRegions[9], 4.0f);
}

}  // namespace
}  // namespace readdata14

namespace readdata14 {
namespace {

// The file a builder finishes as.
std::string Finished(const readdata14_builder* builder) {
    readdata14_document* built = nullptr;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_builder_finish(builder, &built, &result) != READDATA14_READ) return std::string("refused: ") + result.message;
    const DocumentPtr owned(built);
    return test::WriteToMemory(*owned).bytes;
}

struct StoredCase {
    const char* name;
    readdata14_layer_id id;
    std::vector<std::vector<float>> points;
    std::vector<float> labels;
    std::vector<std::vector<float>> marks;  // each row's label points
    std::uint32_t flags;
};

// Records as stored through the table and through the element calls: the
// same file, bit for bit, so that a host with records as stored needs no
// element calls.
TEST(LayerInput, RecordsAsStoredGiveWhatTheElementCallsGive) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<float> open = {0, 0, 4, 0, 4, 4}, closed = {0, 0, 4, 0, 4, 4, 0, 0};
    const std::uint32_t asGiven = READDATA14_TABLE_POINTS_AS_GIVEN;
    const std::vector<StoredCase> cases = {
        {"labels of every kind", READDATA14_LAYER_LINES, {open, open, open, open, open, open, open},
         {999999, 3200005, 3200000, -0.0f, nan, -inf, 1012.5f}, {{}, {}, {}, {}, {}, {}, {}}, 0},
        {"points not finite, kept", READDATA14_LAYER_LINES, {{nan, 1, inf, -0.0f}, {}, {1, 1}}, {1, 2, 3},
         {{-inf, nan}, {}, {1, 2, 3, 4}}, asGiven},
        {"contours closed", READDATA14_LAYER_CLOSED_CONTOURS, {open, closed, {1, 1}, {nan, 1, 2, 2, nan, 1}},
         {1000, 1004, -nan, 3200007}, {{5, 5}, {}, {}, {6, 6}}, READDATA14_TABLE_CLOSE_RINGS | asGiven},
        {"contours as given", READDATA14_LAYER_CLOSED_CONTOURS, {open, closed}, {1000, 1004}, {{}, {}}, 0},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.name);
        readdata14_builder* byElements = nullptr;
        readdata14_builder* byTable = nullptr;
        ASSERT_EQ(readdata14_builder_new(&byElements), READDATA14_WRITTEN);
        ASSERT_EQ(readdata14_builder_new(&byTable), READDATA14_WRITTEN);
        const bool lines = c.id == READDATA14_LAYER_LINES;
        HandTable table(c.id, c.points);
        table.Ints("code", std::vector<std::int64_t>(c.points.size(), 7));
        table.stored = c.labels;
        table.flags = c.flags;
        std::vector<std::int64_t> parents;
        for (std::size_t row = 0; row < c.points.size(); ++row) {
            readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
            line.code = 7;
            line.points = c.points[row].data();
            line.pointCount = c.points[row].size() / 2;
            line.label = c.labels[row];
            line.labelPoints = c.marks[row].data();
            line.labelPointCount = c.marks[row].size() / 2;
            line.flags = (c.flags & READDATA14_TABLE_CLOSE_RINGS) != 0 ? READDATA14_CLOSE_RING : 0u;
            const auto add = lines ? readdata14_builder_add_line : readdata14_builder_add_contour;
            ASSERT_EQ(add(byElements, &line, nullptr), READDATA14_WRITTEN);
            parents.insert(parents.end(), c.marks[row].size() / 2, static_cast<std::int64_t>(row));
        }
        HandTable marks = Marks(parents, lines ? "lines" : "closed_contours");
        for (std::size_t i = 0, row = 0; row < c.marks.size(); ++row) {
            for (std::size_t k = 0; k < c.marks[row].size(); k += 2) marks.points[i++] = {c.marks[row][k], c.marks[row][k + 1]};
        }
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        ASSERT_EQ(readdata14_builder_add_layer(byTable, &table.Get(), &marks.Get(), &result), READDATA14_WRITTEN)
            << result.message;
        EXPECT_EQ(Finished(byTable), Finished(byElements));
        readdata14_builder_free(byElements);
        readdata14_builder_free(byTable);
    }
}

TEST(LayerInput, LabelsAsStoredAreRefusedWithLabelFieldsOrElsewhere) {
    HandTable both = Lines({1});
    both.stored = {1000};
    both.Texts("label_kind", {"value"});
    HandTable symbols(READDATA14_LAYER_SYMBOLS, {{1, 1}});
    symbols.Ints("type", {1});
    symbols.stored = {1000};
    HandTable infinite = Lines({1});
    infinite.stored = {1000};
    infinite.points[0][0] = std::numeric_limits<float>::infinity();  // refused without POINTS_AS_GIVEN
    const std::pair<HandTable*, const char*> cases[] = {
        {&both, "lines: it has labels as stored and the column label_kind too"},
        {&symbols, "symbols: it has labels as stored, which only lines and closed contours hold"},
        {&infinite, "lines row 0: its point 1 has a coordinate that is not finite"},
    };
    for (const auto& [table, says] : cases) {
        readdata14_builder* builder = nullptr;
        ASSERT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        EXPECT_EQ(readdata14_builder_add_layer(builder, &table->Get(), nullptr, &result), READDATA14_NOT_WRITABLE);
        EXPECT_EQ(std::string(result.message).rfind(says, 0), 0u) << result.message;
        readdata14_builder_free(builder);
    }
}

// A host built with the record as first defined (ending at `fids`) passes
// that size: the members after it read as null and 0.
TEST(LayerInput, ARecordOfTheFirstSizeReadsTheLaterMembersAsZero) {
    HandTable lines = Lines({1});
    lines.Texts("label_kind", {"value"}).Reals("label_value", {1012});
    lines.stored = {std::numeric_limits<float>::quiet_NaN()};  // would clash with label_kind if read
    lines.flags = READDATA14_TABLE_POINTS_AS_GIVEN | 0x80u;  // a bit this library does not know
    readdata14_layer_table table = lines.Get();
    readdata14_builder* builder = nullptr;
    ASSERT_EQ(readdata14_builder_new(&builder), READDATA14_WRITTEN);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    EXPECT_EQ(readdata14_builder_add_layer(builder, &table, nullptr, &result), READDATA14_INVALID_ARGUMENT);
    table.size = offsetof(readdata14_layer_table, storedLabels);
    EXPECT_EQ(readdata14_builder_add_layer(builder, &table, nullptr, &result), READDATA14_WRITTEN) << result.message;
    table.size = offsetof(readdata14_layer_table, fids);
    EXPECT_EQ(readdata14_builder_add_layer(builder, &table, nullptr, &result), READDATA14_INVALID_ARGUMENT);
    readdata14_builder_free(builder);
}

}  // namespace
}  // namespace readdata14

// The stored layers against the typed view's records: every value a host
// takes from readdata14_document_stored_layer is the record's own float,
// bit for bit, at the place the record holds it, on charts with values that
// are not finite, texts, dropped symbols and label points.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "readdata14/chart.hpp"
#include "readdata14/format.hpp"
#include "readdata14/readdata14_layers.h"
#include "support/chart_text.hpp"

namespace readdata14 {
namespace {

std::vector<std::pair<std::string, std::string>> Charts() {
    std::vector<std::pair<std::string, std::string>> charts;
    std::vector<std::filesystem::path> files = {READDATA14_SAMPLE_CHART};
    for (const auto& entry : std::filesystem::directory_iterator(READDATA14_TEST_DATA)) {
        if (!entry.path().filename().string().starts_with('.')) files.push_back(entry.path());
    }
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        charts.emplace_back(path.filename().string(), text.str());
    }
    charts.emplace_back("not finite",
                        test::Header() + "LINES: 2\n1 2\n0 0 0 nan 1 0\n-1e39 1\n9 9 0\n0 0\n0\n"
                                         "SYMBOLS: 2\n1 5 5 0 nan\n48 1 1 0 a\n"
                                         "CLOSED_CONTOURS: 1\n4 4\n0 0 0 10 0 0 10 10 0 0 0 0\nnan 1\n5 5 0\n"
                                         "NOTES_SYMBOL: 1\n48 1 2 0 5 Hello\n-inf 3 a b\n1 2 nan 4 5 6\n");
    return charts;
}

// A stored column of the layer, by name.
const readdata14_stored_column& Column(const readdata14_stored_layer& layer, const char* name) {
    for (std::uint32_t k = 0; k < layer.columnCount; ++k) {
        if (std::strcmp(layer.columns[k].name, name) == 0) return layer.columns[k];
    }
    ADD_FAILURE() << "no column " << name;
    return layer.columns[0];
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Where feature f's items begin, checked to lie inside the column's floats.
const float* Items(const readdata14_stored_column& column, std::uint64_t f) {
    const std::uint64_t width = column.kind == READDATA14_STORED_POINTS ? 2 : 1;
    EXPECT_LE(column.starts[f] + width * column.counts[f], column.floatCount) << column.name << " " << f;
    return column.floats + column.starts[f];
}

void ExpectValue(const readdata14_stored_column& column, std::uint64_t f, float expected, const std::string& where) {
    ASSERT_EQ(column.counts[f], 1u) << where << " " << column.name;
    EXPECT_TRUE(SameBits(*Items(column, f), expected)) << where << " " << column.name;
}

void ExpectRun(const readdata14_stored_column& column, std::uint64_t f, const void* expected, std::size_t count,
               const std::string& where) {
    EXPECT_EQ(static_cast<const void*>(Items(column, f)), expected) << where << " " << column.name;
    EXPECT_EQ(column.counts[f], count) << where << " " << column.name;
}

TEST(StoredLayers, EveryValueIsTheRecordsOwnFloat) {
    for (const auto& [name, text] : Charts()) {
        const Chart chart = Chart::FromMemory(text);
        ASSERT_TRUE(chart) << name;
        const readdata14_document* document = chart.Document();
        const auto stored = [&](std::uint32_t id) -> const readdata14_stored_layer& {
            const readdata14_stored_layer* layer = readdata14_document_stored_layer(document, id);
            EXPECT_TRUE(layer != nullptr && layer->id == id) << name;
            EXPECT_EQ(layer->featureCount, readdata14_document_layer(document, id)->featureCount) << name;
            const std::uint64_t* starts = readdata14_document_layer(document, id)->recordStarts;
            if (id != READDATA14_LAYER_LABEL_POINTS) {
                for (std::uint64_t f = 0; f < layer->featureCount; ++f) {
                    EXPECT_EQ(Column(*layer, "record").starts[f], starts[f]) << name << " " << id;
                }
            }
            return *layer;
        };
        std::vector<float> labelPoints;  // x, y, label: the lines', then the contours'
        const auto keep = [&](std::span<const Point> points, float label) {
            for (const Point p : points) labelPoints.insert(labelPoints.end(), {p.x, p.y, label});
        };
        const readdata14_stored_layer& lines = stored(READDATA14_LAYER_LINES);
        std::uint64_t f = 0;
        for (const Line line : chart.Lines()) {
            const std::string where = name + " line " + std::to_string(f);
            ExpectRun(Column(lines, "points"), f, line.points.data(), line.points.size(), where);
            ExpectValue(Column(lines, "label"), f, line.labelValue, where);
            ExpectRun(Column(lines, "label_points"), f, line.labelPoints.data(), line.labelPoints.size(), where);
            keep(line.labelPoints, line.labelValue);
            ++f;
        }
        const readdata14_stored_layer& contours = stored(READDATA14_LAYER_CLOSED_CONTOURS);
        f = 0;
        for (const ClosedContour contour : chart.ClosedContours()) {
            const std::string where = name + " contour " + std::to_string(f);
            ExpectRun(Column(contours, "points"), f, contour.points.data(), contour.points.size(), where);
            ExpectValue(Column(contours, "value"), f, contour.value, where);
            ExpectRun(Column(contours, "label_points"), f, contour.labelPoints.data(), contour.labelPoints.size(), where);
            keep(contour.labelPoints, contour.value);
            ++f;
        }
        const readdata14_stored_layer& symbols = stored(READDATA14_LAYER_SYMBOLS);
        f = 0;
        for (const Symbol symbol : chart.Symbols()) {
            const std::string where = name + " symbol " + std::to_string(f);
            ExpectValue(Column(symbols, "x"), f, symbol.position.x, where);
            ExpectValue(Column(symbols, "y"), f, symbol.position.y, where);
            if (IsTextSymbolType(symbol.type)) {
                EXPECT_EQ(Column(symbols, "direction").counts[f], 0u) << where;  // a text type has no direction
            } else {
                ExpectValue(Column(symbols, "direction"), f, symbol.direction, where);
            }
            ++f;
        }
        const readdata14_stored_layer& notes = stored(READDATA14_LAYER_NOTES);
        f = 0;
        for (const Note note : chart.Notes()) {
            const std::string where = name + " note " + std::to_string(f);
            ExpectValue(Column(notes, "x"), f, note.position.x, where);
            ExpectValue(Column(notes, "value"), f, note.value, where);
            ExpectRun(Column(notes, "values"), f, note.values.data(), note.values.size(), where);
            ++f;
        }
        const readdata14_stored_layer& areas = stored(READDATA14_LAYER_FILL_AREAS);
        f = 0;
        for (const FillArea area : chart.FillAreas()) {
            const std::string where = name + " fill area " + std::to_string(f);
            ExpectRun(Column(areas, "points"), f, area.points.data(), area.points.size(), where);
            ExpectRun(Column(areas, "values"), f, area.values.data(), area.values.size(), where);
            ++f;
        }
        const readdata14_stored_layer& marks = stored(READDATA14_LAYER_LABEL_POINTS);
        ASSERT_EQ(3 * marks.featureCount, labelPoints.size()) << name;
        for (f = 0; f < marks.featureCount; ++f) {
            const std::string where = name + " label point " + std::to_string(f);
            const auto at = static_cast<std::size_t>(3 * f);
            ExpectValue(Column(marks, "x"), f, labelPoints[at], where);
            ExpectValue(Column(marks, "y"), f, labelPoints[at + 1], where);
            ExpectValue(Column(marks, "label"), f, labelPoints[at + 2], where);
        }
    }
}

TEST(StoredLayers, NothingForAnotherDocumentOrLayer) {
    const Chart chart = Chart::FromMemory(test::Header() + "LINES: 0\n");
    ASSERT_TRUE(chart);
    EXPECT_EQ(readdata14_document_stored_layer(nullptr, 0), nullptr);
    EXPECT_EQ(readdata14_document_stored_layer(chart.Document(), readdata14_layer_count()), nullptr);
    // The same record again: made once.
    EXPECT_EQ(readdata14_document_stored_layer(chart.Document(), 0), readdata14_document_stored_layer(chart.Document(), 0));
}

}  // namespace
}  // namespace readdata14

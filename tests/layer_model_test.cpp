// The library's layer model against an independent walk of the blocks (the
// header-only mapping the view had before the library took it over), feature
// by feature, on charts of every shape: the sample, the test files, generated
// charts, broken ones, and values that are not finite. Only the rules the
// model adds may differ, and those are checked as rules: a value that is not
// finite is null, a coordinate that is not finite makes no geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The generator comes with the tools, which cross builds leave out.
#if __has_include("chart_generator.hpp")
#include "chart_generator.hpp"
#define READDATA14_HAVE_GENERATOR 1
#endif
#include "readdata14/layers.hpp"
#include "support/chart_text.hpp"
#include "support/reference_layers.hpp"

namespace readdata14 {
namespace {

namespace ref = test::reference_layers;
using layers::FieldValue;

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The charts: every file the tests keep, generated shapes, cut and spoiled
// copies, and values that are not finite wherever a float stands.
std::vector<std::pair<std::string, std::string>> Charts() {
    std::vector<std::pair<std::string, std::string>> charts;
    charts.emplace_back("sample", FileText(READDATA14_SAMPLE_CHART));
    for (const auto& entry : std::filesystem::directory_iterator(READDATA14_TEST_DATA)) {
        if (entry.path().filename().string().starts_with('.')) continue;
        charts.emplace_back(entry.path().filename().string(), FileText(entry.path()));
    }
#ifdef READDATA14_HAVE_GENERATOR
    for (const std::uint64_t seed : {1u, 2u, 7u}) {
        make_chart::ChartPlan plan;
        plan.seed = seed;
        plan.points = seed == 7 ? 300 : 24;  // long point lists are thinned
        const std::string text = make_chart::ChartText(plan);
        charts.emplace_back("seed " + std::to_string(seed), text);
        charts.emplace_back("seed " + std::to_string(seed) + " cut", text.substr(0, text.size() / 3));
    }
#endif
    const std::string h = test::Header();
    charts.emplace_back("not finite",
                        h + "LINES: 2\n1 2\n0 0 0 nan 1 0\n-1e39 0\n2 2\n0 0 0 1 1 0\nnan 1\ninf 2 0\n"
                            "LINES_SYMBOL: 1\n3 0 2\n0 inf 0 1 1 0\nx 0\n"
                            "SYMBOLS: 2\n1 5 5 0 nan\n48 1 1 0 a\x01" "b\n"
                            "CLOSED_CONTOURS: 2\n4 4\n0 0 0 10 0 0 10 10 0 0 0 0\nnan 1\n5 5 0\n"
                            "4 4\n2 2 0 3 2 0 3 3 0 2 2 0\ninf 0\n"
                            "STATION_SITUATION\nWEATHER_REGION: 2\n1 4\n0 0 0 1 0 0 1 nan 0 0 0 0\n2 3\n0 0 0 1 0 0 1 1 0\n"
                            "FILLAREA: 1\n7 3\n0 0 0 4 0 0 4 4 0\n1 2 3 4 5 6 7 8 9 10 11 12 13 nan 15 16\n"
                            "NOTES_SYMBOL: 1\n48 1 2 0 5 Hello\n-inf 3 a b\n1 2 nan 4 5 6\n");
    return charts;
}

bool SameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// What the model shows for what the reference shows: the same, but that a
// value that is not finite is null.
void ExpectValue(const FieldValue& model, const ref::FieldValue& reference, const std::string& where) {
    if (reference.kind == ref::FieldValue::Kind::Real && !std::isfinite(reference.real)) {
        EXPECT_EQ(model.kind, FieldValue::Kind::Null) << where;
        return;
    }
    switch (reference.kind) {
        case ref::FieldValue::Kind::Null: EXPECT_EQ(model.kind, FieldValue::Kind::Null) << where; break;
        case ref::FieldValue::Kind::Integer:
            ASSERT_EQ(model.kind, FieldValue::Kind::Integer) << where;
            EXPECT_EQ(model.integer, reference.integer) << where;
            break;
        case ref::FieldValue::Kind::Real:
            ASSERT_EQ(model.kind, FieldValue::Kind::Real) << where;
            EXPECT_TRUE(SameReal(model.real, reference.real)) << where << ": " << model.real << " " << reference.real;
            break;
        case ref::FieldValue::Kind::Text:
        case ref::FieldValue::Kind::Name:
            ASSERT_EQ(model.kind, FieldValue::Kind::Text) << where;
            EXPECT_EQ(model.text, reference.text) << where;
            break;
    }
}

bool AllFinite(std::span<const Point> points) {
    for (const Point p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    }
    return true;
}

void ExpectGeometry(const layers::FeatureGeometry& model, const ref::FeatureGeometry& reference,
                    const std::string& where) {
    const bool point = reference.type == ref::GeometryType::Point;
    const bool finite = point ? AllFinite({&reference.point, 1}) : AllFinite(reference.points);
    EXPECT_EQ(model.isNull, reference.isNull || !finite) << where;
    if (model.isNull) return;
    if (point) {
        EXPECT_EQ(model.point, reference.point) << where;
        return;
    }
    EXPECT_EQ(model.points.data(), reference.points.data()) << where;  // the block's own points, not a copy
    EXPECT_EQ(model.points.size(), reference.points.size()) << where;
    EXPECT_EQ(model.closeRing, reference.closeRing) << where;
}

TEST(LayerModel, AgreesWithAnIndependentWalkOfTheBlocks) {
    for (const auto& [name, text] : Charts()) {
        const Chart chart = Chart::FromMemory(text);
        ASSERT_TRUE(chart) << name;
        const layers::ChartLayers model(chart);
        const ref::ChartLayers reference(chart);
        for (const layers::LayerDefinition& layer : layers::AllLayers()) {
            const auto id = static_cast<ref::LayerId>(layer.id);
            const ref::LayerDefinition& expected = ref::Layer(id);
            EXPECT_EQ(layer.name, expected.name);
            ASSERT_EQ(model.FeatureCount(layer.id), reference.FeatureCount(id)) << name << " " << layer.name;
            for (std::uint64_t fid = 0; fid < model.FeatureCount(layer.id); ++fid) {
                const std::string where = name + " " + std::string(layer.name) + " " + std::to_string(fid);
                const layers::Feature got = model.GetFeature(layer.id, fid);
                const ref::Feature want = reference.GetFeature(id, fid);
                ExpectGeometry(got.geometry, want.geometry, where);
                // The reference's fields are the model's, less those added after it.
                for (std::size_t i = 0; i < expected.fields.size(); ++i) {
                    ASSERT_EQ(layer.fields[i].name, expected.fields[i].name) << where;
                    ExpectValue(got.values[i], want.values[i], where + " " + std::string(layer.fields[i].name));
                }
            }
        }
    }
}

// Each feature's record: the first right after the block's count, each
// after the one before, and a geometry that is not null right after the
// record's leading slots ([count, code], a contour's four, a point's [1, type]).
TEST(LayerModel, RecordStartsLeadToTheRecords) {
    constexpr std::uint64_t LEAD[] = {2, 2, 2, 4, 2, 2, 2};
    for (const auto& [name, text] : Charts()) {
        const Chart chart = Chart::FromMemory(text);
        ASSERT_TRUE(chart) << name;
        const layers::ChartLayers model(chart);
        for (std::size_t id = 0; id < std::size(LEAD); ++id) {
            const readdata14_layer& layer = *model.Table(static_cast<layers::LayerId>(id));
            for (std::uint64_t fid = 0; fid < layer.featureCount; ++fid) {
                const std::string where = name + " layer " + std::to_string(id) + " " + std::to_string(fid);
                const std::uint64_t start = layer.recordStarts[fid];
                EXPECT_GT(start, fid == 0 ? 0 : layer.recordStarts[fid - 1]) << where;
                if (fid == 0) {
                    EXPECT_EQ(start, 1u) << where;
                }
                if ((layer.geometryFlags[fid] & READDATA14_GEOMETRY_NULL) == 0) {
                    EXPECT_EQ(layer.geometryStarts[fid], start + LEAD[id]) << where;
                }
            }
        }
        EXPECT_EQ(model.Table(layers::LayerId::LabelPoints)->recordStarts, nullptr) << name;
        // An empty text starts at 0, not at a place computed from no place.
        for (const layers::LayerDefinition& definition : layers::AllLayers()) {
            const readdata14_layer& layer = *model.Table(definition.id);
            for (std::uint32_t i = 0; i < definition.fields.size(); ++i) {
                const readdata14_column& column = layer.columns[i];
                if (column.type != READDATA14_FIELD_STRING) continue;
                for (std::uint64_t f = 0; f < layer.featureCount; ++f) {
                    if (column.textLengths[f] == 0) {
                        EXPECT_EQ(column.textStarts[f], 0u) << name << " " << f;
                    }
                }
            }
        }
    }
}

// What a GIS ring hides: whether the stored points end with the first one
// (read from the record itself, [n, code, n points]); false where there is
// no geometry, so that a ring written back without points reads the same.
TEST(LayerModel, LeftOpenTellsWhetherTheStoredRingEndsWithItsFirstPoint) {
    std::size_t open = 0, closed = 0;
    for (const auto& [name, text] : Charts()) {
        const Chart chart = Chart::FromMemory(text);
        ASSERT_TRUE(chart) << name;
        const layers::ChartLayers model(chart);
        const readdata14_chart& blocks = chart.Document()->chart;
        for (const auto& [id, block] : {std::pair{layers::LayerId::WeatherRegions, blocks.weatherRegions},
                                        std::pair{layers::LayerId::FillAreas, blocks.fillAreas}}) {
            const std::size_t at = layers::Layer(id).fields.size() - 1;
            ASSERT_EQ(layers::Layer(id).fields[at].name, "left_open");
            const readdata14_layer& layer = *model.Table(id);
            for (std::uint64_t fid = 0; fid < layer.featureCount; ++fid) {
                const float* record = block + layer.recordStarts[fid];
                const auto n = static_cast<std::size_t>(record[0]);
                const bool ends = n > 0 && record[2] == record[2 * n] && record[3] == record[2 * n + 1];
                const bool isNull = (layer.geometryFlags[fid] & READDATA14_GEOMETRY_NULL) != 0;
                EXPECT_EQ(model.GetFeature(id, fid).values[at].integer, ends || isNull ? 0 : 1) << name << " " << fid;
                ++(ends ? closed : open);
            }
        }
    }
    EXPECT_GT(open, 0u);
    EXPECT_GT(closed, 0u);
}

// Each record's file position: a permutation, and the contours written in
// its order read back to the same block (the nesting follows the file).
TEST(LayerModel, ContourFilePositionsAreAPermutationOfTheFileOrder) {
    const std::string h = test::Header();
    // The inner contour first: the block puts the outer one first.
    const std::string text = h + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 3\n"
                                 "1 5\n4 3 0 6 3 0 6 4 0 4 4 0 4 3 0\n30 0\n"
                                 "2 5\n0 0 0 10 0 0 10 8 0 0 8 0 0 0 0\n10 0\n"
                                 "3 5\n3 2 0 7 2 0 7 5 0 3 5 0 3 2 0\n20 0\n" +
                             test::EmptySections().substr(test::EmptySections().find("STATION"));
    const Chart chart = Chart::FromMemory(text);
    ASSERT_TRUE(chart);
    const layers::ChartLayers model(chart);
    std::vector<std::int64_t> positions, codes;
    for (std::uint64_t fid = 0; fid < model.FeatureCount(layers::LayerId::ClosedContours); ++fid) {
        const layers::Feature f = model.GetFeature(layers::LayerId::ClosedContours, fid);
        codes.push_back(f.values[0].integer);
        positions.push_back(f.values[9].integer);
    }
    EXPECT_EQ(codes, (std::vector<std::int64_t>{2, 3, 1}));      // nesting order: outer, middle, inner
    EXPECT_EQ(positions, (std::vector<std::int64_t>{1, 2, 0}));  // where each stood in the file
}

// "Present": the tag stood where it was due, whatever its count.
TEST(LayerModel, PresentMeansTheTagStoodWhereItWasDue) {
    struct Case {
        const char* name;
        std::string text;
        std::uint32_t present;  // bits by layer id, label points last
    };
    const std::string h = test::Header();
    const std::string empty = test::EmptySections();
    const Case cases[] = {
        {"every section, none with elements", h + empty, 0x7F | 0x80},
        {"SYMBOLS misspelt", h + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOL: 0\n" + empty.substr(empty.find("CLOSED")),
         (0x7Fu & ~0x04u) | 0x80u},
        {"no STATION_SITUATION: no regions, no fill areas", h + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nNOTES_SYMBOL: 0\n",
         0x0F | 0x80},
        {"FILLAREA missing", h + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nSTATION_SITUATION\n"
                                 "WEATHER_REGION: 0\nNOTES_SYMBOL: 0\n",
         0x1F | 0x80},
        {"nothing after the header", h, 0},
    };
    for (const Case& c : cases) {
        const Chart chart = Chart::FromMemory(c.text);
        ASSERT_TRUE(chart) << c.name;
        const layers::ChartLayers model(chart);
        std::uint32_t present = 0;
        for (std::size_t i = 0; i < layers::LAYER_COUNT; ++i) {
            if (model.SectionPresent(static_cast<layers::LayerId>(i))) present |= 1u << i;
        }
        EXPECT_EQ(present, c.present) << c.name;
    }
}

}  // namespace
}  // namespace readdata14

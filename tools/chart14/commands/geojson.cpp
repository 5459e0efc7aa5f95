// chart14 geojson FILE…: the chart as GeoJSON, in the layers GIS tools get
// from the GDAL driver too (readdata14/layers.hpp: names, fields, feature ids
// and geometry are those of the shared mapping).
//
// A GeoJSON file is one layer to GIS tools, so:
//   --section NAME   one layer: its features, one geometry type, "id" = FID,
//                    the collection's "name" the layer's name;
//   (default)        all eight layers in one collection, each feature with
//                    "section" (the layer) and "section_fid" (its FID there,
//                    which parent_fid and nesting_position refer to).
// Every field is in every feature of its layer, null where it has no value,
// and keeps one JSON type: Real fields are always written with a decimal
// point or exponent, so that a reader guessing types from values does not
// take a whole-numbered Real for an Integer.
//
// Coordinates are the chart's own, in whatever system it was drawn. A
// GeoJSON file without a "crs" member is WGS 84 by definition, so there is
// always one: the system the user declares with --crs (EPSG:3857), or else
// a local system without datum or unit (GDAL reads it as an engineering
// CRS and assumes nothing). Geometry that GeoJSON cannot hold is null (the
// feature is kept): a line of fewer than two points, a ring of fewer than
// four positions, a coordinate that is not finite (the layer model's rule).
//
// The dataset's metadata (DESCRIPTION, LEVELS, LEVEL_ORDER, FILL_AREAS_READ,
// ERRORS, WARNINGS, and SECTION_PRESENT per layer) stands in the foreign
// member "metadata".
#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>

#include "commands/chart14.hpp"
#include "commands/common.hpp"
#include "support/crs_names.hpp"
#include "support/json_writer.hpp"
#include "readdata14/layers.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

using layers::ChartLayers;
using layers::FeatureGeometry;
using layers::FieldType;
using layers::FieldValue;
using layers::GeometryType;
using layers::LayerDefinition;

struct GeojsonOptions {
    RunOptions run;
    std::string encoding;
    std::string section;  // empty: all
    std::string crs;      // AUTHORITY:CODE, or empty
};

// A Real value as JSON: the shortest text that reads back to it (as a float
// when it is one), always with a decimal point or an exponent.
void WriteReal(JsonWriter& w, double value) {
    if (!std::isfinite(value)) {
        w.Null();
        return;
    }
    char buffer[40];
    const auto single = static_cast<float>(value);
    const char* end = static_cast<double>(single) == value
                          ? std::to_chars(buffer, buffer + sizeof buffer, single).ptr
                          : std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, static_cast<std::size_t>(end - buffer));
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    w.RawNumber(text);
}

// The layer model has made null what GeoJSON cannot hold.
void WriteGeometry(JsonWriter& w, const FeatureGeometry& g) {
    if (g.isNull) {
        w.Null();
        return;
    }
    switch (g.type) {
        case GeometryType::Point:
            w.BeginObject().Key("type").String("Point").Key("coordinates").Position(g.point).EndObject();
            return;
        case GeometryType::LineString:
            w.BeginObject().Key("type").String("LineString").Key("coordinates").Positions(g.points).EndObject();
            return;
        case GeometryType::Polygon:
            // The ring in the file's order: see docs/chart14.md on winding.
            w.BeginObject().Key("type").String("Polygon").Key("coordinates").BeginArray().BeginArray();
            for (const Point p : g.points) w.Position(p);
            if (g.closeRing) w.Position(g.points.front());
            w.EndArray().EndArray().EndObject();
            return;
    }
    w.Null();
}

void WriteValue(JsonWriter& w, FieldType type, const FieldValue& value, TextDecoder& texts) {
    if (value.kind == FieldValue::Kind::Null) {
        w.Null();
        return;
    }
    switch (type) {
        case FieldType::Integer: w.Int(value.integer); break;
        case FieldType::Boolean: w.Bool(value.integer != 0); break;
        case FieldType::Real: WriteReal(w, value.real); break;
        case FieldType::String: w.String(texts.ToUtf8(value.text)); break;
    }
}

void WriteLayer(JsonWriter& w, const ChartLayers& chart, const LayerDefinition& layer,
                bool allSections, TextDecoder& texts) {
    const std::uint64_t count = chart.FeatureCount(layer.id);
    for (std::uint64_t fid = 0; fid < count; ++fid) {
        const layers::Feature feature = chart.GetFeature(layer.id, fid);
        w.Break().BeginObject().Key("type").String("Feature");
        if (!allSections) w.Key("id").Int(static_cast<std::int64_t>(fid));
        w.Key("geometry");
        WriteGeometry(w, feature.geometry);
        w.Key("properties").BeginObject();
        if (allSections) {
            w.Key("section").String(layer.name);
            w.Key("section_fid").Int(static_cast<std::int64_t>(fid));
        }
        for (std::size_t i = 0; i < layer.fields.size(); ++i) {
            w.Key(layer.fields[i].name);
            WriteValue(w, layer.fields[i].type, feature.values[i], texts);
        }
        w.EndObject().EndObject();
    }
}

// Without a "crs" member a GeoJSON file is in WGS 84, and GIS tools take it
// so; the chart's coordinates are in whatever system it was drawn in, which
// this names: a local (engineering) system, with no datum and no unit.
constexpr const char* kChartCoordinates = "LOCAL_CS[\"chart coordinates\"]";

FileResult WriteChartGeojson(const Input& input, const GeojsonOptions& options) {
    FileResult result;
    std::string error;
    auto texts = TextDecoder::Open(options.encoding, error);
    if (!texts) return {"", "chart14: " + DisplayText(error) + "\n", EXIT_UNREADABLE, false};
    Chart chart;
    if (!OpenChart(input, chart, result)) return result;
    const ChartLayers layers(chart);
    const bool allSections = options.section.empty();

    JsonWriter w(result.out);
    w.BeginObject().Key("type").String("FeatureCollection");
    if (!allSections) w.Key("name").String(options.section);
    w.Key("crs").BeginObject().Key("type").String("name").Key("properties").BeginObject();
    w.Key("name").String(options.crs.empty() ? kChartCoordinates : *CrsName(options.crs)).EndObject().EndObject();
    w.Key("metadata").BeginObject();
    for (const auto& item : layers.Metadata()) {
        w.Key(item.key).String(item.key == "DESCRIPTION" ? texts->ToUtf8(item.value) : item.value);
    }
    for (const auto& layer : layers::AllLayers()) {
        if (!allSections && layer.name != options.section) continue;
        const std::string key = allSections ? std::string(layer.name) + "." + std::string(layers::SECTION_PRESENT)
                                            : std::string(layers::SECTION_PRESENT);
        w.Key(key).String(layers.SectionPresent(layer.id) ? "YES" : "NO");
    }
    w.EndObject();
    w.Key("features").BeginArray();
    for (const auto& layer : layers::AllLayers()) {
        if (allSections || layer.name == options.section) WriteLayer(w, layers, layer, allSections, *texts);
    }
    w.EndArray().EndObject();
    result.out += '\n';
    if (texts->Escaped() && !options.run.quiet) result.err += EscapedTextsNote(input, options.encoding);
    NoteFindings(input, chart, result, options.run.quiet);
    return result;
}

}  // namespace

void RegisterGeojson(CLI::App& app, int& status) {
    auto options = std::make_shared<GeojsonOptions>();
    CLI::App* command =
        app.add_subcommand("geojson", "Write the chart as GeoJSON: one section (--section) or all in one collection");
    AddRunOptions(*command, options->run);
    AddEncodingOption(*command, options->encoding);
    std::vector<std::string> names;
    for (const auto& layer : layers::AllLayers()) names.emplace_back(layer.name);
    command->add_option("--section", options->section, "Write one section, as one layer of one geometry type")
        ->check(CLI::IsMember(names));
    command
        ->add_option("--crs", options->crs,
                     "The coordinate system the chart was drawn in, as AUTHORITY:CODE (EPSG:3857), " +
                         CrsCheckSummary() + "; default: none claimed")
        ->check([](const std::string& crs) {
            return CrsName(crs) ? CheckCrs(crs) : std::string("expected AUTHORITY:CODE, such as EPSG:4326");
        });
    command->callback([options, &status] {
        status = RunDecodingOverFiles("geojson", options->run, options->encoding, {".geojson", false},
                                      [options](const Input& input) { return WriteChartGeojson(input, *options); });
    });
}

}  // namespace readdata14::chart14

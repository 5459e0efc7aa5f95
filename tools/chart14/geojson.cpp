// chart14 geojson FILE: the chart as an RFC 7946 FeatureCollection.
//
// Coordinates are the file's own x and y, as stored. Every feature has a
// "section" property naming where it came from. Geometry by element:
//   lines, line symbols                 LineString
//   closed contours                     Polygon when closed, else LineString
//   weather regions, fill areas         Polygon
//   symbols, notes                      Point
// A Polygon's ring is closed by repeating its first point when the stored
// points do not end on it; the ring keeps the stored order (no rewinding to
// the right-hand rule). Too few points for the geometry fall back: one point
// is a Point, none is a null geometry, two points of a polygon a LineString.
#include <CLI/CLI.hpp>
#include <memory>

#include "chart14.hpp"
#include "common.hpp"
#include "json_writer.hpp"
#include "text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

struct GeojsonOptions {
    RunOptions run;
    std::string encoding;
};

void WriteLineGeometry(JsonWriter& w, std::span<const Point> points) {
    if (points.empty()) {
        w.Null();
    } else if (points.size() == 1) {
        w.BeginObject().Key("type").String("Point").Key("coordinates").Position(points[0]).EndObject();
    } else {
        w.BeginObject().Key("type").String("LineString").Key("coordinates").Positions(points).EndObject();
    }
}

void WritePolygonGeometry(JsonWriter& w, std::span<const Point> points) {
    const bool endsOnFirst = !points.empty() && points.front() == points.back();
    const std::size_t ring = points.size() + (endsOnFirst ? 0 : 1);
    if (ring < 4) {
        WriteLineGeometry(w, points);
        return;
    }
    w.BeginObject().Key("type").String("Polygon").Key("coordinates").BeginArray().BeginArray();
    for (const Point p : points) w.Position(p);
    if (!endsOnFirst) w.Position(points.front());
    w.EndArray().EndArray().EndObject();
}

// Starts a Feature; the caller writes its properties' members and closes
// both objects with EndFeature.
template <class Geometry>
void BeginFeature(JsonWriter& w, const char* section, Geometry geometry) {
    w.Break().BeginObject().Key("type").String("Feature").Key("geometry");
    geometry();
    w.Key("properties").BeginObject().Key("section").String(section);
}

void EndFeature(JsonWriter& w) { w.EndObject().EndObject(); }

void WriteLines(JsonWriter& w, const Chart& chart) {
    for (const auto& line : chart.Lines()) {
        BeginFeature(w, "lines", [&] { WriteLineGeometry(w, line.points); });
        w.Key("code").Int(line.code);
        w.Key("labelValue").Float(line.labelValue);
        w.Key("labelPoints").Positions(line.labelPoints);
        EndFeature(w);
    }
    for (const auto& symbol : chart.LineSymbols()) {
        BeginFeature(w, "lineSymbols", [&] { WriteLineGeometry(w, symbol.points); });
        w.Key("code").Int(symbol.code);
        EndFeature(w);
    }
}

void WriteContours(JsonWriter& w, const Chart& chart) {
    for (const auto& contour : chart.ClosedContours()) {
        const bool closed = contour.IsClosed();
        BeginFeature(w, "closedContours", [&] {
            if (closed) {
                WritePolygonGeometry(w, contour.points);
            } else {
                WriteLineGeometry(w, contour.points);
            }
        });
        w.Key("code").Int(contour.code);
        w.Key("value").Float(contour.value);
        w.Key("closed").Bool(closed);
        w.Key("valuedClosed").Bool(contour.valuedClosed);
        w.Key("levelIndex");
        if (contour.levelIndex == readdata14::NO_LEVEL_INDEX) {
            w.Null();
        } else {
            w.Int(contour.levelIndex);
        }
        w.Key("direction").String(LevelOrderName(chart.LevelsOrder()));
        w.Key("labelPoints").Positions(contour.labelPoints);
        EndFeature(w);
    }
}

void WriteAreas(JsonWriter& w, const Chart& chart) {
    for (const auto& region : chart.WeatherRegions()) {
        BeginFeature(w, "weatherRegions", [&] { WritePolygonGeometry(w, region.points); });
        w.Key("code").Int(region.code);
        EndFeature(w);
    }
    for (const auto& area : chart.FillAreas()) {
        BeginFeature(w, "fillAreas", [&] { WritePolygonGeometry(w, area.points); });
        w.Key("code").Int(area.code);
        w.Key("values").Floats(area.values);
        EndFeature(w);
    }
}

void WritePoints(JsonWriter& w, const Chart& chart, TextDecoder& texts) {
    const auto point = [&](Point p) {
        w.BeginObject().Key("type").String("Point").Key("coordinates").Position(p).EndObject();
    };
    for (const auto& symbol : chart.Symbols()) {
        BeginFeature(w, "symbols", [&] { point(symbol.position); });
        w.Key("type").Int(symbol.type);
        w.Key("direction").Float(symbol.direction);
        w.Key("text").String(texts.ToUtf8(symbol.text));
        EndFeature(w);
    }
    for (const auto& note : chart.Notes()) {
        BeginFeature(w, "notes", [&] { point(note.position); });
        w.Key("type").Int(note.type);
        w.Key("value").Float(note.value);
        w.Key("values").Floats(note.values);
        w.Key("firstText").String(texts.ToUtf8(note.firstText));
        w.Key("secondText").String(texts.ToUtf8(note.secondText));
        EndFeature(w);
    }
}

FileResult WriteChartGeojson(const Input& input, const GeojsonOptions& options) {
    FileResult result;
    std::string error;
    auto texts = TextDecoder::Open(options.encoding, error);
    if (!texts) return {"", "chart14: " + DisplayText(error) + "\n", EXIT_UNREADABLE, false};
    Chart chart;
    if (!OpenChart(input, chart, result)) return result;

    JsonWriter w(result.out);
    w.BeginObject().Key("type").String("FeatureCollection");
    w.Key("description").String(texts->ToUtf8(chart.Description()));
    w.Key("features").BeginArray();
    WriteLines(w, chart);
    WriteContours(w, chart);
    WriteAreas(w, chart);
    WritePoints(w, chart, *texts);
    w.EndArray().EndObject();
    result.out += '\n';
    if (texts->Escaped() && !options.run.quiet) result.err += EscapedTextsNote(input, options.encoding);
    NoteFindings(input, chart, result, options.run.quiet);
    return result;
}

}  // namespace

void RegisterGeojson(CLI::App& app, int& status) {
    auto options = std::make_shared<GeojsonOptions>();
    CLI::App* command = app.add_subcommand("geojson", "Write the chart as a GeoJSON FeatureCollection");
    AddRunOptions(*command, options->run);
    AddEncodingOption(*command, options->encoding);
    command->callback([options, &status] {
        if (!KnownEncoding(options->encoding)) {
            status = EXIT_UNREADABLE;
            return;
        }
        status = RunOverFiles("geojson", options->run, {".geojson", false},
                              [options](const Input& input) { return WriteChartGeojson(input, *options); });
    });
}

}  // namespace readdata14::chart14

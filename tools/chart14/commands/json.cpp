// chart14 json FILE…: every element of every section as JSON, in the words
// and keys of the library's layers (readdata14/layers.hpp).
//
//   {"file" (the path; null for standard input), "description",
//    "lines": [{"code", "label_kind", "label_value", "label_code", "points": [[x,y],…],
//               "label_points"}] | null,
//    "line_symbols": [{"code", "points"}] | null,
//    "symbols": [{"type", "position": [x,y], "direction", "text"}] | null,
//    "closed_contours": {"level_order", "levels": […], "contours": [{"code",
//        "label_kind", "label_value", "label_code", "closed", "valued_closed",
//        "level_index", "points", "label_points"}]} | null,
//    "weather_regions": [{"code", "points"}],
//    "fill_areas": [{"code", "points", "values": [16]}] | null (not read),
//    "notes": [{"type", "position", "value", "values": [6], "first_text", "second_text"}] | null}
//
//   and after "description": "first_token" and "header_integers" (those of the
//   line after the description that stood in the file).
//
// A label is "none" (NoLabel), "code" (label_code holds the code) or "value"
// (label_value holds the number); the other of the two is null, and so is
// level_index for a contour without a level. The stored float follows back
// exactly from the three: a code's float lies where floats are a quarter
// apart, so subtracting the offset loses nothing.
//
// null marks a section that gave no block. Floats are the shortest text that
// reads back to the same 32-bit value; NaN, Infinity and -Infinity are those
// strings and -0 is -0.0, so every value is told apart. Texts are UTF-8, with
// a byte that does not decode as \xNN and a backslash as \\ (one output, one
// input). One document per input: several inputs to standard output are JSON
// Lines, one document per line.
#include <CLI/CLI.hpp>
#include <memory>

#include "commands/chart14.hpp"
#include "commands/common.hpp"
#include "support/json_writer.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

struct JsonOptions {
    RunOptions run;
    std::string encoding;
    bool oneLine = false;  // JSON Lines: several documents share standard output
};

// The three label fields of the layers: the kind, then the number in the
// field of its kind and null in the other.
void WriteLabel(JsonWriter& w, float stored) {
    if (readdata14::IsNoLabel(stored)) {
        w.Key("label_kind").String("none");
        w.Key("label_value").Null();
        w.Key("label_code").Null();
    } else if (readdata14::IsLabelCode(stored)) {
        w.Key("label_kind").String("code");
        w.Key("label_value").Null();
        // Exact: see the note at the top.
        w.Key("label_code").Float(static_cast<float>(double(stored) - double(readdata14::LABEL_CODE_OFFSET)));
    } else {
        w.Key("label_kind").String("value");
        w.Key("label_value").Float(stored);
        w.Key("label_code").Null();
    }
}

void WriteLines(JsonWriter& w, const Chart& chart) {
    if (!chart.HasLines()) {
        w.Null();
        return;
    }
    w.BeginArray();
    for (const auto& line : chart.Lines()) {
        w.Break().BeginObject();
        w.Key("code").Int(line.code);
        WriteLabel(w, line.labelValue);
        w.Key("points").Positions(line.points);
        w.Key("label_points").Positions(line.labelPoints);
        w.EndObject();
    }
    w.EndArray();
}

template <class Range>
void WritePointLists(JsonWriter& w, bool present, const Range& range) {
    if (!present) {
        w.Null();
        return;
    }
    w.BeginArray();
    for (const auto& element : range) {
        w.Break().BeginObject();
        w.Key("code").Int(element.code);
        w.Key("points").Positions(element.points);
        w.EndObject();
    }
    w.EndArray();
}

void WriteSymbols(JsonWriter& w, const Chart& chart, TextDecoder& texts) {
    if (!chart.HasSymbols()) {
        w.Null();
        return;
    }
    w.BeginArray();
    for (const auto& symbol : chart.Symbols()) {
        w.Break().BeginObject();
        w.Key("type").Int(symbol.type);
        w.Key("position").Position(symbol.position);
        w.Key("direction").Float(symbol.direction);
        w.Key("text").String(texts.ToUtf8(symbol.text));
        w.EndObject();
    }
    w.EndArray();
}

void WriteClosedContours(JsonWriter& w, const Chart& chart) {
    if (!chart.HasClosedContours()) {
        w.Null();
        return;
    }
    w.BeginObject();
    w.Key("level_order").String(LevelOrderName(chart.LevelsOrder()));
    w.Key("levels").Floats(chart.Levels());
    w.Key("contours").BeginArray();
    for (const auto& contour : chart.ClosedContours()) {
        w.Break().BeginObject();
        w.Key("code").Int(contour.code);
        WriteLabel(w, contour.value);
        w.Key("closed").Bool(contour.IsClosed());
        w.Key("valued_closed").Bool(contour.valuedClosed);
        w.Key("level_index");
        if (contour.levelIndex == readdata14::NO_LEVEL_INDEX) {
            w.Null();
        } else {
            w.Int(contour.levelIndex);
        }
        w.Key("points").Positions(contour.points);
        w.Key("label_points").Positions(contour.labelPoints);
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
}

void WriteFillAreas(JsonWriter& w, const Chart& chart) {
    if (!chart.FillAreasRead()) {
        w.Null();
        return;
    }
    w.BeginArray();
    for (const auto& area : chart.FillAreas()) {
        w.Break().BeginObject();
        w.Key("code").Int(area.code);
        w.Key("points").Positions(area.points);
        w.Key("values").Floats(area.values);
        w.EndObject();
    }
    w.EndArray();
}

void WriteNotes(JsonWriter& w, const Chart& chart, TextDecoder& texts) {
    if (!chart.HasNotes()) {
        w.Null();
        return;
    }
    w.BeginArray();
    for (const auto& note : chart.Notes()) {
        w.Break().BeginObject();
        w.Key("type").Int(note.type);
        w.Key("position").Position(note.position);
        w.Key("value").Float(note.value);
        w.Key("values").Floats(note.values);
        w.Key("first_text").String(texts.ToUtf8(note.firstText));
        w.Key("second_text").String(texts.ToUtf8(note.secondText));
        w.EndObject();
    }
    w.EndArray();
}

FileResult WriteChartJson(const Input& input, const JsonOptions& options) {
    FileResult result;
    std::string error;
    auto texts = TextDecoder::Open(options.encoding, error);
    if (!texts) return {"", "chart14: " + DisplayText(error) + "\n", EXIT_UNREADABLE, false};
    texts->SetExact(true);
    Chart chart;
    if (!OpenChart(input, chart, result)) return result;

    JsonWriter w(result.out, options.oneLine);
    w.BeginObject();
    // The path is the system's, not chart text: its bytes as they are.
    w.Key("file");
    if (input.IsStdin()) {
        w.Null();
    } else {
        w.String(EscapeInvalidUtf8(input.path));
    }
    w.Key("description").String(texts->ToUtf8(chart.Description()));
    w.Key("first_token").String(texts->ToUtf8(chart.FirstToken()));
    w.Key("header_integers").BeginArray();
    for (const std::int32_t value : chart.HeaderIntegers()) w.Int(value);
    w.EndArray();
    w.Break().Key("lines");
    WriteLines(w, chart);
    w.Break().Key("line_symbols");
    WritePointLists(w, chart.HasLineSymbols(), chart.LineSymbols());
    w.Break().Key("symbols");
    WriteSymbols(w, chart, *texts);
    w.Break().Key("closed_contours");
    WriteClosedContours(w, chart);
    w.Break().Key("weather_regions");
    WritePointLists(w, chart.HasWeatherRegions(), chart.WeatherRegions());
    w.Break().Key("fill_areas");
    WriteFillAreas(w, chart);
    w.Break().Key("notes");
    WriteNotes(w, chart, *texts);
    w.EndObject();
    result.out += '\n';
    if (texts->Escaped() && !options.run.quiet) result.err += EscapedTextsNote(input, options.encoding);
    NoteFindings(input, chart, result, options.run.quiet);
    return result;
}

}  // namespace

void RegisterJson(CLI::App& app, int& status) {
    auto options = std::make_shared<JsonOptions>();
    CLI::App* command = app.add_subcommand("json", "Write every element of every section as JSON");
    AddRunOptions(*command, options->run);
    AddEncodingOption(*command, options->encoding);
    command->callback([options, &status] {
        const bool toStandardOutput = options->run.output.empty() || options->run.output == "-";
        options->oneLine = toStandardOutput && options->run.files.size() > 1;
        status = RunDecodingOverFiles("json", options->run, options->encoding, {".json", true},
                                      [options](const Input& input) { return WriteChartJson(input, *options); });
    });
}

}  // namespace readdata14::chart14

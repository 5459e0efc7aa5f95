// chart14 info FILE…: what a chart holds, section by section.
#include <CLI/CLI.hpp>
#include <memory>

#include "commands/chart14.hpp"
#include "support/chart_extent.hpp"
#include "commands/common.hpp"
#include "support/json_writer.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

struct SectionCount {
    std::size_t elements = 0;
    std::size_t points = 0;
    std::size_t labelPoints = 0;
};

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string PadLeft(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

void AppendRow(std::string& out, const char* section, const SectionCount& count) {
    out += "  " + Pad(section, 18) + PadLeft(std::to_string(count.elements), 8) +
           PadLeft(std::to_string(count.points), 10);
    if (count.labelPoints > 0) out += "  (+" + std::to_string(count.labelPoints) + " label points)";
    out += '\n';
}

void AppendMissing(std::string& out, const char* section, const char* why) {
    out += "  " + Pad(section, 18) + why + '\n';
}

template <class Range, class Points>
SectionCount Count(const Range& range, Points points) {
    SectionCount count;
    for (const auto& record : range) {
        ++count.elements;
        points(record, count);
    }
    return count;
}

void AppendLevels(std::string& out, const Chart& chart) {
    const auto levels = chart.Levels();
    out += "  levels            ";
    if (levels.empty()) {
        out += "none\n";
        return;
    }
    switch (chart.LevelsOrder()) {
        case readdata14::LevelOrder::Rising: out += "rising inwards (ascending):"; break;
        case readdata14::LevelOrder::Falling: out += "falling inwards (descending):"; break;
        case readdata14::LevelOrder::Unknown: out += "one level:"; break;
    }
    for (const float level : levels) out += ' ' + FormatFloat(level);
    out += '\n';
}

FileResult Info(const Input& input, bool quiet) {
    FileResult result;
    Chart chart;
    if (!OpenChart(input, chart, result)) return result;
    std::string& out = result.out;
    const auto addPoints = [](const auto& r, SectionCount& c) { c.points += r.points.size(); };
    const auto addPointsAndLabels = [](const auto& r, SectionCount& c) {
        c.points += r.points.size();
        c.labelPoints += r.labelPoints.size();
    };
    const auto addPosition = [](const auto&, SectionCount& c) { ++c.points; };

    out += input.name + '\n';
    out += "  description       " + DisplayText(chart.Description()) + '\n';
    out += "  header            " + DisplayText(chart.FirstToken()) + ',';
    if (chart.HeaderIntegers().empty()) out += " no integers";
    for (const std::int32_t value : chart.HeaderIntegers()) out += ' ' + std::to_string(value);
    out += '\n';
    out += "  section           elements    points\n";
    if (chart.HasLines()) {
        AppendRow(out, "LINES", Count(chart.Lines(), addPointsAndLabels));
    } else {
        AppendMissing(out, "LINES", "absent (no LINES: tag where it is due)");
    }
    if (chart.HasLineSymbols()) {
        AppendRow(out, "LINES_SYMBOL", Count(chart.LineSymbols(), addPoints));
    } else {
        AppendMissing(out, "LINES_SYMBOL", "absent (no LINES_SYMBOL: tag where it is due)");
    }
    AppendRow(out, "SYMBOLS", Count(chart.Symbols(), addPosition));
    if (chart.HasClosedContours()) {
        AppendRow(out, "CLOSED_CONTOURS", Count(chart.ClosedContours(), addPointsAndLabels));
    } else {
        AppendMissing(out, "CLOSED_CONTOURS", "absent (no CLOSED_CONTOURS: tag where it is due)");
    }
    AppendRow(out, "WEATHER_REGION", Count(chart.WeatherRegions(), addPoints));
    if (chart.FillAreasRead()) {
        AppendRow(out, "FILLAREA", Count(chart.FillAreas(), addPoints));
    } else {
        AppendMissing(out, "FILLAREA", "not read (no STATION_SITUATION marker)");
    }
    AppendRow(out, "NOTES_SYMBOL", Count(chart.Notes(), addPosition));

    const Extent extent = ChartExtent(chart);
    out += "  extent            ";
    if (extent.Empty()) {
        out += "none\n";
    } else {
        // Each bound is one of the file's floats, so it prints as one.
        const auto bound = [](double v) { return FormatFloat(static_cast<float>(v)); };
        out += "x " + bound(extent.minX) + " .. " + bound(extent.maxX) + ", y " + bound(extent.minY) + " .. " +
               bound(extent.maxY) + '\n';
    }
    AppendLevels(out, chart);
    out += std::string("  fill areas        ") + (chart.FillAreasRead() ? "read" : "not read") + '\n';
    const auto count = [](std::uint32_t n, const char* one, const char* many) {
        return std::to_string(n) + (n == 1 ? one : many);
    };
    out += "  findings          " + count(chart.Errors(), " error, ", " errors, ") +
           count(chart.Warnings(), " warning", " warnings") + '\n';
    NoteFindings(input, chart, result, quiet);
    return result;
}

}  // namespace

void RegisterInfo(CLI::App& app, int& status) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* command = app.add_subcommand("info", "Summarise charts: sections, points, extent, contour levels");
    AddRunOptions(*command, *options);
    command->callback([options, &status] {
        status = RunOverFiles("info", *options, {".info.txt", true},
                              [options](const Input& input) { return Info(input, options->quiet); });
    });
}

}  // namespace readdata14::chart14

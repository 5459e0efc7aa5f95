// chart14 info FILE…: what a chart holds, section by section.
#include <CLI/CLI.hpp>
#include <cmath>
#include <limits>

#include "chart14.hpp"
#include "common.hpp"
#include "json_writer.hpp"

namespace chart14 {
namespace {

using readdata14::Chart;
using readdata14::Point;

struct Extent {
    float minX = std::numeric_limits<float>::infinity();
    float minY = std::numeric_limits<float>::infinity();
    float maxX = -std::numeric_limits<float>::infinity();
    float maxY = -std::numeric_limits<float>::infinity();

    void Add(Point p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    void Add(std::span<const Point> points) {
        for (const Point p : points) Add(p);
    }
    bool Empty() const { return minX > maxX; }
};

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
SectionCount Count(const Range& range, Extent& extent, Points points) {
    SectionCount count;
    for (const auto& record : range) {
        ++count.elements;
        points(record, count, extent);
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

FileResult Info(const std::string& path) {
    FileResult result;
    Chart chart;
    if (!OpenChart(path, chart, result)) return result;
    std::string& out = result.out;
    Extent extent;
    const auto addPoints = [](const auto& r, SectionCount& c, Extent& e) {
        c.points += r.points.size();
        e.Add(r.points);
    };
    const auto addPointsAndLabels = [](const auto& r, SectionCount& c, Extent& e) {
        c.points += r.points.size();
        c.labelPoints += r.labelPoints.size();
        e.Add(r.points);
        e.Add(r.labelPoints);
    };
    const auto addPosition = [](const auto& r, SectionCount& c, Extent& e) {
        ++c.points;
        e.Add(r.position);
    };

    out += path + '\n';
    out += "  description       " + std::string(chart.Description()) + '\n';
    out += "  section           elements    points\n";
    if (chart.HasLines()) {
        AppendRow(out, "LINES", Count(chart.Lines(), extent, addPointsAndLabels));
    } else {
        AppendMissing(out, "LINES", "absent (no LINES: tag where it is due)");
    }
    if (chart.HasLineSymbols()) {
        AppendRow(out, "LINES_SYMBOL", Count(chart.LineSymbols(), extent, addPoints));
    } else {
        AppendMissing(out, "LINES_SYMBOL", "absent (no LINES_SYMBOL: tag where it is due)");
    }
    AppendRow(out, "SYMBOLS", Count(chart.Symbols(), extent, addPosition));
    if (chart.HasClosedContours()) {
        AppendRow(out, "CLOSED_CONTOURS", Count(chart.ClosedContours(), extent, addPointsAndLabels));
    } else {
        AppendMissing(out, "CLOSED_CONTOURS", "absent (no CLOSED_CONTOURS: tag where it is due)");
    }
    AppendRow(out, "WEATHER_REGION", Count(chart.WeatherRegions(), extent, addPoints));
    if (chart.FillAreasRead()) {
        AppendRow(out, "FILLAREA", Count(chart.FillAreas(), extent, addPoints));
    } else {
        AppendMissing(out, "FILLAREA", "not read (no STATION_SITUATION marker)");
    }
    AppendRow(out, "NOTES_SYMBOL", Count(chart.Notes(), extent, addPosition));

    out += "  extent            ";
    if (extent.Empty()) {
        out += "none\n";
    } else {
        out += "x " + FormatFloat(extent.minX) + " .. " + FormatFloat(extent.maxX) + ", y " +
               FormatFloat(extent.minY) + " .. " + FormatFloat(extent.maxY) + '\n';
    }
    AppendLevels(out, chart);
    out += std::string("  fill areas        ") + (chart.FillAreasRead() ? "read" : "not read") + '\n';
    return result;
}

}  // namespace

void RegisterInfo(CLI::App& app, int& status) {
    struct Options {
        std::vector<std::string> files;
        RunOptions run;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("info", "Summarise charts: sections, points, extent, contour levels");
    command->add_option("files", options->files, "Chart files")->required();
    AddJobsOption(*command, options->run);
    command->callback([options, &status] {
        status = RunOverFiles(options->files, options->run, [](const std::string& path) { return Info(path); });
    });
}

}  // namespace chart14

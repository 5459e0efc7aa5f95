#include "driver/chart_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "contours/contours.hpp"
#include "driver/reading_rules.hpp"
#include "driver/scanner.hpp"
#include "driver/text_input.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

constexpr std::int32_t kChartType = 14;

// "%s %d %s": a first token nobody looks at, the type, the description.
std::optional<std::string_view> ReadHeader(Scanner& in) {
    if (!in.Token()) return std::nullopt;
    const auto type = in.Int();
    if (!type || *type != kChartType) return std::nullopt;
    return in.Token();
}

std::unique_ptr<char[]> CopyText(std::string_view text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::copy(text.begin(), text.end(), copy.get());
    copy[text.size()] = '\0';
    return copy;
}

// The line of five integers after the header is read and dropped; it ends at
// the first token that is not an integer, whatever line that stands on.
void SkipHeaderIntegers(Scanner& in) {
    for (int i = 0; i < 5 && in.Int(); ++i) {
    }
}

void ReportTrailingContent(Scanner& in) {
    if (!in.Listening()) return;
    in.SkipSpace();
    if (!in.AtEnd()) in.Report(FindingKind::TrailingContent, "content after the last section");
}

}  // namespace

ChartStatus ReadChart(std::string_view text, ChartData& chart, DiagnosticSink* sink) {
    Scanner in(text, sink);
    const auto description = ReadHeader(in);
    if (!description) {
        in.ReportAt(0, FindingKind::TagMismatch, "the header is not a type-14 header");
        return ChartStatus::NotType14;
    }
    ChartData read;
    read.description = CopyText(*description);
    SkipHeaderIntegers(in);

    // Every reader runs whatever the earlier ones returned: a reader that gave
    // up has consumed what it read, and the next starts after it.
    read.lines = ReadLines(in);
    read.lineSymbols = ReadLineSymbols(in);
    read.symbols = ReadSymbols(in);
    read.closedContours = ReadClosedContours(in);
    std::int32_t status = 0;
    read.weatherRegions = ReadWeatherRegions(in, status);
    if (status != NO_STATION_SITUATION) {
        read.fillAreas = ReadFillAreas(in);
        read.fillAreasRead = true;
    }
    read.notes = ReadNotes(in);
    ReportTrailingContent(in);
    chart = std::move(read);
    return ChartStatus::Read;
}

ChartStatus ReadChartFile(const char* path, ChartData& chart, DiagnosticSink* sink) {
    std::optional<std::string> bytes = LoadFile(path);
    if (!bytes) return ChartStatus::CannotOpen;
    ApplyTextMode(*bytes);
    return ReadChart(*bytes, chart, sink);
}

}  // namespace readdata14

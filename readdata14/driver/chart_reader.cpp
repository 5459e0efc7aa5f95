#include "driver/chart_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "contours/contours.hpp"
#include "reading/reading_rules.hpp"
#include "reading/scanner.hpp"
#include "reading/text_input.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

constexpr std::int32_t kChartType = 14;

// "%s %d %s": a first token nobody looks at, the type, the description.
std::optional<std::string_view> ReadHeader(Scanner& in) {
    const auto first = in.Token();
    if (!first) return std::nullopt;
    const auto type = in.Int();
    if (!type || *type != kChartType) return std::nullopt;
    const auto description = in.Token();
    if (description) {
        CheckTokenLength(in, *first, TOKEN_LIMIT, "first header token");
        CheckTokenLength(in, *description, TOKEN_LIMIT, "description");
    }
    return description;
}

void ReportNotType14(Scanner& in, std::string_view text) {
    if (!in.Listening()) return;
    Scanner header(text);
    const auto first = header.Token();
    const auto type = first ? header.PeekToken() : std::nullopt;
    std::string message = "expected a type-14 header (a token, the number 14, the description), found ";
    if (!first) {
        message += "an empty file";
    } else if (!type) {
        message += "the end of the input after " + QuoteToken(*first);
    } else {
        message += QuoteToken(*first) + " followed by " + QuoteToken(*type);
    }
    in.ReportAt(0, FindingKind::NotType14, std::move(message));
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
    if (!in.AtEnd()) {
        in.Report(FindingKind::TrailingContent,
                  "expected the end of the file after the last section, found " + QuoteToken(*in.PeekToken()));
    }
}

}  // namespace

ChartStatus ReadChart(std::string_view text, ChartData& chart, DiagnosticSink* sink) {
    Scanner in(text, sink);
    const auto description = ReadHeader(in);
    if (!description) {
        ReportNotType14(in, text);
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

ChartReadResult ReadChartSource(const ChartSource& source, ChartData& chart, bool withFindings) {
    ChartReadResult result;
    std::string bytes;
    if (source.path != nullptr) {
        LoadError error{0};
        std::optional<std::string> loaded = LoadFile(source.path, &error);
        if (!loaded) {
            result.systemError = error.systemError;
            return result;
        }
        bytes = std::move(*loaded);
    } else {
        bytes.assign(source.bytes);
    }
    if (!withFindings) {
        ApplyTextMode(bytes);
        result.status = ReadChart(bytes, chart);
        return result;
    }
    TextModeChanges changes;
    ApplyTextMode(bytes, &changes);
    FindingCollector findings;
    result.status = ReadChart(bytes, chart, &findings);
    if (changes.ctrlZBeforeContent) {
        findings.Report({FindingKind::ControlByte, bytes.size(),
                         "a Ctrl-Z byte (\\x1a) ends the input in text mode: what follows it is not read"});
    }
    result.findings = findings.Place(bytes, changes);
    return result;
}

ChartStatus ReadChartFile(const char* path, ChartData& chart) {
    ChartSource source;
    source.path = path;
    return ReadChartSource(source, chart, false).status;
}

}  // namespace readdata14

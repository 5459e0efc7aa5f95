#include "driver/chart_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "contours/contours.hpp"
#include "reading/reading_rules.hpp"
#include "reading/scanner.hpp"
#include "reading/text_input.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

constexpr std::int32_t kChartType = 14;

// "%s %d %s": a first token, the type, the description.
struct HeaderTokens {
    std::string_view first;
    std::string_view description;
};

std::optional<HeaderTokens> ReadHeader(Scanner& in) {
    const auto first = in.Token();
    if (!first) return std::nullopt;
    const auto type = in.Int();
    if (!type || *type != kChartType) return std::nullopt;
    const auto description = in.Token();
    if (!description) return std::nullopt;
    CheckTokenLength(in, *first, TOKEN_LIMIT, "first header token");
    CheckTokenLength(in, *description, TOKEN_LIMIT, "description");
    return HeaderTokens{*first, *description};
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

// The line of five integers after the header; it ends at the first token
// that is not an integer, whatever line that stands on.
void ReadHeaderIntegers(Scanner& in, ChartData& chart) {
    while (chart.headerIntegerCount < HEADER_INTEGERS) {
        const auto value = in.Int();
        if (!value) return;
        chart.headerIntegers[chart.headerIntegerCount++] = *value;
    }
}

// Each reader is told apart by the tags the scanner found during its call.
template <class ReadSection>
auto Present(Scanner& in, std::uint32_t& present, Section section, ReadSection&& read) {
    const std::size_t before = in.SectionsFound();
    auto result = read();
    if (in.SectionsFound() > before) present |= 1u << static_cast<unsigned>(section);
    return result;
}

// The sections after the closed contours.
void ReadSectionsAfterContours(Scanner& in, ChartData& read) {
    std::uint32_t& present = read.sectionsPresent;
    std::int32_t status = 0;
    read.weatherRegions = ReadWeatherRegions(in, status);
    if (status != NO_STATION_SITUATION) {
        present |= 1u << static_cast<unsigned>(Section::WeatherRegions);
        read.fillAreas = Present(in, present, Section::FillAreas, [&] { return ReadFillAreas(in); });
        read.fillAreasRead = true;
    }
    read.notes = Present(in, present, Section::Notes, [&] { return ReadNotes(in); });
}

// With `workers`, one of them works the closed contours' nesting out while
// the sections after them are read.
void ReadSections(Scanner& in, ChartData& read, PreparedNumbers* workers) {
    std::uint32_t& present = read.sectionsPresent;
    // Every reader runs whatever the earlier ones returned: a reader that gave
    // up has consumed what it read, and the next starts after it.
    read.lines = Present(in, present, Section::Lines, [&] { return ReadLines(in); });
    read.lineSymbols = Present(in, present, Section::LineSymbols, [&] { return ReadLineSymbols(in); });
    read.symbols = Present(in, present, Section::Symbols, [&] { return ReadSymbols(in); });
    PendingContours contours =
        Present(in, present, Section::ClosedContours, [&] { return ReadClosedContoursPending(in); });
    contours.Start(workers);
    ReadSectionsAfterContours(in, read);
    read.closedContours = contours.Finish(&read.contourFilePositions);
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

ChartStatus ReadChart(std::string_view text, ChartData& chart, DiagnosticSink* sink, bool headerOnly,
                      const PreparedRead& prepared) {
    Scanner in(text, sink);
    // A finding inside the header (a NUL byte, a long token, a saturated
    // integer) that stops the read takes effect after it: cut short, the
    // header of a chart would read as no chart at all.
    in.HoldStops();
    const auto header = ReadHeader(in);
    if (!header) {
        ReportNotType14(in, text);
        return ChartStatus::NotType14;
    }
    ChartData read;
    read.firstToken = CopyText(header->first);
    read.firstTokenSize = header->first.size();
    read.description = CopyText(header->description);
    read.descriptionSize = header->description.size();
    ReadHeaderIntegers(in, read);
    in.ReleaseStops();
    if (!headerOnly) {
        // The header is read before any thread starts: a file that is no
        // chart costs none.
        std::optional<PreparedNumbers> ahead;
        if (prepared.threads > 1 && text.size() >= prepared.minBytes) {
            try {
                ahead.emplace(text, prepared);
                in.UsePrepared(&*ahead);
            } catch (const std::bad_alloc&) {
                // One thread reads it, as it always could.
            }
        }
        ReadSections(in, read, ahead ? &*ahead : nullptr);
        ReportTrailingContent(in);
    }
    chart = std::move(read);
    return ChartStatus::Read;
}

HeaderVerdict JudgeHeader(std::string_view firstBytes, bool wholeFile) {
    std::string text(firstBytes);
    ApplyTextMode(text);
    // A token that touches the end of the bytes at hand may go on after it,
    // unless the file ends there (or a Ctrl-Z ended it). That holds for the
    // token the header's scan stopped at as well as for the last one it took:
    // a sign alone ("+") fails as a number, yet "+14" is the type of a chart,
    // and "1" is no 14 while "14" is. So a verdict stands only when the scan
    // stopped in front of a token that ends inside the bytes.
    const bool ended = wholeFile || firstBytes.find('\x1a') != std::string_view::npos;
    Scanner in(text);
    const auto decided = [&](HeaderVerdict verdict) {
        if (ended) return verdict;
        const auto next = in.PeekToken();
        const bool cut = !next || in.NextTokenOffset() + next->size() >= text.size();
        return cut ? HeaderVerdict::Undecided : verdict;
    };
    const auto first = in.Token();
    if (!first) return decided(HeaderVerdict::NotType14);
    const auto type = in.Int();
    if (!type) return decided(HeaderVerdict::NotType14);
    if (*type != kChartType) return decided(HeaderVerdict::NotType14);
    if (!in.Token()) return decided(HeaderVerdict::NotType14);
    ChartData integers;
    ReadHeaderIntegers(in, integers);
    return decided(HeaderVerdict::Type14);
}

namespace {

LoadLimits LimitsFor(const ChartSource& source, const ReadOptions& options) {
    LoadLimits limits;
    limits.maxBytes = options.maxInputSize;
    limits.utf8Path = source.utf8Path;
    // A header that already tells the file is no chart ends the loading, and
    // so does a whole header when only the header is wanted.
    const bool headerOnly = options.headerOnly;
    limits.enough = [headerOnly](std::string_view bytes) {
        const HeaderVerdict verdict = JudgeHeader(bytes, false);
        return verdict == HeaderVerdict::NotType14 || (headerOnly && verdict == HeaderVerdict::Type14);
    };
    return limits;
}

}  // namespace

ChartReadResult ReadChartSource(const ChartSource& source, ChartData& chart, const ReadOptions& options) {
    ChartReadResult result;
    ChartBytes bytes;
    if (source.path != nullptr) {
        LoadError error;
        LoadLimits limits = LimitsFor(source, options);
        limits.mapFrom = options.mapFrom;
        std::optional<ChartBytes> loaded = LoadChartBytes(source.path, &error, limits);
        if (!loaded) {
            result.status = error.tooLarge ? ChartStatus::TooLarge : ChartStatus::CannotOpen;
            result.systemError = error.systemError;
            return result;
        }
        bytes = std::move(*loaded);
    } else {
        if (source.bytes.size() > options.maxInputSize) {
            result.status = ChartStatus::TooLarge;
            return result;
        }
        // Read where they lie: text mode copies them only to change them.
        bytes = ChartBytes::Borrowed(source.bytes);
    }
    result.inputSize = bytes.size();
    if (!options.onFinding && !options.countFindings) {
        bytes.ApplyTextMode();
        result.status = ReadChart(bytes.View(), chart, nullptr, options.headerOnly, options.prepared);
        return result;
    }
    TextModeChanges changes;
    bytes.ApplyTextMode(&changes);
    const std::string_view text = bytes.View();
    FindingStream findings(text, changes, options.onFinding, options.findingLimit);
    result.status = ReadChart(text, chart, &findings, options.headerOnly, options.prepared);
    if (changes.ctrlZBeforeContent && !options.headerOnly) {
        findings.Report({FindingKind::ControlByte, text.size(),
                         "a Ctrl-Z byte (\\x1a) ends the input in text mode: what follows it is not read"});
    }
    findings.Finish();
    if (findings.Stopped() && result.status == ChartStatus::Read) result.status = ChartStatus::Stopped;
    result.errors = findings.Errors();
    result.warnings = findings.Warnings();
    return result;
}

ChartStatus ReadChartFile(const char* path, ChartData& chart) {
    ChartSource source;
    source.path = path;
    return ReadChartSource(source, chart, ReadOptions{}).status;
}

}  // namespace readdata14

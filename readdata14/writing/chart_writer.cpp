#include "writing/chart_writer.hpp"

#include <array>
#include <string>

#include "reading/section_tags.hpp"
#include "writing/chart_out.hpp"
#include "writing/sections.hpp"

namespace readdata14::writing {
namespace {

constexpr std::int64_t kChartType = 14;

// How a section stands in the file: missing (the reader met another token
// where its tag was due), its tag alone (a tag with no count, or a text
// section with the count 0), or whole.
enum class Form { Missing, TagOnly, Whole };

enum SectionIndex : std::size_t { kLines, kLineSymbols, kSymbols, kContours, kRegions, kFillAreas, kNotes, kSections };

struct SectionForm {
    Form form = Form::Missing;
    std::uint32_t bit = 0;
    std::string_view tag;  // the tag the section opens with when written
};

bool Present(const ChartInput& chart, std::uint32_t bit) { return (chart.sectionsPresent & bit) != 0; }
bool IsNull(BlockView block) { return block.data() == nullptr; }
bool IsEmptyBlock(BlockView block) { return block.size() == 1 && block[0] == 0.0f; }

// A section read as a plain block: null when its tag was missing or stood
// without a count.
std::optional<Form> PlainForm(bool present, BlockView block) {
    if (!present) return IsNull(block) ? std::optional(Form::Missing) : std::nullopt;
    return IsNull(block) ? Form::TagOnly : Form::Whole;
}

// A text section: untouched when missing or declaring no elements.
std::optional<Form> TextForm(bool present, const TextBlockView& block) {
    if (!present) return block.Untouched() ? std::optional(Form::Missing) : std::nullopt;
    return block.Untouched() ? Form::TagOnly : Form::Whole;
}

struct Plan {
    std::array<SectionForm, kSections> sections;
    std::optional<Problem> problem;
};

Problem Inconsistent(std::uint32_t bit, std::string_view name, std::string_view what) {
    return Problem{bit, -1, std::string(name) + ": " + std::string(what)};
}

// Which sections stand in the file and how, from the presence bits and the
// blocks; a problem where the two disagree in a way no read leaves.
Plan PlanSections(const ChartInput& chart) {
    Plan plan;
    auto& s = plan.sections;
    const auto plain = [&](std::size_t index, std::uint32_t bit, std::string_view tag, std::string_view name,
                           BlockView block) {
        s[index] = {Form::Missing, bit, tag};
        const auto form = PlainForm(Present(chart, bit), block);
        if (!form && !plan.problem) plan.problem = Inconsistent(bit, name, "a block, but the section is not present");
        if (form) s[index].form = *form;
    };
    const auto text = [&](std::size_t index, std::uint32_t bit, std::string_view tag, std::string_view name,
                          const TextBlockView& block) {
        s[index] = {Form::Missing, bit, tag};
        const auto form = TextForm(Present(chart, bit), block);
        if (!form && !plan.problem) plan.problem = Inconsistent(bit, name, "a block, but the section is not present");
        if (form) s[index].form = *form;
    };
    plain(kLines, READDATA14_SECTION_LINES, LINES_TAG, "LINES", chart.lines);
    plain(kLineSymbols, READDATA14_SECTION_LINE_SYMBOLS, LINE_SYMBOLS_TAG, "LINES_SYMBOL", chart.lineSymbols);
    text(kSymbols, READDATA14_SECTION_SYMBOLS, SYMBOLS_TAG, "SYMBOLS", chart.symbols);
    plain(kContours, READDATA14_SECTION_CLOSED_CONTOURS, CLOSED_CONTOURS_TAG, "CLOSED_CONTOURS", chart.closedContours);
    // The weather regions: the marker and the tag were found, or neither.
    // Only then are fill areas read, and their block is there.
    const bool regions = Present(chart, READDATA14_SECTION_WEATHER_REGIONS);
    s[kRegions] = {regions ? Form::Whole : Form::Missing, READDATA14_SECTION_WEATHER_REGIONS, WEATHER_REGIONS_TAG};
    s[kFillAreas] = {Form::Missing, READDATA14_SECTION_FILL_AREAS, FILL_AREAS_TAG};
    const bool fillAreas = Present(chart, READDATA14_SECTION_FILL_AREAS);
    if (!regions && (!IsEmptyBlock(chart.weatherRegions) || !IsNull(chart.fillAreas) || fillAreas)) {
        if (!plan.problem) {
            plan.problem = Inconsistent(READDATA14_SECTION_WEATHER_REGIONS, "WEATHER_REGION",
                                        "regions or fill areas, but no STATION_SITUATION marker before them");
        }
    } else if (regions && IsNull(chart.fillAreas)) {
        if (!plan.problem) {
            plan.problem = Inconsistent(READDATA14_SECTION_FILL_AREAS, "FILLAREA",
                                        "no block, but a file with weather regions always gives one");
        }
    } else if (regions) {
        if (fillAreas) {
            s[kFillAreas].form = Form::Whole;
        } else if (!IsEmptyBlock(chart.fillAreas) && !plan.problem) {
            plan.problem = Inconsistent(READDATA14_SECTION_FILL_AREAS, "FILLAREA", "a block, but the section is not present");
        }
    }
    text(kNotes, READDATA14_SECTION_NOTES, NOTES_TAG, "NOTES_SYMBOL", chart.notes);
    return plan;
}

bool WriteHeader(const ChartInput& chart, ChartOut& out) {
    out.At(0, "", "", -1);
    if (!out.Token(chart.firstToken, "the first header token")) return false;
    out.Int(kChartType);
    if (!out.Token(chart.description, "the description")) return false;
    out.Newline();
    for (std::size_t i = 0; i < chart.headerIntegerCount; ++i) out.Int(chart.headerIntegers[i]);
    if (chart.headerIntegerCount > 0) out.Newline();
    return true;
}

// A missing section is written as its tag without the colon: a token the
// reader takes where the tag is due, finds wrong, and passes, just as it
// passes the tag. The weather regions' reader looks for the marker there.
void WriteMissing(std::string_view tag, ChartOut& out) {
    out.Word(tag.ends_with(':') ? tag.substr(0, tag.size() - 1) : tag);
    out.Newline();
}

// The tag of a section that stood with no elements: a text section with the
// count 0 (the reader leaves it untouched), a plain one without a count.
void WriteTagOnly(std::size_t index, std::string_view tag, ChartOut& out) {
    out.Word(tag);
    if (index == kSymbols || index == kNotes) out.Int(0);
    out.Newline();
}

bool WriteWhole(std::size_t index, const ChartInput& chart, ChartOut& out) {
    switch (index) {
        case kLines: return WriteLines(chart.lines, out);
        case kLineSymbols: return WriteLineSymbols(chart.lineSymbols, out);
        case kSymbols: return WriteSymbols(chart.symbols, out);
        case kContours: return WriteClosedContours(chart.closedContours, chart.contourFilePositions, out);
        case kRegions: return WriteWeatherRegions(chart.weatherRegions, out);
        case kFillAreas: return WriteFillAreas(chart.fillAreas, out);
        case kNotes: return WriteNotes(chart.notes, out);
        default: return false;
    }
}

// The whole chart into `out`; false with the problem in `out`.
bool WalkChart(const ChartInput& chart, ChartOut& out) {
    const Plan plan = PlanSections(chart);
    if (plan.problem) {
        out.TakeProblem() = plan.problem;
        return false;
    }
    if (!WriteHeader(chart, out)) return false;
    // Missing sections after the last one that stands are left out: the
    // readers find the end of the input where their tags are due.
    std::size_t end = 0;
    for (std::size_t i = 0; i < kSections; ++i) {
        if (plan.sections[i].form != Form::Missing) end = i + 1;
    }
    for (std::size_t i = 0; i < end; ++i) {
        const SectionForm& section = plan.sections[i];
        // Without weather regions the reader does not look for fill areas.
        if (i == kFillAreas && plan.sections[kRegions].form == Form::Missing) continue;
        if (section.form == Form::Missing) {
            WriteMissing(section.tag, out);
        } else if (section.form == Form::TagOnly) {
            WriteTagOnly(i, section.tag, out);
        } else if (!WriteWhole(i, chart, out)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<Problem> FindUnwritable(const ChartInput& chart) {
    ChartOut check(nullptr);
    WalkChart(chart, check);
    return std::move(check.TakeProblem());
}

WriteOutcome WriteChart(const ChartInput& chart, const WriteSettings& settings, ByteSink& sink) {
    if (auto problem = FindUnwritable(chart)) {
        WriteOutcome outcome;
        outcome.end = WriteEnd::NotWritable;
        outcome.problem = std::move(problem);
        return outcome;
    }
    return WriteCheckedChart(chart, settings, sink);
}

WriteOutcome WriteCheckedChart(const ChartInput& chart, const WriteSettings& settings, ByteSink& sink) {
    WriteOutcome outcome;
    TextOutput text(sink, settings.crlf);
    ChartOut out(&text);
    if (!WalkChart(chart, out)) {
        // The check found nothing: only a spelling that differs between
        // the passes could land here.
        outcome.end = WriteEnd::NotWritable;
        outcome.problem = std::move(out.TakeProblem());
        return outcome;
    }
    const bool flushed = text.Flush();
    outcome.bytesWritten = text.Written();
    outcome.end = flushed ? WriteEnd::Written : WriteEnd::SinkFailed;
    return outcome;
}

}  // namespace readdata14::writing

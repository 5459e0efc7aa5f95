// The C exports of readdata14_write.h that build a chart: each element
// checked by the builder, and the chart finished through its file and the
// reader. Nothing thrown inside leaves a call.
#define READDATA14_BUILDING
#include "readdata14/readdata14_write.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <exception>
#include <iterator>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/builder.hpp"
#include "api/document.hpp"
#include "api/write_results.hpp"
#include "driver/chart_reader.hpp"
#include "layers/rings.hpp"
#include "writing/chart_builder.hpp"
#include "writing/chart_writer.hpp"

namespace {

using readdata14::api::Guarded;
using readdata14::api::Refuse;
using readdata14::api::Report;
using readdata14::api::Tell;
using readdata14::writing::ByteSink;
using readdata14::writing::Problem;
using readdata14::writing::WriteEnd;
using readdata14::writing::WriteOutcome;

// An in-memory file for the builder's finish.
class StringSink final : public ByteSink {
public:
    bool Put(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// Room for the file a chart is written as, asked for before writing: a
// string grown a megabyte at a time copies a large file over and over,
// and touches fresh pages each time. A float is spelled in at most 16
// bytes with its blank; a room not used is never touched. Only a hint:
// when it cannot be had, the string grows as it goes.
void ReserveFile(std::string& text, const readdata14::writing::ChartInput& chart) noexcept {
    const auto floats = [](const readdata14::writing::TextBlockView& block) { return block.values.size(); };
    const std::size_t values = chart.lines.size() + chart.lineSymbols.size() + floats(chart.symbols) +
                               chart.closedContours.size() + chart.weatherRegions.size() + chart.fillAreas.size() +
                               floats(chart.notes);
    const std::size_t texts = chart.symbols.text.size() + chart.notes.text.size() + chart.description.size() +
                              chart.firstToken.size();
    constexpr std::size_t kPerFloat = 16;
    constexpr std::size_t kSlack = std::size_t{1} << 16;  // tags, counts, line ends
    if (values > (text.max_size() - texts - kSlack) / kPerFloat) return;
    try {
        text.reserve(kPerFloat * values + texts + kSlack);
    } catch (const std::exception&) {
        // No room at once: the string grows as it goes.
    }
}

readdata14_status Took(const std::optional<Problem>& problem, readdata14_write_result* result) {
    Report report;
    if (problem) {
        report.status = READDATA14_NOT_WRITABLE;
        report.problem = &*problem;
    }
    return Tell(result, report);
}

// The size of an element record as 1.2 defined it: a host built then passes
// that size, and the members added since read as 0.
template <class Record>
constexpr std::size_t SizeIn12() noexcept {
    return sizeof(Record);
}
template <>
constexpr std::size_t SizeIn12<readdata14_labelled_line>() noexcept {
    return offsetof(readdata14_labelled_line, labelPointCount) + sizeof(std::size_t);
}

// The host's element record: not null, and at least as large as 1.2's.
template <class Record>
bool Usable(readdata14_builder* builder, const Record* record) noexcept {
    return builder != nullptr && record != nullptr && record->size >= SizeIn12<Record>();
}

std::uint32_t FlagsOf(const readdata14_labelled_line& line) noexcept {
    return line.size >= offsetof(readdata14_labelled_line, flags) + sizeof(line.flags) ? line.flags : 0u;
}

// `count` x, y pairs at `xy` (null only with no points).
std::optional<std::span<const float>> Pairs(const float* xy, std::size_t count) noexcept {
    if (count == 0) return std::span<const float>();
    if (xy == nullptr || count > SIZE_MAX / 2) return std::nullopt;
    return std::span<const float>(xy, 2 * count);
}

template <class Add>
readdata14_status AddElement(readdata14_builder* builder, bool usable, readdata14_write_result* result, Add&& add) {
    if (!usable) return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder or element, or an element whose size is not set");
    return Guarded(result, [&] { return add(builder->chart); });
}

std::optional<readdata14::writing::LabelledLine> LineOf(const readdata14_labelled_line& line) {
    const auto points = Pairs(line.points, line.pointCount);
    const auto labelPoints = Pairs(line.labelPoints, line.labelPointCount);
    if (!points || !labelPoints) return std::nullopt;
    return readdata14::writing::LabelledLine{line.code, *points, line.label, *labelPoints};
}

std::optional<readdata14::writing::PointList> ListOf(const readdata14_point_list& list) {
    const auto points = Pairs(list.points, list.pointCount);
    if (!points) return std::nullopt;
    readdata14::writing::PointList made{list.code, *points, {}};
    std::copy(std::begin(list.values), std::end(list.values), made.values.begin());
    return made;
}

std::optional<std::string_view> TextOf(const char* text) {
    return text == nullptr ? std::nullopt : std::optional<std::string_view>(text);
}

constexpr std::string_view kNullPoints = "points that are null while their count is not 0";

// An element of points: made into the builder's own form (refused where its
// points are null while their count is not), then added by `add`.
template <class Given, class Made>
readdata14_status AddPoints(readdata14_builder* builder, const Given* given, readdata14_write_result* result,
                            std::optional<Made> (*make)(const Given&),
                            std::optional<Problem> (readdata14::writing::ChartBuilder::*add)(const Made&)) {
    return AddElement(builder, Usable(builder, given), result, [&](readdata14::writing::ChartBuilder& chart) {
        const auto made = make(*given);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        return Took((chart.*add)(*made), result);
    });
}

// Hands `copy` the document as a builder copies it and the elements its
// `section` holds; a document no copy takes (read header-only) is refused.
template <class Copy>
readdata14_status WithCopyable(const readdata14_document& from, std::uint32_t section, readdata14_write_result* result,
                               Copy copy) {
    // The header is the builder's: the document's integers are not taken.
    readdata14::writing::HeaderChoice header;
    header.integers = std::span<const std::int32_t>();
    const auto chart = readdata14::writing::InputOf(from, header);
    if (chart.problem) return Took(chart.problem, result);
    return copy(chart.input, readdata14::writing::CopyableElements(chart.input, section));
}

}  // namespace

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_new(readdata14_builder** builder) {
    if (builder == nullptr) return READDATA14_INVALID_ARGUMENT;
    try {
        *builder = new readdata14_builder();
    } catch (...) {
        *builder = nullptr;
        return READDATA14_OUT_OF_MEMORY;
    }
    return READDATA14_WRITTEN;
}

extern "C" READDATA14_API void READDATA14_CALL readdata14_builder_free(readdata14_builder* builder) { delete builder; }

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_set_header(
    readdata14_builder* builder, const char* firstToken, const char* description, const int32_t* integers,
    size_t integerCount, readdata14_write_result* result) {
    if (builder == nullptr || (integers == nullptr && integerCount != 0)) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder, or null integers while their count is not 0");
    }
    return Guarded(result, [&] {
        const std::span<const std::int32_t> given(integers, integers == nullptr ? 0 : integerCount);
        return Took(builder->chart.SetHeader(TextOf(firstToken), TextOf(description), given), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_line(
    readdata14_builder* builder, const readdata14_labelled_line* line, readdata14_write_result* result) {
    return AddPoints(builder, line, result, LineOf, &readdata14::writing::ChartBuilder::AddLine);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_contour(
    readdata14_builder* builder, const readdata14_labelled_line* contour, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, contour), result, [&](readdata14::writing::ChartBuilder& chart) {
        auto made = LineOf(*contour);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        std::vector<float> room;
        if ((FlagsOf(*contour) & READDATA14_CLOSE_RING) != 0) made->points = readdata14::layers::ClosedRing(made->points, room);
        return Took(chart.AddContour(*made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_line_symbol(
    readdata14_builder* builder, const readdata14_point_list* lineSymbol, readdata14_write_result* result) {
    return AddPoints(builder, lineSymbol, result, ListOf, &readdata14::writing::ChartBuilder::AddLineSymbol);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_weather_region(
    readdata14_builder* builder, const readdata14_point_list* region, readdata14_write_result* result) {
    return AddPoints(builder, region, result, ListOf, &readdata14::writing::ChartBuilder::AddWeatherRegion);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_fill_area(
    readdata14_builder* builder, const readdata14_point_list* area, readdata14_write_result* result) {
    return AddPoints(builder, area, result, ListOf, &readdata14::writing::ChartBuilder::AddFillArea);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_symbol(
    readdata14_builder* builder, const readdata14_symbol* symbol, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, symbol), result, [&](readdata14::writing::ChartBuilder& chart) {
        const readdata14::writing::Symbol made{symbol->type, symbol->x, symbol->y, symbol->direction,
                                               TextOf(symbol->text), symbol->dropped != 0};
        return Took(chart.AddSymbol(made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_note(
    readdata14_builder* builder, const readdata14_note* note, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, note), result, [&](readdata14::writing::ChartBuilder& chart) {
        readdata14::writing::Note made;
        made.type = note->type;
        made.x = note->x;
        made.y = note->y;
        made.value = note->value;
        std::copy(std::begin(note->trailing), std::end(note->trailing), made.trailing.begin());
        made.firstText = TextOf(note->firstText);
        made.secondText = TextOf(note->secondText);
        return Took(chart.AddNote(made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_copy_elements(
    readdata14_builder* builder, const readdata14_document* from, uint32_t section, size_t first, size_t count,
    readdata14_write_result* result) {
    if (builder == nullptr || from == nullptr || !std::has_single_bit(section) || section > READDATA14_SECTION_NOTES) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder or document, or not one section's bit");
    }
    return Guarded(result, [&] {
        return WithCopyable(*from, section, result, [&](const readdata14::writing::ChartInput& chart, std::size_t held) {
            if (count == READDATA14_ALL_ELEMENTS && first <= held) count = held - first;
            if (first > held || count > held - first) {
                return Refuse(result, READDATA14_INVALID_ARGUMENT,
                              "the elements asked for lie beyond the document's section (it holds " +
                                  std::to_string(held) + ")");
            }
            return Took(builder->chart.CopyElements(chart, section, first, count), result);
        });
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_copy_relabelled(
    readdata14_builder* builder, const readdata14_document* from, uint32_t section, size_t element,
    const float* labelPoints, size_t count, readdata14_write_result* result) {
    if (builder == nullptr || from == nullptr ||
        (section != READDATA14_SECTION_LINES && section != READDATA14_SECTION_CLOSED_CONTOURS) ||
        (labelPoints == nullptr && count > 0)) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT,
                      "a null builder, document or label points, or a section that holds no label points");
    }
    return Guarded(result, [&] {
        return WithCopyable(*from, section, result, [&](const readdata14::writing::ChartInput& chart, std::size_t held) {
            if (element >= held) {
                return Refuse(result, READDATA14_INVALID_ARGUMENT,
                              "the element asked for lies beyond the document's section (it holds " +
                                  std::to_string(held) + ")");
            }
            return Took(builder->chart.CopyRelabelled(chart, section, element, labelPoints, count), result);
        });
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_leave_out(
    readdata14_builder* builder, uint32_t sections, readdata14_write_result* result) {
    constexpr uint32_t kSections = (READDATA14_SECTION_NOTES << 1) - 1;
    if (builder == nullptr || (sections & ~kSections) != 0) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder, or a bit that names no section");
    }
    return Guarded(result, [&] { return Took(builder->chart.LeaveOut(sections), result); });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_finish(
    const readdata14_builder* builder, readdata14_document** document, readdata14_write_result* result) {
    if (document != nullptr) *document = nullptr;
    if (builder == nullptr || document == nullptr) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder or document");
    }
    return Guarded(result, [&] {
        // The chart goes through its file: the document is what a reader of
        // that file gets, nesting and levels worked out by the reader.
        StringSink file;
        const readdata14::writing::ChartInput input = builder->chart.Input();
        ReserveFile(file.text, input);
        const WriteOutcome outcome = readdata14::writing::WriteChart(input, {}, file);
        if (outcome.end != WriteEnd::Written) {
            Report report;
            report.status = READDATA14_NOT_WRITABLE;
            report.problem = outcome.problem ? &*outcome.problem : nullptr;
            return Tell(result, report);
        }
        readdata14::ChartSource source;
        const std::size_t written = file.text.size();
        source.bytes = file.text;  // read where it lies, no copy
        const readdata14_status status = readdata14::OpenDocument(source, nullptr, document);
        if (status != READDATA14_READ) {
            // Only memory can fail a read of the builder's own file.
            readdata14_close(*document);
            *document = nullptr;
            throw std::bad_alloc();
        }
        Report report;
        report.status = status;
        report.bytes = written;
        Tell(result, report);
        return status;
    });
}

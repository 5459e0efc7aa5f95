// Elements of a chart that was read, copied into a builder exactly as its
// blocks hold them: a host that edits a chart writes the elements it did not
// touch from the document, so that even those no host record can carry (a
// contour without points, a line of one point, a NaN coordinate) come back
// bit for bit. The copied elements go into a builder of their own first and
// are checked there by the writer, so that the builder takes them whole or
// not at all, and a check costs what was copied, not the whole chart.
#include <algorithm>
#include <cstdint>
#include <numeric>

#include "readdata14/detail/chart_layout.hpp"
#include "readdata14/format.hpp"
#include "reading/reading_rules.hpp"
#include "writing/chart_builder.hpp"
#include "writing/chart_writer.hpp"
#include "writing/sections.hpp"
#include "writing/spelling.hpp"

namespace readdata14::writing {
namespace {

constexpr std::size_t kSymbolRecord = 5;
constexpr std::size_t kNoteRecord = 11;
constexpr std::size_t kMaxCount = static_cast<std::size_t>(MAX_BLOCK_COUNT);

std::size_t Records(const std::vector<float>& block) { return static_cast<std::size_t>(block[0]); }

std::size_t DeclaredRecords(BlockView block) noexcept {
    if (block.empty()) return 0;
    return detail::CountSlot(block[0]).value_or(0);
}

// Records first to first + count - 1 of a block of point lists, each as its
// floats, as far as they walk.
template <class Layout>
std::vector<std::span<const float>> PointRecords(BlockView block, std::size_t first, std::size_t count) {
    std::vector<std::span<const float>> records;
    const std::size_t declared = DeclaredRecords(block);
    if (first >= declared) return records;
    const std::size_t end = first + std::min(count, declared - first);
    std::size_t at = 1;
    for (std::size_t i = 0; i < end; ++i) {
        const auto length = Layout::Length(block.data() + at, block.size() - at);
        if (!length) break;
        if (i >= first) records.push_back(block.subspan(at, *length));
        at += *length;
    }
    return records;
}

void AppendRecord(std::vector<float>& block, std::span<const float> record) {
    block.insert(block.end(), record.begin(), record.end());
    block[0] += 1.0f;
}

// The `size` bytes of the joined texts at `at` (fewer where they end): a
// slot that does not match its texts is copied as it is, and the writer's
// check refuses it.
std::string_view TextAt(std::string_view joined, std::size_t& at, std::int32_t slot) {
    if (slot <= 0 || at >= joined.size()) return {};
    const std::size_t size = std::min(static_cast<std::size_t>(slot), joined.size() - at);
    const std::string_view text = joined.substr(at, size);
    at += size;
    return text;
}

// The symbols' lengths slots first to first + count - 1 (the file's
// symbols, dropped ones included), each with its record and text.
struct SymbolSlot {
    std::int32_t slot = 0;
    std::optional<std::span<const float>> record;
    std::string_view text;
};
std::vector<SymbolSlot> SymbolSlots(const TextBlockView& block, std::size_t first, std::size_t count) {
    std::vector<SymbolSlot> slots;
    const std::size_t total = block.lengths.size();
    if (first >= total) return slots;
    const std::size_t end = first + std::min(count, total - first);
    const std::size_t records = DeclaredRecords(block.values);
    std::size_t record = 0;
    std::size_t textAt = 0;
    for (std::size_t i = 0; i < end; ++i) {
        SymbolSlot taken{block.lengths[i], std::nullopt, {}};
        const std::size_t at = 1 + record * kSymbolRecord;
        std::optional<std::span<const float>> next;
        if (record < records && at + kSymbolRecord <= block.values.size()) next = block.values.subspan(at, kSymbolRecord);
        if (SlotTakesRecord(next, taken.slot, i + 1 == total)) {
            taken.record = next;
            taken.text = TextAt(block.text, textAt, taken.slot);
            ++record;
        }
        if (i >= first) slots.push_back(taken);
    }
    return slots;
}

// The records in file order: order[p] is the record that stood at p; block
// order where the positions are not each place once.
std::vector<std::size_t> FileOrder(std::span<const std::uint32_t> positions, std::size_t records) {
    std::vector<std::size_t> order(records, records);
    bool placed = positions.size() == records;
    for (std::size_t i = 0; placed && i < records; ++i) {
        placed = positions[i] < records && order[positions[i]] == records;
        if (placed) order[positions[i]] = i;
    }
    if (!placed) std::iota(order.begin(), order.end(), std::size_t{0});
    return order;
}

std::size_t NoteRecords(const TextBlockView& block) noexcept {
    const auto walk = detail::Walk<detail::NoteLayout>(block.values.data(), block.values.size());
    return std::min(walk.records, block.lengths.size() / 2);
}

}  // namespace

std::size_t CopyableElements(const ChartInput& chart, std::uint32_t section) noexcept {
    const auto walked = [](auto layout, BlockView block) {
        return detail::Walk<decltype(layout)>(block.data(), block.size()).records;
    };
    switch (section) {
        case READDATA14_SECTION_LINES: return walked(detail::LineLayout{}, chart.lines);
        case READDATA14_SECTION_LINE_SYMBOLS: return walked(detail::LineSymbolLayout{}, chart.lineSymbols);
        case READDATA14_SECTION_SYMBOLS: return chart.symbols.values.empty() ? 0 : chart.symbols.lengths.size();
        case READDATA14_SECTION_CLOSED_CONTOURS: return walked(detail::ClosedContourLayout{}, chart.closedContours);
        case READDATA14_SECTION_WEATHER_REGIONS: return walked(detail::WeatherRegionLayout{}, chart.weatherRegions);
        case READDATA14_SECTION_FILL_AREAS: return walked(detail::FillAreaLayout{}, chart.fillAreas);
        case READDATA14_SECTION_NOTES: return NoteRecords(chart.notes);
        default: return 0;
    }
}

void ChartBuilder::CopyInto(ChartBuilder& part, const ChartInput& from, std::uint32_t section, std::size_t first,
                            std::size_t count) {
    const auto copy = [&](auto layout, BlockView block, std::vector<float>& to) {
        for (const auto record : PointRecords<decltype(layout)>(block, first, count)) AppendRecord(to, record);
    };
    switch (section) {
        case READDATA14_SECTION_LINES: copy(detail::LineLayout{}, from.lines, part.lines_); break;
        case READDATA14_SECTION_LINE_SYMBOLS: copy(detail::LineSymbolLayout{}, from.lineSymbols, part.lineSymbols_); break;
        case READDATA14_SECTION_WEATHER_REGIONS:
            copy(detail::WeatherRegionLayout{}, from.weatherRegions, part.weatherRegions_);
            break;
        case READDATA14_SECTION_FILL_AREAS: copy(detail::FillAreaLayout{}, from.fillAreas, part.fillAreas_); break;
        case READDATA14_SECTION_CLOSED_CONTOURS: {
            // Counted in the order they stood in the file, which is the
            // order they go in: the nesting, the direction and the levels
            // the reader works out follow from it.
            const auto records = PointRecords<detail::ClosedContourLayout>(from.closedContours, 0, SIZE_MAX);
            const std::vector<std::size_t> order = FileOrder(from.contourFilePositions, records.size());
            const std::size_t end = first + std::min(count, records.size() - std::min(first, records.size()));
            for (std::size_t place = first; place < end; ++place) {
                part.contourPositions_.push_back(static_cast<std::uint32_t>(Records(part.contours_)));
                AppendRecord(part.contours_, records[order[place]]);
            }
            break;
        }
        case READDATA14_SECTION_SYMBOLS:
            for (const SymbolSlot& slot : SymbolSlots(from.symbols, first, count)) {
                if (slot.record) AppendRecord(part.symbols_.values, *slot.record);
                part.symbols_.lengths.push_back(slot.slot);
                part.symbols_.text.append(slot.text);
            }
            break;
        default: {
            const TextBlockView& notes = from.notes;
            const std::size_t end = first + std::min(count, NoteRecords(notes) - std::min(first, NoteRecords(notes)));
            std::size_t textAt = 0;
            for (std::size_t i = 0; i < end; ++i) {
                const auto slots = notes.lengths.subspan(2 * i, 2);
                const std::string_view firstText = TextAt(notes.text, textAt, slots[0]);
                const std::string_view secondText = TextAt(notes.text, textAt, slots[1]);
                if (i < first) continue;
                AppendRecord(part.notes_.values, notes.values.subspan(1 + i * kNoteRecord, kNoteRecord));
                part.notes_.lengths.insert(part.notes_.lengths.end(), slots.begin(), slots.end());
                part.notes_.text.append(firstText).append(secondText);
            }
        }
    }
}

std::optional<Problem> ChartBuilder::CopyElements(const ChartInput& from, std::uint32_t section, std::size_t first,
                                                  std::size_t count) {
    // Nothing to copy is taken, even by a section left out.
    if (count == 0) return std::nullopt;
    if (auto problem = CheckTaken(section)) return problem;
    ChartBuilder part;
    CopyInto(part, from, section, first, count);
    return AppendChecked(part, section, first);
}

std::optional<Problem> ChartBuilder::CopyRelabelled(const ChartInput& from, std::uint32_t section, std::size_t element,
                                                    const float* labelPoints, std::size_t count) {
    if (auto problem = CheckTaken(section)) return problem;
    const bool line = section == READDATA14_SECTION_LINES;
    const std::size_t room = line ? kLineLabelPoints : kContourLabelPoints;
    if (count > room) {
        return Problem{section, static_cast<std::int64_t>(ElementCount(section)),
                       std::string(line ? "a line" : "a contour") + " holds at most " + std::to_string(room) +
                           " label points, not " + std::to_string(count)};
    }
    ChartBuilder part;
    CopyInto(part, from, section, element, 1);
    std::vector<float>& block = line ? part.lines_ : part.contours_;
    if (block.size() < 2) return std::nullopt;  // nothing walked there: the caller checked the element is held
    // The label points end the record, after their count: a line's count
    // follows its points and two slots, a contour's its four leading slots,
    // its points and its label value. The record walked, so its counts hold.
    const auto points = detail::CountSlot(block[1]).value_or(0);
    const std::size_t countAt = 1 + 2 * points + (line ? 3 : 5);
    block.resize(countAt + 1);
    block[countAt] = static_cast<float>(count);
    block.insert(block.end(), labelPoints, labelPoints + 2 * count);
    return AppendChecked(part, section, element);
}

// The writer checks the part alone (it counts from the part's first
// element), which then goes after the builder's own.
std::optional<Problem> ChartBuilder::AppendChecked(const ChartBuilder& part, std::uint32_t section, std::size_t first) {
    if (auto problem = FindUnwritable(part.Input())) {
        // The writer counts the elements of the part: say where they came from.
        problem->message = "copying the document's elements from " + std::to_string(first + 1) +
                           " (counted here from the first copied): " + problem->message;
        if (problem->element >= 0) problem->element += static_cast<std::int64_t>(ElementCount(section));
        return problem;
    }
    return Append(part, section);
}

std::optional<Problem> ChartBuilder::Append(const ChartBuilder& part, std::uint32_t section) {
    const std::size_t had = ElementCount(section);
    const std::size_t adding = part.ElementCount(section);
    if (adding > kMaxCount - std::min(had, kMaxCount)) {
        return Problem{section, static_cast<std::int64_t>(had),
                       "the section would hold more than " + std::to_string(kMaxCount) + " elements"};
    }
    if (section == READDATA14_SECTION_SYMBOLS && adding > 0 && SymbolsEnded()) {
        return Problem{section, static_cast<std::int64_t>(had),
                       "SYMBOLS: the last symbol lost its angle where its section stopped, so it stays the last"};
    }
    const auto onto = [](std::vector<float>& to, const std::vector<float>& from) {
        to.insert(to.end(), from.begin() + 1, from.end());
        to[0] += from[0];
    };
    const Mark mark = Marked();
    try {
        switch (section) {
            case READDATA14_SECTION_LINES: onto(lines_, part.lines_); break;
            case READDATA14_SECTION_LINE_SYMBOLS: onto(lineSymbols_, part.lineSymbols_); break;
            case READDATA14_SECTION_WEATHER_REGIONS: onto(weatherRegions_, part.weatherRegions_); break;
            case READDATA14_SECTION_FILL_AREAS: onto(fillAreas_, part.fillAreas_); break;
            case READDATA14_SECTION_CLOSED_CONTOURS:
                for (const std::uint32_t k : part.contourPositions_) {
                    contourPositions_.push_back(static_cast<std::uint32_t>(had + k));
                }
                onto(contours_, part.contours_);
                break;
            default: {
                TextSection& to = section == READDATA14_SECTION_SYMBOLS ? symbols_ : notes_;
                const TextSection& from = section == READDATA14_SECTION_SYMBOLS ? part.symbols_ : part.notes_;
                onto(to.values, from.values);
                to.lengths.insert(to.lengths.end(), from.lengths.begin(), from.lengths.end());
                to.text.append(from.text);
            }
        }
    } catch (...) {
        Restore(mark);
        throw;
    }
    return std::nullopt;
}

// A symbol that lost its direction angle where its section stopped can
// only end the section: the file has it without its angle.
bool ChartBuilder::SymbolsEnded() const {
    if (symbols_.lengths.empty() || symbols_.lengths.back() != 0 || Records(symbols_.values) == 0) return false;
    const std::span<const float> last(symbols_.values.data() + symbols_.values.size() - kSymbolRecord, kSymbolRecord);
    const auto type = IntegerOfSlot(last[1]);
    return type && !IsTextSymbolType(*type) && LostItsAngle(last);
}

}  // namespace readdata14::writing

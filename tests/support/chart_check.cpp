#include "support/chart_check.hpp"

#include <cstring>
#include <limits>

#include "support/block_walk.hpp"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READDATA14_CHECK_SIZES 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define READDATA14_CHECK_SIZES 1
#endif

#if defined(READDATA14_CHECK_SIZES)
#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#else
// GCC's sanitizer runtime has these but ships no header for them.
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);
extern "C" int __sanitizer_get_ownership(const volatile void* p);
#endif
#endif

namespace readdata14::test {
namespace {

constexpr std::size_t kUnknownRoom = std::numeric_limits<std::size_t>::max();

// The floats a block holds: as reported, or the allocation's size where the
// allocator can tell.
std::size_t RoomOf(const float* block, std::size_t reported = kUnknownRoom) {
    if (reported != kUnknownRoom) return reported;
    const auto bytes = AllocatedBytes(block);
    return bytes ? *bytes / sizeof(float) : kUnknownRoom;
}

// A float block that may be null: walkable, and where its size is known, its
// walk ends exactly at its end.
std::string CheckBlock(const std::string& name, Layout layout, const float* block,
                       std::size_t reported = kUnknownRoom) {
    if (block == nullptr) return {};
    const std::size_t room = RoomOf(block, reported);
    const auto walked = WalkBlock(layout, block, room);
    if (!walked) return name + ": does not walk by its own slots";
    if (room != kUnknownRoom && *walked != room) {
        return name + ": the walk ends at float " + std::to_string(*walked) + " of " +
               std::to_string(room);
    }
    return {};
}

std::string CheckRequiredBlock(const std::string& name, Layout layout, const float* block, std::size_t reported) {
    if (block == nullptr) return name + ": null where a block is always handed back";
    return CheckBlock(name, layout, block, reported);
}

std::size_t Records(const float* values) { return static_cast<std::size_t>(values[0]); }

// How many lengths slots the block has: the allocation says so where it can
// be asked; otherwise only the notes' two slots per note are known.
std::optional<std::size_t> LengthSlots(Layout layout, const TextView& t) {
    if (t.reported) return t.reported->slots;
    if (const auto bytes = AllocatedBytes(t.lengths)) return *bytes / sizeof(std::int32_t);
    if (layout == Layout::Notes) return 2 * Records(t.values);
    return std::nullopt;
}

std::string CheckTexts(const std::string& name, Layout layout, const TextView& t) {
    if (const auto bytes = AllocatedBytes(t.text); bytes && std::memchr(t.text, 0, *bytes) == nullptr) {
        return name + ".text: not terminated inside its allocation";
    }
    if (t.reported && std::strlen(t.text) != t.reported->textBytes) return name + ".text: not the size reported";
    const std::size_t records = Records(t.values);
    const auto slots = LengthSlots(layout, t);
    if (!slots) {
        const std::size_t size = std::strlen(t.text);
        if (std::strcmp(t.text, " ") != 0 && (size == 0 || t.text[size - 1] != '#')) {
            return name + ".text: neither \" \" nor texts each followed by \"#\"";
        }
        return {};
    }
    if (layout == Layout::Notes && *slots != 2 * records) {
        return name + ".lengths: " + std::to_string(*slots) + " slots for " +
               std::to_string(records) + " notes";
    }
    if (layout == Layout::Symbols && *slots < records) {
        return name + ".lengths: fewer slots than symbols";
    }
    if (!TextsAgree(t.lengths, *slots, t.text)) {
        return name + ": the lengths do not add up to the text";
    }
    return {};
}

// A text block is untouched (three nulls) or complete.
std::string CheckTextBlock(const std::string& name, Layout layout, const TextView& t) {
    if (!t.values && !t.lengths && !t.text) return {};
    if (!t.values || !t.lengths || !t.text) return name + ": some fields null, others not";
    const std::size_t reported = t.reported ? t.reported->floats : kUnknownRoom;
    if (auto problem = CheckBlock(name + ".values", layout, t.values, reported); !problem.empty()) return problem;
    return CheckTexts(name, layout, t);
}

bool Untouched(const TextView& t) { return !t.values && !t.lengths && !t.text; }

std::string CheckNothingWritten(const ChartView& c) {
    const bool nothing = !c.lines && !c.lineSymbols && !c.closedContours && !c.weatherRegions &&
                         !c.fillAreas && Untouched(c.symbols) && Untouched(c.notes);
    return nothing ? std::string() : "outputs written for a file that was not read";
}

std::string SameBlock(const std::string& name, Layout layout, const float* a, const float* b) {
    if (!a || !b) return (!a && !b) ? std::string() : name + ": null in one read only";
    const auto sizeA = WalkBlock(layout, a, RoomOf(a));
    const auto sizeB = WalkBlock(layout, b, RoomOf(b));
    if (!sizeA || sizeA != sizeB) return name + ": sizes differ";
    if (std::memcmp(a, b, *sizeA * sizeof(float)) != 0) return name + ": contents differ";
    return {};
}

std::string SameText(const std::string& name, Layout layout, const TextView& a, const TextView& b) {
    if (Untouched(a) || Untouched(b)) {
        return (Untouched(a) && Untouched(b)) ? std::string() : name + ": untouched in one read only";
    }
    if (auto problem = SameBlock(name + ".values", layout, a.values, b.values); !problem.empty()) {
        return problem;
    }
    if (std::strcmp(a.text, b.text) != 0) return name + ".text: differs";
    const auto slotsA = LengthSlots(layout, a);
    const auto slotsB = LengthSlots(layout, b);
    if (slotsA && slotsB && slotsA != slotsB) return name + ".lengths: slot counts differ";
    // Without a known size every symbol still has its slot.
    const std::size_t slots = slotsA ? *slotsA : slotsB ? *slotsB : Records(a.values);
    if (slots > 0 && std::memcmp(a.lengths, b.lengths, slots * sizeof(std::int32_t)) != 0) {
        return name + ".lengths: differ";
    }
    return {};
}

template <typename... Problems>
std::string FirstProblem(const Problems&... problems) {
    std::string first;
    ((first.empty() ? (void)(first = problems) : (void)0), ...);
    return first;
}

}  // namespace

std::optional<std::size_t> AllocatedBytes(const void* p) {
#if defined(READDATA14_CHECK_SIZES)
    if (p != nullptr && __sanitizer_get_ownership(p)) return __sanitizer_get_allocated_size(p);
#else
    (void)p;
#endif
    return std::nullopt;
}

ChartView ViewOf(const ChartData& chart) {
    ChartView v;
    v.lines = chart.lines.get();
    v.description = chart.description.get();
    v.lineSymbols = chart.lineSymbols.get();
    v.closedContours = chart.closedContours.get();
    const auto texts = [](const TextBlock& block) {
        return TextView{block.values.get(), block.lengths.get(), block.text.get(),
                        Reported{block.values.size(), block.lengthCount, block.textSize}};
    };
    v.symbols = texts(chart.symbols);
    v.weatherRegions = chart.weatherRegions.get();
    v.fillAreasRead = chart.fillAreasRead;
    v.fillAreas = chart.fillAreas.get();
    v.notes = texts(chart.notes);
    v.sizes = ChartView::Sizes{chart.lines.size(), chart.lineSymbols.size(), chart.closedContours.size(),
                               chart.weatherRegions.size(), chart.fillAreas.size()};
    return v;
}

ExportedChart ReadExported(const char* path) {
    ExportedChart c;
    c.lines = ReadZenparData14(path, &c.description, &c.lineSymbols, &c.closedContours, &c.symbols,
                               &c.weatherRegions, &c.fillAreas, &c.notes);
    return c;
}

void ReleaseExported(ExportedChart& c) {
    ReleaseZenparData14(c.lines, c.description, c.lineSymbols, c.closedContours, &c.symbols,
                        c.weatherRegions, c.fillAreas, &c.notes);
    c = ExportedChart{};
}

ChartView ViewOf(const readdata14_chart& c) {
    ChartView v;
    v.lines = c.lines;
    v.description = c.description;
    v.lineSymbols = c.lineSymbols;
    v.closedContours = c.closedContours;
    v.symbols = {c.symbols.values, c.symbols.lengths, c.symbols.text,
                 Reported{c.symbolValuesSize, c.symbolLengthsSize, c.symbolTextSize}};
    v.weatherRegions = c.weatherRegions;
    v.fillAreasRead = c.fillAreas != nullptr;
    v.fillAreas = c.fillAreas;
    v.notes = {c.notes.values, c.notes.lengths, c.notes.text,
               Reported{c.noteValuesSize, c.noteLengthsSize, c.noteTextSize}};
    v.sizes = ChartView::Sizes{c.linesSize, c.lineSymbolsSize, c.closedContoursSize, c.weatherRegionsSize,
                               c.fillAreasSize};
    return v;
}

ChartView ViewOf(const ExportedChart& c) {
    ChartView v;
    v.lines = c.lines;
    v.description = c.description;
    v.lineSymbols = c.lineSymbols;
    v.closedContours = c.closedContours;
    v.symbols = {c.symbols.values, c.symbols.lengths, c.symbols.text, std::nullopt};
    v.weatherRegions = c.weatherRegions;
    // The location starts null and the read writes a block there or nothing.
    v.fillAreasRead = c.fillAreas != nullptr;
    v.fillAreas = c.fillAreas;
    v.notes = {c.notes.values, c.notes.lengths, c.notes.text, std::nullopt};
    return v;
}

std::string CheckChart(const ChartView& c) {
    if (c.description == nullptr) return CheckNothingWritten(c);
    if (const auto bytes = AllocatedBytes(c.description);
        bytes && std::memchr(c.description, 0, *bytes) == nullptr) {
        return "description: not terminated inside its allocation";
    }
    if (!c.fillAreasRead && c.fillAreas != nullptr) return "fillAreas: written without the marker";
    const auto size = [&c](std::size_t ChartView::Sizes::*field) {
        return c.sizes ? (*c.sizes).*field : kUnknownRoom;
    };
    return FirstProblem(
        CheckBlock("lines", Layout::Lines, c.lines, size(&ChartView::Sizes::lines)),
        CheckBlock("lineSymbols", Layout::PointList, c.lineSymbols, size(&ChartView::Sizes::lineSymbols)),
        CheckBlock("closedContours", Layout::ClosedContours, c.closedContours,
                   size(&ChartView::Sizes::closedContours)),
        CheckTextBlock("symbols", Layout::Symbols, c.symbols),
        CheckRequiredBlock("weatherRegions", Layout::PointList, c.weatherRegions,
                           size(&ChartView::Sizes::weatherRegions)),
        c.fillAreasRead ? CheckRequiredBlock("fillAreas", Layout::FillAreas, c.fillAreas,
                                             size(&ChartView::Sizes::fillAreas))
                        : std::string(),
        CheckTextBlock("notes", Layout::Notes, c.notes));
}

std::string CompareCharts(const ChartView& a, const ChartView& b) {
    if (!a.description || !b.description) {
        return (!a.description && !b.description) ? std::string() : "read in one path only";
    }
    if (std::strcmp(a.description, b.description) != 0) return "description: differs";
    if (a.fillAreasRead != b.fillAreasRead) return "fillAreas: read in one path only";
    return FirstProblem(
        SameBlock("lines", Layout::Lines, a.lines, b.lines),
        SameBlock("lineSymbols", Layout::PointList, a.lineSymbols, b.lineSymbols),
        SameBlock("closedContours", Layout::ClosedContours, a.closedContours, b.closedContours),
        SameText("symbols", Layout::Symbols, a.symbols, b.symbols),
        SameBlock("weatherRegions", Layout::PointList, a.weatherRegions, b.weatherRegions),
        SameBlock("fillAreas", Layout::FillAreas, a.fillAreas, b.fillAreas),
        SameText("notes", Layout::Notes, a.notes, b.notes));
}

}  // namespace readdata14::test

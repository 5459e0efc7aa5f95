// The sections of point lists: lines, line symbols, closed contours,
// weather regions and fill areas.
#include <algorithm>
#include <string>
#include <vector>

#include "reading/section_tags.hpp"
#include "writing/sections.hpp"
#include "writing/spelling.hpp"

namespace readdata14::writing {
namespace {

// Fill areas' sixteen values: all integers but the 14th.
constexpr std::size_t kFillValues = 16;
constexpr std::size_t kFloatFillValue = 13;

// What the walk of one section speaks of in its messages.
struct SectionWords {
    std::uint32_t bit;
    std::string_view name;
    std::string_view element;
};
constexpr SectionWords kLines{READDATA14_SECTION_LINES, "LINES", "line"};
constexpr SectionWords kLineSymbols{READDATA14_SECTION_LINE_SYMBOLS, "LINES_SYMBOL", "line symbol"};
constexpr SectionWords kContours{READDATA14_SECTION_CLOSED_CONTOURS, "CLOSED_CONTOURS", "contour"};
constexpr SectionWords kRegions{READDATA14_SECTION_WEATHER_REGIONS, "WEATHER_REGION", "region"};
constexpr SectionWords kFillAreas{READDATA14_SECTION_FILL_AREAS, "FILLAREA", "fill area"};

void At(ChartOut& out, const SectionWords& words, std::int64_t element) {
    out.At(words.bit, words.name, words.element, element);
}

bool EndsEarly(ChartOut& out) { return out.Fail("the block ends inside it"); }

// The record count in element 0, with the section's tag and count written.
std::optional<std::size_t> SectionHead(BlockCursor& cursor, std::string_view tag, const SectionWords& words,
                                       ChartOut& out) {
    At(out, words, -1);
    const auto records = cursor.Records();
    if (!records) {
        out.Fail("the block's element 0 is not a record count");
        return std::nullopt;
    }
    out.Word(tag);
    out.Int(static_cast<std::int64_t>(*records));
    out.Newline();
    return records;
}

// A count slot and the points it counts, x and y each.
std::optional<std::span<const float>> TakePoints(BlockCursor& cursor, float countSlot, std::string_view what,
                                                 ChartOut& out) {
    const auto count = CountOfSlot(countSlot);
    if (!count) {
        out.Fail("its " + std::string(what) + " count is " + ShowFloat(countSlot) + ", not a count");
        return std::nullopt;
    }
    const auto points = cursor.Take(2 * *count);
    if (!points) EndsEarly(out);
    return points;
}

// A list the reader thins must come back whole: the thinning would keep
// every point of a list it once thinned.
bool CheckThinning(std::span<const float> xy, ChartOut& out) {
    const auto dropped = FirstThinnedPoint(xy);
    if (!dropped) return true;
    return out.Fail("its point " + std::to_string(*dropped + 1) + " of " + std::to_string(xy.size() / 2) +
                    " lies less than 1.0 from the point before it in x and y: a list of more than 250 points is "
                    "thinned by the reader, which would drop it");
}

// [p, code, p points, label, m, m label points], or the contour's
// [n, code, valuedClosed, levelIndex, n points, value, m, m label points]:
// the reader works out the two contour slots again.
bool WriteLabelledRecord(BlockCursor& cursor, bool contour, ChartOut& out) {
    const auto head = cursor.Take(contour ? 4 : 2);
    if (!head) return EndsEarly(out);
    const auto points = TakePoints(cursor, (*head)[0], "point", out);
    if (!points) return false;
    const auto labelSlots = cursor.Take(2);
    if (!labelSlots) return EndsEarly(out);
    const auto labelPoints = TakePoints(cursor, (*labelSlots)[1], "label point", out);
    if (!labelPoints) return false;
    if (!out.IntegerSlot((*head)[1], "its code")) return false;
    out.Int(static_cast<std::int64_t>(points->size() / 2));
    out.Newline();
    if (!out.Points(*points, "its points") || !out.Label((*labelSlots)[0])) return false;
    out.Int(static_cast<std::int64_t>(labelPoints->size() / 2));
    out.Newline();
    return out.Points(*labelPoints, "its label points");
}

// [k, code, k points]: the code, what `between` writes, k and the points.
template <class Between>
bool WriteCodedPoints(BlockCursor& cursor, ChartOut& out, Between&& between) {
    const auto head = cursor.Take(2);
    if (!head) return EndsEarly(out);
    const auto points = TakePoints(cursor, (*head)[0], "point", out);
    if (!points || !CheckThinning(*points, out) || !out.IntegerSlot((*head)[1], "its code")) return false;
    between();
    out.Int(static_cast<std::int64_t>(points->size() / 2));
    out.Newline();
    return out.Points(*points, "its points");
}

bool WriteFillValues(BlockCursor& cursor, ChartOut& out) {
    const auto values = cursor.Take(kFillValues);
    if (!values) return EndsEarly(out);
    for (std::size_t i = 0; i < kFillValues; ++i) {
        // Appended rather than concatenated: GCC 12 warns wrongly (-Wrestrict)
        // on a literal plus a string for 32-bit targets.
        std::string what = "its value ";
        what += std::to_string(i + 1);
        const bool spelled = i == kFloatFillValue ? out.Float((*values)[i], what) : out.IntegerSlot((*values)[i], what);
        if (!spelled) return false;
    }
    out.Newline();
    return true;
}

// Steps over one contour record, checking that it walks.
bool SkipContourRecord(BlockCursor& cursor, ChartOut& out) {
    const auto head = cursor.Take(4);
    if (!head) return EndsEarly(out);
    if (!TakePoints(cursor, (*head)[0], "point", out)) return false;
    const auto labelSlots = cursor.Take(2);
    if (!labelSlots) return EndsEarly(out);
    return TakePoints(cursor, (*labelSlots)[1], "label point", out).has_value();
}

// Where each contour record starts, in block order.
std::optional<std::vector<std::size_t>> ContourRecords(BlockCursor& cursor, std::size_t records, ChartOut& out) {
    // A record takes at least six floats: what the block holds bounds the room.
    constexpr std::size_t kSmallestRecord = 6;
    std::vector<std::size_t> starts;
    starts.reserve(std::min(records, cursor.Remaining() / kSmallestRecord));
    for (std::size_t i = 0; i < records; ++i) {
        At(out, kContours, static_cast<std::int64_t>(i));
        starts.push_back(cursor.Offset());
        if (!SkipContourRecord(cursor, out)) return std::nullopt;
    }
    return starts;
}

// The records in file order: fileOrder[p] is the record that stood at p.
std::optional<std::vector<std::size_t>> FileOrder(std::span<const std::uint32_t> positions, std::size_t records,
                                                  ChartOut& out) {
    std::vector<std::size_t> fileOrder(records, records);
    if (positions.empty()) {
        for (std::size_t i = 0; i < records; ++i) fileOrder[i] = i;
        return fileOrder;
    }
    At(out, kContours, -1);
    if (positions.size() != records) {
        out.Fail("the document has " + std::to_string(positions.size()) + " contour file positions for " +
                 std::to_string(records) + " records");
        return std::nullopt;
    }
    for (std::size_t i = 0; i < records; ++i) {
        const std::uint32_t place = positions[i];
        if (place >= records || fileOrder[place] != records) {
            out.Fail("the contour file positions are not each place in the file once");
            return std::nullopt;
        }
        fileOrder[place] = i;
    }
    return fileOrder;
}

}  // namespace

bool WriteLines(BlockView block, ChartOut& out) {
    BlockCursor cursor(block);
    const auto records = SectionHead(cursor, LINES_TAG, kLines, out);
    if (!records) return false;
    for (std::size_t i = 0; i < *records; ++i) {
        At(out, kLines, static_cast<std::int64_t>(i));
        if (!WriteLabelledRecord(cursor, false, out)) return false;
    }
    return true;
}

bool WriteLineSymbols(BlockView block, ChartOut& out) {
    BlockCursor cursor(block);
    const auto records = SectionHead(cursor, LINE_SYMBOLS_TAG, kLineSymbols, out);
    if (!records) return false;
    for (std::size_t i = 0; i < *records; ++i) {
        At(out, kLineSymbols, static_cast<std::int64_t>(i));
        // The reader drops the integer after the code, and the text and the
        // integer after the points.
        if (!WriteCodedPoints(cursor, out, [&] { out.Int(0); })) return false;
        out.Word("NoText");
        out.Int(0);
        out.Newline();
    }
    return true;
}

bool WriteClosedContours(BlockView block, std::span<const std::uint32_t> positions, ChartOut& out) {
    BlockCursor cursor(block);
    const auto records = SectionHead(cursor, CLOSED_CONTOURS_TAG, kContours, out);
    if (!records) return false;
    const auto starts = ContourRecords(cursor, *records, out);
    if (!starts) return false;
    const auto fileOrder = FileOrder(positions, *records, out);
    if (!fileOrder) return false;
    for (const std::size_t record : *fileOrder) {
        At(out, kContours, static_cast<std::int64_t>(record));
        cursor.MoveTo((*starts)[record]);
        if (!WriteLabelledRecord(cursor, true, out)) return false;
    }
    return true;
}

bool WriteWeatherRegions(BlockView block, ChartOut& out) {
    At(out, kRegions, -1);
    out.Word(STATION_SITUATION_MARKER);
    out.Newline();
    BlockCursor cursor(block);
    const auto records = SectionHead(cursor, WEATHER_REGIONS_TAG, kRegions, out);
    if (!records) return false;
    for (std::size_t i = 0; i < *records; ++i) {
        At(out, kRegions, static_cast<std::int64_t>(i));
        if (!WriteCodedPoints(cursor, out, [] {})) return false;
    }
    return true;
}

bool WriteFillAreas(BlockView block, ChartOut& out) {
    BlockCursor cursor(block);
    const auto records = SectionHead(cursor, FILL_AREAS_TAG, kFillAreas, out);
    if (!records) return false;
    for (std::size_t i = 0; i < *records; ++i) {
        At(out, kFillAreas, static_cast<std::int64_t>(i));
        if (!WriteCodedPoints(cursor, out, [] {}) || !WriteFillValues(cursor, out)) return false;
    }
    return true;
}

}  // namespace readdata14::writing

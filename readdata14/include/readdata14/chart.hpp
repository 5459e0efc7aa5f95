// readdata14/chart.hpp — a typed, read-only C++ view of one read chart.
//
//   auto chart = readdata14::Chart::Open("analysis.txt");
//   if (!chart) { /* chart.Status() says why */ }
//   for (const auto& line : chart.Lines())
//       for (readdata14::Point p : line.points) { ... }
//
// Ownership
//   A Chart owns everything one ReadZenparData14 call handed back and releases
//   it all with ReleaseZenparData14 when it is destroyed (or moved over). It
//   can be moved, not copied.
//   Every record, span and string_view the view hands out points into those
//   blocks: nothing is copied, and all of it stays valid while the blocks
//   live, that is until the Chart (or the Chart it was moved into) is
//   destroyed or assigned. Ranges and iterators refer to the Chart object
//   itself: do not keep them across a move of it.
//   An allocation failure inside the read reaches Open as std::bad_alloc.
//
// Walking
//   Each block is walked by its record layout (see readdata14.h). Open checks
//   every count slot before stepping over it: a count must be a whole number
//   between 0 and 2^24 (a float counts no further exactly). A block whose
//   walk meets a bad count is cut before that record, so a range never leaves
//   its block; size() is the number of records the walk accepted.
//
// Header-only, C++20; links against the readdata14 library.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "readdata14/point.hpp"
#include "readdata14/readdata14.h"

namespace readdata14 {

// Values with a meaning of their own in the blocks.
namespace layout {
inline constexpr float NO_LABEL_VALUE = 999999.0f;       // "NoLabel"
inline constexpr float LABEL_CODE_OFFSET = 3200000.0f;   // added to a three-character label code
inline constexpr std::int32_t NO_LEVEL_INDEX = 999999;   // a contour without a level
}  // namespace layout

// A label value stored as a code (a three-character label between 0 and 100)
// lies in [LABEL_CODE_OFFSET, LABEL_CODE_OFFSET + 100].
constexpr bool IsNoLabel(float value) noexcept { return value == layout::NO_LABEL_VALUE; }
constexpr bool IsLabelCode(float value) noexcept {
    return value >= layout::LABEL_CODE_OFFSET && value <= layout::LABEL_CODE_OFFSET + 100.0f;
}

struct Line {
    std::int32_t code;
    std::span<const Point> points;
    float labelValue;  // NO_LABEL_VALUE, a number, or a code (IsLabelCode)
    std::span<const Point> labelPoints;
};

struct LineSymbol {
    std::int32_t code;
    std::span<const Point> points;  // thinned when the file declared over 250
};

// Types 48 and 60 to 63 carry a text; every other type a direction.
constexpr bool IsTextSymbolType(std::int32_t type) noexcept {
    return type == 48 || (type >= 60 && type <= 63);
}

struct Symbol {
    std::int32_t type;
    Point position;
    float direction;        // degrees (270 − angle in degrees); 0 for a text type
    std::string_view text;  // without its "#"; empty for other types
};

struct ClosedContour {
    std::int32_t code;
    bool valuedClosed;  // closed, with a value that is neither "NoLabel" nor a code
    std::int32_t levelIndex;  // one-based in Levels(); NO_LEVEL_INDEX when none
    std::span<const Point> points;
    float value;
    std::span<const Point> labelPoints;

    // The reader's own closed test: the last point lies less than 2.0 from the
    // first in x and in y (differences rounded to float). No point: not closed.
    bool IsClosed() const noexcept {
        if (points.empty()) return false;
        const auto dx = static_cast<float>(double(points.front().x) - double(points.back().x));
        const auto dy = static_cast<float>(double(points.front().y) - double(points.back().y));
        return dx < 2.0f && dx > -2.0f && dy < 2.0f && dy > -2.0f;
    }
};

// How the level list is sorted: ascending when the contours rise inwards,
// descending when they fall. With fewer than two levels it cannot be told.
enum class LevelOrder { Rising, Falling, Unknown };

struct WeatherRegion {
    std::int32_t code;
    std::span<const Point> points;
};

struct FillArea {
    std::int32_t code;
    std::span<const Point> points;
    std::span<const float, 16> values;  // fifteen integers and, 14th, a float
};

struct Note {
    std::int32_t type;
    Point position;
    float value;  // the float that stands before the second text
    std::span<const float, 6> values;
    std::string_view firstText;   // without its "#"; empty when none
    std::string_view secondText;
};

enum class OpenStatus {
    Read,        // the header named type 14; the sections are as read
    CannotOpen,  // the file could not be opened
    NotType14,   // the file's header does not name type 14
    NotOpened,   // a default-constructed or moved-from Chart
};

namespace detail {

// A count slot: a whole number in [0, 2^24].
inline std::optional<std::size_t> CountSlot(float slot) noexcept {
    if (!(slot >= 0.0f && slot <= 16777216.0f)) return std::nullopt;
    const auto whole = static_cast<std::uint32_t>(slot);
    if (static_cast<float>(whole) != slot) return std::nullopt;
    return whole;
}

// Codes and types are integers stored as floats; anything else reads as 0.
inline std::int32_t IntSlot(float slot) noexcept {
    if (!(slot >= -2147483648.0f && slot < 2147483648.0f)) return 0;
    return static_cast<std::int32_t>(slot);
}

inline std::span<const Point> Points(const float* at, std::size_t count) noexcept {
    return {reinterpret_cast<const Point*>(at), count};
}

// The joined texts of a text section, walked alongside its records.
struct TextSource {
    const std::int32_t* lengths = nullptr;
    const char* text = nullptr;
    std::size_t textSize = 0;
};
struct TextCursor {
    std::size_t slot = 0;    // next lengths slot
    std::size_t offset = 0;  // next byte of the joined text
};

// The text a nonzero lengths slot stands for, without its "#". A slot that
// claims more than the text holds takes what is left.
inline std::string_view TakeText(std::int32_t length, const TextSource& source, TextCursor& cursor) noexcept {
    if (length <= 0 || source.text == nullptr || cursor.offset >= source.textSize) return {};
    const std::size_t n = std::min(static_cast<std::size_t>(length), source.textSize - cursor.offset);
    std::string_view text(source.text + cursor.offset, n);
    cursor.offset += n;
    if (!text.empty() && text.back() == '#') text.remove_suffix(1);
    return text;
}

struct LineLayout {
    using Record = Line;
    static std::optional<std::size_t> Length(const float* r) noexcept {
        const auto p = CountSlot(r[0]);
        if (!p) return std::nullopt;
        const auto m = CountSlot(r[2 * *p + 3]);
        if (!m) return std::nullopt;
        return 2 * *p + 2 * *m + 4;
    }
    static Line Decode(const float* r, const TextSource*, TextCursor&) noexcept {
        const std::size_t p = *CountSlot(r[0]);
        return {IntSlot(r[1]), Points(r + 2, p), r[2 * p + 2], Points(r + 2 * p + 4, *CountSlot(r[2 * p + 3]))};
    }
};

struct LineSymbolLayout {
    using Record = LineSymbol;
    static std::optional<std::size_t> Length(const float* r) noexcept {
        const auto k = CountSlot(r[0]);
        if (!k) return std::nullopt;
        return 2 * *k + 2;
    }
    static LineSymbol Decode(const float* r, const TextSource*, TextCursor&) noexcept {
        return {IntSlot(r[1]), Points(r + 2, *CountSlot(r[0]))};
    }
};

struct WeatherRegionLayout {
    using Record = WeatherRegion;
    static std::optional<std::size_t> Length(const float* r) noexcept { return LineSymbolLayout::Length(r); }
    static WeatherRegion Decode(const float* r, const TextSource*, TextCursor&) noexcept {
        return {IntSlot(r[1]), Points(r + 2, *CountSlot(r[0]))};
    }
};

struct FillAreaLayout {
    using Record = FillArea;
    static std::optional<std::size_t> Length(const float* r) noexcept {
        const auto k = CountSlot(r[0]);
        if (!k) return std::nullopt;
        return 2 * *k + 18;
    }
    static FillArea Decode(const float* r, const TextSource*, TextCursor&) noexcept {
        const std::size_t k = *CountSlot(r[0]);
        return {IntSlot(r[1]), Points(r + 2, k), std::span<const float, 16>(r + 2 * k + 2, 16)};
    }
};

struct ClosedContourLayout {
    using Record = ClosedContour;
    static std::optional<std::size_t> Length(const float* r) noexcept {
        const auto n = CountSlot(r[0]);
        if (!n) return std::nullopt;
        const auto m = CountSlot(r[5 + 2 * *n]);
        if (!m) return std::nullopt;
        return 6 + 2 * *n + 2 * *m;
    }
    static ClosedContour Decode(const float* r, const TextSource*, TextCursor&) noexcept {
        const std::size_t n = *CountSlot(r[0]);
        return {IntSlot(r[1]),
                r[2] != 0.0f,
                IntSlot(r[3]),
                Points(r + 4, n),
                r[4 + 2 * n],
                Points(r + 6 + 2 * n, *CountSlot(r[5 + 2 * n]))};
    }
};

// A symbol record is [1, type, x, y, direction]; its text, when its type has
// one, is the next nonzero lengths slot: dropped symbols keep a zero slot but
// no record, so slots and records do not pair up one to one.
struct SymbolLayout {
    using Record = Symbol;
    static std::optional<std::size_t> Length(const float* r) noexcept {
        return r[0] == 1.0f ? std::optional<std::size_t>(5) : std::nullopt;
    }
    static Symbol Decode(const float* r, const TextSource* source, TextCursor& cursor) noexcept {
        Symbol symbol{IntSlot(r[1]), Point{r[2], r[3]}, r[4], {}};
        if (IsTextSymbolType(symbol.type) && source->lengths != nullptr) {
            // Every slot taken so far has consumed its text, so while text is
            // left a nonzero slot lies ahead.
            if (cursor.offset >= source->textSize) return symbol;
            while (source->lengths[cursor.slot] == 0) ++cursor.slot;
            symbol.text = TakeText(source->lengths[cursor.slot++], *source, cursor);
        }
        return symbol;
    }
};

// A note record is [1, type, x, y, value, 6 values]; it has two lengths
// slots of its own, first text then second.
struct NoteLayout {
    using Record = Note;
    static std::optional<std::size_t> Length(const float* r) noexcept {
        return r[0] == 1.0f ? std::optional<std::size_t>(11) : std::nullopt;
    }
    static Note Decode(const float* r, const TextSource* source, TextCursor& cursor) noexcept {
        Note note{IntSlot(r[1]), Point{r[2], r[3]}, r[4], std::span<const float, 6>(r + 5, 6), {}, {}};
        if (source->lengths != nullptr) {
            note.firstText = TakeText(source->lengths[cursor.slot], *source, cursor);
            note.secondText = TakeText(source->lengths[cursor.slot + 1], *source, cursor);
            cursor.slot += 2;
        }
        return note;
    }
};

// Walks a block's records as far as their count slots are sound: the number
// of records to hand out (at most element 0) and where the walk ended.
template <class Layout>
struct Extent {
    std::size_t records = 0;
    const float* end = nullptr;
};
template <class Layout>
Extent<Layout> Walk(const float* block) noexcept {
    Extent<Layout> extent;
    if (block == nullptr) return extent;
    const auto declared = CountSlot(block[0]);
    const float* at = block + 1;
    for (std::size_t i = 0; declared && i < *declared; ++i) {
        const auto length = Layout::Length(at);
        if (!length) break;
        at += *length;
        ++extent.records;
    }
    extent.end = at;
    return extent;
}

// A forward iterator over a block's records; the record it stands on is
// decoded as it arrives there and handed out by value (a few spans), so that
// `const auto& r = *range.begin();` holds no reference into a temporary.
template <class Layout>
class RecordIterator {
public:
    using value_type = typename Layout::Record;
    using difference_type = std::ptrdiff_t;
    using reference = value_type;
    using pointer = const value_type*;
    // A by-value reference is a C++20 forward iterator, a C++17 input one.
    using iterator_category = std::input_iterator_tag;
    using iterator_concept = std::forward_iterator_tag;

    RecordIterator() = default;
    RecordIterator(const float* first, std::size_t records, const TextSource* texts) noexcept
        : at_(first), remaining_(records), texts_(texts) {
        Load();
    }

    value_type operator*() const noexcept { return *current_; }
    pointer operator->() const noexcept { return &*current_; }
    RecordIterator& operator++() noexcept {
        at_ += *Layout::Length(at_);
        --remaining_;
        Load();
        return *this;
    }
    RecordIterator operator++(int) noexcept {
        RecordIterator before = *this;
        ++*this;
        return before;
    }
    // Iterators of one range are equal when as many records lie ahead.
    friend bool operator==(const RecordIterator& a, const RecordIterator& b) noexcept {
        return a.remaining_ == b.remaining_;
    }

private:
    void Load() noexcept {
        if (remaining_ > 0) current_ = Layout::Decode(at_, texts_, cursor_);
    }

    const float* at_ = nullptr;
    std::size_t remaining_ = 0;
    const TextSource* texts_ = nullptr;
    TextCursor cursor_{};
    std::optional<value_type> current_;  // records with fixed-size spans have no empty state
};

}  // namespace detail

// The records of one section, in block order.
template <class Layout>
class RecordRange {
public:
    using iterator = detail::RecordIterator<Layout>;

    RecordRange() = default;
    RecordRange(const float* block, std::size_t records, const detail::TextSource* texts) noexcept
        : block_(block), records_(records), texts_(texts) {}

    iterator begin() const noexcept {
        return records_ == 0 ? iterator() : iterator(block_ + 1, records_, texts_);
    }
    iterator end() const noexcept { return iterator(); }
    std::size_t size() const noexcept { return records_; }
    bool empty() const noexcept { return records_ == 0; }
    // The block itself, or null when the section gave none.
    const float* block() const noexcept { return block_; }

private:
    const float* block_ = nullptr;
    std::size_t records_ = 0;
    const detail::TextSource* texts_ = nullptr;
};

using LineRange = RecordRange<detail::LineLayout>;
using LineSymbolRange = RecordRange<detail::LineSymbolLayout>;
using SymbolRange = RecordRange<detail::SymbolLayout>;
using ClosedContourRange = RecordRange<detail::ClosedContourLayout>;
using WeatherRegionRange = RecordRange<detail::WeatherRegionLayout>;
using FillAreaRange = RecordRange<detail::FillAreaLayout>;
using NoteRange = RecordRange<detail::NoteLayout>;

class Chart {
public:
    // Reads the chart at `path` (ReadZenparData14). Check Status() (or the
    // Chart as a bool) before looking at the sections; a Chart that did not
    // read has every section empty.
    static Chart Open(const char* path);
    static Chart Open(const std::string& path) { return Open(path.c_str()); }

    Chart() noexcept = default;
    Chart(Chart&& other) noexcept { Take(other); }
    Chart& operator=(Chart&& other) noexcept {
        if (this != &other) {
            Release();
            Take(other);
        }
        return *this;
    }
    Chart(const Chart&) = delete;
    Chart& operator=(const Chart&) = delete;
    ~Chart() { Release(); }

    OpenStatus Status() const noexcept { return d_.status; }
    explicit operator bool() const noexcept { return d_.status == OpenStatus::Read; }

    // The header's description token.
    std::string_view Description() const noexcept {
        return d_.description ? std::string_view(d_.description) : std::string_view();
    }

    // Whether each section gave a block. A missing LINES, LINES_SYMBOL or
    // CLOSED_CONTOURS tag gives none; SYMBOLS and NOTES_SYMBOL give none also
    // when they declare no element.
    bool HasLines() const noexcept { return d_.lines != nullptr; }
    bool HasLineSymbols() const noexcept { return d_.lineSymbols != nullptr; }
    bool HasSymbols() const noexcept { return d_.symbols.values != nullptr; }
    bool HasClosedContours() const noexcept { return d_.closedContours != nullptr; }
    bool HasWeatherRegions() const noexcept { return d_.weatherRegions != nullptr; }
    // Fill areas are read only after a STATION_SITUATION marker.
    bool FillAreasRead() const noexcept { return d_.fillAreas != nullptr; }
    bool HasNotes() const noexcept { return d_.notes.values != nullptr; }

    LineRange Lines() const noexcept { return {d_.lines, d_.linesCount, nullptr}; }
    LineSymbolRange LineSymbols() const noexcept { return {d_.lineSymbols, d_.lineSymbolsCount, nullptr}; }
    SymbolRange Symbols() const noexcept { return {d_.symbols.values, d_.symbolsCount, &d_.symbolTexts}; }
    ClosedContourRange ClosedContours() const noexcept {
        return {d_.closedContours, d_.closedContoursCount, nullptr};
    }
    WeatherRegionRange WeatherRegions() const noexcept {
        return {d_.weatherRegions, d_.weatherRegionsCount, nullptr};
    }
    FillAreaRange FillAreas() const noexcept { return {d_.fillAreas, d_.fillAreasCount, nullptr}; }
    NoteRange Notes() const noexcept { return {d_.notes.values, d_.notesCount, &d_.noteTexts}; }

    // The distinct contour values, sorted in the section's direction; a
    // contour's levelIndex counts from 1 into this list.
    std::span<const float> Levels() const noexcept { return d_.levels; }
    LevelOrder LevelsOrder() const noexcept {
        if (d_.levels.size() < 2) return LevelOrder::Unknown;
        return d_.levels[0] < d_.levels[1] ? LevelOrder::Rising : LevelOrder::Falling;
    }

private:
    void Index();
    void Release() noexcept;
    void Take(Chart& other) noexcept { d_ = std::exchange(other.d_, Data{}); }

    // Everything a read handed back, and the index Open built over it.
    struct Data {
        OpenStatus status = OpenStatus::NotOpened;
        float* lines = nullptr;
        char* description = nullptr;
        float* lineSymbols = nullptr;
        float* closedContours = nullptr;
        FloatTextBlock symbols{nullptr, nullptr, nullptr};
        float* weatherRegions = nullptr;
        float* fillAreas = nullptr;  // stays null unless the read wrote it
        FloatTextBlock notes{nullptr, nullptr, nullptr};

        std::size_t linesCount = 0;
        std::size_t lineSymbolsCount = 0;
        std::size_t symbolsCount = 0;
        std::size_t closedContoursCount = 0;
        std::size_t weatherRegionsCount = 0;
        std::size_t fillAreasCount = 0;
        std::size_t notesCount = 0;
        std::span<const float> levels;
        detail::TextSource symbolTexts;
        detail::TextSource noteTexts;
    };
    Data d_;
};

inline Chart Chart::Open(const char* path) {
    Chart chart;
    chart.d_.lines = ReadZenparData14(path, &chart.d_.description, &chart.d_.lineSymbols, &chart.d_.closedContours,
                                    &chart.d_.symbols, &chart.d_.weatherRegions, &chart.d_.fillAreas, &chart.d_.notes);
    if (chart.d_.description != nullptr) {
        chart.d_.status = OpenStatus::Read;
        chart.Index();
        return chart;
    }
    // The export writes nothing in both failures; whether the file opens at
    // all tells them apart.
    if (std::FILE* file = path ? std::fopen(path, "rb") : nullptr) {
        std::fclose(file);
        chart.d_.status = OpenStatus::NotType14;
    } else {
        chart.d_.status = OpenStatus::CannotOpen;
    }
    return chart;
}

inline void Chart::Index() {
    d_.linesCount = detail::Walk<detail::LineLayout>(d_.lines).records;
    d_.lineSymbolsCount = detail::Walk<detail::LineSymbolLayout>(d_.lineSymbols).records;
    d_.symbolsCount = detail::Walk<detail::SymbolLayout>(d_.symbols.values).records;
    d_.weatherRegionsCount = detail::Walk<detail::WeatherRegionLayout>(d_.weatherRegions).records;
    d_.fillAreasCount = detail::Walk<detail::FillAreaLayout>(d_.fillAreas).records;
    d_.notesCount = detail::Walk<detail::NoteLayout>(d_.notes.values).records;

    const auto contours = detail::Walk<detail::ClosedContourLayout>(d_.closedContours);
    d_.closedContoursCount = contours.records;
    // The level list follows the last record; a walk cut short never got
    // there, so it has no levels to show.
    const auto declared = d_.closedContours ? detail::CountSlot(d_.closedContours[0]) : std::nullopt;
    if (declared && *declared == contours.records) {
        if (const auto k = detail::CountSlot(contours.end[0])) d_.levels = {contours.end + 1, *k};
    }

    const auto texts = [](const FloatTextBlock& block) {
        detail::TextSource source;
        if (block.values != nullptr && block.lengths != nullptr && block.text != nullptr) {
            source = {block.lengths, block.text, std::strlen(block.text)};
        }
        return source;
    };
    d_.symbolTexts = texts(d_.symbols);
    d_.noteTexts = texts(d_.notes);
}

inline void Chart::Release() noexcept {
    if (d_.status == OpenStatus::Read) {
        ReleaseZenparData14(d_.lines, d_.description, d_.lineSymbols, d_.closedContours, &d_.symbols,
                            d_.weatherRegions, d_.fillAreas, &d_.notes);
    }
    d_ = Data{};
}

}  // namespace readdata14

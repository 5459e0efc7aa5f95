// readdata14/detail/chart_layout.hpp — how the typed view (chart.hpp) walks
// the blocks: one layout per section (the slots a record's length follows
// from, and how it decodes), the walk that checks every count against the
// block's end, and the record iterator and range. Not for direct use.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <ranges>
#include <span>
#include <string_view>

#include "readdata14/format.hpp"
#include "readdata14/point.hpp"

namespace readdata14 {

struct Line;
struct LineSymbol;
struct Symbol;
struct ClosedContour;
struct WeatherRegion;
struct FillArea;
struct Note;

namespace detail {

// A count slot: a whole number in [0, 2^24].
inline std::optional<std::size_t> CountSlot(float slot) noexcept {
    if (!(slot >= 0.0f && slot <= 16777216.0f)) return std::nullopt;
    const auto whole = static_cast<std::uint32_t>(slot);
    if (static_cast<float>(whole) != slot) return std::nullopt;
    return whole;
}

// Codes and types are integers stored as floats (see IntegerSlot).
inline std::int32_t IntSlot(float slot) noexcept { return IntegerSlot(slot); }

inline std::span<const Point> Points(const float* at, std::size_t count) noexcept {
    return {reinterpret_cast<const Point*>(at), count};
}

// The count slot at `index` of a record with `avail` floats, when it lies
// inside the record and holds a sound count.
inline std::optional<std::size_t> CountAt(const float* r, std::size_t avail, std::size_t index) noexcept {
    if (index >= avail) return std::nullopt;
    return CountSlot(r[index]);
}

// A record length, when it fits the `avail` floats left in the block.
inline std::optional<std::size_t> Fitting(std::size_t length, std::size_t avail) noexcept {
    return length <= avail ? std::optional<std::size_t>(length) : std::nullopt;
}

// The joined texts of a text section, walked alongside its records. Held by
// value: it points into the library's arrays, never into a Chart object.
struct TextSource {
    const std::int32_t* lengths = nullptr;
    std::size_t slots = 0;
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

// Each layout: Length(record, floats left in the block) — the record's
// length when its count slots are sound and it fits — and Decode, which runs
// only on records Length accepted.
struct LineLayout {
    using Record = Line;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        const auto p = CountAt(r, avail, 0);
        if (!p) return std::nullopt;
        const auto m = CountAt(r, avail, 2 * *p + 3);
        if (!m) return std::nullopt;
        return Fitting(2 * *p + 2 * *m + 4, avail);
    }
    static Line Decode(const float* r, const TextSource&, TextCursor&) noexcept;
};

struct LineSymbolLayout {
    using Record = LineSymbol;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        const auto k = CountAt(r, avail, 0);
        if (!k) return std::nullopt;
        return Fitting(2 * *k + 2, avail);
    }
    static LineSymbol Decode(const float* r, const TextSource&, TextCursor&) noexcept;
};

struct WeatherRegionLayout {
    using Record = WeatherRegion;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        return LineSymbolLayout::Length(r, avail);
    }
    static WeatherRegion Decode(const float* r, const TextSource&, TextCursor&) noexcept;
};

struct FillAreaLayout {
    using Record = FillArea;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        const auto k = CountAt(r, avail, 0);
        if (!k) return std::nullopt;
        return Fitting(2 * *k + 18, avail);
    }
    static FillArea Decode(const float* r, const TextSource&, TextCursor&) noexcept;
};

struct ClosedContourLayout {
    using Record = ClosedContour;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        const auto n = CountAt(r, avail, 0);
        if (!n) return std::nullopt;
        const auto m = CountAt(r, avail, 5 + 2 * *n);
        if (!m) return std::nullopt;
        return Fitting(6 + 2 * *n + 2 * *m, avail);
    }
    static ClosedContour Decode(const float* r, const TextSource&, TextCursor&) noexcept;
};

// A symbol record is [1, type, x, y, direction]; its text, when its type has
// one, is the next nonzero lengths slot: dropped symbols keep a zero slot but
// no record, so slots and records do not pair up one to one.
struct SymbolLayout {
    using Record = Symbol;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        return avail >= 5 && r[0] == 1.0f ? std::optional<std::size_t>(5) : std::nullopt;
    }
    static Symbol Decode(const float* r, const TextSource& source, TextCursor& cursor) noexcept;
};

// A note record is [1, type, x, y, value, 6 values]; it has two lengths
// slots of its own, first text then second.
struct NoteLayout {
    using Record = Note;
    static std::optional<std::size_t> Length(const float* r, std::size_t avail) noexcept {
        return avail >= 11 && r[0] == 1.0f ? std::optional<std::size_t>(11) : std::nullopt;
    }
    static Note Decode(const float* r, const TextSource& source, TextCursor& cursor) noexcept;
};

// Walks a block of `size` floats as far as its records are sound and inside
// it: how many records to hand out (at most element 0) and where the walk
// ended.
struct WalkEnd {
    std::size_t records = 0;
    std::size_t end = 0;  // index of the first float after the last record
};
template <class Layout>
WalkEnd Walk(const float* block, std::size_t size) noexcept {
    WalkEnd walk;
    if (block == nullptr || size == 0) return walk;
    const auto declared = CountSlot(block[0]);
    std::size_t at = 1;
    for (std::size_t i = 0; declared && i < *declared; ++i) {
        const auto length = Layout::Length(block + at, size - at);
        if (!length) break;
        at += *length;
        ++walk.records;
    }
    walk.end = at;
    return walk;
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
    RecordIterator(const float* first, std::size_t records, std::size_t avail, TextSource texts) noexcept
        : at_(first), remaining_(records), avail_(avail), texts_(texts) {
        Load();
    }

    value_type operator*() const noexcept { return *current_; }
    pointer operator->() const noexcept { return &*current_; }
    RecordIterator& operator++() noexcept {
        const std::size_t length = *Layout::Length(at_, avail_);
        at_ += length;
        avail_ -= length;
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
    std::size_t avail_ = 0;
    TextSource texts_{};
    TextCursor cursor_{};
    std::optional<value_type> current_;  // records with fixed-size spans have no empty state
};

}  // namespace detail

// The records of one section, in block order. It points into the library's
// arrays, not into the Chart: it stays valid across a move of the Chart, and
// while the Chart (or the one it was moved into) lives.
template <class Layout>
class RecordRange {
public:
    using iterator = detail::RecordIterator<Layout>;

    RecordRange() = default;
    RecordRange(const float* block, std::size_t records, std::size_t size, detail::TextSource texts) noexcept
        : block_(block), records_(records), size_(size), texts_(texts) {}

    iterator begin() const noexcept {
        return records_ == 0 ? iterator() : iterator(block_ + 1, records_, size_ - 1, texts_);
    }
    iterator end() const noexcept { return iterator(); }
    std::size_t size() const noexcept { return records_; }
    bool empty() const noexcept { return records_ == 0; }
    // The block itself, or null when the section gave none.
    const float* block() const noexcept { return block_; }

private:
    const float* block_ = nullptr;
    std::size_t records_ = 0;
    std::size_t size_ = 0;
    detail::TextSource texts_{};
};

}  // namespace readdata14

// A range's iterators point into the library's arrays, not into the range:
// algorithms may hand them back from a temporary range.
template <class Layout>
inline constexpr bool std::ranges::enable_borrowed_range<readdata14::RecordRange<Layout>> = true;

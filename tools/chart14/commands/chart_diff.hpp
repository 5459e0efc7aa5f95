// What differs between two charts, element by element: the comparison behind
// chart14 diff, apart from how it is shown (diff_report.hpp).
//
// Elements are matched by their place in the file: the i-th element of a
// section in A with the i-th in B, closed contours by their file position
// (the block holds them in nesting order). Past the shorter section, the
// elements of B are added and those of A removed. Every float is compared by
// its bits: a NaN that stays the same NaN is the same, -0 and +0 differ.
//
// A ChartDiff points into both charts (texts, points): it must not outlive
// them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

// One field's value as the block holds it.
struct DiffValue {
    enum class Kind : std::uint8_t { Integer, Boolean, Real, Label, Text, Integers };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;               // Integer, Boolean
    float real = 0.0f;                      // Real; Label: the stored label value
    std::string_view text;                  // Text: the file's bytes
    std::span<const std::int32_t> integers;  // Integers
};

// Bit for bit: floats by their bits, texts by their bytes.
bool SameValue(const DiffValue& a, const DiffValue& b) noexcept;

struct DiffField {
    std::string_view name;  // the layer schema's name where it has the field
    DiffValue value;
};

struct DiffPoints {
    std::string_view name;  // "points", "label_points" or "position"
    std::span<const Point> list;  // into the chart
    // A symbol's or note's position, held here: the record that has it does
    // not outlive the comparison.
    bool single = false;
    Point position{};

    std::span<const Point> Points() const noexcept { return single ? std::span(&position, 1) : list; }
};

// One element as compared: its fields and its point lists.
struct DiffElement {
    // The most fields an element has: a fill area's code and sixteen values.
    static constexpr std::size_t MAX_FIELDS = 17;
    std::array<DiffField, MAX_FIELDS> fields{};
    std::size_t fieldCount = 0;
    std::array<DiffPoints, 2> lists{};
    std::size_t listCount = 0;

    std::span<const DiffField> Fields() const noexcept { return {fields.data(), fieldCount}; }
    std::span<const DiffPoints> Lists() const noexcept { return {lists.data(), listCount}; }
};

struct FieldChange {
    std::string_view name;
    DiffValue a, b;
};

struct PointMove {
    std::size_t index = 0;
    Point a{}, b{};
};

// A point list of one element in A and in B: the points matched by index,
// the first `limit` that moved kept.
struct PointsChange {
    std::string_view name;
    std::size_t countA = 0, countB = 0;
    std::size_t moved = 0;
    std::vector<PointMove> shown;
};

struct ElementChange {
    std::size_t index = 0;  // place in the section (contours: file position)
    std::vector<FieldChange> fields;
    std::vector<PointsChange> points;
};

struct ElementAt {
    std::size_t index = 0;
    DiffElement element;
};

struct SectionDiff {
    std::string_view name;  // the layer's name
    bool presentA = false, presentB = false;
    std::size_t countA = 0, countB = 0;
    std::size_t identical = 0, changed = 0;
    // The first `limit` of each kind.
    std::vector<ElementChange> shownChanged;
    std::vector<ElementAt> shownAdded, shownRemoved;
    // The blocks differ where no element does: the records' order (the
    // contours' nesting) or slots that hold no element.
    bool blockDiffers = false;

    std::size_t Added() const noexcept { return countB > countA ? countB - countA : 0; }
    std::size_t Removed() const noexcept { return countA > countB ? countA - countB : 0; }
    bool Differs() const noexcept {
        return presentA != presentB || changed > 0 || countA != countB || blockDiffers;
    }
};

struct ChartDiff {
    std::vector<FieldChange> header;  // first_token, description, header_integers, fill_areas_read
    std::span<const float> levelsA, levelsB;
    bool levelsDiffer = false;
    std::vector<SectionDiff> sections;  // in the layers' order

    bool Differs() const noexcept;
};

// `limit`: how many changed, added and removed elements to keep per section,
// and moved points per point list; 0 keeps them all. The counts are always
// whole.
ChartDiff CompareCharts(const Chart& a, const Chart& b, std::size_t limit);

}  // namespace readdata14::chart14

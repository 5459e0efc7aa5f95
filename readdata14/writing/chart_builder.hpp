// A chart built element by element by a host. Each element is checked
// against what the format carries before it is taken, and kept in the
// reader's block layouts, so that the writer writes it like a chart that was
// read. The closed contours stand in the order they were added (their file
// order); the reader works out their nesting and levels from the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layers/label_room.hpp"
#include "writing/chart_input.hpp"

namespace readdata14::writing {

struct LabelledLine {
    std::int32_t code = 0;
    std::span<const float> points;  // x, y pairs
    float label = 0.0f;
    std::span<const float> labelPoints;
};

struct PointList {
    std::int32_t code = 0;
    std::span<const float> points;
    std::array<float, 16> values{};  // fill areas only
};

struct Symbol {
    std::int32_t type = 0;
    float x = 0.0f;
    float y = 0.0f;
    float direction = 0.0f;
    std::optional<std::string_view> text;
    bool dropped = false;
};

struct Note {
    std::int32_t type = 48;
    float x = 0.0f;
    float y = 0.0f;
    float value = 0.0f;
    std::array<float, 6> trailing{};
    std::optional<std::string_view> firstText;
    std::optional<std::string_view> secondText;
};

// The elements of `section` (a READDATA14_SECTION_* bit) of a chart that
// CopyElements can copy: the records that walk within the block (for
// symbols, the lengths slots: the file's symbols, dropped ones included;
// closed contours in file order).
std::size_t CopyableElements(const ChartInput& chart, std::uint32_t section) noexcept;

class ChartBuilder {
public:
    ChartBuilder();

    // Each returns the problem and leaves the builder as it was, or takes
    // the element. Out of memory throws std::bad_alloc, the builder as it was.
    std::optional<Problem> SetHeader(std::optional<std::string_view> firstToken,
                                     std::optional<std::string_view> description,
                                     std::span<const std::int32_t> integers);
    std::optional<Problem> AddLine(const LabelledLine& line);
    std::optional<Problem> AddLineSymbol(const PointList& lineSymbol);
    std::optional<Problem> AddSymbol(const Symbol& symbol);
    std::optional<Problem> AddContour(const LabelledLine& contour) { return AddContour(contour, false); }
    // As AddContour, and a contour of no points too: the layers' way back
    // keeps a contour whose geometry GIS lost as one of no points, which
    // this library reads (it nests nowhere, its label counts for the
    // levels) while the format leaves such a contour open.
    std::optional<Problem> AddKeptContour(const LabelledLine& contour) { return AddContour(contour, true); }
    std::optional<Problem> AddWeatherRegion(const PointList& region);
    std::optional<Problem> AddFillArea(const PointList& area);
    std::optional<Problem> AddNote(const Note& note);

    // Appends elements first to first + count - 1 of `from`'s `section` (a
    // READDATA14_SECTION_* bit) exactly as its block holds them, degenerate
    // ones included, so that the file reads back to the same records. The
    // elements are those CopyableElements counts; closed contours are
    // counted in their file order (from's contourFilePositions), which is
    // the order they go in, the reader's nesting and levels worked out
    // again. A count of 0 takes nothing. Refused, the builder as it was, where an
    // element has no spelling or the section is left out or full.
    std::optional<Problem> CopyElements(const ChartInput& from, std::uint32_t section, std::size_t first,
                                        std::size_t count);
    // Appends element `element` of `from`'s LINES or CLOSED_CONTOURS as
    // CopyElements does, with its label points replaced by the `count`
    // (x, y) pairs at `labelPoints`: the rest of its record as the document
    // holds it. More pairs than the record has room for are refused unread.
    std::optional<Problem> CopyRelabelled(const ChartInput& from, std::uint32_t section, std::size_t element,
                                          const float* labelPoints, std::size_t count);

    // Leaves `sections` (READDATA14_SECTION_* bits) out of the file, on top
    // of those left out before; weather regions take the fill areas with
    // them, since a reader looks for fill areas only after regions. Refused
    // (the builder as it was) for a section that holds elements; adding to
    // a section left out is refused as well.
    std::optional<Problem> LeaveOut(std::uint32_t sections);

    // Where the builder stands, and the way back to it: a host that adds
    // many elements as one takes them all or none. Restoring never throws.
    struct Mark {
        std::array<std::size_t, 12> sizes{};
        std::array<float, 7> counts{};  // each block's slot 0
    };
    Mark Marked() const noexcept;
    void Restore(const Mark& mark) noexcept;

    // The chart as the writer takes it; valid while the builder is unchanged.
    ChartInput Input() const;

private:
    static void CopyInto(ChartBuilder& part, const ChartInput& from, std::uint32_t section, std::size_t first,
                         std::size_t count);
    std::optional<Problem> Append(const ChartBuilder& part, std::uint32_t section);
    std::optional<Problem> AppendChecked(const ChartBuilder& part, std::uint32_t section, std::size_t first);
    bool SymbolsEnded() const;
    std::optional<Problem> AddContour(const LabelledLine& contour, bool mayBeEmpty);
    std::size_t ElementCount(std::uint32_t section) const;
    std::optional<Problem> CheckTaken(std::uint32_t section) const;

    struct TextSection {
        std::vector<float> values{0.0f};
        std::vector<std::int32_t> lengths;
        std::string text;
    };

    std::string firstToken_ = "readdata14";
    std::string description_ = "chart";
    std::array<std::int32_t, 5> integers_{};
    std::size_t integerCount_ = 5;
    std::vector<float> lines_{0.0f};
    std::vector<float> lineSymbols_{0.0f};
    TextSection symbols_;
    std::vector<float> contours_{0.0f};
    std::vector<std::uint32_t> contourPositions_;
    std::vector<float> weatherRegions_{0.0f};
    std::vector<float> fillAreas_{0.0f};
    TextSection notes_;
    std::uint32_t leftOut_ = 0;  // READDATA14_SECTION_* bits
};

}  // namespace readdata14::writing

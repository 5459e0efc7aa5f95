// What the writer writes: a chart as plain views of its blocks, the
// header's fields and which sections stood in the file. Made from a
// document that was read (or built), with the host's header options laid
// over it; the writer never owns or changes any of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "readdata14/readdata14.h"

namespace readdata14::writing {

// A block as a view; null (data() == nullptr) where the chart has none.
using BlockView = std::span<const float>;

struct TextBlockView {
    BlockView values;
    std::span<const std::int32_t> lengths;
    std::string_view text;
    // The reader leaves all three null for a section it did not read.
    bool Untouched() const noexcept { return values.data() == nullptr && lengths.data() == nullptr && text.data() == nullptr; }
};

struct ChartInput {
    std::string_view firstToken;
    std::string_view description;
    std::array<std::int32_t, 5> headerIntegers{};
    std::size_t headerIntegerCount = 0;  // those standing in the file, from the first
    std::uint32_t sectionsPresent = 0;   // READDATA14_SECTION_* bits
    BlockView lines;
    BlockView lineSymbols;
    TextBlockView symbols;
    BlockView closedContours;
    // For each record of closedContours, its place in the file; empty: the
    // records stand in file order.
    std::span<const std::uint32_t> contourFilePositions;
    BlockView weatherRegions;
    BlockView fillAreas;
    TextBlockView notes;
};

// Why a chart cannot be written as it is: where (a READDATA14_SECTION_* bit,
// 0 for the header or the whole chart; the element's index in its block,
// -1 for none) and what.
struct Problem {
    std::uint32_t section = 0;
    std::int64_t element = -1;
    std::string message;
};

// The host's choices over the document's header; unset fields keep the document's.
struct HeaderChoice {
    std::optional<std::string_view> firstToken;
    std::optional<std::string_view> description;
    std::optional<std::span<const std::int32_t>> integers;
};

// The chart a document holds, with `header` laid over its header; a problem
// for a document that holds no chart, or only its header.
struct InputOrProblem {
    ChartInput input;
    std::optional<Problem> problem;
};
InputOrProblem InputOf(const readdata14_document& document, const HeaderChoice& header);

}  // namespace readdata14::writing

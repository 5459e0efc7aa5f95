// A read chart copied whole into a builder, element by element as its
// blocks hold them (readdata14_builder_copy_elements): the tests and the
// fuzz target judge the copy by it, so it stays free of any test framework.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "readdata14/readdata14_write.h"

namespace readdata14::test {

// The sections, in the file's order.
inline constexpr std::uint32_t kSectionBits[] = {
    READDATA14_SECTION_LINES,           READDATA14_SECTION_LINE_SYMBOLS, READDATA14_SECTION_SYMBOLS,
    READDATA14_SECTION_CLOSED_CONTOURS, READDATA14_SECTION_WEATHER_REGIONS, READDATA14_SECTION_FILL_AREAS,
    READDATA14_SECTION_NOTES};

// The elements of a section as the copy counts them: the lengths slots of
// symbols, the records of the rest (element 0 of the block).
std::size_t ElementsOf(const readdata14_document& document, std::uint32_t section);

// Every element of every section copied (in two calls per section, cut
// where `cut` says, modulo the elements + 1), the sections `read` lacks
// left out, finished: empty when the blocks equal read's, otherwise what
// differs. The header is the builder's. Two states of a section, not of an
// element, are not copied: a section whose tag stood without a count
// (present, no block) and a symbols' or notes' section that stopped before
// its first element; the builder gives the block of a section that has none.
std::string CopyAllProblem(const readdata14_document& read,
                           const std::function<std::size_t(std::size_t elements)>& cut = {});

}  // namespace readdata14::test

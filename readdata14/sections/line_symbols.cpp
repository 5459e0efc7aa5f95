// The LINES_SYMBOL section: each line symbol a code and its points, long point
// lists thinned. Unlike a line it has no label in its record.
#include <cstdint>

#include "reading/point_lists.hpp"
#include "reading/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// The trailing text is read into a buffer of this many characters.
constexpr std::size_t kTrailingTextLimit = 79;

// One line symbol: "%d %d %d" (code, a number nobody uses, point count), the
// points, then a text and an integer that are read and dropped. Record:
// [k, code, k points].
ElementEnd ReadLineSymbol(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return ElementEnd::Stopped("its code");
    if (!in.Int()) return ElementEnd::Stopped("its second integer");
    const auto declared = ReadCount(in, "point count");
    if (!declared) return ElementEnd::Stopped("its point count");

    const ElementEnd points = ReadCodedPointRecord(in, block, *code, *declared);
    if (!points.IsWhole()) return points;

    const auto text = in.Token();
    if (!text) return ElementEnd::Stopped("its trailing text");
    CheckTokenLength(in, *text, kTrailingTextLimit, "line symbol's trailing text");
    if (!in.Int()) return ElementEnd::Stopped("its trailing integer");
    return ElementEnd::Whole();
}

}  // namespace

FloatBlock ReadLineSymbols(Scanner& in) {
    const auto header = ReadSectionHeader(in, LINE_SYMBOLS_TAG);
    if (!header) return nullptr;
    BlockBuilder block;
    ReadElements(in, *header, {"LINES_SYMBOL", "line symbol"}, [&] { return ReadLineSymbol(in, block); });
    return block.Finish();
}

}  // namespace readdata14

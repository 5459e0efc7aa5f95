// The LINES_SYMBOL section: each line symbol a code and its points, long point
// lists thinned. Unlike a line it has no label in its record.
#include <cstdint>

#include "driver/reading_rules.hpp"
#include "sections/point_lists.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// One line symbol: "%d %d %d" (code, a number nobody uses, point count), the
// points, then a text and an integer that are read and dropped. Record:
// [k, code, k points]. False when the section must stop here.
bool ReadLineSymbol(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code || !in.Int()) return false;
    const auto declared = in.Int();
    if (!declared) return false;

    if (!ReadCodedPointRecord(in, block, *code, *declared)) return false;

    return in.Token() && in.Int();
}

}  // namespace

FloatBlock ReadLineSymbols(Scanner& in) {
    const auto count = ReadSectionHeader(in, "LINES_SYMBOL:");
    if (!count) return nullptr;
    BlockBuilder block;
    for (std::int32_t i = 0; i < *count; ++i) {
        if (!ReadLineSymbol(in, block)) {
            ReportSectionStop(in, "LINES_SYMBOL");
            break;
        }
    }
    return block.Finish();
}

}  // namespace readdata14

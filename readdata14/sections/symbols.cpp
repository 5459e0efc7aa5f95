// The SYMBOLS section: point symbols, each with a direction or a short text.
// Element 0 counts the records written; `lengths` keeps a slot for every
// symbol read, dropped ones included.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "reading/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// An angle so large that its direction in degrees lies beyond the float range.
void ReportDirectionRange(Scanner& in, std::size_t at) {
    if (!in.Listening()) return;
    in.ReportAt(at, FindingKind::FloatRange,
                "the angle's direction in degrees lies beyond the range of a 32-bit float: stored as an infinity");
}

// A text is one token, so a blank in it is written as the byte 0x01.
void RestoreBlanks(std::string& text) { std::replace(text.begin(), text.end(), '\x01', ' '); }

void PushRecord(BlockBuilder& block, std::int32_t type, Point at, float direction) {
    block.Push(1.0f);
    block.Push(type);
    block.PushPoint(at);
    block.Push(direction);
    block.CountRecord();
}

// One symbol: "%d", then "%f %f %f %s" for a text type or "%f %f %f %f".
// A symbol whose x, y, z did not all convert is placed at 0, 0; a text that
// was not read is stored empty, so every text-type record has its text.
ElementEnd ReadSymbol(Scanner& in, BlockBuilder& block, TextJoiner& texts, std::string& text) {
    const auto type = in.Int();
    if (!type) return ElementEnd::Stopped("its type");
    const auto x = in.Float();
    const auto y = x ? in.Float() : std::nullopt;
    const auto z = y ? in.Float() : std::nullopt;
    const bool placed = z.has_value();
    const Point at = placed ? Point{*x, *y} : Point{0.0f, 0.0f};
    constexpr ElementEnd kUnplaced = ElementEnd::Stopped("its position (x y z)");

    if (!IsTextSymbolType(*type)) {
        const std::size_t angleAt = in.NextTokenOffset();
        const auto angle = placed ? in.Float() : std::nullopt;
        const float direction = angle ? DirectionFromAngle(*angle) : 0.0f;
        if (angle && std::isfinite(*angle) && !std::isfinite(direction)) ReportDirectionRange(in, angleAt);
        texts.AddNone();
        PushRecord(block, *type, at, direction);
        if (!placed) return kUnplaced;
        return angle ? ElementEnd::Whole() : ElementEnd::Stopped("its direction angle");
    }

    const auto token = placed ? in.Token() : std::nullopt;
    if (token) CheckTokenLength(in, *token, SYMBOL_TEXT_LIMIT, "symbol text");
    const ElementEnd end = !placed ? kUnplaced : token ? ElementEnd::Whole() : ElementEnd::Stopped("its text");
    if (placed && IsDroppedSymbol(*type, *z)) {
        texts.AddNone();
        return end;
    }
    text.assign(token.value_or(std::string_view{}));
    RestoreBlanks(text);
    texts.Add(text);
    PushRecord(block, *type, at, 0.0f);
    return end;
}

}  // namespace

TextBlock ReadSymbols(Scanner& in) {
    const auto header = ReadSectionHeader(in, SYMBOLS_TAG);
    if (!header || header->count == 0) return {};

    // The smallest a symbol can be in the file: "1 0 0 0 0" and a separator.
    constexpr std::size_t kMinSymbolBytes = 10;
    BlockBuilder block;
    block.Reserve(5 * BackedCount(header->count, in, kMinSymbolBytes));
    TextJoiner texts;
    std::string text;
    ReadElements(in, *header, {"SYMBOLS", "symbol"}, [&] { return ReadSymbol(in, block, texts, text); });
    return FinishTextBlock(block, texts);
}

}  // namespace readdata14

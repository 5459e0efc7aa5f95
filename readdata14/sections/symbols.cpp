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

// The tag is read into a buffer of 199 characters, a text into one of 179.
constexpr std::size_t kTextLimit = 179;

// A type-48 symbol at z exactly 1.0 is not drawn: it keeps its lengths slot
// (0) but gets no record.
bool IsDropped(std::int32_t type, float z) noexcept { return type == 48 && z == 1.0f; }

// The angle is in radians; the direction is in degrees, turned so that 0 rad
// points to 270. Formed in double in this order with the divisor 3.14159265,
// rounded to float once, and not wrapped: the stored files depend on it.
float DirectionFromAngle(float angle) noexcept {
    return static_cast<float>(270.0 - double(angle) * 180.0 / 3.14159265);
}

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
    if (token) CheckTokenLength(in, *token, kTextLimit, "symbol text");
    const ElementEnd end = !placed ? kUnplaced : token ? ElementEnd::Whole() : ElementEnd::Stopped("its text");
    if (placed && IsDropped(*type, *z)) {
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

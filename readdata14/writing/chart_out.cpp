#include "writing/chart_out.hpp"

#include <algorithm>
#include <cmath>

#include "reading/reading_rules.hpp"
#include "writing/spelling.hpp"

namespace readdata14::writing {
namespace {

constexpr std::size_t kPointsPerLine = 6;
// "x y 0 " with room for the longest spellings.
constexpr std::size_t kPointRoom = 2 * SPELLING_ROOM + 4;

char* SpellPoint(float x, float y, char* at) noexcept {
    at = SpellFloat(x, at);
    *at++ = ' ';
    at = SpellFloat(y, at);
    *at++ = ' ';
    *at++ = '0';
    *at++ = ' ';
    return at;
}

}  // namespace

void ChartOut::At(std::uint32_t section, std::string_view sectionName, std::string_view elementName,
                  std::int64_t element) noexcept {
    section_ = section;
    sectionName_ = sectionName;
    elementName_ = elementName;
    element_ = element;
}

bool ChartOut::Fail(std::string message) {
    if (problem_) return false;
    std::string where;
    if (!sectionName_.empty()) {
        where.append(sectionName_);
        if (element_ >= 0) where.append(", ").append(elementName_).append(" ").append(std::to_string(element_ + 1));
        where.append(": ");
    }
    problem_ = Problem{section_, element_, where + message};
    return false;
}

bool ChartOut::Float(float value, std::string_view what) {
    if (!FloatSpellable(value)) {
        return Fail(std::string(what) + " is " + ShowFloat(value) + ", which no text reads back");
    }
    if (text_) {
        char* at = text_->Reserve(SPELLING_ROOM + 1);
        at = SpellFloat(value, at);
        *at++ = ' ';
        text_->Advance(at);
    }
    return true;
}

bool ChartOut::IntegerSlot(float slot, std::string_view what) {
    const auto integer = IntegerOfSlot(slot);
    if (!integer) return Fail(std::string(what) + " is " + ShowFloat(slot) + ", not a whole number of 32 bits");
    Int(*integer);
    return true;
}

bool ChartOut::Points(std::span<const float> xy, std::string_view what) {
    if (!text_) {
        // Only a NaN can lack a spelling: test them all at once.
        if (std::all_of(xy.begin(), xy.end(), [](float v) { return v == v; })) return true;
        for (const float v : xy) {
            if (!FloatSpellable(v)) return Float(v, std::string("a coordinate of ") + std::string(what));
        }
        return true;
    }
    const std::size_t count = xy.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        if (!FloatSpellable(xy[2 * i]) || !FloatSpellable(xy[2 * i + 1])) {
            return Fail("a coordinate of " + std::string(what) + " has no spelling");
        }
        char* at = text_->Reserve(kPointRoom);
        text_->Advance(SpellPoint(xy[2 * i], xy[2 * i + 1], at));
        if (i % kPointsPerLine == kPointsPerLine - 1 || i + 1 == count) text_->Newline();
    }
    return true;
}

bool ChartOut::Label(float value) {
    char spelled[SPELLING_ROOM];
    char* end = SpellLabel(value, spelled);
    if (end == nullptr) return Fail("its label value is " + ShowFloat(value) + ", which no label text gives back");
    Word(std::string_view(spelled, static_cast<std::size_t>(end - spelled)));
    return true;
}

bool ChartOut::Angle(float direction) {
    const auto angle = AngleForDirection(direction);
    if (!angle) {
        std::string message = "its direction " + ShowFloat(direction) + " is not one that an angle in the file gives";
        if (const auto nearest = NearestCarriedDirection(direction)) message += " (the nearest is " + ShowFloat(*nearest) + ")";
        return Fail(std::move(message));
    }
    return Float(*angle, "its angle");
}

bool ChartOut::Token(std::string_view token, std::string_view what) {
    if (auto problem = TokenProblem(token, what)) return Fail(std::move(*problem));
    if (!text_) return true;
    // The reader's token ends at a NUL byte: a lone NUL reads back empty.
    text_->Word(token.empty() ? std::string_view("\0", 1) : token);
    return true;
}

bool ChartOut::SymbolText(std::string_view text) {
    if (auto problem = SymbolTextProblem(text)) return Fail(std::move(*problem));
    if (!text_) return true;
    if (text.empty()) {
        text_->Word(std::string_view("\0", 1));
        return true;
    }
    char* at = text_->Reserve(text.size() + 1);
    at = std::replace_copy(text.begin(), text.end(), at, ' ', '\x01');
    *at++ = ' ';
    text_->Advance(at);
    return true;
}

bool ChartOut::NoteText(std::string_view text) {
    if (auto problem = NoteTextProblem(text)) return Fail(std::move(*problem));
    if (!text_) return true;
    text_->Int(static_cast<std::int64_t>(text.size()));
    text_->Newline();
    const bool endsLine = !text.empty() && text.back() == '\n';
    text_->Raw(endsLine ? text.substr(0, text.size() - 1) : text);
    // A text's own line break goes the same way, so that it follows the line
    // ends asked for (and stays after a CR).
    text_->NewlineAfterText();
    return true;
}

std::optional<std::size_t> BlockCursor::Records() const noexcept {
    if (block_.empty()) return std::nullopt;
    return CountOfSlot(block_[0]);
}

std::optional<std::span<const float>> BlockCursor::Take(std::size_t size) noexcept {
    if (size > block_.size() || at_ > block_.size() - size) return std::nullopt;
    const std::span<const float> taken = block_.subspan(at_, size);
    at_ += size;
    return taken;
}

}  // namespace readdata14::writing

// The writer's two passes share one walk over the chart: the first only
// checks that every value has a spelling (so that nothing is written of a
// chart that cannot be written whole), the second writes. ChartOut is what
// the walk writes into; without a TextOutput it only checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "writing/chart_input.hpp"
#include "writing/text_output.hpp"

namespace readdata14::writing {

class ChartOut {
public:
    explicit ChartOut(TextOutput* text) noexcept : text_(text) {}

    // The element the next problem is about: a READDATA14_SECTION_* bit and
    // its index in its block, with the words for messages ("LINES", "line").
    void At(std::uint32_t section, std::string_view sectionName, std::string_view elementName, std::int64_t element) noexcept;
    // Records the problem (the first one counts) and returns false.
    bool Fail(std::string message);
    bool Failed() const noexcept { return problem_.has_value(); }
    std::optional<Problem>& TakeProblem() noexcept { return problem_; }

    void Word(std::string_view word) {
        if (text_) text_->Word(word);
    }
    void Int(std::int64_t value) {
        if (!text_) return;
        text_->Int(value);
        text_->Space();
    }
    void Newline() {
        if (text_) text_->Newline();
    }
    // A float, an integer slot, a count slot, as the file writes them.
    bool Float(float value, std::string_view what);
    bool IntegerSlot(float slot, std::string_view what);
    // Points "x y 0", six to a line; the line ends after the last.
    bool Points(std::span<const float> xy, std::string_view what);
    bool Label(float value);
    // The angle that gives `direction` back.
    bool Angle(float direction);
    // A header token; an empty one is written as a NUL byte.
    bool Token(std::string_view token, std::string_view what);
    // A symbol's text: a blank as 0x01, an empty text as a NUL byte.
    bool SymbolText(std::string_view text);
    // A note's text: its length, a line break, the text, a line break
    // unless the text ends with one.
    bool NoteText(std::string_view text);
    // The symbol of a stopped section that lost its angle: its direction
    // is 0 and no angle gives that, so the angle is left out.
    void EndWithoutAngle() { Newline(); }

private:
    TextOutput* text_;
    std::uint32_t section_ = 0;
    std::string_view sectionName_;
    std::string_view elementName_;
    std::int64_t element_ = -1;
    std::optional<Problem> problem_;
};

// Steps through a block's records, never past its end.
class BlockCursor {
public:
    explicit BlockCursor(BlockView block) noexcept : block_(block) {}
    // Element 0, the record count.
    std::optional<std::size_t> Records() const noexcept;
    // The next `size` floats, or nothing when the block ends first.
    std::optional<std::span<const float>> Take(std::size_t size) noexcept;
    std::size_t Offset() const noexcept { return at_; }
    std::size_t Remaining() const noexcept { return block_.size() > at_ ? block_.size() - at_ : 0; }
    void MoveTo(std::size_t offset) noexcept { at_ = offset; }

private:
    BlockView block_;
    std::size_t at_ = 1;
};

}  // namespace readdata14::writing

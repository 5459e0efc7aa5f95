// The two sections with texts: symbols and notes. Their `lengths` slots
// say which elements the file held, and where each text stands in `text`.
#include <algorithm>
#include <bit>
#include <string>

#include "readdata14/format.hpp"
#include "reading/section_tags.hpp"
#include "writing/sections.hpp"
#include "writing/spelling.hpp"

namespace readdata14::writing {
namespace {

constexpr std::size_t kSymbolRecord = 5;
constexpr std::size_t kNoteRecord = 11;

// The joined texts, taken one by one with their lengths slots.
class TextCursor {
public:
    explicit TextCursor(std::string_view joined) noexcept : joined_(joined) {}
    // The text of a slot (its length with the "#" after it), or nothing
    // when the buffer does not hold it so.
    std::optional<std::string_view> Take(std::int32_t slot) noexcept {
        if (slot < 1) return std::nullopt;
        const auto size = static_cast<std::size_t>(slot);
        if (size > joined_.size() - at_ || joined_[at_ + size - 1] != '#') return std::nullopt;
        const std::string_view text = joined_.substr(at_, size - 1);
        at_ += size;
        return text;
    }
    // Every text taken, or none and the buffer " ".
    bool AllTaken() const noexcept { return at_ == joined_.size() || (at_ == 0 && joined_ == " "); }

private:
    std::string_view joined_;
    std::size_t at_ = 0;
};

// The section's tag and count, where the section held elements; false for
// the three arrays of one read that do not belong together.
bool SameRead(const TextBlockView& block) {
    return block.values.data() != nullptr && block.lengths.data() != nullptr && block.text.data() != nullptr;
}

std::string Slot(std::int32_t slot) { return std::to_string(slot); }


// One record: [1, type, x, y, direction]; the direction is the text
// types' 0, or what the angle written gives back.
bool WriteSymbolRecord(std::span<const float> record, std::int32_t slot, TextCursor& texts, bool lastSlot,
                       ChartOut& out) {
    if (record[0] != 1.0f) return out.Fail("its record's point count is " + ShowFloat(record[0]) + ", not 1");
    const auto type = IntegerOfSlot(record[1]);
    if (!type || !out.IntegerSlot(record[1], "its type")) return false;
    if (!out.Float(record[2], "its x") || !out.Float(record[3], "its y")) return false;
    out.Int(0);  // z; only a type-48 symbol at z 1.0 is dropped
    if (!IsTextSymbolType(*type)) {
        // A stopped section leaves its last symbol's direction 0 where the
        // angle was missing; no angle gives 0, so the angle stays missing.
        if (lastSlot && LostItsAngle(record)) {
            out.EndWithoutAngle();
            return true;
        }
        if (!out.Angle(record[4])) return false;
        out.Newline();
        return true;
    }
    if (std::bit_cast<std::uint32_t>(record[4]) != 0) {
        return out.Fail("its direction is " + ShowFloat(record[4]) + ", but a symbol with a text has the direction 0");
    }
    const auto text = texts.Take(slot);
    if (!text) return out.Fail("its lengths slot " + Slot(slot) + " does not match the texts");
    if (!out.SymbolText(*text)) return false;
    out.Newline();
    return true;
}

// A zero slot with no record to take it: a type-48 symbol at z 1.0, which
// the reader drops. Its place and text are not kept; any will do.
void WriteDroppedSymbol(ChartOut& out) {
    out.Int(48);
    out.Word("0 0 1 -");
    out.Newline();
}

bool WriteNoteRecord(std::span<const float> record, std::span<const std::int32_t> slots, TextCursor& texts,
                     ChartOut& out) {
    if (record[0] != 1.0f) return out.Fail("its record's point count is " + ShowFloat(record[0]) + ", not 1");
    const auto type = IntegerOfSlot(record[1]);
    if (!type || !out.IntegerSlot(record[1], "its type")) return false;
    if (!NoteHasTexts(*type)) {
        // Nothing follows the type of such a note: the reader fills zeros.
        const bool zeros = std::all_of(record.begin() + 2, record.end(),
                                       [](float v) { return std::bit_cast<std::uint32_t>(v) == 0; });
        if (!zeros || slots[0] != 0 || slots[1] != 0) {
            return out.Fail("a note of type " + std::to_string(*type) + " carries values or texts, which only type 48 has");
        }
        out.Newline();
        return true;
    }
    const auto first = texts.Take(slots[0]);
    const auto second = first ? texts.Take(slots[1]) : std::nullopt;
    if (!second) return out.Fail("its lengths slots " + Slot(slots[0]) + " and " + Slot(slots[1]) + " do not match the texts");
    if (!out.Float(record[2], "its x") || !out.Float(record[3], "its y")) return false;
    out.Int(0);
    if (!out.NoteText(*first) || !out.Float(record[4], "its value") || !out.NoteText(*second)) return false;
    for (std::size_t i = 5; i < kNoteRecord; ++i) {
        if (!out.Float(record[i], "a trailing value")) return false;
    }
    out.Newline();
    return true;
}

}  // namespace

bool LostItsAngle(std::span<const float> record) {
    return std::bit_cast<std::uint32_t>(record[4]) == 0 && !AngleForDirection(record[4]);
}

bool SlotTakesRecord(std::optional<std::span<const float>> record, std::int32_t slot, bool lastSlot) {
    if (!record) return false;
    const auto type = IntegerOfSlot((*record)[1]);
    if (!type) return false;
    return IsTextSymbolType(*type) ? slot != 0 : slot == 0 && (lastSlot || !LostItsAngle(*record));
}

bool WriteSymbols(const TextBlockView& block, ChartOut& out) {
    out.At(READDATA14_SECTION_SYMBOLS, "SYMBOLS", "symbol", -1);
    if (!SameRead(block)) return out.Fail("its values, lengths and text are not all there");
    BlockCursor cursor(block.values);
    const auto records = cursor.Records();
    if (!records) return out.Fail("the block's element 0 is not a record count");
    const std::size_t slots = block.lengths.size();
    out.Word(SYMBOLS_TAG);
    // A section that stopped before its first symbol: one declared, and the
    // next section's tag where it is due.
    out.Int(slots == 0 ? 1 : static_cast<std::int64_t>(slots));
    out.Newline();
    TextCursor texts(block.text);
    std::size_t record = 0;
    for (std::size_t i = 0; i < slots; ++i) {
        const std::int32_t slot = block.lengths[i];
        std::optional<std::span<const float>> values;
        if (record < *records) {
            const std::size_t at = cursor.Offset();
            values = cursor.Take(kSymbolRecord);
            if (!values) return out.Fail("the block ends inside symbol " + std::to_string(record + 1));
            cursor.MoveTo(at);
        }
        const bool lastSlot = i + 1 == slots;
        if (!SlotTakesRecord(values, slot, lastSlot)) {
            out.At(READDATA14_SECTION_SYMBOLS, "SYMBOLS", "symbol", static_cast<std::int64_t>(record));
            if (slot != 0) return out.Fail("its lengths slot " + Slot(slot) + " has no symbol with a text to go with");
            WriteDroppedSymbol(out);
            continue;
        }
        out.At(READDATA14_SECTION_SYMBOLS, "SYMBOLS", "symbol", static_cast<std::int64_t>(record));
        cursor.Take(kSymbolRecord);
        if (!WriteSymbolRecord(*values, slot, texts, lastSlot, out)) return false;
        ++record;
    }
    out.At(READDATA14_SECTION_SYMBOLS, "SYMBOLS", "symbol", -1);
    if (record != *records) return out.Fail("it has more records than lengths slots");
    if (!texts.AllTaken()) return out.Fail("its text holds more than its lengths slots take");
    return true;
}

bool WriteNotes(const TextBlockView& block, ChartOut& out) {
    out.At(READDATA14_SECTION_NOTES, "NOTES_SYMBOL", "note", -1);
    if (!SameRead(block)) return out.Fail("its values, lengths and text are not all there");
    BlockCursor cursor(block.values);
    const auto records = cursor.Records();
    if (!records) return out.Fail("the block's element 0 is not a record count");
    if (block.lengths.size() != 2 * *records) return out.Fail("it has not two lengths slots for each note");
    out.Word(NOTES_TAG);
    // A section that stopped before its first note: one declared, and the
    // end of the file where it is due.
    out.Int(*records == 0 ? 1 : static_cast<std::int64_t>(*records));
    out.Newline();
    TextCursor texts(block.text);
    for (std::size_t i = 0; i < *records; ++i) {
        out.At(READDATA14_SECTION_NOTES, "NOTES_SYMBOL", "note", static_cast<std::int64_t>(i));
        const auto record = cursor.Take(kNoteRecord);
        if (!record) return out.Fail("the block ends inside it");
        if (!WriteNoteRecord(*record, block.lengths.subspan(2 * i, 2), texts, out)) return false;
    }
    out.At(READDATA14_SECTION_NOTES, "NOTES_SYMBOL", "note", -1);
    if (!texts.AllTaken()) return out.Fail("its text holds more than its lengths slots take");
    return true;
}

}  // namespace readdata14::writing

// The NOTES_SYMBOL section: notes, each a type and, for type 48, a position,
// two texts read by character count (they may hold blanks) and seven values.
// Every note read gives one eleven-float record and two lengths slots.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "driver/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

// Only this type carries a position, texts and values; others are the type alone.
constexpr std::int32_t kNoteWithTexts = 48;
constexpr std::size_t kTrailingValues = 6;

struct Note {
    Point at{0.0f, 0.0f};
    float value = 0.0f;  // the float in front of the second text's length
    std::array<float, kTrailingValues> trailing{};
};

void PushRecord(BlockBuilder& block, std::int32_t type, const Note& note) {
    block.Push(1.0f);
    block.Push(type);
    block.PushPoint(note.at);
    block.Push(note.value);
    for (float v : note.trailing) block.Push(v);
    block.CountRecord();
}

// A text's length, "%d " : the blank after it skips the white space in front
// of the text, line breaks included, so a text never starts with white space.
std::optional<std::int32_t> ReadTextLength(Scanner& in) {
    const auto length = in.Int();
    if (!length) return std::nullopt;
    in.SkipSpace();
    return std::max<std::int32_t>(*length, 0);
}

// The next `length` characters, or fewer when a line break (kept as the
// text's last character) or the end of the input comes first. The lengths slot
// follows what was stored, so `lengths` and `text` always agree.
void ReadText(Scanner& in, std::int32_t length, TextJoiner& texts) {
    const std::size_t start = in.Offset();
    const std::string_view text = in.Line(static_cast<std::size_t>(length));
    texts.Add(text);
    if (in.Listening() && text.size() < static_cast<std::size_t>(length)) {
        std::string message = "a note text declared ";
        message += std::to_string(length) + " characters long holds " + std::to_string(text.size());
        message += in.AtEnd() ? " before the input ends" : " before its line ends";
        in.ReportAt(start, FindingKind::TextCutShort, std::move(message));
    }
}

// The fields of a type-48 note after its type: "%f %f %f %d ", the first text,
// "%f  %d ", the second text, "%f %f %f %f %f %f ". A note whose x, y, z did
// not all convert is placed at 0, 0; a text not reached is stored empty, so
// each such note has its two texts. False when the section must stop here.
bool ReadNoteWithTexts(Scanner& in, Note& note, TextJoiner& texts) {
    const std::size_t textsBefore = texts.Slots();
    // Whatever was not reached when the section stops gets an empty text.
    const auto stop = [&] {
        while (texts.Slots() < textsBefore + 2) texts.Add({});
        return false;
    };

    const auto x = in.Float();
    const auto y = x ? in.Float() : std::nullopt;
    if (!y || !in.Float()) return stop();
    note.at = Point{*x, *y};

    const auto firstLength = ReadTextLength(in);
    if (!firstLength) return stop();
    ReadText(in, *firstLength, texts);

    const auto value = in.Float();
    if (!value) return stop();
    note.value = *value;
    const auto secondLength = ReadTextLength(in);
    if (!secondLength) return stop();
    ReadText(in, *secondLength, texts);

    for (float& v : note.trailing) {
        const auto read = in.Float();
        if (!read) return false;
        v = *read;
    }
    return true;
}

// One note: "%d", then the fields of its type. False when the section must stop.
bool ReadNote(Scanner& in, BlockBuilder& block, TextJoiner& texts) {
    const auto type = in.Int();
    if (!type) return false;
    Note note;
    bool goOn = true;
    if (*type == kNoteWithTexts) {
        goOn = ReadNoteWithTexts(in, note, texts);
    } else {
        // The format gives other types nothing after the type: no texts.
        texts.AddNone();
        texts.AddNone();
    }
    PushRecord(block, *type, note);
    return goOn;
}

}  // namespace

TextBlock ReadNotes(Scanner& in) {
    const auto count = ReadSectionHeader(in, "NOTES_SYMBOL:");
    if (!count || *count == 0) return {};

    BlockBuilder block;
    TextJoiner texts;
    for (std::int32_t i = 0; i < *count; ++i) {
        if (!ReadNote(in, block, texts)) {
            ReportSectionStop(in, "NOTES_SYMBOL");
            break;
        }
    }
    return FinishTextBlock(block, texts);
}

}  // namespace readdata14

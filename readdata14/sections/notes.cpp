// The NOTES_SYMBOL section: notes, each a type and, for type 48, a position,
// two texts read by character count (they may hold blanks) and seven values.
// Every note read gives one eleven-float record and two lengths slots.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "reading/reading_rules.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

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
    const std::size_t at = in.NextTokenOffset();
    const auto length = ReadCount(in, "note text length");
    if (!length) return std::nullopt;
    if (static_cast<std::size_t>(*length) > NOTE_TEXT_LIMIT && in.Listening()) {
        in.ReportAt(at, FindingKind::LongToken,
                    "a note text declared " + std::to_string(*length) + " characters long, longer than the " +
                        std::to_string(NOTE_TEXT_LIMIT) + " its buffer holds: read whole");
    }
    in.SkipSpace();
    return *length;
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
// each such note has its two texts.
ElementEnd ReadNoteWithTexts(Scanner& in, Note& note, TextJoiner& texts) {
    const std::size_t textsBefore = texts.Slots();
    // Whatever was not reached when the section stops gets an empty text.
    const auto stop = [&](std::string_view expected) {
        while (texts.Slots() < textsBefore + 2) texts.Add({});
        return ElementEnd::Stopped(expected);
    };

    const auto x = in.Float();
    const auto y = x ? in.Float() : std::nullopt;
    if (!y || !in.Float()) return stop("its position (x y z)");
    note.at = Point{*x, *y};

    const auto firstLength = ReadTextLength(in);
    if (!firstLength) return stop("its first text's length");
    ReadText(in, *firstLength, texts);

    const auto value = in.Float();
    if (!value) return stop("its value");
    note.value = *value;
    const auto secondLength = ReadTextLength(in);
    if (!secondLength) return stop("its second text's length");
    ReadText(in, *secondLength, texts);

    for (float& v : note.trailing) {
        const auto read = in.Float();
        if (!read) return ElementEnd::Stopped("its six trailing values");
        v = *read;
    }
    return ElementEnd::Whole();
}

// One note: "%d", then the fields of its type.
ElementEnd ReadNote(Scanner& in, BlockBuilder& block, TextJoiner& texts) {
    const auto type = in.Int();
    if (!type) return ElementEnd::Stopped("its type");
    Note note;
    ElementEnd end = ElementEnd::Whole();
    if (NoteHasTexts(*type)) {
        end = ReadNoteWithTexts(in, note, texts);
    } else {
        // The format gives other types nothing after the type: no texts.
        texts.AddNone();
        texts.AddNone();
    }
    PushRecord(block, *type, note);
    return end;
}

}  // namespace

TextBlock ReadNotes(Scanner& in) {
    const auto header = ReadSectionHeader(in, NOTES_TAG);
    if (!header || header->count == 0) return {};

    BlockBuilder block;
    TextJoiner texts;
    ReadElements(in, *header, {"NOTES_SYMBOL", "note"}, [&] { return ReadNote(in, block, texts); });
    return FinishTextBlock(block, texts);
}

}  // namespace readdata14

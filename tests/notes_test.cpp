// NOTES_SYMBOL: [1, type, x, y, value, 6 values] per note, two lengths slots
// per note, texts read by character count.
#include <gtest/gtest.h>

#include "sections/sections.hpp"
#include "support/section_cases.hpp"

namespace readdata14::test {
namespace {

struct NoteCase {
    const char* name;
    std::string input;
    std::vector<float> values;
    std::vector<std::int32_t> lengths;
    std::string text;
    std::string next;
};

void PrintTo(const NoteCase& c, std::ostream* os) { *os << c.name; }

std::vector<NoteCase> Cases() {
    return {
        {"HelloAndTwoWords", "NOTES_SYMBOL: 1\n48 10 20 0 5\nHello\n2.5 11\nCold winter\n1 2 3 4 5 6\nNEXT",
         {1, 1, 48, 10, 20, 2.5f, 1, 2, 3, 4, 5, 6}, {6, 12}, "Hello#Cold winter#", "NEXT"},
        {"BlanksBeforeTextSkipped", "NOTES_SYMBOL: 1 48 0 0 0 2   ab 0 1 \n c 0 0 0 0 0 0",
         {1, 1, 48, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {3, 2}, "ab#c#", ""},
        {"LengthZero", "NOTES_SYMBOL: 1\n48 1 2 0 0\n7.5 3\nabc\n0 0 0 0 0 0",
         {1, 1, 48, 1, 2, 7.5f, 0, 0, 0, 0, 0, 0}, {1, 4}, "#abc#", ""},
        {"TwoNotesInOrder", "NOTES_SYMBOL: 2 48 1 1 0 1 a 0 1 b 0 0 0 0 0 0 48 2 2 0 1 c 0 1 d 0 0 0 0 0 0",
         {2, 1, 48, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 48, 2, 2, 0, 0, 0, 0, 0, 0, 0}, {2, 2, 2, 2}, "a#b#c#d#", ""},
        // A short line ends the text with its line break; the slot counts what
        // was stored, so later texts are found where lengths say.
        {"ShortTextLine", "NOTES_SYMBOL: 1\n48 1 2 0 10\nabc\n3.5 2\nde\n1 2 3 4 5 6",
         {1, 1, 48, 1, 2, 3.5f, 1, 2, 3, 4, 5, 6}, {5, 3}, "abc\n#de#", ""},
        {"LengthAbove199", "NOTES_SYMBOL: 1 48 1 2 0 300 " + std::string(300, 'z') + " 0 1 y 0 0 0 0 0 0",
         {1, 1, 48, 1, 2, 0, 0, 0, 0, 0, 0, 0}, {301, 2}, std::string(300, 'z') + "#y#", ""},
        {"NegativeLengthIsZero", "NOTES_SYMBOL: 1\n48 1 2 0 -4\n1.5 2\nde\n0 0 0 0 0 0",
         {1, 1, 48, 1, 2, 1.5f, 0, 0, 0, 0, 0, 0}, {1, 3}, "#de#", ""},
        {"OtherTypeHasNoFields", "NOTES_SYMBOL: 2 7 48 1 2 0 1 a 0 1 b 0 0 0 0 0 0 N",
         {2, 1, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 48, 1, 2, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 2, 2}, "a#b#", "N"},
        // A broken section stops where it breaks. A text at the end of the
        // input, or not reached, is stored empty: each type-48 note keeps two.
        {"TextAtEndOfInput", "NOTES_SYMBOL: 1 48 1 2 0 5", {1, 1, 48, 1, 2, 0, 0, 0, 0, 0, 0, 0}, {1, 1}, "##", ""},
        {"TextCutByEndOfInput", "NOTES_SYMBOL: 2 48 1 2 0 5 Hel", {1, 1, 48, 1, 2, 0, 0, 0, 0, 0, 0, 0}, {4, 1},
         "Hel##", ""},
        {"UnconvertibleCoordinate", "NOTES_SYMBOL: 2 48 1 X", {1, 1, 48, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 1}, "##",
         "X"},
        {"TruncatedTrailingValues", "NOTES_SYMBOL: 2 48 1 2 0 1 a 9 1 b 4 5",
         {1, 1, 48, 1, 2, 9, 4, 5, 0, 0, 0, 0}, {2, 2}, "a#b#", ""},
        {"UnconvertibleType", "NOTES_SYMBOL: 2 5 X", {1, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0}, " ", "X"},
        {"UnbackedHugeCount", "NOTES_SYMBOL: 2000000000 3", {1, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0}, " ", ""},
    };
}

class Notes : public testing::TestWithParam<NoteCase> {};

TEST_P(Notes, ValuesLengthsText) {
    const NoteCase& c = GetParam();
    Scanner in(c.input);
    const TextBlock block = ReadNotes(in);
    ASSERT_FALSE(block.Untouched());
    EXPECT_EQ(Walked(Layout::Notes, block.values.get()), c.values);
    EXPECT_EQ(Slots(block.lengths.get(), c.lengths.size()), c.lengths);
    EXPECT_TRUE(TextsAgree(block.lengths.get(), 2 * static_cast<std::size_t>(block.values[0]), block.text.get()));
    ASSERT_NE(block.text, nullptr);
    EXPECT_EQ(std::string(block.text.get()), c.text);
    EXPECT_EQ(NextToken(in), c.next);
}

INSTANTIATE_TEST_SUITE_P(Cases, Notes, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NotesUntouched, CountZeroWrongTagAndEnd) {
    const struct {
        const char* input;
        const char* next;
    } rows[] = {{"NOTES_SYMBOL: 0 N", "N"}, {"NOTES_SYMBOL: -1 N", "N"}, {"NOTES: 1 N", "N"}, {"", ""}};
    for (const auto& row : rows) {
        Scanner in(row.input);
        EXPECT_TRUE(ReadNotes(in).Untouched()) << row.input;
        EXPECT_EQ(NextToken(in), row.next) << row.input;
    }
}

TEST(NotesFindings, CutTextAndStoppedSectionAreReported) {
    KeptFindings sink;
    Scanner in("NOTES_SYMBOL: 2\n48 1 2 0 10\nabc\n3.5 2\nde\n1 2 3", &sink);
    (void)ReadNotes(in);
    EXPECT_TRUE(sink.Has(FindingKind::TextCutShort));
    EXPECT_TRUE(sink.Has(FindingKind::InputEnded));
}

}  // namespace
}  // namespace readdata14::test

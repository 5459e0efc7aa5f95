// The metadata and the text escaping every front end takes from the library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readdata14/readdata14_layers.h"
#include "support/write_round_trip.hpp"

namespace readdata14 {
namespace {

struct EscapeCase {
    std::string bytes;
    std::uint32_t flags;
    std::string text;
};

TEST(EscapeText, ValidUtf8StaysOtherBytesBecomeHex) {
    const std::vector<EscapeCase> cases = {
        {"plain", 0, "plain"},
        {"caf\xC3\xA9", 0, "caf\xC3\xA9"},
        {"\xFF" "a", 0, "\\xFFa"},
        {"\xC3", 0, "\\xC3"},                  // a sequence cut short
        {"a\\b", 0, "a\\b"},
        {"a\\b\x80", READDATA14_ESCAPE_BACKSLASH, "a\\\\b\\x80"},
        {std::string("\0z", 2), 0, std::string("\0z", 2)},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.text);
        const std::size_t needed = readdata14_escape_text(c.bytes.data(), c.bytes.size(), c.flags, nullptr, 0);
        ASSERT_EQ(needed, c.text.size());
        std::string out(needed + 1, '*');
        EXPECT_EQ(readdata14_escape_text(c.bytes.data(), c.bytes.size(), c.flags, out.data(), out.size()), needed);
        EXPECT_EQ(out.substr(0, needed), c.text);
        EXPECT_EQ(out[needed], '\0');
    }
    // Cut to fit, and still ended.
    char small[4];
    EXPECT_EQ(readdata14_escape_text("\xFF\xFF", 2, 0, small, sizeof small), 8u);
    EXPECT_STREQ(small, "\\xF");
}

TEST(DocumentMetadata, TheSameKeysForEveryFrontEnd) {
    readdata14_document* chart = nullptr;
    ASSERT_EQ(readdata14_open(READDATA14_TEST_DATA "/every_section.txt", nullptr, &chart), READDATA14_READ);
    const test::DocumentPtr held(chart);
    const readdata14_metadata_item* items = nullptr;
    const std::size_t count = readdata14_document_metadata(chart, &items);
    std::vector<std::pair<std::string, std::string>> got;
    for (std::size_t i = 0; i < count; ++i) got.emplace_back(items[i].key, std::string(items[i].value, items[i].valueSize));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"DESCRIPTION", "Every_section_chart"}, {"FIRST_TOKEN", "readdata14"}, {"HEADER_INTEGERS", "24,3,12,8,0"},
        {"LEVELS", ""}, {"LEVEL_ORDER", "unknown"}, {"FILL_AREAS_READ", "YES"},
        {"ERRORS", std::to_string(chart->chart.errors)}, {"WARNINGS", std::to_string(chart->chart.warnings)}};
    EXPECT_EQ(got, expected);
    // The same array again, and nothing for no document.
    const readdata14_metadata_item* again = nullptr;
    EXPECT_EQ(readdata14_document_metadata(chart, &again), count);
    EXPECT_EQ(again, items);
    EXPECT_EQ(readdata14_document_metadata(nullptr, &again), 0u);
    EXPECT_EQ(again, nullptr);
}

}  // namespace
}  // namespace readdata14

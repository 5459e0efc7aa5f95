// chart14's support code: float text that reads back exactly, JSON strings,
// UTF-8 checking and code-page conversion.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "support/json_writer.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

float ReadBack(const std::string& text) {
    float value = 0.0f;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(result.ptr, text.data() + text.size()) << text;
    return value;
}

TEST(FormatFloat, ReadsBackToTheSameBits) {
    std::mt19937 random(14);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int i = 0; i < 200000; ++i) {
        const auto value = std::bit_cast<float>(bits(random));
        if (!std::isfinite(value)) continue;
        const std::string text = FormatFloat(value);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(ReadBack(text)), std::bit_cast<std::uint32_t>(value)) << text;
    }
}

// JSON's text for each float (AppendFloat), and the text for people (FormatFloat).
TEST(FormatFloat, EveryValueHasATextOfItsOwn) {
    struct Case {
        float value;
        const char* json;
        const char* shown;
    };
    const Case cases[] = {
        {0.1f, "0.1", "0.1"},
        {1010.0f, "1010", "1010"},
        {-0.0f, "-0.0", "-0.0"},
        {3200050.0f, "3200050", "3200050"},
        {1e-45f, "1e-45", "1e-45"},
        {std::numeric_limits<float>::quiet_NaN(), "\"NaN\"", "nan"},
        {std::numeric_limits<float>::infinity(), "\"Infinity\"", "inf"},
        {-std::numeric_limits<float>::infinity(), "\"-Infinity\"", "-inf"},
    };
    for (const auto& c : cases) {
        std::string json;
        AppendFloat(json, c.value);
        EXPECT_EQ(json, c.json);
        EXPECT_EQ(FormatFloat(c.value), c.shown);
    }
}

TEST(JsonWriter, EscapesWhatJsonStringsCannotHold) {
    std::string out;
    JsonWriter w(out);
    w.BeginObject().Key("t").String(std::string("a\"b\\c\n\x01\x7f", 8)).Key("n").Null().EndObject();
    EXPECT_EQ(out, R"({"t":"a\"b\\c\n\u0001\u007f","n":null})");
}

TEST(JsonWriter, SeparatesValuesAndBreaksBetweenRecords) {
    std::string out;
    JsonWriter w(out);
    w.BeginArray();
    w.Break().Position({1.5f, -2.0f});
    w.Break().BeginObject().Key("b").Bool(true).Key("i").Int(-7).EndObject();
    w.EndArray();
    EXPECT_EQ(out, "[\n[1.5,-2],\n{\"b\":true,\"i\":-7}]");
}

TEST(Utf8SequenceLength, AcceptsOnlyShortestFormsOfScalarValues) {
    struct Case {
        std::string bytes;
        std::size_t length;
    };
    const Case cases[] = {
        {"A", 1},
        {"\xC3\xBC", 2},          // ü
        {"\xE4\xBD\x8E", 3},      // 低
        {"\xF0\x9F\x8C\x80", 4},  // U+1F300
        {"\xC0\xAF", 0},          // overlong "/"
        {"\xE0\x80\xAF", 0},      // overlong
        {"\xED\xA0\x80", 0},      // a surrogate
        {"\xF4\x90\x80\x80", 0},  // above U+10FFFF
        {"\xFC", 0},              // CP1252 ü on its own
        {"\xE4\xBD", 0},          // cut short
        {"\x80", 0},              // a continuation byte first
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8SequenceLength(c.bytes), c.length) << c.bytes;
}

TEST(TextDecoder, PassesUtf8AndEscapesOtherBytes) {
    std::string error;
    auto decoder = TextDecoder::Open("", error);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->ToUtf8("Tief \xE4\xBD\x8E"), "Tief \xE4\xBD\x8E");
    EXPECT_FALSE(decoder->Escaped());
    EXPECT_EQ(decoder->ToUtf8("M\xFCnchen\xE4\xBD"), "M\\xFCnchen\\xE4\\xBD");
    EXPECT_TRUE(decoder->Escaped());
}

TEST(TextDecoder, ConvertsLegacyCodePages) {
    struct Case {
        const char* encoding;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"CP1252", "M\xFCnchen \x80", "M\xC3\xBCnchen \xE2\x82\xAC"},  // ü and €
        {"GBK", "\xB5\xCD\xD1\xB9", "\xE4\xBD\x8E\xE5\x8E\x8B"},      // 低压
        {"GBK", "A\xB5", "A\\xB5"},                                   // a lead byte at the end
        {"CP1252", "", ""},
    };
    for (const auto& c : cases) {
        std::string error;
        auto decoder = TextDecoder::Open(c.encoding, error);
        ASSERT_TRUE(decoder) << error;
        EXPECT_EQ(decoder->ToUtf8(c.bytes), c.utf8) << c.encoding;
    }
}

TEST(TextDecoder, RefusesAnUnknownEncoding) {
    std::string error;
    EXPECT_FALSE(TextDecoder::Open("NO-SUCH-CODEPAGE", error));
    EXPECT_NE(error.find("NO-SUCH-CODEPAGE"), std::string::npos);
}

}  // namespace
}  // namespace readdata14::chart14

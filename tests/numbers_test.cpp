// Number conversion: the scanner must take exactly what strtof takes and give
// exactly its float, whatever the host's locale.
#include "reading/numbers.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace readdata14 {
namespace {

struct Reference {
    float value;
    std::size_t length;
};

bool IsHexToken(const std::string& token) {
    const std::size_t at = (!token.empty() && (token[0] == '-' || token[0] == '+')) ? 1 : 0;
    return token.size() > at + 1 && token[at] == '0' && (token[at + 1] | 0x20) == 'x';
}

// strtof's length and value. For hexadecimal tokens the value comes from
// strtold instead: its 64-bit mantissa holds the test's hex mantissas
// exactly, so one rounding to float is the correctly rounded result, which
// the C library's strtof misses for some hexadecimal subnormals.
Reference StrtofReference(const std::string& token) {
    char* end = nullptr;
    float value = std::strtof(token.c_str(), &end);
    if (IsHexToken(token)) value = static_cast<float>(std::strtold(token.c_str(), nullptr));
    return {value, static_cast<std::size_t>(end - token.c_str())};
}

// Same float bits; NaNs agree when both are NaN with the same sign (payloads
// are the C library's own business and differ between platforms).
bool SameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

void ExpectLikeStrtof(const std::string& token) {
    const Reference expected = StrtofReference(token);
    const ParsedFloat parsed = ParseFloatPrefix(token);
    ASSERT_EQ(parsed.length, expected.length) << "token '" << token << "'";
    if (parsed.length > 0) {
        ASSERT_TRUE(SameFloat(parsed.value, expected.value))
            << "token '" << token << "': " << parsed.value << " vs " << expected.value;
    }
}

TEST(ParseFloatPrefix, TakesWhatStrtofTakes) {
    const char* const tokens[] = {
        "0", "-0", "+0", "1", "-1", "+1.5", "1.", ".5", "-.5", ".", "-.", "+", "-", "+-1", "--1",
        "1e5", "1e", "1e+", "1e-", "1E5", "1e+5x", "12.5abc", "5.5a", "050", "0.1",
        "3.4028235e38", "3.4028236e38", "1e39", "-1e39", "1e-45", "7e-46", "7.1e-46", "1e-46", "1e-50",
        "1.17549435e-38", "1e400", "1e-400", "0e999999999999999", "1e999999999999999999999",
        "inf", "-inf", "INF", "Infinity", "-infinity", "infinit", "infx", "in", "nan", "-nan", "NaN",
        "nan()", "nan(123)", "nan(abc_1)", "nan(", "nan(x", "na",
        "0x1p3", "0x1.8p3", "-0x1.8P-3", "0X.8p1", "0x1", "0x1.", "0x", "0x.", "0x.p1", "0xg", "0x1p",
        "0x1p+", "0x1p-149", "0x1p-150", "0x1.000001p-150", "0x1p128", "0x1.fffffep127", "0x1.ffffffp127",
        "3.14159265", "6.2831853", "1.5707963", "999999", "3200000", "9.9", "100.00001", "100.0001",
        "00000000000000000000000000001.5", "1.00000005960464477539062500000000000000001",
        "1.000000059604644775390625", "0.000000000000000000000000000000000000000000001401298464",
        "123456789012345678901234567890123456789", "4.9406564584124654e-324",
    };
    for (const char* token : tokens) ExpectLikeStrtof(token);
}

// A million random tokens of many shapes, each checked against strtof for
// the length it takes and the float it gives.
TEST(ParseFloatPrefix, MatchesStrtofOnAMillionRandomTokens) {
    std::mt19937_64 random(20261207);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
    auto digits = [&](int count, const char* alphabet, int size) {
        std::string s;
        for (int i = 0; i < count; ++i) s += alphabet[pick(size)];
        return s;
    };
    const char* dec = "0123456789";
    const char* hex = "0123456789abcdefABCDEF";
    const char* junk[] = {"", "", "", "x", "e", "e+", ".", "p", "-", "#", "1e", ".5"};
    const char* words[] = {"inf", "INF", "infinity", "nan", "NAN", "nan(7)", "nan(", "in", "infin"};

    for (int i = 0; i < 1'000'000; ++i) {
        std::string token;
        const int sign = pick(4);
        if (sign == 1) token += '-';
        if (sign == 2) token += '+';
        const int shape = pick(10);
        if (shape < 6) {  // decimal: integer part, fraction, exponent
            token += digits(pick(12), dec, 10);
            if (pick(3) != 0) {
                token += '.';
                token += digits(pick(pick(2) ? 10 : 45), dec, 10);
            }
            if (pick(2) == 0) {
                token += pick(2) ? 'e' : 'E';
                const int es = pick(3);
                if (es == 1) token += '-';
                if (es == 2) token += '+';
                token += digits(pick(4), dec, 10);
            }
        } else if (shape < 8) {  // hexadecimal
            token += pick(2) ? "0x" : "0X";
            // At most 15 hex digits: the reference's long double holds them exactly.
            token += digits(pick(8), hex, 22);
            if (pick(2) == 0) {
                token += '.';
                token += digits(pick(8), hex, 22);
            }
            if (pick(2) == 0) {
                token += pick(2) ? "p" : "P";
                if (pick(2) != 0) token += '-';
                token += digits(pick(4), dec, 10);
            }
        } else if (shape == 8) {  // words
            token += words[pick(9)];
        } else {  // near the float range's ends
            token += digits(1 + pick(3), dec, 10);
            token += pick(2) ? "e-" : "e";
            token += std::to_string(36 + pick(14));
        }
        token += junk[pick(12)];
        ExpectLikeStrtof(token);
        if (HasFatalFailure()) return;
    }
}

// A host that set a decimal-comma locale still reads "1.5" as 1.5.
TEST(ParseFloatPrefix, IgnoresTheHostLocale) {
    const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "C.UTF-8"};
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool set = false;
    for (const char* name : commaLocales) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            set = true;
            break;
        }
    }
    const ParsedFloat parsed = ParseFloatPrefix("1.5");
    const ParsedFloat exponent = ParseFloatPrefix("2.5e1");
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(parsed.value, 1.5f);
    EXPECT_EQ(parsed.length, 3u);
    EXPECT_EQ(exponent.value, 25.0f);
    if (!set) GTEST_SKIP() << "no decimal-comma locale installed; checked under the C locale only";
}

TEST(ParseIntPrefix, ReadsLikePercentD) {
    struct Case {
        const char* text;
        std::int32_t value;
        std::size_t length;
    };
    const Case cases[] = {
        {"14", 14, 2},          {"-5", -5, 2},        {"+7", 7, 2},
        {"12.5", 12, 2},        {"0x10", 0, 1},       {"007", 7, 3},
        {"-", 0, 0},            {"+", 0, 0},          {"x1", 0, 0},
        {"", 0, 0},             {"--1", 0, 0},        {"2147483647", 2147483647, 10},
        {"2147483648", 2147483647, 10},               {"-2147483648", -2147483647 - 1, 11},
        {"-99999999999999999999", -2147483647 - 1, 21}, {"99999999999999999999999", 2147483647, 23},
    };
    for (const Case& c : cases) {
        const ParsedInt parsed = ParseIntPrefix(c.text);
        EXPECT_EQ(parsed.length, c.length) << c.text;
        if (c.length > 0) {
            EXPECT_EQ(parsed.value, c.value) << c.text;
        }
    }
}

}  // namespace
}  // namespace readdata14

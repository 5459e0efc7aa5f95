// The short way for plain decimals must give the very float strtof gives, at
// the edges of where it applies (2^24, ten decimals, eighteen digits) and on
// either side of them, where the long way takes over.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reading/numbers.hpp"

namespace readdata14 {
namespace {

void ExpectAsStrtof(const std::string& text) {
    char* end = nullptr;
    const float expected = std::strtof(text.c_str(), &end);
    const ParsedFloat parsed = ParseFloatPrefix(text);
    ASSERT_EQ(parsed.length, static_cast<std::size_t>(end - text.c_str())) << text;
    if (parsed.length == 0) return;
    std::uint32_t got = 0;
    std::uint32_t want = 0;
    std::memcpy(&got, &parsed.value, sizeof got);
    std::memcpy(&want, &expected, sizeof want);
    EXPECT_EQ(got, want) << text;
}

TEST(PlainDecimal, EdgesOfTheShortWay) {
    for (const char* text : {
             "16777216", "16777217", "16777218", "1677721.6", "1677721.7", "16777217.0",
             "0.16777216", "0.16777217", "9999999", "99999999", "0.0000000001", "0.00000000001",
             "1.0000000001", "123456789012345678", "1234567890123456789", "5.", ".5", ".", "-0.0",
             "+0.5", "-.25", "0.1", "0.3", "1012.5", "999999", "3200025", "1e5", "1.5e", "1.5E-3",
             "0x10", "0x", "12x", "1p5", "7.5#", "12,5", "00000000000000000001", "1.5\x01",
         }) {
        ExpectAsStrtof(text);
    }
}

// Numbers of up to nine digits with up to twelve decimals, signed or not:
// both sides of every limit of the short way, many times over.
TEST(PlainDecimal, RandomDecimalsReadAsStrtof) {
    std::mt19937_64 random(14);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t digits = random() % 1'000'000'000;
        const int decimals = static_cast<int>(random() % 13);
        const char* sign = random() % 2 == 0 ? "-" : "";
        char text[64];
        if (decimals == 0) {
            std::snprintf(text, sizeof text, "%s%llu", sign, static_cast<unsigned long long>(digits));
        } else {
            unsigned long long scale = 1;
            for (int d = 0; d < decimals; ++d) scale *= 10;
            std::snprintf(text, sizeof text, "%s%llu.%0*llu", sign, digits / scale, decimals, digits % scale);
        }
        ExpectAsStrtof(text);
    }
}

// The short way on its own: whenever it takes a token it takes strtof's
// length and gives strtof's float. Tokens of every shape near its limits
// (signs, leading zeros, up to twenty digits, up to thirteen decimals) and
// followed by what may end or extend a number.
TEST(PlainDecimal, WhatTheShortWayTakesIsWhatStrtofTakes) {
    std::mt19937_64 random(1407);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
    const char* const signs[] = {"", "", "-", "+", "--", "+-"};
    const char* const ends[] = {"", " ", "\n", "e5", "E-2", "e", "x", "X1", "p3", ".", ".5", "#", "O12", "\0", "5e"};
    int taken = 0;
    for (int i = 0; i < 300000; ++i) {
        std::string text = signs[pick(6)];
        // Mostly the few digits of a chart, sometimes more than the short way takes.
        const int digits = pick(2) == 0 ? pick(6) : pick(21);
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + (d == 0 && pick(4) == 0 ? 0 : pick(10)));
        if (pick(3) != 0) {
            text += '.';
            const int decimals = pick(2) == 0 ? pick(4) : pick(14);
            for (int d = 0; d < decimals; ++d) text += static_cast<char>('0' + pick(10));
        }
        text += ends[pick(15)];
        const ParsedFloat plain = ParsePlainDecimal(text);
        if (plain.length == 0) continue;
        ++taken;
        char* end = nullptr;
        const float expected = std::strtof(text.c_str(), &end);
        ASSERT_EQ(plain.length, static_cast<std::size_t>(end - text.c_str())) << text;
        std::uint32_t got = 0;
        std::uint32_t want = 0;
        std::memcpy(&got, &plain.value, sizeof got);
        std::memcpy(&want, &expected, sizeof want);
        ASSERT_EQ(got, want) << text;
    }
    EXPECT_GT(taken, 50000);
}

std::uint32_t BitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Every string of up to six characters over digits, point, signs and "e":
// the reading with the short way and the general conversion alone take the
// same characters and give the same bits, and the short way, wherever it
// takes a number, takes exactly that.
TEST(PlainDecimal, EveryShortStringReadsAsTheGeneralConversion) {
    constexpr std::string_view kAlphabet = "0123456789.+-e";
    constexpr std::size_t kLongest = 6;
    std::string text;
    std::size_t taken = 0;
    for (std::size_t length = 1; length <= kLongest; ++length) {
        std::vector<std::size_t> digits(length, 0);
        text.assign(length, kAlphabet[0]);
        for (;;) {
            const ParsedFloat general = ParseFloatPrefixLongWay(text);
            const ParsedFloat read = ParseFloatPrefix(text);
            ASSERT_EQ(read.length, general.length) << text;
            if (general.length > 0) {
                ASSERT_EQ(BitsOf(read.value), BitsOf(general.value)) << text;
            }
            const ParsedFloat plain = ParsePlainDecimal(text);
            if (plain.length > 0) {
                ++taken;
                ASSERT_EQ(plain.length, general.length) << text;
                ASSERT_EQ(BitsOf(plain.value), BitsOf(general.value)) << text;
            }
            // The next string, as an odometer over the alphabet.
            std::size_t i = 0;
            while (i < length && ++digits[i] == kAlphabet.size()) {
                digits[i] = 0;
                text[i] = kAlphabet[0];
                ++i;
            }
            if (i == length) break;
            text[i] = kAlphabet[digits[i]];
        }
    }
    EXPECT_GT(taken, std::size_t{1'000'000});
}

// Longer tokens a chart may hold, each also followed by what can end or
// extend a number: both readings agree on the characters and the bits.
TEST(PlainDecimal, RepresentativeTokensReadAsTheGeneralConversion) {
    const char* const tokens[] = {
        "1012.5", "-0", "-0.0", "+.5", "0000000000000012.5", "12345678", "16777216", "16777217",
        "1677721.6", "0.0000000001", "0.00000000012", "99999999999999999999", "3.4028235e38", "1e39",
        "-1e-46", "nan", "-nan", "inf", "-Infinity", "0x1.8p3", "0X", "0x.p1", "1.", ".", "-", "+",
        "1.5.5", "12-3", "7..5", "-.e5", "5e+", "5e-2", "1234567.1234567",
    };
    const char* const ends[] = {"", " ", "\n", "e", "E2", "x", "p1", "#", ".", "5", "\0"};
    for (const char* token : tokens) {
        for (const char* end : ends) {
            std::string text = token;
            text.append(end, std::strlen(end) + (end[0] == '\0' ? 1 : 0));
            const ParsedFloat general = ParseFloatPrefixLongWay(text);
            const ParsedFloat read = ParseFloatPrefix(text);
            ASSERT_EQ(read.length, general.length) << text;
            if (general.length > 0) {
                EXPECT_EQ(BitsOf(read.value), BitsOf(general.value)) << text;
            }
        }
    }
}

}  // namespace
}  // namespace readdata14

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

}  // namespace
}  // namespace readdata14

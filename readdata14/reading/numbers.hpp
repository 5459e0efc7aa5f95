// Number conversion as the C library's formatted reads do it, but locale-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace readdata14 {

struct ParsedFloat {
    float value = 0.0f;
    std::size_t length = 0;  // characters taken; 0 when no number starts here
};

struct ParsedInt {
    std::int32_t value = 0;
    std::size_t length = 0;
    bool saturated = false;  // the number lies beyond the 32-bit range
};

// The common number of a chart, the short way: an optional sign, then a
// plain decimal ("1012.5", "3", ".25") of at most 18 digits whose digits make
// a whole number w of at most 2^24, with at most ten decimals k, not followed
// by an exponent or an "x". Then w and 10^k are both exact floats, so the one
// float division w / 10^k rounds once, correctly, and gives exactly what
// strtof gives. Anything else gives length 0: ParseFloatPrefix takes it the
// long way. Inline, so that the scanner's hot loops pay no call for it.
inline ParsedFloat ParsePlainDecimal(std::string_view text) noexcept;

// The longest prefix of `text` that strtof would convert, converted the way
// strtof does: straight to the nearest 32-bit float (not via double), with
// sign, decimals, exponents, "inf"/"infinity", "nan"/"nan(...)" and
// hexadecimal ("0x1.8p3"). Overflow gives ±inf and underflow ±0, as strtof.
// Unlike strtof it never looks at the locale: the decimal point is always '.'.
// Leading white space is not skipped; the caller has done that. The short
// way (ParsePlainDecimal) first, then the long one.
ParsedFloat ParseFloatPrefix(std::string_view text) noexcept;

// ParseFloatPrefix without the short way: every number through the general
// conversion. What the short way is checked against.
ParsedFloat ParseFloatPrefixLongWay(std::string_view text) noexcept;

// The longest prefix that forms a decimal integer with an optional sign, as
// "%d" reads it. Values beyond the 32-bit range saturate to the nearest
// end of it, as a C runtime's conversion does.
ParsedInt ParseIntPrefix(std::string_view text) noexcept;

namespace detail {

inline constexpr float kExactPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                              1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

constexpr bool IsDecimalDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

}  // namespace detail

inline ParsedFloat ParsePlainDecimal(std::string_view text) noexcept {
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 24;
    constexpr std::size_t kMaxDigits = 18;  // below this w cannot wrap around 64 bits
    constexpr std::size_t kMaxDecimals = 10;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* at = begin;
    const bool negative = at != end && *at == '-';
    if (at != end && (*at == '-' || *at == '+')) ++at;

    // Beyond 18 digits w wraps (unsigned, so defined), and the count below
    // sends such a number the long way.
    std::uint64_t w = 0;
    const char* const intStart = at;
    while (at != end && detail::IsDecimalDigit(*at)) w = w * 10 + static_cast<std::uint64_t>(*at++ - '0');
    std::size_t digits = static_cast<std::size_t>(at - intStart);
    std::size_t decimals = 0;
    if (at != end && *at == '.') {
        const char* const fractionStart = ++at;
        while (at != end && detail::IsDecimalDigit(*at)) w = w * 10 + static_cast<std::uint64_t>(*at++ - '0');
        decimals = static_cast<std::size_t>(at - fractionStart);
        digits += decimals;
    }
    if (digits == 0 || digits > kMaxDigits || w > kExactLimit || decimals > kMaxDecimals) return {};
    if (at != end && ((*at | 0x20) == 'e' || (*at | 0x20) == 'x')) return {};
    // The sign goes on after the division: rounding is symmetric, and "-0"
    // gives -0 as strtof does.
    const float magnitude = static_cast<float>(w) / detail::kExactPowersOfTen[decimals];
    return {negative ? -magnitude : magnitude, static_cast<std::size_t>(at - begin)};
}

}  // namespace readdata14

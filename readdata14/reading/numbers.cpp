#include "reading/numbers.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace readdata14 {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of a hexadecimal float body after its "0x": hex digits with at most
// one point (at least one digit in all), then an optional binary exponent
// that counts only when digits follow its sign. 0 when there is no digit.
std::size_t HexBodyLength(std::string_view s) {
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < s.size() && IsHexDigit(s[i])) { ++i; ++digits; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsHexDigit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'p' || s[i] == 'P')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

// For a number that does not fit a float: does it lie beyond the largest
// float (true) or below the smallest (false)? Decided from the position of
// the first nonzero digit and the exponent, which is all that matters at
// magnitudes even a double cannot hold.
bool BeyondLargest(std::string_view body, bool hex) {
    const char expChar = hex ? 'p' : 'e';
    long long scale = 0;  // power of the base of the first nonzero digit
    bool seenPoint = false;
    bool seenNonzero = false;
    long long intDigits = 0;
    long long leadingFracZeros = 0;
    std::size_t i = 0;
    for (; i < body.size(); ++i) {
        char c = body[i];
        if (c == '.') { seenPoint = true; continue; }
        if ((c | 0x20) == expChar) break;
        if (!seenPoint) {
            if (seenNonzero || c != '0') { seenNonzero = true; ++intDigits; }
        } else if (!seenNonzero) {
            if (c == '0') ++leadingFracZeros; else seenNonzero = true;
        }
    }
    scale = intDigits > 0 ? intDigits - 1 : -(leadingFracZeros + 1);
    if (hex) scale *= 4;  // hex digits count four binary places
    long long exponent = 0;
    if (i < body.size()) {
        std::size_t j = i + 1;
        bool negative = false;
        if (j < body.size() && (body[j] == '+' || body[j] == '-')) negative = body[j++] == '-';
        for (; j < body.size() && IsDigit(body[j]); ++j) {
            if (exponent < 1'000'000'000'000LL) exponent = exponent * 10 + (body[j] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return scale + exponent >= 0;
}

// Converts `body` (no sign, no "0x") with from_chars; out-of-range results
// become ±inf or ±0 as strtof gives them.
ParsedFloat ConvertBody(std::string_view body, bool hex) {
    const auto format = hex ? std::chars_format::hex : std::chars_format::general;
    float value = 0.0f;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value, format);
    if (ec == std::errc::invalid_argument) return {};
    std::size_t length = static_cast<std::size_t>(end - body.data());
    if (ec == std::errc::result_out_of_range) {
        value = BeyondLargest(body.substr(0, length), hex) ? std::numeric_limits<float>::infinity()
                                                          : 0.0f;
    }
    return {value, length};
}

}  // namespace

ParsedFloat ParseFloatPrefix(std::string_view text) noexcept {
    if (const ParsedFloat plain = ParsePlainDecimal(text); plain.length > 0) return plain;
    return ParseFloatPrefixLongWay(text);
}

ParsedFloat ParseFloatPrefixLongWay(std::string_view text) noexcept {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string_view rest = text.substr(i);
    if (rest.empty() || rest[0] == '+' || rest[0] == '-') return {};

    ParsedFloat parsed;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] | 0x20) == 'x' &&
        HexBodyLength(rest.substr(2)) > 0) {
        parsed = ConvertBody(rest.substr(2, HexBodyLength(rest.substr(2))), true);
        parsed.length += 2;
    } else {
        parsed = ConvertBody(rest, false);
    }
    if (parsed.length == 0) return {};
    // Sign applied after conversion: rounding is symmetric, and "-nan" keeps
    // its sign bit as strtof gives it.
    if (negative) parsed.value = -parsed.value;
    parsed.length += i;
    return parsed;
}

ParsedInt ParseIntPrefix(std::string_view text) noexcept {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    long long magnitude = 0;
    constexpr long long kCap = 1LL << 32;  // past the range either way
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (magnitude < kCap) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (i == firstDigit) return {};
    long long value = negative ? -magnitude : magnitude;
    bool saturated = false;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        value = std::numeric_limits<std::int32_t>::max();
        saturated = true;
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        value = std::numeric_limits<std::int32_t>::min();
        saturated = true;
    }
    return {static_cast<std::int32_t>(value), i, saturated};
}

}  // namespace readdata14

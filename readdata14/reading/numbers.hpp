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

// The longest prefix of `text` that strtof would convert, converted the way
// strtof does: straight to the nearest 32-bit float (not via double), with
// sign, decimals, exponents, "inf"/"infinity", "nan"/"nan(...)" and
// hexadecimal ("0x1.8p3"). Overflow gives ±inf and underflow ±0, as strtof.
// Unlike strtof it never looks at the locale: the decimal point is always '.'.
// Leading white space is not skipped; the caller has done that.
ParsedFloat ParseFloatPrefix(std::string_view text) noexcept;

// The longest prefix that forms a decimal integer with an optional sign, as
// "%d" reads it. Values beyond the 32-bit range saturate to the nearest
// end of it, as a C runtime's conversion does.
ParsedInt ParseIntPrefix(std::string_view text) noexcept;

}  // namespace readdata14

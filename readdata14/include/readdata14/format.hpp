// readdata14/format.hpp — the values with a meaning of their own in the
// blocks, and the few rules a host needs to read them. The reading core and
// the typed view both use these, so they are written once, here. C++20.
#pragma once

#include <cstdint>
#include <span>

#include "readdata14/point.hpp"

namespace readdata14 {

// A line or contour label "NoLabel" is stored as this value.
inline constexpr float NO_LABEL_VALUE = 999999.0f;
// A label of exactly three characters whose number lies strictly between 0
// and 100 is a code, stored as the number plus this offset (summed in double,
// rounded to float).
inline constexpr float LABEL_CODE_OFFSET = 3200000.0f;
// A closed contour without a level has this level index.
inline constexpr std::int32_t NO_LEVEL_INDEX = 999999;

constexpr bool IsNoLabel(float value) noexcept { return value == NO_LABEL_VALUE; }

// A code n (0 < n < 100) is stored as LABEL_CODE_OFFSET + n, rounded to float.
constexpr bool IsLabelCode(float value) noexcept {
    return value >= LABEL_CODE_OFFSET && value <= LABEL_CODE_OFFSET + 100.0f;
}

// An integer the file carries (a code, a type, a count, an integer value),
// as its float slot holds it. The reading saturates integers to 32 bits, and
// the float of 2147483647 is 2^31, which belongs back at the bound; a NaN,
// which no reading stores, reads as 0.
constexpr std::int32_t IntegerSlot(float slot) noexcept {
    if (!(slot == slot)) return 0;
    if (slot >= 2147483647.0f) return 2147483647;
    if (slot <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<std::int32_t>(slot);
}

// Symbol types 48 and 60 to 63 carry a text; every other type a direction.
constexpr bool IsTextSymbolType(std::int32_t type) noexcept { return type == 48 || (type >= 60 && type <= 63); }

// A type-48 symbol at z exactly 1.0 is not drawn: a reader keeps its lengths
// slot (0) but gives it no record.
constexpr bool IsDroppedSymbol(std::int32_t type, float z) noexcept { return type == 48 && z == 1.0f; }

// Only a note of type 48 carries a position, two texts and values; a note of
// any other type is its type alone.
constexpr bool NoteHasTexts(std::int32_t type) noexcept { return type == 48; }

// A contour is closed when its last point lies less than 2.0 from its first
// in both x and y, each difference rounded to float before it is compared.
// A contour without points is not closed; one of a single point is.
constexpr bool IsClosedContour(std::span<const Point> points) noexcept {
    if (points.empty()) return false;
    const auto dx = static_cast<float>(double(points.front().x) - double(points.back().x));
    const auto dy = static_cast<float>(double(points.front().y) - double(points.back().y));
    return dx < 2.0f && dx > -2.0f && dy < 2.0f && dy > -2.0f;
}

}  // namespace readdata14

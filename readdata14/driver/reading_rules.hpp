// The rules every section reader shares: its tag, its points, thinning of
// long point lists, labels, and stopping early on a broken section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "driver/blocks.hpp"
#include "driver/scanner.hpp"

namespace readdata14 {

inline constexpr float NO_LABEL_VALUE = 999999.0f;
inline constexpr double LABEL_CODE_OFFSET = 3200000.0;
inline constexpr std::int32_t NO_STATION_SITUATION = 9999;
// Point lists up to this length are kept whole; longer ones are thinned.
inline constexpr std::int32_t THIN_ABOVE = 250;

// True when the token read is exactly the tag: same bytes, same length, case
// included. A missing token (end of input) matches nothing.
bool MatchSectionTag(std::optional<std::string_view> token, std::string_view tag) noexcept;

// The section header "%s %d": the tag, then the element count. Both are read
// before the tag is compared, so a wrong tag followed by a number consumes
// both. Returns the count (a negative count counts as 0), or nothing when the
// tag does not match or the count does not convert.
std::optional<std::int32_t> ReadSectionHeader(Scanner& in, std::string_view tag);

// A point "%f %f %f": x and y kept, z read and dropped. Nothing when any of
// the three does not convert; the section then stops.
std::optional<Point> ReadPoint(Scanner& in) noexcept;

// Whether the point at `index` of an element that declares `declaredCount`
// points is kept. Up to THIN_ABOVE points all are; beyond, the first is, and a
// later one only when it lies at least 1.0 from the last kept point in x or y.
// Each difference is rounded to a float before its absolute value is taken.
bool ThinPoints(std::int32_t declaredCount, std::int32_t index, Point point, Point lastKept) noexcept;

// ThinPoints applied along one element's points as they are read.
class PointThinner {
public:
    explicit PointThinner(std::int32_t declaredCount) noexcept : declared_(declaredCount) {}
    bool Keep(Point point) noexcept;

private:
    std::int32_t declared_;
    std::int32_t index_ = 0;
    Point last_{0.0f, 0.0f};
};

// A line or contour label. "NoLabel" is NO_LABEL_VALUE; otherwise the number
// at the start of the token, and a three-character label between 0 and 100
// (both exclusive) is a code: the number plus LABEL_CODE_OFFSET, summed in
// double and rounded to float. A token that neither is "NoLabel" nor starts
// with a number counts as "NoLabel".
struct Label {
    float number;  // the number as written (NO_LABEL_VALUE for "NoLabel")
    float value;   // what is stored: the number, or the code with its offset
    bool isNumber; // false for "NoLabel" and tokens without a number
};
Label ReadLabelValue(std::string_view token) noexcept;

// How many elements of at least `minBytes` bytes each the rest of the input
// can hold, at most `declared`: what may be reserved ahead without letting a
// declared count that the file does not back decide the memory.
std::size_t BackedCount(std::int32_t declared, const Scanner& in, std::size_t minBytes) noexcept;

// Reports that `section` stopped before its declared end, at the next token.
void ReportSectionStop(Scanner& in, std::string_view section);

}  // namespace readdata14

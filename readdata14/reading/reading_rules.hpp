// The rules every section reader shares: its tag and count, the loop over its
// elements with the report of where and why it stopped, points, thinning of
// long point lists, labels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "readdata14/format.hpp"
#include "reading/blocks.hpp"
#include "reading/scanner.hpp"
#include "reading/section_tags.hpp"

namespace readdata14 {

inline constexpr std::int32_t NO_STATION_SITUATION = 9999;
// Point lists up to this length are kept whole; longer ones are thinned.
inline constexpr std::int32_t THIN_ABOVE = 250;
// Counts and lengths are stored as floats, which hold every whole number only
// up to 2^24: a section stops at this many records and an element at this
// many points, so that every count slot is exact.
inline constexpr std::int32_t MAX_BLOCK_COUNT = 1 << 24;

// The text buffer a line or contour label, a section tag of most sections
// and a header token are read into holds this many characters.
inline constexpr std::size_t TOKEN_LIMIT = 99;
// A symbol's text token is read into a buffer of this many characters, a
// note's text (read by its declared length) into one of NOTE_TEXT_LIMIT.
inline constexpr std::size_t SYMBOL_TEXT_LIMIT = 179;
inline constexpr std::size_t NOTE_TEXT_LIMIT = 199;

// True when the token read is exactly the tag: same bytes, same length, case
// included. A missing token (end of input) matches nothing.
bool MatchSectionTag(std::optional<std::string_view> token, std::string_view tag) noexcept;

struct SectionHeader {
    std::int32_t count;       // the declared count; a negative one reads as 0
    std::size_t countOffset;  // where it stands, for findings about it
};

// The section header "%s %d": the tag, then the element count. Both are read
// before the tag is compared, so a wrong tag followed by a number consumes
// both. Nothing when the tag does not match or the count does not convert.
std::optional<SectionHeader> ReadSectionHeader(Scanner& in, std::string_view tag);

// How reading one element ended: whole, or stopped where the reader expected
// something else, or at MAX_BLOCK_COUNT points.
class ElementEnd {
public:
    static constexpr ElementEnd Whole() noexcept { return ElementEnd({}, false); }
    // `expected` names what the reader needed there: "a point (x y z)".
    static constexpr ElementEnd Stopped(std::string_view expected) noexcept { return ElementEnd(expected, false); }
    // `what` names the list that reached the limit: "points".
    static constexpr ElementEnd AtLimit(std::string_view what) noexcept { return ElementEnd(what, true); }

    constexpr bool IsWhole() const noexcept { return what_.empty(); }
    constexpr bool IsAtLimit() const noexcept { return atLimit_; }
    constexpr std::string_view What() const noexcept { return what_; }

private:
    constexpr ElementEnd(std::string_view what, bool atLimit) noexcept : what_(what), atLimit_(atLimit) {}
    std::string_view what_;
    bool atLimit_;
};

// The names a section's findings speak of: "LINES", "line".
struct SectionNames {
    std::string_view section;
    std::string_view element;
};

// Reports why a section stopped at element `index` (from 0): at the count
// when the input ended (the count is the cause), at the token otherwise.
void ReportElementStop(Scanner& in, const SectionHeader& header, const SectionNames& names, std::int32_t index,
                       ElementEnd end);

// Reports that a section declares more elements than a block counts.
void ReportSectionLimit(Scanner& in, const SectionHeader& header, const SectionNames& names);

// The section loop: reads the declared elements one by one with
// `readElement` (returning an ElementEnd) until one does not end whole or
// MAX_BLOCK_COUNT have been read, and reports why it stopped early. An
// element that was started is the reader's to keep or drop.
template <class ReadElement>
void ReadElements(Scanner& in, const SectionHeader& header, const SectionNames& names, ReadElement&& readElement) {
    for (std::int32_t i = 0; i < header.count; ++i) {
        if (i == MAX_BLOCK_COUNT) {
            ReportSectionLimit(in, header, names);
            return;
        }
        const ElementEnd end = readElement();
        if (!end.IsWhole()) {
            ReportElementStop(in, header, names, i, end);
            return;
        }
    }
}

// A count inside an element ("%d"): a negative one reads as 0, with a warning.
std::optional<std::int32_t> ReadCount(Scanner& in, std::string_view what);

// A point "%f %f %f": x and y kept, z read and dropped. Nothing when any of
// the three does not convert; the section then stops. Inline: it is read
// millions of times per chart.
inline std::optional<Point> ReadPoint(Scanner& in) {
    float xyz[3];
    if (in.Floats(xyz) < 3) return std::nullopt;
    return Point{xyz[0], xyz[1]};
}

// Whether the point at `index` of an element that declares `declaredCount`
// points is kept. Up to THIN_ABOVE points all are; beyond, the first is, and a
// later one only when it lies at least 1.0 from the last kept point in x or y.
// Each difference is rounded to a float before its absolute value is taken.
// Inline, as PointThinner::Keep: they run once for every point of a chart.
inline bool ThinPoints(std::int32_t declaredCount, std::int32_t index, Point point, Point lastKept) noexcept {
    if (declaredCount <= THIN_ABOVE || index == 0) return true;
    // The differences are formed in double and rounded to float on purpose:
    // that rounding decides points that lie just under 1.0 away.
    const float dx = std::fabs(static_cast<float>(double(point.x) - double(lastKept.x)));
    const float dy = std::fabs(static_cast<float>(double(point.y) - double(lastKept.y)));
    return dx >= 1.0f || dy >= 1.0f;
}

// ThinPoints applied along one element's points as they are read.
class PointThinner {
public:
    explicit PointThinner(std::int32_t declaredCount) noexcept : declared_(declaredCount) {}
    bool Keep(Point point) noexcept {
        const bool keep = ThinPoints(declared_, index_, point, last_);
        ++index_;
        if (keep) last_ = point;
        return keep;
    }

private:
    std::int32_t declared_;
    std::int32_t index_ = 0;
    Point last_{0.0f, 0.0f};
};

// A symbol's direction from the angle in the file. The angle is in radians;
// the direction is in degrees, turned so that 0 rad points to 270. Formed in
// double in this order with the divisor 3.14159265, rounded to float once,
// and not wrapped: the stored files depend on it.
float DirectionFromAngle(float angle) noexcept;

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

// Reads a label token and applies the label rule, with a warning for a token
// that is neither a number nor "NoLabel" or longer than its buffer. Nothing at
// the end of the input.
std::optional<Label> ReadLabel(Scanner& in);

// Warns when the token just read is longer than the `limit` characters of the
// buffer the format reads it into.
void CheckTokenLength(Scanner& in, std::string_view token, std::size_t limit, std::string_view what);

// How many elements of at least `minBytes` bytes each the rest of the input
// can hold, at most `declared`: what may be reserved ahead without letting a
// declared count that the file does not back decide the memory.
std::size_t BackedCount(std::int32_t declared, const Scanner& in, std::size_t minBytes) noexcept;

// A token of the file in a message: at most 40 bytes, quoted, every byte
// that is not printable ASCII escaped (\t, \xNN, a NUL as \x00), so that a
// message can go to a terminal as it is; an empty token says that it is.
std::string QuoteToken(std::string_view token);

}  // namespace readdata14

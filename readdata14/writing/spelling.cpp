#include "writing/spelling.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "readdata14/format.hpp"
#include "reading/numbers.hpp"
#include "reading/reading_rules.hpp"

namespace readdata14::writing {
namespace {

constexpr std::uint32_t Bits(float value) noexcept { return std::bit_cast<std::uint32_t>(value); }

// The bits of the NaNs "nan" and "-nan" read to: the only NaNs a file gives.
std::uint32_t NanBits(bool negative) noexcept { return Bits(ParseFloatPrefix(negative ? "-nan" : "nan").value); }

bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr char kCtrlZ = '\x1a';

// Floats in the order of their values, as unsigned keys: -inf first, +inf
// last (-0 just below +0). A search over keys walks the floats in order.
constexpr std::uint32_t KeyOf(float value) noexcept {
    const std::uint32_t bits = Bits(value);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}
constexpr float FloatOfKey(std::uint32_t key) noexcept {
    return std::bit_cast<float>((key & 0x80000000u) != 0 ? key & 0x7fffffffu : ~key);
}
constexpr std::uint32_t kLowestKey = KeyOf(-std::numeric_limits<float>::infinity());
constexpr std::uint32_t kHighestKey = KeyOf(std::numeric_limits<float>::infinity());

// The smallest angle whose direction is `direction` or less. The direction
// falls as the angle rises (each step of its arithmetic is monotone), so the
// angles are searched by halves; kHighestKey + 1 when even +inf gives more.
std::uint32_t FirstAngleAtOrBelow(float direction) noexcept {
    std::uint32_t low = kLowestKey;
    std::uint32_t high = kHighestKey + 1;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (DirectionFromAngle(FloatOfKey(middle)) <= direction) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

bool SameBits(float a, float b) noexcept { return Bits(a) == Bits(b); }

// A NaN direction comes from a NaN angle: the two a file can give.
std::optional<float> AngleForNan(float direction) noexcept {
    for (const char* text : {"nan", "-nan"}) {
        const float angle = ParseFloatPrefix(text).value;
        if (SameBits(DirectionFromAngle(angle), direction)) return angle;
    }
    return std::nullopt;
}

// Whether the label rule gives `value` back for `text`.
bool ReadsBackAs(std::string_view text, float value) noexcept { return SameBits(ReadLabelValue(text).value, value); }

// The common number of a chart: a float read from a plain decimal of a few
// decimals. Its text is found directly: the fewest decimals k whose whole
// number w (at most 2^24) gives the float back as w / 10^k, one float
// division, which is how the reader converts such a text. Nothing for other
// floats, which go the general way.
char* SpellPlainDecimal(float value, char* out) noexcept {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f};
    constexpr double kExactLimit = 16777216.0;  // 2^24
    const float magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4f && magnitude < 1e7f)) return nullptr;
    for (std::size_t k = 0; k < std::size(kPowersOfTen); ++k) {
        // Rounded to the nearest whole number; the test below decides.
        const double scaled = double(magnitude) * double(kPowersOfTen[k]) + 0.5;
        if (scaled > kExactLimit) return nullptr;
        const auto whole = static_cast<std::uint32_t>(scaled);
        if (static_cast<float>(whole) / kPowersOfTen[k] != magnitude) continue;
        char digits[12];
        const char* const end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
        const auto count = static_cast<std::size_t>(end - digits);
        if (value < 0.0f) *out++ = '-';
        // Byte by byte: a handful, where a call to memcpy would cost more.
        if (count <= k) {
            // "0.05": a zero before the point and zeros after it.
            *out++ = '0';
            *out++ = '.';
            for (std::size_t i = count; i < k; ++i) *out++ = '0';
            for (const char* d = digits; d != end; ++d) *out++ = *d;
            return out;
        }
        const char* const point = end - k;
        for (const char* d = digits; d != point; ++d) *out++ = *d;
        if (k == 0) return out;
        *out++ = '.';
        for (const char* d = point; d != end; ++d) *out++ = *d;
        return out;
    }
    return nullptr;
}

}  // namespace

bool FloatSpellable(float value) noexcept {
    if (!std::isnan(value)) return true;
    const std::uint32_t bits = Bits(value);
    return bits == NanBits(false) || bits == NanBits(true);
}

char* SpellFloat(float value, char* out) noexcept {
    if (std::isnan(value)) {
        const std::string_view text = Bits(value) == NanBits(true) ? "-nan" : "nan";
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    if (char* end = SpellPlainDecimal(value, out)) return end;
    // The shortest text from_chars (and so the reader) takes back to these
    // bits; "-0", "inf" and "-inf" included.
    return std::to_chars(out, out + SPELLING_ROOM, value).ptr;
}

std::optional<std::int32_t> IntegerOfSlot(float slot) noexcept {
    if (std::isnan(slot)) return std::nullopt;
    const std::int32_t integer = IntegerSlot(slot);
    if (!SameBits(static_cast<float>(integer), slot)) return std::nullopt;
    return integer;
}

std::optional<std::size_t> CountOfSlot(float slot) noexcept {
    const auto integer = IntegerOfSlot(slot);
    if (!integer || *integer < 0 || *integer > MAX_BLOCK_COUNT) return std::nullopt;
    return static_cast<std::size_t>(*integer);
}

char* SpellLabel(float value, char* out) noexcept {
    if (!FloatSpellable(value)) return nullptr;
    std::array<char, SPELLING_ROOM> buffer{};
    const auto put = [out](std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    };
    if (SameBits(value, NO_LABEL_VALUE)) return put("NoLabel");
    // A code of a whole number is written as the file writes codes: "0nn".
    const double code = double(value) - double(LABEL_CODE_OFFSET);
    if (code >= 1.0 && code <= 99.0 && code == std::floor(code)) {
        const int n = static_cast<int>(code);
        const std::array<char, 3> text{'0', static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
        const std::string_view spelled(text.data(), text.size());
        if (ReadsBackAs(spelled, value)) return put(spelled);
    }
    const std::string_view plain(buffer.data(), static_cast<std::size_t>(SpellFloat(value, buffer.data()) - buffer.data()));
    if (ReadsBackAs(plain, value)) return put(plain);
    // Three characters for a number between 0 and 100 would read as a code:
    // a fourth that changes nothing ("5.50", "05.5" for a form without a point).
    std::array<char, SPELLING_ROOM + 1> longer{};
    if (plain.find('.') != std::string_view::npos && plain.find('e') == std::string_view::npos) {
        std::memcpy(longer.data(), plain.data(), plain.size());
        longer[plain.size()] = '0';
    } else {
        longer[0] = '0';
        std::memcpy(longer.data() + 1, plain.data(), plain.size());
    }
    const std::string_view padded(longer.data(), plain.size() + 1);
    if (ReadsBackAs(padded, value)) return put(padded);
    return nullptr;
}

std::optional<float> AngleForDirection(float direction) noexcept {
    if (std::isnan(direction)) return AngleForNan(direction);
    // The angle that undoes the arithmetic, cut to as few digits as still
    // give the direction (the file's own angle, as a rule), or its
    // neighbours; otherwise the search by halves settles it.
    const auto guess = static_cast<float>((270.0 - double(direction)) * 3.14159265 / 180.0);
    if (std::isfinite(guess)) {
        for (int digits = 1; digits <= std::numeric_limits<float>::max_digits10; ++digits) {
            std::array<char, SPELLING_ROOM> text{};
            const char* end =
                std::to_chars(text.data(), text.data() + text.size(), guess, std::chars_format::general, digits).ptr;
            const float angle = ParseFloatPrefix(std::string_view(text.data(), static_cast<std::size_t>(end - text.data()))).value;
            if (SameBits(DirectionFromAngle(angle), direction)) return angle;
        }
        const std::uint32_t key = KeyOf(guess);
        for (std::uint32_t step : {0u, 1u, 2u}) {
            for (const std::uint32_t k : {key + step, key - step}) {
                if (k < kLowestKey || k > kHighestKey) continue;
                const float angle = FloatOfKey(k);
                if (SameBits(DirectionFromAngle(angle), direction)) return angle;
            }
        }
    }
    const std::uint32_t first = FirstAngleAtOrBelow(direction);
    if (first > kHighestKey) return std::nullopt;
    const float angle = FloatOfKey(first);
    if (SameBits(DirectionFromAngle(angle), direction)) return angle;
    // A direction between two that neighbouring angles give has none, and
    // so has -0 (the arithmetic gives +0 where it gives a zero).
    return std::nullopt;
}

std::optional<float> NearestCarriedDirection(float direction) noexcept {
    if (std::isnan(direction)) {
        const auto angle = AngleForNan(direction);
        if (!angle) return std::nullopt;
        return DirectionFromAngle(*angle);
    }
    if (AngleForDirection(direction)) return direction;
    const std::uint32_t first = FirstAngleAtOrBelow(direction);
    // Between the direction of the angle just below `first` (above
    // `direction`) and that of `first` (below it), the nearer.
    std::optional<float> below;
    std::optional<float> above;
    if (first <= kHighestKey) below = DirectionFromAngle(FloatOfKey(first));
    if (first > kLowestKey) above = DirectionFromAngle(FloatOfKey(first - 1));
    if (!below) return above;
    if (!above) return below;
    return double(direction) - double(*below) <= double(*above) - double(direction) ? below : above;
}

std::optional<std::size_t> FirstThinnedPoint(std::span<const float> xy) noexcept {
    const std::size_t count = xy.size() / 2;
    if (count <= static_cast<std::size_t>(THIN_ABOVE)) return std::nullopt;
    if (count > static_cast<std::size_t>(MAX_BLOCK_COUNT)) return count;
    PointThinner thinner(static_cast<std::int32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        if (!thinner.Keep(Point{xy[2 * i], xy[2 * i + 1]})) return i;
    }
    return std::nullopt;
}

std::optional<std::string> TokenProblem(std::string_view token, std::string_view what) {
    for (const char c : token) {
        if (IsSpace(c) || c == '\0' || c == kCtrlZ) {
            return std::string(what) + " " + QuoteToken(token) +
                   " holds white space, a NUL or a Ctrl-Z: it would not read back as one token";
        }
    }
    return std::nullopt;
}

std::optional<std::string> SymbolTextProblem(std::string_view text) {
    for (const char c : text) {
        if (c == '\x01') {
            return "the text " + QuoteToken(text) + " holds the byte 0x01, which the file uses for a blank: it would read back as a blank";
        }
        if ((IsSpace(c) && c != ' ') || c == '\0' || c == kCtrlZ) {
            return "the text " + QuoteToken(text) +
                   " holds white space other than blanks, a NUL or a Ctrl-Z: a symbol's text is one token";
        }
    }
    return std::nullopt;
}

std::optional<std::string> NoteTextProblem(std::string_view text) {
    if (!text.empty() && IsSpace(text.front())) {
        return "the text " + QuoteToken(text) + " starts with white space, which the reader skips before a note's text";
    }
    const std::size_t lineBreak = text.find('\n');
    if (lineBreak != std::string_view::npos && lineBreak + 1 != text.size()) {
        return "the text " + QuoteToken(text) + " has a line break before its end, where the reader's line ends it";
    }
    if (text.find('\0') != std::string_view::npos || text.find(kCtrlZ) != std::string_view::npos) {
        return "the text " + QuoteToken(text) + " holds a NUL or a Ctrl-Z, which ends a text or the input for the reader";
    }
    return std::nullopt;
}

std::string ShowFloat(float value) {
    if (FloatSpellable(value)) {
        std::array<char, SPELLING_ROOM> buffer{};
        return std::string(buffer.data(), SpellFloat(value, buffer.data()));
    }
    std::array<char, 16> hex{};
    const auto end = std::to_chars(hex.data(), hex.data() + hex.size(), Bits(value), 16).ptr;
    return "a NaN with the bits 0x" + std::string(hex.data(), end);
}

}  // namespace readdata14::writing

// The scanner: the only code that touches the raw bytes of a chart. It
// reproduces the formatted reads the format is defined by ("%s", "%d", "%f",
// a blank in a format, a line read with a character limit) over a buffer in
// memory, never past its end and independent of the host's locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "reading/diagnostics.hpp"
#include "reading/numbers.hpp"
#include "reading/prepared_numbers.hpp"

namespace readdata14 {

class Scanner {
public:
    explicit Scanner(std::string_view text, DiagnosticSink* sink = nullptr) noexcept
        : text_(text), sink_(sink) {}

    // A blank in a format: skips any white space (blank, tab, LF, VT, FF, CR).
    void SkipSpace() noexcept;

    // "%s": skips white space, then takes the run of non-space bytes. Empty
    // optional at the end of the input. A token is taken whole, however long;
    // as in the C string it would be read into, its text ends at a NUL byte.
    std::optional<std::string_view> Token();

    // The bytes Token() would take next, NUL bytes included, without taking
    // them or reporting: for messages.
    std::optional<std::string_view> PeekToken() const noexcept;
    // Where the last token taken started.
    std::size_t LastTokenStart() const noexcept { return lastTokenStart_; }

    // "%d": skips white space, then the longest prefix that forms an integer.
    // A failed conversion consumes nothing but the white space. Beyond the
    // 32-bit range the value saturates.
    std::optional<std::int32_t> Int();

    // "%f": as Int, with the float conversion of ParseFloatPrefix. A value
    // that is not finite is kept as converted, with a warning: "nan" and
    // "inf" written out are legal but seldom meant, and a number beyond the
    // float range ("1e39") silently becoming inf would hide a broken file.
    std::optional<float> Float();

    // "%f %f ...": one Float() for each of `values` in turn, stopping at the
    // first that does not convert; returns how many did. The plain decimals
    // that make up nearly every chart are converted here, in one pass over
    // their bytes; every other number goes through Float(). Inline (below):
    // a point is three of these, and its numbers then stay in registers.
    std::size_t Floats(std::span<float> values);

    // Numbers converted ahead on other threads: Floats takes the prepared
    // value where there is one (the very value and length it would have
    // read) and converts the rest itself. Must outlive the reading.
    void UsePrepared(PreparedNumbers* prepared) noexcept { prepared_ = prepared; }

    // A line read with room for `limit` characters: takes characters until
    // `limit` have been taken, a line break has been taken (it is part of the
    // result), or the input ends. No white space is skipped first. The text
    // ends at a NUL byte, like a token's.
    std::string_view Line(std::size_t limit) noexcept;

    bool AtEnd() const noexcept { return pos_ >= text_.size(); }
    std::size_t Offset() const noexcept { return pos_; }
    // pos_ never passes the end, so no bounds check is needed here.
    std::string_view Rest() const noexcept { return {text_.data() + pos_, text_.size() - pos_}; }

    // Findings, placed at the next token (or at `offset`). Free when no sink
    // listens: callers build a message only when Listening(). When the sink
    // asks to stop after a report, the input ends where the scanner stands:
    // every read after it finds the end, so the reading winds down keeping
    // what it read. Reports are made between tokens, never inside one.
    bool Listening() const noexcept { return sink_ != nullptr; }
    void Report(FindingKind kind, std::string message);
    void ReportAt(std::size_t offset, FindingKind kind, std::string message);
    // A section's tag was found: the reading is back in step with the file.
    void NoteSectionFound();
    // While stops are held, a stop the sink asks for waits until they are
    // released: the header is read whole, so that a stop inside it cannot
    // make a chart look like a file that is not one.
    void HoldStops() noexcept { holdStops_ = true; }
    void ReleaseStops() noexcept;
    // How many tags have been found so far (the STATION_SITUATION marker
    // included): a reader found its own tag when this grew during its call.
    std::size_t SectionsFound() const noexcept { return sectionsFound_; }
    // Where the next token starts (after white space), for findings.
    std::size_t NextTokenOffset() const noexcept;

    // A number the reader converted (as ParseFloatPrefix) that is not
    // finite: one warning at `offset`, saying whether the file wrote it out
    // or it lies beyond the float range. `text` is what was converted.
    void ReportNonFinite(std::size_t offset, std::string_view text, float value);

private:
    // The input ends where the scanner stands when the sink asked to stop.
    void EndIfStopRequested() noexcept;

    // White space as isspace has it in the C locale.
    static constexpr bool IsSpace(char c) noexcept {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t lastTokenStart_ = 0;
    std::size_t sectionsFound_ = 0;
    DiagnosticSink* sink_;
    PreparedNumbers* prepared_ = nullptr;
    bool holdStops_ = false;
};

inline std::size_t Scanner::Floats(std::span<float> values) {
    const char* const data = text_.data();
    // Float() may report, and a report may end the input: the size is taken
    // again after it.
    std::size_t size = text_.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (prepared_ != nullptr) {
            // A value prepared from bytes past a stop is not taken.
            if (const auto next = prepared_->After(pos_);
                next && next->start <= size && next->number.length <= size - next->start) {
                pos_ = next->start + next->number.length;
                values[i] = next->number.value;
                continue;
            }
        }
        std::size_t at = pos_;
        while (at < size && IsSpace(data[at])) ++at;
        pos_ = at;
        if (prepared_ != nullptr) {
            // A value prepared from bytes past a stop is not taken.
            if (const auto ready = prepared_->At(at); ready && ready->length <= size - at) {
                pos_ = at + ready->length;
                values[i] = ready->value;
                continue;
            }
        }
        if (const ParsedFloat plain = ParsePlainDecimal({data + at, size - at}); plain.length > 0) {
            pos_ = at + plain.length;
            values[i] = plain.value;
            continue;
        }
        const std::optional<float> value = Float();
        size = text_.size();
        if (!value) return i;
        values[i] = *value;
    }
    return values.size();
}

}  // namespace readdata14

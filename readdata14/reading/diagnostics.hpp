// Findings about a file that departs from the format. The readers report
// them with the offset in the text where they stand; the driver places them
// (line, column, file offset), folds echoes into their cause and hands them
// on. The original C export passes no sink and stays silent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace readdata14 {

// The numbers are those of readdata14_finding_kind in the public header.
enum class FindingKind : std::int32_t {
    // errors: the reader had to stop or guess
    NotType14 = 1,
    TagMismatch = 2,         // a section tag was not where it is due
    BadToken = 3,            // a section stopped at a token it cannot use
    InputEnded = 4,          // the input ended before a section's declared elements
    NoStationSituation = 5,  // no marker, or no WEATHER_REGION: tag after it
    TrailingContent = 6,     // something stands after the last section
    CountLimit = 7,          // a count beyond what a float counts exactly
    // warnings: legal but unusual
    TextCutShort = 8,        // a note text ended before its declared length
    LabelNotNumber = 9,      // a label that is not wholly a number, nor "NoLabel"
    NegativeCount = 10,      // read as 0
    LongToken = 11,          // longer than the format's buffers
    ControlByte = 12,        // NUL inside the data, Ctrl-Z before its end
    IntegerRange = 13,       // an integer beyond 32 bits, saturated
    FloatRange = 14,         // a number beyond a 32-bit float, read as ±inf
    NonFinite = 15,          // "nan" or "inf" written out: legal, seldom meant
};

enum class Severity : std::int32_t { Warning = 1, Error = 2 };

constexpr Severity SeverityOf(FindingKind kind) noexcept {
    return static_cast<std::int32_t>(kind) >= static_cast<std::int32_t>(FindingKind::TextCutShort)
               ? Severity::Warning
               : Severity::Error;
}

// The stable name of a kind, as tools print it ("tag-mismatch").
const char* FindingKindName(FindingKind kind) noexcept;

struct Finding {
    FindingKind kind;
    std::size_t offset;  // in the text as read (after text mode)
    std::string message;
};

class DiagnosticSink {
public:
    virtual ~DiagnosticSink() = default;
    virtual void Report(Finding finding) = 0;
    // A section's tag was found: what follows is no longer an echo of an
    // earlier finding.
    virtual void SectionFound() {}
    // After a report: the listener wants the read to end as if the input
    // ended where the reader stands.
    virtual bool StopRequested() const noexcept { return false; }
};

}  // namespace readdata14

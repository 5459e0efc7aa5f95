// Findings about a file that departs from the format. The reading core can
// report them to a sink; the C export passes none and stays silent.
#pragma once

#include <cstddef>
#include <string>

namespace readdata14 {

enum class FindingKind {
    TagMismatch,            // a section tag was not where it is due
    SectionStoppedEarly,    // a section ran out of input or met a token that is not a number
    MissingStationSituation,
    TextCutShort,           // a note text ended before its declared length
    TrailingContent,        // something stands after the last section
};

struct Finding {
    FindingKind kind;
    std::size_t line;    // 1-based
    std::size_t column;  // 1-based, in bytes
    std::string message;
};

class DiagnosticSink {
public:
    virtual ~DiagnosticSink() = default;
    virtual void Report(const Finding& finding) = 0;
};

}  // namespace readdata14

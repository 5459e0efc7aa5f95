// The findings of one read, as hosts get them: echoes folded into their
// cause, in file order, each placed by line, column and file offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reading/diagnostics.hpp"
#include "reading/text_input.hpp"

namespace readdata14 {

struct PlacedFinding {
    FindingKind kind;
    Severity severity;
    std::uint64_t offset;  // in the file, from 0
    std::uint64_t line;    // from 1
    std::uint64_t column;  // from 1, in bytes
    std::string message;
};

// Collects a read's findings. Once the reading has lost step with the file
// (a section stopped early or missed its tag), the next readers miss their
// tags too, and the last one finds content after it: those are echoes of the
// first cause, counted into its message rather than listed, until a tag is
// found again.
class FindingCollector final : public DiagnosticSink {
public:
    void Report(Finding finding) override;
    void SectionFound() override { offStep_ = false; }

    // The findings in file order, placed in `text` (the text the scanner
    // read) and, through `changes`, in the file.
    std::vector<PlacedFinding> Place(std::string_view text, const TextModeChanges& changes);

private:
    struct Cause {
        std::size_t index;          // into findings_
        std::size_t missedTags = 0;
        bool trailingContent = false;
    };
    std::vector<Finding> findings_;
    std::vector<Cause> causes_;
    bool offStep_ = false;
};

}  // namespace readdata14

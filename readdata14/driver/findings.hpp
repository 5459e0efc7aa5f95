// The findings of one read, as hosts get them: echoes folded into their
// cause, each placed by line, column and file offset, handed on one by one
// while the read goes on, so that a listener can stop it and a read with a
// million findings does not hold a million of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "reading/diagnostics.hpp"
#include "reading/line_counter.hpp"
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

// Once the reading has lost step with the file (a section stopped early or
// missed its tag), the next readers miss their tags too, and the last one
// finds content after it: those are echoes of the first cause, counted into
// its message rather than listed, until a tag is found again. So a cause is
// held, with what comes after it, until a tag is found, a new cause comes or
// the read ends; every other finding is settled at once.
//
// Settling a finding counts it; the first `limit` settled go to `deliver`
// (when set), in the order the readers met them, which is the file's order
// but that a section's finding about its count comes after the findings
// inside it. Findings past the limit are counted and not kept.
class FindingStream final : public DiagnosticSink {
public:
    // Receives a settled finding; returns false to stop the read.
    using Delivery = std::function<bool(PlacedFinding&)>;

    // `text` is what the scanner reads, `changes` what text mode did to
    // the file; both must outlive the stream.
    FindingStream(std::string_view text, const TextModeChanges& changes, Delivery deliver, std::uint64_t limit);

    void Report(Finding finding) override;
    void SectionFound() override;
    bool StopRequested() const noexcept override { return stopped_; }

    // The read is over: settles what is held.
    void Finish();

    bool Stopped() const noexcept { return stopped_; }
    std::uint64_t Errors() const noexcept { return errors_; }
    std::uint64_t Warnings() const noexcept { return warnings_; }

private:
    struct Cause {
        std::size_t missedTags = 0;
        bool trailingContent = false;
    };
    void Settle(Finding& finding);
    void SettleHeld();
    bool Keeps() const noexcept;

    const TextModeChanges& changes_;
    LineCounter lines_;
    Delivery deliver_;
    std::uint64_t limit_;
    std::uint64_t delivered_ = 0;
    std::uint64_t errors_ = 0;
    std::uint64_t warnings_ = 0;
    bool stopped_ = false;
    bool offStep_ = false;
    Cause cause_;
    // The held cause first (when kept), then what came after it.
    std::deque<Finding> held_;
    std::uint64_t heldUncounted_[2] = {0, 0};  // held past the limit: warnings, errors
};

}  // namespace readdata14

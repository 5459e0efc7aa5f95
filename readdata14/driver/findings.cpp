#include "driver/findings.hpp"

#include <utility>

namespace readdata14 {
namespace {

// After these the readers that follow start off step with the file.
bool LosesStep(FindingKind kind) noexcept {
    switch (kind) {
        case FindingKind::TagMismatch:
        case FindingKind::BadToken:
        case FindingKind::InputEnded:
        case FindingKind::CountLimit:
        case FindingKind::NoStationSituation:
            return true;
        default:
            return false;
    }
}

// What an earlier loss of step brings about by itself.
bool IsEcho(FindingKind kind) noexcept {
    return kind == FindingKind::TagMismatch || kind == FindingKind::NoStationSituation ||
           kind == FindingKind::TrailingContent;
}

std::string EchoNote(std::size_t missedTags, bool trailingContent) {
    std::string note = "; out of step from there on:";
    if (missedTags == 1) note += " the next section did not find its tag";
    if (missedTags > 1) note += " the next " + std::to_string(missedTags) + " sections did not find their tags";
    if (missedTags > 0 && trailingContent) note += ", and";
    if (trailingContent) note += " content was left after the last section";
    return note;
}

}  // namespace

FindingStream::FindingStream(std::string_view text, const TextModeChanges& changes, Delivery deliver,
                             std::uint64_t limit)
    : changes_(changes), lines_(text), deliver_(std::move(deliver)), limit_(limit) {}

bool FindingStream::Keeps() const noexcept { return deliver_ && delivered_ + held_.size() < limit_; }

void FindingStream::Report(Finding finding) {
    if (stopped_) return;
    if (offStep_ && IsEcho(finding.kind)) {
        if (finding.kind == FindingKind::TrailingContent) {
            cause_.trailingContent = true;
        } else {
            ++cause_.missedTags;
        }
        return;
    }
    if (LosesStep(finding.kind)) {
        SettleHeld();
        if (stopped_) return;
        offStep_ = true;
        cause_ = Cause{};
    }
    if (!offStep_) {
        Settle(finding);
        return;
    }
    // Held behind the cause, so that the order stays the readers'.
    if (Keeps()) {
        held_.push_back(std::move(finding));
    } else {
        ++heldUncounted_[SeverityOf(finding.kind) == Severity::Error ? 1 : 0];
    }
}

void FindingStream::SectionFound() {
    if (stopped_) return;
    SettleHeld();
    offStep_ = false;
}

void FindingStream::Finish() {
    if (!stopped_) SettleHeld();
    offStep_ = false;
}

// The held cause takes the note of its echoes, then everything held goes
// out in order; what was held past the limit is only counted.
void FindingStream::SettleHeld() {
    if (!offStep_) return;
    if (!held_.empty() && (cause_.missedTags > 0 || cause_.trailingContent) && LosesStep(held_.front().kind)) {
        held_.front().message += EchoNote(cause_.missedTags, cause_.trailingContent);
    }
    cause_ = Cause{};
    while (!held_.empty() && !stopped_) {
        Finding finding = std::move(held_.front());
        held_.pop_front();
        Settle(finding);
    }
    held_.clear();
    if (!stopped_) {
        warnings_ += heldUncounted_[0];
        errors_ += heldUncounted_[1];
    }
    heldUncounted_[0] = heldUncounted_[1] = 0;
}

void FindingStream::Settle(Finding& finding) {
    const Severity severity = SeverityOf(finding.kind);
    if (severity == Severity::Error) {
        ++errors_;
    } else {
        ++warnings_;
    }
    if (!deliver_ || delivered_ >= limit_) return;
    ++delivered_;
    const TextPlace place = lines_.PlaceOf(finding.offset);
    PlacedFinding placed{finding.kind,
                         severity,
                         finding.offset + changes_.CarriageReturnsBefore(place.lineBreaks),
                         place.line,
                         place.column,
                         std::move(finding.message)};
    if (!deliver_(placed)) stopped_ = true;
}

}  // namespace readdata14

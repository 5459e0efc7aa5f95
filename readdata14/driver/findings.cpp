#include "driver/findings.hpp"

#include <algorithm>
#include <numeric>

#include "reading/line_counter.hpp"

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

void FindingCollector::Report(Finding finding) {
    if (offStep_ && IsEcho(finding.kind)) {
        Cause& cause = causes_.back();
        if (finding.kind == FindingKind::TrailingContent) {
            cause.trailingContent = true;
        } else {
            ++cause.missedTags;
        }
        return;
    }
    if (LosesStep(finding.kind)) {
        offStep_ = true;
        causes_.push_back({findings_.size()});
    }
    findings_.push_back(std::move(finding));
}

std::vector<PlacedFinding> FindingCollector::Place(std::string_view text, const TextModeChanges& changes) {
    for (const Cause& cause : causes_) {
        if (cause.missedTags > 0 || cause.trailingContent) {
            findings_[cause.index].message += EchoNote(cause.missedTags, cause.trailingContent);
        }
    }
    std::vector<std::size_t> order(findings_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return findings_[a].offset < findings_[b].offset; });

    std::vector<PlacedFinding> placed;
    placed.reserve(findings_.size());
    LineCounter lines(text);
    for (const std::size_t i : order) {
        Finding& finding = findings_[i];
        const TextPlace place = lines.PlaceOf(finding.offset);
        const std::size_t fileOffset = finding.offset + changes.CarriageReturnsBefore(place.lineBreaks);
        placed.push_back({finding.kind, SeverityOf(finding.kind), fileOffset, place.line, place.column,
                          std::move(finding.message)});
    }
    findings_.clear();
    causes_.clear();
    return placed;
}

}  // namespace readdata14

#include "reading/diagnostics.hpp"

namespace readdata14 {

const char* FindingKindName(FindingKind kind) noexcept {
    switch (kind) {
        case FindingKind::NotType14: return "not-type-14";
        case FindingKind::TagMismatch: return "tag-mismatch";
        case FindingKind::BadToken: return "bad-token";
        case FindingKind::InputEnded: return "input-ended";
        case FindingKind::NoStationSituation: return "no-station-situation";
        case FindingKind::TrailingContent: return "trailing-content";
        case FindingKind::CountLimit: return "count-limit";
        case FindingKind::TextCutShort: return "text-cut-short";
        case FindingKind::LabelNotNumber: return "label-not-number";
        case FindingKind::NegativeCount: return "negative-count";
        case FindingKind::LongToken: return "long-token";
        case FindingKind::ControlByte: return "control-byte";
        case FindingKind::IntegerRange: return "integer-range";
        case FindingKind::FloatRange: return "float-range";
        case FindingKind::NonFinite: return "non-finite";
    }
    return "finding";
}

}  // namespace readdata14

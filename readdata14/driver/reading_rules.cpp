#include "driver/reading_rules.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "driver/numbers.hpp"

namespace readdata14 {

bool MatchSectionTag(std::optional<std::string_view> token, std::string_view tag) noexcept {
    return token.has_value() && *token == tag;
}

std::optional<std::int32_t> ReadSectionHeader(Scanner& in, std::string_view tag) {
    const std::size_t tagOffset = in.NextTokenOffset();
    const std::optional<std::string_view> token = in.Token();
    const std::optional<std::int32_t> count = token ? in.Int() : std::nullopt;
    if (!MatchSectionTag(token, tag)) {
        if (in.Listening()) {
            std::string message = "expected the tag '";
            message.append(tag).append("', found ");
            if (token) {
                message.append("'").append(token->substr(0, 40)).append("'");
            } else {
                message.append("the end of the input");
            }
            in.ReportAt(tagOffset, FindingKind::TagMismatch, std::move(message));
        }
        return std::nullopt;
    }
    if (!count) {
        std::string message = "the tag '";
        message.append(tag).append("' is not followed by a count");
        in.Report(FindingKind::TagMismatch, std::move(message));
        return std::nullopt;
    }
    return std::max<std::int32_t>(*count, 0);
}

std::optional<Point> ReadPoint(Scanner& in) noexcept {
    const auto x = in.Float();
    if (!x) return std::nullopt;
    const auto y = in.Float();
    if (!y) return std::nullopt;
    if (!in.Float()) return std::nullopt;
    return Point{*x, *y};
}

bool ThinPoints(std::int32_t declaredCount, std::int32_t index, Point point, Point lastKept) noexcept {
    if (declaredCount <= THIN_ABOVE || index == 0) return true;
    // The differences are formed in double and rounded to float on purpose:
    // that rounding decides points that lie just under 1.0 away.
    const float dx = std::fabs(static_cast<float>(double(point.x) - double(lastKept.x)));
    const float dy = std::fabs(static_cast<float>(double(point.y) - double(lastKept.y)));
    return dx >= 1.0f || dy >= 1.0f;
}

bool PointThinner::Keep(Point point) noexcept {
    const bool keep = ThinPoints(declared_, index_, point, last_);
    ++index_;
    if (keep) last_ = point;
    return keep;
}

Label ReadLabelValue(std::string_view token) noexcept {
    if (token == "NoLabel") return {NO_LABEL_VALUE, NO_LABEL_VALUE, false};
    const ParsedFloat parsed = ParseFloatPrefix(token);
    if (parsed.length == 0) return {NO_LABEL_VALUE, NO_LABEL_VALUE, false};
    const float v = parsed.value;
    if (token.size() == 3 && v > 0.0f && v < 100.0f) {
        return {v, static_cast<float>(double(v) + LABEL_CODE_OFFSET), true};
    }
    return {v, v, true};
}

std::size_t BackedCount(std::int32_t declared, const Scanner& in, std::size_t minBytes) noexcept {
    if (declared <= 0) return 0;
    return std::min<std::size_t>(static_cast<std::size_t>(declared), in.Rest().size() / minBytes);
}

void ReportSectionStop(Scanner& in, std::string_view section) {
    if (!in.Listening()) return;
    std::string message(section);
    std::optional<std::string_view> next;
    {
        Scanner peek = in;
        next = peek.Token();
    }
    if (next) {
        message.append(" stopped early at '").append(next->substr(0, 40)).append("', which is not what the section needs there");
    } else {
        message += " stopped early: the input ended";
    }
    in.Report(FindingKind::SectionStoppedEarly, std::move(message));
}

}  // namespace readdata14

#include "driver/identify.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "reading/reading_rules.hpp"
#include "reading/scanner.hpp"
#include "reading/section_tags.hpp"
#include "reading/text_input.hpp"

namespace readdata14 {
namespace {

constexpr std::int32_t kChartType = 14;
constexpr std::size_t kHeaderIntegers = 5;

Identity Not(std::string& reason, std::string why) {
    reason = std::move(why);
    return Identity::NotChart;
}

bool IsSectionTag(std::string_view token) noexcept {
    return std::find(SECTION_TAGS.begin(), SECTION_TAGS.end(), token) != SECTION_TAGS.end();
}

}  // namespace

Identity Identify(std::string_view bytes, bool wholeFile, std::string& reason) {
    reason.clear();
    std::string text(bytes);
    ApplyTextMode(text);
    const bool ended = wholeFile || bytes.find('\x1a') != std::string_view::npos;
    Scanner in(text);
    // After a token: did it end inside the bytes (or with the file)?
    const auto whole = [&] { return ended || !in.AtEnd(); };

    const auto first = in.Token();
    if (!first) return ended ? Not(reason, "the file is empty or white space only") : Identity::NeedsMore;
    if (!whole()) return Identity::NeedsMore;
    const auto typeToken = in.PeekToken();
    const auto type = in.Int();
    if (!typeToken) {
        return ended ? Not(reason, "the file ends after its first token") : Identity::NeedsMore;
    }
    if (!type || *type != kChartType) {
        // "+" or "1" at the very end of the bytes may still become 14.
        const std::size_t end = type ? in.Offset() : in.NextTokenOffset() + typeToken->size();
        if (!ended && end >= text.size()) return Identity::NeedsMore;
        if (!type) return Not(reason, "the second header token is " + QuoteToken(*typeToken) + ", not the number 14");
        return Not(reason, "the second header token is " + std::to_string(*type) + ", not 14");
    }
    if (!in.Token()) return ended ? Not(reason, "the file ends before the header's description") : Identity::NeedsMore;
    for (std::size_t i = 0; i < kHeaderIntegers && in.Int(); ++i) {
    }
    for (;;) {
        const auto token = in.Token();
        if (!token) break;
        if (IsSectionTag(*token) && whole()) return Identity::Chart;
    }
    return ended ? Not(reason, "no section tag (LINES:, STATION_SITUATION, ...) follows the header")
                 : Identity::NeedsMore;
}

}  // namespace readdata14

#include "reading/reading_rules.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "reading/numbers.hpp"

namespace readdata14 {
namespace {

std::string Count(std::int64_t n) { return std::to_string(n); }

// "1 line", "3 lines"
std::string CountOf(std::int64_t n, std::string_view element) {
    return Count(n) + ' ' + std::string(element) + (n == 1 ? "" : "s");
}

// "line 4 of 1000 in LINES"
std::string ElementPlace(const SectionHeader& header, const SectionNames& names, std::int32_t index) {
    return std::string(names.element) + ' ' + Count(index + 1) + " of " + Count(header.count) + " in " +
           std::string(names.section);
}

}  // namespace

bool MatchSectionTag(std::optional<std::string_view> token, std::string_view tag) noexcept {
    return token.has_value() && *token == tag;
}

std::optional<SectionHeader> ReadSectionHeader(Scanner& in, std::string_view tag) {
    const std::size_t tagOffset = in.NextTokenOffset();
    const std::optional<std::string_view> token = in.Token();
    const std::size_t countOffset = in.NextTokenOffset();
    const std::optional<std::int32_t> count = token ? in.Int() : std::nullopt;
    if (!MatchSectionTag(token, tag)) {
        if (in.Listening()) {
            std::string message = "expected the section tag '";
            message.append(tag).append("', found ");
            message += token ? QuoteToken(*token) : std::string("the end of the input");
            in.ReportAt(tagOffset, FindingKind::TagMismatch, std::move(message));
        }
        return std::nullopt;
    }
    in.NoteSectionFound();
    if (!count) {
        if (in.Listening()) {
            std::string message = "expected the count after the tag '";
            message.append(tag).append("', found ");
            const std::optional<std::string_view> next = in.PeekToken();
            message += next ? QuoteToken(*next) : std::string("the end of the input");
            in.ReportAt(countOffset, FindingKind::BadToken, std::move(message));
        }
        return std::nullopt;
    }
    if (*count < 0 && in.Listening()) {
        std::string message = "the section '";
        message.append(tag).append("' declares a negative count, ").append(Count(*count)).append(", read as 0");
        in.ReportAt(countOffset, FindingKind::NegativeCount, std::move(message));
    }
    return SectionHeader{std::max<std::int32_t>(*count, 0), countOffset};
}

void ReportElementStop(Scanner& in, const SectionHeader& header, const SectionNames& names, std::int32_t index,
                       ElementEnd end) {
    if (!in.Listening() || end.IsWhole()) return;
    if (end.IsAtLimit()) {
        std::string message = ElementPlace(header, names, index) + " has more " + std::string(end.What()) + " than " +
                              Count(MAX_BLOCK_COUNT) + ", as many as a block counts exactly: the section stops there";
        in.Report(FindingKind::CountLimit, std::move(message));
        return;
    }
    const std::optional<std::string_view> next = in.PeekToken();
    if (!next) {
        // A count the file does not back is the cause, not the end it runs into.
        std::string message = std::string(names.section) + " declares " + CountOf(header.count, names.element) +
                              ", but the input ends in " + std::string(names.element) + ' ' + Count(index + 1) +
                              ", where " + std::string(end.What()) + " is due";
        in.ReportAt(header.countOffset, FindingKind::InputEnded, std::move(message));
        return;
    }
    std::string message = ElementPlace(header, names, index) + ": expected " + std::string(end.What()) + ", found " +
                          QuoteToken(*next);
    in.Report(FindingKind::BadToken, std::move(message));
}

void ReportSectionLimit(Scanner& in, const SectionHeader& header, const SectionNames& names) {
    if (!in.Listening()) return;
    std::string message = std::string(names.section) + " declares " + CountOf(header.count, names.element) +
                          "; a block counts at most " + Count(MAX_BLOCK_COUNT) +
                          " exactly, so the section stops after that many";
    in.ReportAt(header.countOffset, FindingKind::CountLimit, std::move(message));
}

std::optional<std::int32_t> ReadCount(Scanner& in, std::string_view what) {
    const std::size_t at = in.NextTokenOffset();
    const auto count = in.Int();
    if (!count) return std::nullopt;
    if (*count < 0 && in.Listening()) {
        std::string message = "a negative ";
        message.append(what).append(", ").append(Count(*count)).append(", read as 0");
        in.ReportAt(at, FindingKind::NegativeCount, std::move(message));
    }
    return std::max<std::int32_t>(*count, 0);
}

float DirectionFromAngle(float angle) noexcept {
    return static_cast<float>(270.0 - double(angle) * 180.0 / 3.14159265);
}

Label ReadLabelValue(std::string_view token) noexcept {
    if (token == "NoLabel") return {NO_LABEL_VALUE, NO_LABEL_VALUE, false};
    const ParsedFloat parsed = ParseFloatPrefix(token);
    if (parsed.length == 0) return {NO_LABEL_VALUE, NO_LABEL_VALUE, false};
    const float v = parsed.value;
    if (token.size() == 3 && v > 0.0f && v < 100.0f) {
        return {v, static_cast<float>(double(v) + double(LABEL_CODE_OFFSET)), true};
    }
    return {v, v, true};
}

std::optional<Label> ReadLabel(Scanner& in) {
    const auto token = in.Token();
    if (!token) return std::nullopt;
    const Label label = ReadLabelValue(*token);
    if (label.isNumber && !(std::fabs(label.number) <= std::numeric_limits<float>::max())) {
        in.ReportNonFinite(in.LastTokenStart(), token->substr(0, ParseFloatPrefix(*token).length), label.number);
    }
    if (in.Listening()) {
        CheckTokenLength(in, *token, TOKEN_LIMIT, "label");
        if (!label.isNumber && *token != "NoLabel") {
            in.ReportAt(in.LastTokenStart(), FindingKind::LabelNotNumber,
                        "the label " + QuoteToken(*token) + " is neither a number nor 'NoLabel': read as 'NoLabel'");
        } else if (label.isNumber && ParseFloatPrefix(*token).length < token->size()) {
            // The number ends before the token does ("1O12"): what follows is
            // not read, which is rarely what the chart's maker meant.
            std::string number = QuoteToken(token->substr(0, ParseFloatPrefix(*token).length));
            in.ReportAt(in.LastTokenStart(), FindingKind::LabelNotNumber,
                        "the label " + QuoteToken(*token) + " is read as the number " + number +
                            " at its start; the rest of it is not read");
        }
    }
    return label;
}

void CheckTokenLength(Scanner& in, std::string_view token, std::size_t limit, std::string_view what) {
    if (token.size() <= limit || !in.Listening()) return;
    std::string message = "a ";
    message.append(what).append(" of ").append(Count(static_cast<std::int64_t>(token.size())));
    message.append(" characters, longer than the ").append(Count(static_cast<std::int64_t>(limit)));
    message.append(" its buffer holds: read whole");
    in.ReportAt(in.LastTokenStart(), FindingKind::LongToken, std::move(message));
}

std::size_t BackedCount(std::int32_t declared, const Scanner& in, std::size_t minBytes) noexcept {
    if (declared <= 0) return 0;
    return std::min<std::size_t>(static_cast<std::size_t>(declared), in.Rest().size() / minBytes);
}

std::string QuoteToken(std::string_view token) {
    constexpr std::size_t kShown = 40;
    constexpr char kHex[] = "0123456789abcdef";
    // A token that prints as nothing would read as a quoting mistake.
    if (token.empty()) return "'' (an empty token)";
    std::string quoted = "'";
    for (const char c : token.substr(0, kShown)) {
        const auto byte = static_cast<unsigned char>(c);
        // NUL as \x00 like every other control byte: "\0" before a digit
        // would read as an octal escape ("\00" for a NUL and a zero).
        if (byte == '\t') {
            quoted += "\\t";
        } else if (byte == '\\' || byte == '\'') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte >= 0x7f) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xf];
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    if (token.size() > kShown) quoted += " (" + Count(static_cast<std::int64_t>(token.size())) + " bytes)";
    return quoted;
}

}  // namespace readdata14

#include "reading/scanner.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "reading/numbers.hpp"
#include "reading/reading_rules.hpp"

namespace readdata14 {
namespace {

// A token or line lands in a C string buffer, which ends at its first NUL:
// the bytes after it are consumed but are not part of the text.
std::string_view UpToNul(std::string_view text) noexcept {
    return text.substr(0, text.find('\0'));
}

}  // namespace

void Scanner::SkipSpace() noexcept {
    // A local index: stores through `this` would be redone for every byte,
    // since the compiler must assume the text may alias the scanner.
    std::size_t at = pos_;
    const std::size_t size = text_.size();
    const char* const data = text_.data();
    while (at < size && IsSpace(data[at])) ++at;
    pos_ = at;
}

std::optional<std::string_view> Scanner::Token() {
    SkipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    if (pos_ == start) return std::nullopt;
    lastTokenStart_ = start;
    const std::string_view whole = text_.substr(start, pos_ - start);
    const std::string_view token = UpToNul(whole);
    if (token.size() < whole.size() && Listening()) {
        ReportAt(start + token.size(), FindingKind::ControlByte,
                 "a NUL byte inside a token: the token ends there for the reader");
    }
    return token;
}

std::optional<std::string_view> Scanner::PeekToken() const noexcept {
    std::size_t start = NextTokenOffset();
    std::size_t end = start;
    while (end < text_.size() && !IsSpace(text_[end])) ++end;
    if (end == start) return std::nullopt;
    return text_.substr(start, end - start);
}

std::optional<std::int32_t> Scanner::Int() {
    SkipSpace();
    const ParsedInt parsed = ParseIntPrefix(Rest());
    if (parsed.length == 0) return std::nullopt;
    const std::size_t start = pos_;
    pos_ += parsed.length;
    if (parsed.saturated && Listening()) {
        ReportAt(start, FindingKind::IntegerRange,
                 "an integer beyond the 32-bit range, read as " + std::to_string(parsed.value));
    }
    return parsed.value;
}

std::optional<float> Scanner::Float() {
    SkipSpace();
    const ParsedFloat parsed = ParseFloatPrefix(Rest());
    if (parsed.length == 0) return std::nullopt;
    const std::size_t start = pos_;
    pos_ += parsed.length;
    // Finite values are the rule; the test costs one comparison.
    if (!(std::fabs(parsed.value) <= std::numeric_limits<float>::max())) [[unlikely]] {
        ReportNonFinite(start, text_.substr(start, parsed.length), parsed.value);
    }
    return parsed.value;
}

void Scanner::ReportNonFinite(std::size_t offset, std::string_view text, float value) {
    if (!Listening()) return;
    // What the file wrote decides: a spelled-out "nan" or "inf" (after its
    // sign) is meant, anything else reached inf by overflowing.
    const std::size_t signLength = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const char first = text.size() > signLength ? text[signLength] : '0';
    const bool spelled = first == 'n' || first == 'N' || first == 'i' || first == 'I';
    const std::string shown = QuoteToken(text);
    if (spelled) {
        ReportAt(offset, FindingKind::NonFinite, "a value written as " + shown + " is not a finite number: kept as it is");
        return;
    }
    ReportAt(offset, FindingKind::FloatRange,
             shown + " lies beyond the range of a 32-bit float: read as " + (value < 0 ? "-inf" : "inf"));
}

std::string_view Scanner::Line(std::size_t limit) noexcept {
    const std::size_t available = std::min(limit, text_.size() - pos_);
    std::string_view window = text_.substr(pos_, available);
    const std::size_t lineBreak = window.find('\n');
    if (lineBreak != std::string_view::npos) window = window.substr(0, lineBreak + 1);
    pos_ += window.size();
    return UpToNul(window);
}

std::size_t Scanner::NextTokenOffset() const noexcept {
    std::size_t at = pos_;
    while (at < text_.size() && IsSpace(text_[at])) ++at;
    return at;
}

void Scanner::Report(FindingKind kind, std::string message) {
    if (sink_ != nullptr) ReportAt(NextTokenOffset(), kind, std::move(message));
}

void Scanner::ReportAt(std::size_t offset, FindingKind kind, std::string message) {
    if (sink_ == nullptr) return;
    sink_->Report(Finding{kind, std::min(offset, text_.size()), std::move(message)});
    EndIfStopRequested();
}

void Scanner::NoteSectionFound() {
    ++sectionsFound_;
    if (sink_ == nullptr) return;
    sink_->SectionFound();
    // Settling earlier findings may have ended the read.
    EndIfStopRequested();
}

void Scanner::ReleaseStops() noexcept {
    holdStops_ = false;
    EndIfStopRequested();
}

void Scanner::EndIfStopRequested() noexcept {
    if (!holdStops_ && sink_ != nullptr && sink_->StopRequested()) text_ = text_.substr(0, pos_);
}

}  // namespace readdata14

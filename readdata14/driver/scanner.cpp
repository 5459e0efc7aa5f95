#include "driver/scanner.hpp"

#include <algorithm>

#include "driver/numbers.hpp"

namespace readdata14 {
namespace {

// White space as isspace has it in the C locale.
constexpr bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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

std::optional<std::string_view> Scanner::Token() noexcept {
    SkipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    if (pos_ == start) return std::nullopt;
    return UpToNul(text_.substr(start, pos_ - start));
}

std::optional<std::int32_t> Scanner::Int() noexcept {
    SkipSpace();
    const ParsedInt parsed = ParseIntPrefix(Rest());
    if (parsed.length == 0) return std::nullopt;
    pos_ += parsed.length;
    return parsed.value;
}

std::optional<float> Scanner::Float() noexcept {
    SkipSpace();
    const ParsedFloat parsed = ParseFloatPrefix(Rest());
    if (parsed.length == 0) return std::nullopt;
    pos_ += parsed.length;
    return parsed.value;
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
    offset = std::min(offset, text_.size());
    const std::string_view before = text_.substr(0, offset);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    sink_->Report(Finding{kind, line, column, std::move(message)});
}

}  // namespace readdata14

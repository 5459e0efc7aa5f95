#include "chart_writer.hpp"

#include <charconv>

namespace readdata14::make_chart {
namespace {
constexpr std::size_t FLUSH_AT = std::size_t{1} << 20;
}

ChartWriter::ChartWriter(std::FILE* out) : out_(out) {
    if (out_ != nullptr) buffer_.reserve(FLUSH_AT + 4096);
}

ChartWriter ChartWriter::Counter() {
    ChartWriter counter;
    counter.countOnly_ = true;
    return counter;
}

void ChartWriter::Token(std::string_view token) {
    buffer_.append(token);
    buffer_.push_back(' ');
}

void ChartWriter::Int(std::int64_t value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;  // 24 characters hold every 64-bit integer
    buffer_.append(digits, end);
    buffer_.push_back(' ');
}

void ChartWriter::Fixed(double value, int decimals) {
    // Rounding may leave a negative zero ("-0.00"); a reader takes it as 0,
    // but the plain form reads better.
    char digits[64];
    auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) {
        buffer_.append("0 ");
        return;
    }
    std::string_view text(digits, static_cast<std::size_t>(end - digits));
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos) text.remove_prefix(1);
    buffer_.append(text);
    buffer_.push_back(' ');
}

void ChartWriter::Point(double x, double y) {
    Fixed(x, 2);
    Fixed(y, 2);
    buffer_.append("0 ");
}

void ChartWriter::Raw(std::string_view text) { buffer_.append(text); }

void ChartWriter::Newline() {
    if (!buffer_.empty() && buffer_.back() == ' ') buffer_.back() = '\n';
    else buffer_.push_back('\n');
    // Only at a line's end, so that a blank before it is never flushed early
    // and the bytes do not depend on where the buffer was cut.
    MaybeFlush();
}

void ChartWriter::MaybeFlush() {
    if ((out_ != nullptr || countOnly_) && buffer_.size() >= FLUSH_AT) Flush();
}

bool ChartWriter::Flush() {
    if (out_ == nullptr && !countOnly_) return true;
    if (out_ != nullptr && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
        failed_ = true;
    flushed_ += buffer_.size();
    buffer_.clear();
    return !failed_;
}

}  // namespace readdata14::make_chart

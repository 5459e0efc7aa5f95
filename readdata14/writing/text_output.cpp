#include "writing/text_output.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace readdata14::writing {
namespace {

// A megabyte a piece: few calls into the sink, little memory.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

}  // namespace

TextOutput::TextOutput(ByteSink& sink, bool crlf)
    : sink_(sink), crlf_(crlf), buffer_(new char[kBufferSize]), capacity_(kBufferSize) {}

char* TextOutput::Reserve(std::size_t size) {
    if (capacity_ - used_ < size) Flush();
    if (capacity_ - used_ < size) {
        // A piece larger than the buffer (a long text): grow to hold it.
        const std::size_t grown = std::max(size, capacity_ * 2);
        std::unique_ptr<char[]> larger(new char[grown]);
        std::memcpy(larger.get(), buffer_.get(), used_);
        buffer_ = std::move(larger);
        capacity_ = grown;
    }
    return buffer_.get() + used_;
}

void TextOutput::Raw(std::string_view bytes) {
    if (bytes.empty()) return;
    char* at = Reserve(bytes.size());
    std::memcpy(at, bytes.data(), bytes.size());
    used_ += bytes.size();
}

void TextOutput::Newline() {
    // A blank already handed to the sink stays: it is only untidy.
    if (used_ > 0 && buffer_[used_ - 1] == ' ') --used_;
    NewlineAfterText();
}

void TextOutput::NewlineAfterText() {
    const char before = used_ > 0 ? buffer_[used_ - 1] : last_;
    char* at = Reserve(2);
    if (crlf_ || before == '\r') *at++ = '\r';
    *at++ = '\n';
    Advance(at);
}

void TextOutput::Int(std::int64_t value) {
    char* at = Reserve(24);
    Advance(std::to_chars(at, at + 24, value).ptr);
}

bool TextOutput::Flush() {
    if (used_ > 0 && !failed_) {
        if (!sink_.Put(std::string_view(buffer_.get(), used_))) {
            failed_ = true;
        } else {
            handed_ += used_;
            last_ = buffer_[used_ - 1];
        }
    }
    used_ = 0;
    return !failed_;
}

}  // namespace readdata14::writing

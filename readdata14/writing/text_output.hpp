// The bytes of a chart as the writer makes them: gathered in a buffer and
// handed to a sink a large piece at a time, with the line ends the host
// asked for, spelt so that the reader's text mode gives back what was meant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace readdata14::writing {

// Where the bytes go: a file, memory, the host's callback.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // False ends the write; the sink keeps why.
    virtual bool Put(std::string_view bytes) = 0;
};

class TextOutput {
public:
    TextOutput(ByteSink& sink, bool crlf);

    // Bytes as they are; a line break among them goes through Newline.
    void Raw(std::string_view bytes);
    void Word(std::string_view word) {
        Raw(word);
        Space();
    }
    void Space() { Put(' '); }
    // LF, or CR LF when asked, in place of the blank that ended the line.
    // Text mode reads CR LF as LF, so a line break after a CR that belongs
    // to a text is written CR LF in either mode: the CR then stays a CR.
    void Newline();
    // The same after a text, whose last blank is its own.
    void NewlineAfterText();
    void Int(std::int64_t value);
    // Where `size` more bytes may be written; Advance(end) then keeps the
    // bytes up to `end`.
    char* Reserve(std::size_t size);
    void Advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

    // Hands over what is buffered; false when the sink refused (now or before).
    bool Flush();
    bool Failed() const noexcept { return failed_; }
    std::uint64_t Written() const noexcept { return handed_; }

private:
    void Put(char c) {
        if (used_ == capacity_) Flush();
        buffer_[used_++] = c;
    }

    ByteSink& sink_;
    bool crlf_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    char last_ = '\0';  // the last byte handed over, for a CR before a flush
    std::uint64_t handed_ = 0;
    bool failed_ = false;
};

}  // namespace readdata14::writing

// Texts of a chart as UTF-8. Newer files hold UTF-8; older ones a legacy
// 8-bit or double-byte code page, which --encoding names (an iconv name).
// A byte that does not decode is written as the four visible characters
// \xNN (NN its value in upper-case hex), never dropped.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "readdata14/layers.hpp"

namespace readdata14::chart14 {

class TextDecoder {
public:
    // An empty name takes texts as UTF-8. Empty optional, with `error` set,
    // when iconv does not know the name.
    static std::optional<TextDecoder> Open(const std::string& encoding, std::string& error);

    TextDecoder(TextDecoder&& other) noexcept;
    TextDecoder& operator=(TextDecoder&& other) noexcept;
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;
    ~TextDecoder();

    std::string ToUtf8(std::string_view bytes);

    // Whether some byte so far did not decode and was escaped.
    bool Escaped() const noexcept { return escaped_; }

    // For exact dumps: a backslash of the text becomes \\, so that no text
    // gives the same output as the escape of a byte that did not decode.
    void SetExact(bool exact) noexcept { exact_ = exact; }

private:
    TextDecoder() = default;
    void AppendEscaped(std::string& out, unsigned char byte);
    std::string CheckedUtf8(std::string_view bytes);
    std::string Converted(std::string_view bytes);

    void* converter_ = nullptr;  // iconv_t; null for UTF-8 input
    bool escaped_ = false;
    bool exact_ = false;
};

// The UTF-8 rule itself (Utf8SequenceLength, IsUtf8, Utf8OrEscaped) is the
// layer mapping's, shared with the GDAL driver: readdata14/layers.hpp.
using layers::Utf8SequenceLength;

// Bytes that are not valid UTF-8 as \xNN, the rest as it is: for a file's
// path, which is no chart text and so never decoded, in JSON (whose writer
// escapes control characters itself).
std::string EscapeInvalidUtf8(std::string_view bytes);

// The same, and control bytes (below 0x20, and 0x7F) as \xNN too: safe to
// print on a terminal, one line per message.
std::string DisplayText(std::string_view bytes);

}  // namespace readdata14::chart14

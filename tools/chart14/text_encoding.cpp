#include "text_encoding.hpp"

#include <cerrno>
#include <iconv.h>

#include <utility>

namespace readdata14::chart14 {
namespace {

iconv_t Handle(void* converter) { return static_cast<iconv_t>(converter); }

bool IsContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

void AppendHexEscape(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0Fu];
}

std::string Escaped(std::string_view bytes, bool controls) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes[0]);
        const std::size_t length = Utf8SequenceLength(bytes);
        if (length == 0 || (controls && (byte < 0x20u || byte == 0x7Fu))) {
            AppendHexEscape(out, byte);
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view bytes) noexcept {
    if (bytes.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    if (b0 < 0x80u) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80u, high = 0xBFu;  // the range of the second byte
    if (b0 >= 0xC2u && b0 <= 0xDFu) {
        length = 2;
    } else if (b0 >= 0xE0u && b0 <= 0xEFu) {
        length = 3;
        if (b0 == 0xE0u) low = 0xA0u;   // no overlong forms
        if (b0 == 0xEDu) high = 0x9Fu;  // no surrogates
    } else if (b0 >= 0xF0u && b0 <= 0xF4u) {
        length = 4;
        if (b0 == 0xF0u) low = 0x90u;
        if (b0 == 0xF4u) high = 0x8Fu;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length) return 0;
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b1 < low || b1 > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(bytes[i]))) return 0;
    }
    return length;
}

std::optional<TextDecoder> TextDecoder::Open(const std::string& encoding, std::string& error) {
    TextDecoder decoder;
    if (encoding.empty()) return decoder;
    const iconv_t handle = iconv_open("UTF-8", encoding.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        error = "unknown encoding '" + encoding + "' (see iconv --list)";
        return std::nullopt;
    }
    decoder.converter_ = handle;
    return decoder;
}

TextDecoder::TextDecoder(TextDecoder&& other) noexcept
    : converter_(std::exchange(other.converter_, nullptr)), escaped_(other.escaped_) {}

TextDecoder& TextDecoder::operator=(TextDecoder&& other) noexcept {
    if (this != &other) {
        if (converter_ != nullptr) iconv_close(Handle(converter_));
        converter_ = std::exchange(other.converter_, nullptr);
        escaped_ = other.escaped_;
    }
    return *this;
}

TextDecoder::~TextDecoder() {
    if (converter_ != nullptr) iconv_close(Handle(converter_));
}

std::string TextDecoder::ToUtf8(std::string_view bytes) {
    return converter_ == nullptr ? CheckedUtf8(bytes) : Converted(bytes);
}

std::string EscapeInvalidUtf8(std::string_view bytes) { return Escaped(bytes, false); }

std::string DisplayText(std::string_view bytes) { return Escaped(bytes, true); }

void TextDecoder::AppendEscaped(std::string& out, unsigned char byte) {
    AppendHexEscape(out, byte);
    escaped_ = true;
}

std::string TextDecoder::CheckedUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = Utf8SequenceLength(bytes);
        if (length == 0) {
            AppendEscaped(out, static_cast<unsigned char>(bytes[0]));
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

// iconv stops at a byte it cannot convert (EILSEQ) or at a sequence cut off
// by the end (EINVAL); either byte is escaped and the conversion goes on
// after it, from a reset state.
std::string TextDecoder::Converted(std::string_view bytes) {
    const iconv_t handle = Handle(converter_);
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    std::string buffer(4 * bytes.size() + 16, '\0');
    char* in = const_cast<char*>(bytes.data());  // iconv's signature; it does not write there
    std::size_t inLeft = bytes.size();
    while (true) {
        char* outAt = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t done = iconv(handle, inLeft > 0 ? &in : nullptr, &inLeft, &outAt, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outAt - buffer.data()));
        if (done != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: escape the byte that stopped it.
        AppendEscaped(out, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        if (inLeft == 0) break;
    }
    return out;
}

}  // namespace readdata14::chart14

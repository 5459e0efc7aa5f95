#include "support/text_encoding.hpp"

#include <cerrno>
#include <iconv.h>

#include <utility>

namespace readdata14::chart14 {
namespace {

using layers::AppendEscapedByte;
using layers::IsUtf8;
using layers::Utf8OrEscaped;

iconv_t Handle(void* converter) { return static_cast<iconv_t>(converter); }

std::string Escaped(std::string_view bytes, bool controls) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes[0]);
        const std::size_t length = Utf8SequenceLength(bytes);
        if (length == 0 || (controls && (byte < 0x20u || byte == 0x7Fu))) {
            AppendEscapedByte(out, byte);
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

}  // namespace

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
    : converter_(std::exchange(other.converter_, nullptr)), escaped_(other.escaped_), exact_(other.exact_) {}

TextDecoder& TextDecoder::operator=(TextDecoder&& other) noexcept {
    if (this != &other) {
        if (converter_ != nullptr) iconv_close(Handle(converter_));
        converter_ = std::exchange(other.converter_, nullptr);
        escaped_ = other.escaped_;
        exact_ = other.exact_;
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
    AppendEscapedByte(out, byte);
    escaped_ = true;
}

std::string TextDecoder::CheckedUtf8(std::string_view bytes) {
    if (!IsUtf8(bytes)) escaped_ = true;
    return Utf8OrEscaped(bytes, exact_);
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
        for (const char* c = buffer.data(); c < outAt; ++c) {
            if (exact_ && *c == '\\') out += '\\';
            out += *c;
        }
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

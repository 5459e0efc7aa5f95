// The chart's texts as UTF-8, which is all OGR string fields may hold
// (OLCStringsAsUTF8). With the ENCODING open option the bytes are recoded
// from that code page; without it valid UTF-8 passes and every other byte is
// written \xNN, with one warning per dataset that names the option. Writing,
// the ENCODING creation option recodes UTF-8 into the code page.
#include <algorithm>

#include "ogr_chart14_write.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::ogr {

bool KnownEncoding(const char* encoding) {
    // CPLRecode warns and hands the text back unchanged for a name iconv
    // does not know, which would pass the file's bytes off as UTF-8; so try
    // the name once, quietly, before trusting it.
    CPLErrorStateBackuper keep;
    CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    CPLErrorReset();
    CPLFree(CPLRecode("A", encoding, CPL_ENC_UTF8));
    return CPLGetLastErrorType() == CE_None;
}

std::optional<std::string> EncodeText(const std::string& encoding, const std::string& utf8) {
    if (encoding.empty()) return utf8;
    // CPLRecode puts "?" for a character the encoding lacks, and warns only
    // the first time in a process: a text that does not come back the same
    // has such a character.
    CPLErrorStateBackuper keep;
    CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    char* encoded = CPLRecode(utf8.c_str(), CPL_ENC_UTF8, encoding.c_str());
    std::string out(encoded);
    CPLFree(encoded);
    char* back = CPLRecode(out.c_str(), encoding.c_str(), CPL_ENC_UTF8);
    const bool same = utf8 == back;
    CPLFree(back);
    if (!same) return std::nullopt;
    return out;
}

bool Chart14Dataset::GivesBack(const std::string& shown, std::string_view bytes) const {
    const bool control = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    const auto encoded = EncodeText(encoding_, shown);
    return !control && encoded && *encoded == bytes;
}

std::string HexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::optional<std::string> BytesOfHex(std::string_view hex) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

bool Chart14Dataset::SetEncoding(const char* encoding) {
    if (encoding == nullptr || encoding[0] == '\0') return true;
    if (!KnownEncoding(encoding)) {
        CPLError(CE_Failure, CPLE_IllegalArg, "Chart14: ENCODING=%s is not an encoding iconv knows (see iconv --list)",
                 encoding);
        return false;
    }
    encoding_ = encoding;
    return true;
}

// A C string cannot hold a NUL byte: it is written \x00 whatever the encoding.
std::string Chart14Dataset::DecodeText(std::string_view bytes) const {
    std::string out;
    for (auto nul = bytes.find('\0'); nul != std::string_view::npos; nul = bytes.find('\0')) {
        out += DecodePiece(bytes.substr(0, nul));
        out += "\\x00";
        bytes.remove_prefix(nul + 1);
    }
    out += DecodePiece(bytes);
    return out;
}

std::string Chart14Dataset::DecodePiece(std::string_view bytes) const {
    if (encoding_.empty()) return layers::Utf8OrEscaped(bytes);
    const std::string source(bytes);
    char* recoded = CPLRecode(source.c_str(), encoding_.c_str(), CPL_ENC_UTF8);
    std::string out(recoded);
    CPLFree(recoded);
    // A byte the code page has no character for may come back as it was.
    return layers::IsUtf8(out) ? out : layers::Utf8OrEscaped(out);
}

namespace {

// Whether every text of a column of the layer model is valid UTF-8.
bool ColumnIsUtf8(const readdata14_layer& table, const readdata14_column& column) {
    if (column.type != READDATA14_FIELD_STRING) return true;
    for (std::uint64_t row = 0; row < table.featureCount; ++row) {
        if (column.nulls != nullptr && column.nulls[row] != 0) continue;
        if (!layers::IsUtf8({column.texts + column.textStarts[row], column.textLengths[row]})) return false;
    }
    return true;
}

}  // namespace

void Chart14Dataset::WarnAboutInvalidTexts() const {
    if (!encoding_.empty()) return;
    const readdata14_document& d = *document_;
    bool valid = layers::IsUtf8({d.chart.description, d.descriptionSize}) &&
                 layers::IsUtf8({d.firstToken, d.firstTokenSize});
    for (std::uint32_t id = 0; valid && id < readdata14_layer_count(); ++id) {
        const readdata14_layer& table = *readdata14_document_layer(&d, id);
        for (std::uint32_t k = 0; valid && k < table.definition->fieldCount; ++k)
            valid = ColumnIsUtf8(table, table.columns[k]);
    }
    if (valid) return;
    CPLError(CE_Warning, CPLE_AppDefined,
             "Chart14: %s: some texts are not valid UTF-8; their other bytes are written as \\xNN. "
             "Name the texts' encoding with the open option ENCODING (e.g. -oo ENCODING=CP1252)",
             GetDescription());
}

}  // namespace readdata14::ogr

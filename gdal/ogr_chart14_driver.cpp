// The driver's registration and its identification of type-14 charts.
//
// GDAL loads ogr_Chart14.so from GDAL_DRIVER_PATH or its plugin folder and
// calls RegisterOGRChart14 (the name it derives from the file name);
// GDALRegister_Chart14 is the same call under the name drivers usually have.
#include <algorithm>
#include <optional>

#include "ogr_chart14.hpp"

namespace readdata14::ogr {
namespace {

// As the C runtime's isspace in the "C" locale; CR LF is two of them.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Text has no control bytes besides white space; a binary file soon shows one.
bool IsTextToken(std::string_view token) {
    return std::none_of(token.begin(), token.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20u || byte == 0x7Fu;
    });
}

// A whole token that is a decimal integer, as "%d" reads one: a sign, digits.
std::optional<long long> WholeInteger(std::string_view token) {
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) token.remove_prefix(1);
    if (token.empty() || token.size() > 18) return std::nullopt;
    long long value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

constexpr const char* OPEN_OPTIONS =
    "<OpenOptionList>"
    "  <Option name='ENCODING' type='string' description='Encoding of the texts (symbols, notes, description): any "
    "iconv name, e.g. CP1252. Without it, valid UTF-8 passes and other bytes are written as \\xNN'/>"
    "  <Option name='SRS' type='string' description='Spatial reference of the chart coordinates (anything "
    "OGRSpatialReference::SetFromUserInput takes: EPSG:4326, WKT, PROJ string). None by default'/>"
    "</OpenOptionList>";

}  // namespace

HeaderVerdict CheckHeader(std::string_view bytes, bool complete) {
    // Text mode: a Ctrl-Z ends the input.
    if (const auto eof = bytes.find('\x1a'); eof != std::string_view::npos) {
        bytes = bytes.substr(0, eof);
        complete = true;
    }
    for (int i = 0; i < 8; ++i) {
        const auto start = std::find_if_not(bytes.begin(), bytes.end(), IsSpace);
        const auto end = std::find_if(start, bytes.end(), IsSpace);
        const std::string_view token(start, static_cast<std::size_t>(end - start));
        // A token that runs to the end of bytes that are not the whole file
        // may go on beyond them.
        if (end == bytes.end() && !complete) return HeaderVerdict::NeedMore;
        if (token.empty() || !IsTextToken(token)) return HeaderVerdict::NotChart;
        if (i == 1 && WholeInteger(token) != 14) return HeaderVerdict::NotChart;
        if (i >= 3 && !WholeInteger(token)) return HeaderVerdict::NotChart;
        bytes.remove_prefix(static_cast<std::size_t>(end - bytes.begin()));
    }
    return HeaderVerdict::Chart;
}

int Chart14Dataset::Identify(GDALOpenInfo* info) {
    if (info->fpL == nullptr || info->nHeaderBytes == 0) return FALSE;
    // GDAL reads 1 kB ahead; a header spread wider gets up to 64 kB.
    for (int want = 1024; want <= 65536; want *= 8) {
        if (info->nHeaderBytes < want && want > 1024) info->TryToIngest(want);
        const std::string_view header(reinterpret_cast<const char*>(info->pabyHeader),
                                      static_cast<std::size_t>(info->nHeaderBytes));
        const bool whole = info->nHeaderBytes < want;
        switch (CheckHeader(header, whole)) {
            case HeaderVerdict::Chart: return TRUE;
            case HeaderVerdict::NotChart: return FALSE;
            case HeaderVerdict::NeedMore: break;
        }
    }
    return FALSE;
}

}  // namespace readdata14::ogr

extern "C" __attribute__((visibility("default"))) void GDALRegister_Chart14() {
    if (!GDAL_CHECK_VERSION("Chart14")) return;
    if (GDALGetDriverByName("Chart14") != nullptr) return;
    auto* driver = new GDALDriver();
    driver->SetDescription("Chart14");
    driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    driver->SetMetadataItem(GDAL_DCAP_MULTIPLE_VECTOR_LAYERS, "YES");
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Type-14 weather chart (readdata14)");
    // For file dialogs only: charts are identified by content, whatever
    // their name.
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "txt");
    driver->SetMetadataItem(GDAL_DMD_OPENOPTIONLIST, readdata14::ogr::OPEN_OPTIONS);
    driver->pfnIdentify = readdata14::ogr::Chart14Dataset::Identify;
    driver->pfnOpen = readdata14::ogr::Chart14Dataset::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}

extern "C" __attribute__((visibility("default"))) void RegisterOGRChart14() { GDALRegister_Chart14(); }

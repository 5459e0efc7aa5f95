// Which files the driver claims.
//
// GDAL asks its drivers in turn whether a file is theirs, and asks plugins
// first, so this driver sees every file before GDAL's own drivers do. It
// claims a file by content, as the library identifies charts: a type-14
// header and a section tag after it (readdata14_identify). Content alone
// would take from GDAL's CSV, XYZ, GMT and WAsP drivers the files that they
// open by their name whatever they hold, so a chart under such a name is
// left to them, unless the user names this driver alone (or prefixes the
// name with CHART14:).
#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "ogr_chart14.hpp"

namespace readdata14::ogr {
namespace {

constexpr const char* DRIVER_NAME = "Chart14";
constexpr const char* PREFIX = "CHART14:";

// The extensions of the names that GDAL's text drivers take whatever the
// file holds: CSV (.csv, .tsv, .psv), XYZ (.xyz), GMT (.gmt), WAsP (.map).
constexpr std::array<std::string_view, 6> OTHERS_EXTENSIONS{"csv", "tsv", "psv", "xyz", "gmt", "map"};

// GDALOpenInfo reads the first kilobyte; while the library needs more to
// tell (a long description, a section tag further down), the head grows to
// 64 kB and then to 1 MB, and a file that ends within it is told whole.
constexpr int FIRST_HEAD = 1024;
constexpr std::array<int, 2> LONGER_HEADS{1 << 16, 1 << 20};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The extension, looking through a .gz as GDAL's CSV driver does.
std::string ExtensionOf(const char* filename) {
    std::string extension = Lower(CPLGetExtension(filename));
    if (extension == "gz") extension = Lower(CPLGetExtension(CPLGetBasename(filename)));
    return extension;
}

bool NameLeftToOthers(const char* filename) {
    const std::string extension = ExtensionOf(filename);
    return std::find(OTHERS_EXTENSIONS.begin(), OTHERS_EXTENSIONS.end(), extension) != OTHERS_EXTENSIONS.end();
}

std::string_view Head(const GDALOpenInfo* info) {
    if (info->pabyHeader == nullptr || info->nHeaderBytes <= 0) return {};
    return {reinterpret_cast<const char*>(info->pabyHeader), static_cast<std::size_t>(info->nHeaderBytes)};
}

// The library's verdict on the file's head, grown while it needs more.
readdata14_identity IdentifyHead(GDALOpenInfo* info, std::string& reason) {
    char why[256] = "";
    int tried = FIRST_HEAD;
    for (std::size_t grown = 0;; ++grown) {
        const std::string_view head = Head(info);
        const bool wholeFile = info->nHeaderBytes < tried;
        const readdata14_identity identity =
            readdata14_identify(head.empty() ? "" : head.data(), head.size(), wholeFile ? 1 : 0, why, sizeof why);
        if (identity != READDATA14_NEEDS_MORE) {
            reason = why;
            return identity;
        }
        if (grown == LONGER_HEADS.size()) {
            reason = "no section tag (LINES:, STATION_SITUATION, ...) follows a type-14 header in the first 1 MB";
            return READDATA14_NOT_CHART;
        }
        tried = LONGER_HEADS[grown];
        info->TryToIngest(tried);
    }
}

// Whether a driver other than this one lists the extension as its own. A
// .txt is the usual name of a chart: the drivers that list it too tell their
// files by content that bears no section tag.
bool AnotherDriverListsExtension(const std::string& extension) {
    if (extension.empty() || extension == "txt") return false;
    GDALDriverManager* manager = GetGDALDriverManager();
    for (int i = 0; i < manager->GetDriverCount(); ++i) {
        GDALDriver* driver = manager->GetDriver(i);
        if (driver == nullptr || EQUAL(driver->GetDescription(), DRIVER_NAME)) continue;
        for (const char* key : {GDAL_DMD_EXTENSIONS, GDAL_DMD_EXTENSION}) {
            const CPLStringList listed(CSLTokenizeString(driver->GetMetadataItem(key)));
            for (int k = 0; k < listed.size(); ++k) {
                if (Lower(listed[k]) == extension) return true;
            }
        }
    }
    return false;
}

}  // namespace

bool NamedAlone(const GDALOpenInfo* info) {
    const char* const* allowed = info->papszAllowedDrivers;
    return allowed != nullptr && allowed[0] != nullptr && allowed[1] == nullptr && EQUAL(allowed[0], DRIVER_NAME);
}

const char* PrefixedPath(const char* name) {
    return STARTS_WITH_CI(name, PREFIX) ? name + std::char_traits<char>::length(PREFIX) : nullptr;
}

Identification IdentifyChart(GDALOpenInfo* info, bool namedAlone) {
    Identification result;
    if (info->fpL == nullptr || info->bIsDirectory) {
        result.reason = info->bIsDirectory ? "a directory" : "not a file that GDAL can read";
        return result;
    }
    if (IdentifyHead(info, result.reason) != READDATA14_IS_CHART) return result;
    if (!namedAlone && NameLeftToOthers(info->pszFilename)) {
        result.claim = Claim::LeftToOthers;
        result.reason = "files named *." + ExtensionOf(info->pszFilename) +
                        " are left to GDAL's text drivers; name the Chart14 driver alone to read it as a chart";
        return result;
    }
    result.claim = Claim::Chart;
    return result;
}

bool BearsChartMarks(const GDALOpenInfo* info) {
    const std::string_view head = Head(info);
    if (head.empty() || head.find('\0') != std::string_view::npos) return false;  // not text
    if (NameLeftToOthers(info->pszFilename) || AnotherDriverListsExtension(ExtensionOf(info->pszFilename)))
        return false;
    // The section tags are the library's to know: given a type-14 header of
    // its own in front of the head, it claims it when a tag stands there.
    std::string probe = "x 14 x\n";
    probe.append(head);
    return readdata14_identify(probe.data(), probe.size(), 1, nullptr, 0) == READDATA14_IS_CHART;
}

// A prefixed name is claimed as it stands: GDAL opens no file for it, and
// the open says why when the file it names is not a chart.
int Chart14Dataset::Identify(GDALOpenInfo* info) {
    if (PrefixedPath(info->pszFilename) != nullptr) return TRUE;
    return IdentifyChart(info, NamedAlone(info)).claim == Claim::Chart ? TRUE : FALSE;
}

}  // namespace readdata14::ogr

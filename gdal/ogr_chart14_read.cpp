// Reading a chart for the driver: a file on disk through the library's own
// read; any other GDAL file (/vsizip/, /vsimem/, /vsistdin/, ...) through
// GDAL's virtual file layer, front to back into memory with no seek beyond
// its start, so that streams of any size read too. The read's findings
// become GDAL warnings with their place.
#include <algorithm>
#include <cinttypes>
#include <exception>

#include "ogr_chart14.hpp"
#include "readdata14/format.hpp"

namespace readdata14::ogr {
namespace {

// The first findings each become a warning, the rest one warning with their
// count, so that a badly broken file does not flood the caller.
constexpr std::uint64_t SHOWN_FINDINGS = 10;

int READDATA14_CALL WarnAboutFinding(const readdata14_finding* finding, void* context) {
    const auto* file = static_cast<const char*>(context);
    CPLError(CE_Warning, CPLE_AppDefined, "Chart14: %s:%" PRIu64 ":%" PRIu64 ": %s: %s: %s",
             file, finding->line, finding->column,
             finding->severity == READDATA14_ERROR ? "error" : "warning", readdata14_finding_kind_name(finding->kind),
             finding->message);
    return READDATA14_GO_ON;
}

void WarnAboutUnshownFindings(const readdata14_document& document, const char* file) {
    const std::uint64_t findings = std::uint64_t{document.chart.errors} + document.chart.warnings;
    if (findings <= SHOWN_FINDINGS) return;
    CPLError(CE_Warning, CPLE_AppDefined, "Chart14: %s: %" PRIu64 " more findings not shown (chart14 check lists them all)",
             file, findings - SHOWN_FINDINGS);
}

// A plain file of the local file system, which the library reads itself.
bool OnDisk(const char* name) {
    if (STARTS_WITH(name, "/vsi")) return false;
    VSIStatBufL status;
    return VSIStatExL(name, &status, VSI_STAT_NATURE_FLAG) == 0 && VSI_ISREG(status.st_mode);
}

// The file from its start to its end, or to one byte beyond `limit`, which
// tells the library that the file is larger than it reads.
bool ReadStream(VSILFILE* file, const char* name, std::uint64_t limit, std::string& bytes) {
    if (VSIFSeekL(file, 0, SEEK_SET) != 0) {
        CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: cannot go back to the start of the file", name);
        return false;
    }
    std::size_t chunk = std::size_t{1} << 20;
    while (bytes.size() <= limit) {
        const std::size_t used = bytes.size();
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, limit + 1 - used));
        bytes.resize(used + want);
        const std::size_t got = VSIFReadL(bytes.data() + used, 1, want, file);
        bytes.resize(used + got);
        // A short read is the end: GDAL's archive handlers (/vsizip/,
        // /vsigzip/) do not all set the end-of-file flag that would tell it
        // from a failure.
        if (got < want) break;
        chunk = std::min(chunk * 2, std::size_t{1} << 26);
    }
    return true;
}

// Why a read gave no chart, in words.
std::string WhyNotRead(readdata14_status status, const readdata14_document* document) {
    std::string why = readdata14_status_name(status);
    if (status == READDATA14_CANNOT_OPEN && document != nullptr && document->chart.systemError != 0)
        why += std::string(": ") + VSIStrerror(document->chart.systemError);
    if (status == READDATA14_TOO_LARGE)
        why += " (" + std::to_string(READDATA14_DEFAULT_MAX_INPUT >> 20) + " MB)";
    return why;
}

Document Read(GDALOpenInfo* info) {
    const char* name = info->pszFilename;
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.onFinding = WarnAboutFinding;
    options.context = const_cast<char*>(name);
    options.maxFindings = SHOWN_FINDINGS;
    readdata14_document* read = nullptr;
    readdata14_status status = READDATA14_READ;
    if (OnDisk(name)) {
        status = readdata14_open(name, &options, &read);
    } else {
        std::string bytes;
        if (!ReadStream(info->fpL, name, READDATA14_DEFAULT_MAX_INPUT, bytes)) return nullptr;
        status = readdata14_open_memory(bytes.data(), bytes.size(), &options, &read);
    }
    Document document(read);
    if (status != READDATA14_READ) {
        CPLError(CE_Failure, status == READDATA14_OUT_OF_MEMORY ? CPLE_OutOfMemory : CPLE_OpenFailed,
                 "Chart14: %s: %s", name, WhyNotRead(status, document.get()).c_str());
        return nullptr;
    }
    WarnAboutUnshownFindings(*document, name);
    return document;
}

}  // namespace

Document ReadChart(GDALOpenInfo* info) {
    try {
        return Read(info);
    } catch (const std::exception& e) {  // memory for the stream's bytes: nothing else throws here
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s", info->pszFilename, e.what());
        return nullptr;
    }
}

std::string DroppedSymbolSlots(const readdata14_document& document, const readdata14_layer& symbols) {
    const std::int64_t* types = symbols.columns[0].integers;
    std::string slots;
    std::uint64_t record = 0;
    for (std::size_t slot = 0; slot < document.chart.symbolLengthsSize; ++slot) {
        // A text symbol's slot holds its length; a symbol with a direction
        // has a zero slot, and so has one that was dropped.
        const bool direction = record < symbols.featureCount && !IsTextSymbolType(static_cast<std::int32_t>(types[record]));
        if (document.chart.symbols.lengths[slot] != 0 || direction) {
            ++record;
            continue;
        }
        if (!slots.empty()) slots += ',';
        slots += std::to_string(slot);
    }
    return slots;
}

}  // namespace readdata14::ogr

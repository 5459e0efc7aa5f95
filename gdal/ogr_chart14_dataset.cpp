// Opening a chart: one read of the file's bytes through GDAL's virtual file
// layer, the read's findings as GDAL warnings, the open options, the layers
// and the dataset's metadata.
#include <cinttypes>
#include <exception>

#include "ogr_chart14.hpp"

namespace readdata14::ogr {
namespace {

// The first findings each become a warning; the rest one warning with their
// count, so a badly broken file does not flood the caller.
constexpr std::uint64_t SHOWN_FINDINGS = 10;

struct FindingReport {
    const char* file;
    std::uint64_t seen = 0;

    void operator()(const readdata14_finding& finding) {
        if (++seen > SHOWN_FINDINGS) return;
        CPLError(CE_Warning, CPLE_AppDefined, "Chart14: %s:%" PRIu64 ":%" PRIu64 ": %s: %s: %s", file, finding.line,
                 finding.column, finding.severity == READDATA14_ERROR ? "error" : "warning",
                 readdata14_finding_kind_name(finding.kind), finding.message);
    }
    void Summarise() const {
        if (seen <= SHOWN_FINDINGS) return;
        CPLError(CE_Warning, CPLE_AppDefined, "Chart14: %s: %" PRIu64 " more findings not shown (chart14 check lists them all)",
                 file, seen - SHOWN_FINDINGS);
    }
};

// The whole file from the start, read to its end rather than to a size
// that a stream may not know (/vsigzip/, /vsistdin/); a file whose size is
// known must give all of it.
bool ReadAll(VSILFILE* file, const char* name, std::string& bytes) {
    vsi_l_offset size = 0;
    if (VSIFSeekL(file, 0, SEEK_END) == 0) size = VSIFTellL(file);
    if (VSIFSeekL(file, 0, SEEK_SET) != 0) {
        CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: cannot seek to the start of the file", name);
        return false;
    }
    std::size_t chunk = std::max<std::size_t>(std::size_t{1} << 16, static_cast<std::size_t>(size) + 1);
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + chunk);
        const std::size_t got = VSIFReadL(bytes.data() + used, 1, chunk, file);
        bytes.resize(used + got);
        if (got < chunk) break;
        chunk = std::min<std::size_t>(chunk * 2, std::size_t{1} << 26);
    }
    if (bytes.size() < size) {
        CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: reading stopped after %zu of %llu bytes", name, bytes.size(),
                 static_cast<unsigned long long>(size));
        return false;
    }
    return true;
}

}  // namespace

GDALDataset* Chart14Dataset::Open(GDALOpenInfo* info) {
    if (!Identify(info)) return nullptr;
    if (info->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "Chart14: %s: the driver reads charts; it cannot update them",
                 info->pszFilename);
        return nullptr;
    }
    try {
        std::unique_ptr<Chart14Dataset> dataset(new Chart14Dataset());
        if (!dataset->Setup(info)) return nullptr;
        return dataset.release();
    } catch (const std::exception& e) {  // an allocation: nothing else throws here
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s", info->pszFilename, e.what());
        return nullptr;
    }
}

bool Chart14Dataset::Setup(GDALOpenInfo* info) {
    const char* name = info->pszFilename;
    SetDescription(name);
    if (!SetEncoding(CSLFetchNameValue(info->papszOpenOptions, "ENCODING"))) return false;
    if (!SetSpatialReference(CSLFetchNameValue(info->papszOpenOptions, "SRS"))) return false;

    {
        std::string bytes;
        if (!ReadAll(info->fpL, name, bytes)) return false;
        FindingReport report{name};
        chart_ = Chart::FromMemory(bytes, std::ref(report));
        report.Summarise();
    }
    if (!chart_) {
        // The header passed Identify: memory, or an error handler of the
        // host's that threw from inside a warning, stopped the read.
        const bool memory = chart_.Status() == OpenStatus::OutOfMemory;
        CPLError(CE_Failure, memory ? CPLE_OutOfMemory : CPLE_OpenFailed, "Chart14: %s: %s", name,
                 memory                                        ? "out of memory"
                 : chart_.Status() == OpenStatus::HandlerFailed ? "the read was given up: a warning handler threw"
                                                                : "not a type-14 chart");
        return false;
    }

    chartLayers_ = std::make_unique<layers::ChartLayers>(chart_);
    for (const auto& item : chartLayers_->Metadata()) {
        const std::string value = item.key == "DESCRIPTION" ? DecodeText(item.value) : item.value;
        SetMetadataItem(std::string(item.key).c_str(), value.c_str());
    }
    WarnAboutInvalidTexts();
    for (const auto& layer : layers::AllLayers()) layers_.push_back(std::make_unique<Chart14Layer>(*this, layer.id, srs_));
    return true;
}

Chart14Dataset::~Chart14Dataset() {
    layers_.clear();
    if (srs_ != nullptr) srs_->Release();
}

OGRLayer* Chart14Dataset::GetLayer(int index) {
    if (index < 0 || index >= GetLayerCount()) return nullptr;
    return layers_[static_cast<std::size_t>(index)].get();
}

bool Chart14Dataset::SetSpatialReference(const char* definition) {
    if (definition == nullptr || definition[0] == '\0') return true;
    srs_ = new OGRSpatialReference();
    // Coordinates are x then y, whatever order the reference's axes have.
    srs_->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (srs_->SetFromUserInput(definition) != OGRERR_NONE) {
        CPLError(CE_Failure, CPLE_IllegalArg,
                 "Chart14: SRS=%s is not a spatial reference GDAL knows (give EPSG:4326, a WKT or a PROJ string)",
                 definition);
        return false;
    }
    return true;
}

}  // namespace readdata14::ogr

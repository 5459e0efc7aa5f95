// Opening a chart: the update open declined without a word, a refusal that
// says why when the file is meant as a chart, the open options, the layers
// and the dataset's metadata; and the refusal of every edit.
#include <exception>

#include "ogr_chart14.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::ogr {

GDALDataset* Chart14Dataset::Open(GDALOpenInfo* info) {
    // The driver reads charts only. Hosts such as QGIS ask for update first
    // and fall back to reading when that fails, so this is no error: an
    // error here would be logged for every layer they open.
    if (info->eAccess == GA_Update) {
        CPLDebug("Chart14", "%s: not opened for update: the driver reads charts only", info->pszFilename);
        return nullptr;
    }
    if (const char* path = PrefixedPath(info->pszFilename)) {
        GDALOpenInfo file(path, GDAL_OF_VECTOR | GDAL_OF_READONLY);
        file.papszOpenOptions = info->papszOpenOptions;
        GDALDataset* dataset = OpenChart(&file, true);
        if (dataset != nullptr) dataset->SetDescription(info->pszFilename);  // the name as the user gave it
        return dataset;
    }
    return OpenChart(info, NamedAlone(info));
}

GDALDataset* Chart14Dataset::OpenChart(GDALOpenInfo* info, bool namedAlone) {
    const Identification identification = IdentifyChart(info, namedAlone);
    if (identification.claim != Claim::Chart) {
        // Other drivers may still take the file: stay quiet unless this one
        // was asked for alone, or the file bears the format's marks.
        if (namedAlone) {
            CPLError(CE_Failure, CPLE_OpenFailed, "Chart14: %s: not read as a type-14 chart: %s", info->pszFilename,
                     identification.reason.c_str());
        } else if (identification.claim == Claim::NotChart && BearsChartMarks(info)) {
            CPLError(CE_Warning, CPLE_OpenFailed, "Chart14: %s: not a type-14 chart: %s", info->pszFilename,
                     identification.reason.c_str());
        }
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
    SetDescription(info->pszFilename);
    if (!SetEncoding(CSLFetchNameValue(info->papszOpenOptions, "ENCODING"))) return false;
    if (!SetSpatialReference(CSLFetchNameValue(info->papszOpenOptions, "SRS"))) return false;
    document_ = ReadChart(info);
    if (!document_) return false;

    for (const auto& item : layers::DocumentMetadata(*document_)) {
        const bool text = item.key == "DESCRIPTION" || item.key == "FIRST_TOKEN";
        const std::string shown = text ? DecodeText(item.value) : std::string(item.value);
        SetMetadataItem(std::string(item.key).c_str(), shown.c_str());
        // Control bytes are lost where metadata is kept as XML (a GeoPackage),
        // and bytes the encoding does not decode are shown escaped: the file's
        // own bytes then go beside the text, for a writer to give back.
        if (text && !GivesBack(shown, item.value)) {
            const std::string key = std::string(item.key == "FIRST_TOKEN" ? "FIRST_TOKEN" : "HEADER_DESCRIPTION") + "_HEX";
            SetMetadataItem(key.c_str(), HexOf(item.value).c_str());
        }
    }
    for (std::uint32_t id = 0; id < readdata14_layer_count(); ++id) {
        const readdata14_layer* table = readdata14_document_layer(document_.get(), id);
        if (table == nullptr) {
            CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: out of memory making the layers", GetDescription());
            return false;
        }
        layers_.push_back(std::make_unique<Chart14Layer>(*this, *table, srs_));
    }
    // What a copy needs beside the layers to be written back as this chart:
    // the description under a name a GeoPackage keeps (GDAL's GPKG driver
    // keeps a dataset's DESCRIPTION for raster tables only), and where the
    // symbols a reader drops stood, which no feature shows.
    SetMetadataItem("HEADER_DESCRIPTION", GetMetadataItem("DESCRIPTION"));
    const std::string dropped =
        DroppedSymbolSlots(*document_, *readdata14_document_layer(document_.get(), READDATA14_LAYER_SYMBOLS));
    if (!dropped.empty()) layers_[READDATA14_LAYER_SYMBOLS]->SetMetadataItem("DROPPED_SYMBOLS", dropped.c_str());
    WarnAboutInvalidTexts();
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

OGRErr RefuseEdit(const char* file) {
    CPLError(CE_Failure, CPLE_NotSupported,
             "Chart14: %s: a chart is not edited in place: convert it (ogr2ogr -f GPKG edit.gpkg chart.txt), edit "
             "that, and write a new chart from it (ogr2ogr -f Chart14 new.txt edit.gpkg)",
             file);
    return OGRERR_UNSUPPORTED_OPERATION;
}

OGRLayer* Chart14Dataset::ICreateLayer(const char*, OGRSpatialReference*, OGRwkbGeometryType, char**) {
    RefuseEdit(GetDescription());
    return nullptr;
}

OGRErr Chart14Dataset::DeleteLayer(int) { return RefuseEdit(GetDescription()); }

}  // namespace readdata14::ogr

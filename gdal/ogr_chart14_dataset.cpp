// Opening a chart: for reading or for update (ogr_chart14_update.cpp), a
// refusal that says why when the file is meant as a chart, the open options,
// the layers and the dataset's metadata; and the refusal of the edits a
// chart never takes.
#include <exception>

#include "ogr_chart14.hpp"
#include "ogr_chart14_update.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::ogr {

GDALDataset* Chart14Dataset::Open(GDALOpenInfo* info) {
    const char* path = PrefixedPath(info->pszFilename);
    // The chart is read as for reading; update mode is set up after (a
    // read-only file then gets the system's reason, not "not a chart").
    if (path != nullptr || info->eAccess == GA_Update) {
        const char* file = path != nullptr ? path : info->pszFilename;
        GDALOpenInfo read(file, GDAL_OF_VECTOR | GDAL_OF_READONLY);
        read.papszOpenOptions = info->papszOpenOptions;
        std::unique_ptr<GDALDataset> dataset(OpenChart(&read, path != nullptr || NamedAlone(info)));
        if (!dataset) return nullptr;
        dataset->SetDescription(info->pszFilename);  // the name as the user gave it
        if (info->eAccess == GA_Update && !static_cast<Chart14Dataset*>(dataset.get())->BeginUpdate(file))
            return nullptr;
        return dataset.release();
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
    Save();  // an edited chart; a failure is a GDAL error, the file as it was
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
             "Chart14: %s: a chart's layers and fields are the format's, and its features are edited only when "
             "it is opened for update (ogrinfo -update, gdal.OpenEx with OF_UPDATE)",
             file);
    return OGRERR_UNSUPPORTED_OPERATION;
}

OGRLayer* Chart14Dataset::ICreateLayer(const char*, OGRSpatialReference*, OGRwkbGeometryType, char**) {
    RefuseEdit(GetDescription());
    return nullptr;
}

OGRErr Chart14Dataset::DeleteLayer(int) { return RefuseEdit(GetDescription()); }

}  // namespace readdata14::ogr

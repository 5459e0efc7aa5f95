// A chart being written: the creation options, the header (from the
// source's metadata, which ogr2ogr hands on, or the options), its layers,
// what became of each feature, and the file, written when the dataset
// closes.
//
// The file is opened, under a temporary name beside it, when the dataset is
// created, so that a folder that cannot be written fails the run at once;
// GDAL 3.6 cannot fail a run from its close, so everything a chart can be
// refused for is checked as each feature arrives, and the close only writes
// and renames the temporary to the chart's name, or removes it.
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <exception>

#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {
namespace {

// Warnings about features shown one by one; the rest are counted.
constexpr std::uint64_t SHOWN_WARNINGS = 10;

int READDATA14_CALL WriteToFile(const void* bytes, size_t size, void* file) {
    return VSIFWriteL(bytes, 1, size, static_cast<VSILFILE*>(file)) == size ? 0 : 1;
}

}  // namespace

GDALDataset* Chart14Writer::Create(const char* name, int, int, int bands, GDALDataType, char** options) {
    if (bands != 0) {
        CPLError(CE_Failure, CPLE_NotSupported, "Chart14: a chart holds vector layers, not raster bands");
        return nullptr;
    }
    try {
        std::unique_ptr<Chart14Writer> dataset(new Chart14Writer());
        if (!dataset->Setup(name, options)) return nullptr;
        return dataset.release();
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s", name, e.what());
        return nullptr;
    }
}

bool Chart14Writer::Setup(const char* name, char** options) {
    SetDescription(name);
    eAccess = GA_Update;
    const char* encoding = CSLFetchNameValueDef(options, "ENCODING", "");
    if (encoding[0] != '\0' && !KnownEncoding(encoding)) {
        CPLError(CE_Failure, CPLE_IllegalArg, "Chart14: ENCODING=%s is not an encoding iconv knows (see iconv --list)",
                 encoding);
        return false;
    }
    encoding_ = encoding;
    const char* lineEnds = CSLFetchNameValueDef(options, "LINE_ENDS", "LF");
    if (!EQUAL(lineEnds, "LF") && !EQUAL(lineEnds, "CRLF")) {
        CPLError(CE_Failure, CPLE_IllegalArg, "Chart14: LINE_ENDS=%s: LF or CRLF", lineEnds);
        return false;
    }
    crlf_ = EQUAL(lineEnds, "CRLF");
    strict_ = CPLFetchBool(options, "STRICT", false);
    for (const char* key : HEADER_ITEMS) {
        const char* value = CSLFetchNameValue(options, key);
        if (value == nullptr) continue;
        if (const auto why = SetHeaderItem(optionHeader_, key, value, encoding_)) {
            CPLError(CE_Failure, CPLE_IllegalArg, "Chart14: %s: %s=%s: %s", name, key, value, why->c_str());
            return false;
        }
    }
    if (!assembly_.Started()) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: out of memory", name);
        return false;
    }
    temporary_ = std::string(name) + "." + std::to_string(CPLGetPID()) + ".part";
    file_ = VSIFOpenL(temporary_.c_str(), "wb");
    if (file_ == nullptr) {
        CPLError(CE_Failure, CPLE_OpenFailed, "Chart14: %s: cannot create the file: %s", name, VSIStrerror(errno));
        return false;
    }
    return true;
}

// ogr2ogr hands on the source's metadata: a chart's header items become the
// header, unless a creation option names them. An item the header cannot
// take (another format's DESCRIPTION with blanks, say) leaves the default,
// with a warning.
CPLErr Chart14Writer::SetMetadata(char** metadata, const char* domain) {
    const CPLErr err = GDALDataset::SetMetadata(metadata, domain);
    if (domain != nullptr && domain[0] != '\0') return err;
    for (const char* key : {"FIRST_TOKEN", "DESCRIPTION", "HEADER_DESCRIPTION", "HEADER_INTEGERS", "FIRST_TOKEN_HEX",
                            "HEADER_DESCRIPTION_HEX"}) {
        if (const char* value = CSLFetchNameValue(metadata, key)) TakeMetadataItem(key, value);
    }
    return err;
}

CPLErr Chart14Writer::SetMetadataItem(const char* name, const char* value, const char* domain) {
    const CPLErr err = GDALDataset::SetMetadataItem(name, value, domain);
    if ((domain == nullptr || domain[0] == '\0') && value != nullptr) TakeMetadataItem(name, value);
    return err;
}

void Chart14Writer::TakeMetadataItem(const char* key, const char* value) {
    // A GeoPackage keeps a dataset's DESCRIPTION only for raster tables: the
    // reader gives it as HEADER_DESCRIPTION too, which every format keeps.
    // FIRST_TOKEN_HEX and HEADER_DESCRIPTION_HEX carry the file's bytes
    // where the texts would not give them back.
    const bool alias = EQUAL(key, "HEADER_DESCRIPTION");
    const bool hex = EQUAL(key, "FIRST_TOKEN_HEX") || EQUAL(key, "HEADER_DESCRIPTION_HEX");
    if (!alias && !hex && !IsHeaderItem(key)) return;
    const char* item = EQUAL(key, "FIRST_TOKEN_HEX") ? "FIRST_TOKEN" : (alias || hex) ? "DESCRIPTION" : key;
    const auto why = hex ? SetHeaderBytes(bytesHeader_, item, value)
                         : SetHeaderItem(alias ? aliasHeader_ : metadataHeader_, item, value, encoding_);
    if (!why) return;
    const std::string message = std::string("Chart14: ") + GetDescription() + ": the source's metadata item " + key +
                                "=" + value + " cannot be the header's: " + *why;
    if (strict_) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s (STRICT=YES: no chart is written)", message.c_str());
        failed_ = true;
    } else {
        CPLError(CE_Warning, CPLE_AppDefined, "%s; the creation option %s sets another", message.c_str(), item);
    }
}

OGRLayer* Chart14Writer::GetLayer(int index) {
    if (index < 0 || index >= GetLayerCount()) return nullptr;
    return layers_[static_cast<std::size_t>(index)].get();
}

int Chart14Writer::TestCapability(const char* capability) {
    return EQUAL(capability, ODsCCreateLayer) && !failed_;
}

OGRLayer* Chart14Writer::ICreateLayer(const char* name, OGRSpatialReference*, OGRwkbGeometryType type,
                                      char** options) {
    if (failed_) {
        CPLError(CE_Failure, CPLE_AppDefined, "Chart14: %s: the chart cannot be written (see the error before)",
                 GetDescription());
        return nullptr;
    }
    std::optional<readdata14_layer_id> section = LayerOfName(name);
    if (const char* named = CSLFetchNameValue(options, "SECTION")) {
        section = LayerOfName(named);
        if (!section) {
            CPLError(CE_Failure, CPLE_IllegalArg,
                     "Chart14: %s: SECTION=%s: lines, line_symbols, symbols, closed_contours, weather_regions, "
                     "fill_areas, notes or label_points; no chart is written",
                     GetDescription(), named);
            failed_ = true;
            return nullptr;
        }
    }
    // Without a section named, the geometry type chooses (and, for points
    // and polygons, the fields: see Chart14WriteLayer::ResolveSection).
    // A layer that cannot be made fails the chart: it would lack the layer.
    // One of any geometry (a GeoJSON file mixing polygons and multi-polygons)
    // takes its first feature's.
    const OGRwkbGeometryType flat = PartType(type);
    if (!section && flat != wkbPoint && flat != wkbLineString && flat != wkbPolygon && flat != wkbUnknown) {
        CPLError(CE_Failure, CPLE_NotSupported,
                 "Chart14: %s: layer %s: its geometry type (%s) names no section: name one with -nln or the layer "
                 "option SECTION (lines, line_symbols, symbols, closed_contours, weather_regions, fill_areas, notes, "
                 "label_points); no chart is written",
                 GetDescription(), name, OGRGeometryTypeToName(type));
        failed_ = true;
        return nullptr;
    }
    LayerMapping mapping;
    mapping.valueField = CSLFetchNameValueDef(options, "VALUE_FIELD", "");
    mapping.codeField = CSLFetchNameValueDef(options, "CODE_FIELD", "");
    mapping.textField = CSLFetchNameValueDef(options, "TEXT_FIELD", "");
    if (const char* code = CSLFetchNameValue(options, "CODE")) {
        char* end = nullptr;
        const long long value = std::strtoll(code, &end, 10);
        if (end == code || *end != '\0' || value < -16777216 || value > 16777216) {
            CPLError(CE_Failure, CPLE_IllegalArg,
                     "Chart14: %s: CODE=%s: a whole number from -16777216 to 16777216; no chart is written",
                     GetDescription(), code);
            failed_ = true;
            return nullptr;
        }
        mapping.code = static_cast<std::int32_t>(value);
    }
    try {
        layers_.push_back(std::make_unique<Chart14WriteLayer>(*this, name, type, section, std::move(mapping)));
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s", GetDescription(), e.what());
        return nullptr;
    }
    return layers_.back().get();
}

void Chart14Writer::Warn(const std::string& message) {
    if (++warnings_ <= SHOWN_WARNINGS) CPLError(CE_Warning, CPLE_AppDefined, "%s", message.c_str());
}

OGRErr Chart14Writer::Report(const char* layer, GIntBig feature, const Verdict& verdict) {
    const std::string place = std::string("Chart14: ") + GetDescription() + ": layer " + layer + ", feature " +
                              std::to_string(feature) + ": ";
    lastFailed_ = verdict.refusal.has_value();
    if (strict_ && (verdict.refusal || !verdict.substitutions.empty())) {
        const std::string& why = verdict.refusal ? *verdict.refusal : verdict.substitutions.front();
        CPLError(CE_Failure, CPLE_AppDefined, "%s%s (STRICT=YES: no chart is written)", place.c_str(), why.c_str());
        failed_ = true;
        return OGRERR_FAILURE;
    }
    if (verdict.refusal) {
        // One error per feature, as GDAL's drivers fail theirs; past the
        // first few it is the last error still, without being printed.
        const std::string message = place + *verdict.refusal + "; not written";
        if (++skipped_ <= SHOWN_WARNINGS) {
            CPLError(CE_Failure, CPLE_AppDefined, "%s", message.c_str());
        } else {
            CPLErrorSetState(CE_Failure, CPLE_AppDefined, message.c_str());
        }
        return OGRERR_FAILURE;
    }
    ++written_;
    ++takenInTransaction_;
    for (const std::string& substitution : verdict.substitutions) Warn(place + substitution);
    return OGRERR_NONE;
}

void Chart14Writer::TransactionStarted() {
    if (takenInTransaction_ == 0) abandoned_ = false;
    takenInTransaction_ = 0;
}

void Chart14Writer::RolledBack() {
    if (takenInTransaction_ > 0 || lastFailed_) abandoned_ = true;
}

// ---- closing: the chart written ------------------------------------------------------

Chart14Writer::~Chart14Writer() {
    try {
        WriteChart();
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s; no chart written", GetDescription(), e.what());
        failed_ = true;
    }
    Close();
    layers_.clear();
}

// The temporary renamed to the chart's name once whole, else removed.
void Chart14Writer::Close() {
    if (file_ == nullptr) return;
    if (VSIFCloseL(file_) != 0 && !failed_) {
        CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: the file could not be completed", GetDescription());
        failed_ = true;
    }
    file_ = nullptr;
    if (!failed_ && VSIRename(temporary_.c_str(), GetDescription()) != 0) {
        CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: the chart could not take its name: %s", GetDescription(),
                 VSIStrerror(errno));
        failed_ = true;
    }
    if (failed_) VSIUnlink(temporary_.c_str());
}

void Chart14Writer::WriteChart() {
    if (abandoned_ && !failed_) {
        CPLError(CE_Failure, CPLE_AppDefined,
                 "Chart14: %s: the run stopped at a feature that could not be written (ogr2ogr -skipfailures goes on "
                 "past such features); no chart is written",
                 GetDescription());
        failed_ = true;
    }
    if (failed_ || file_ == nullptr) return;
    if (warnings_ > SHOWN_WARNINGS) {
        CPLError(CE_Warning, CPLE_AppDefined, "Chart14: %s: %" PRIu64 " more warnings about features not shown",
                 GetDescription(), warnings_ - SHOWN_WARNINGS);
    }
    if (skipped_ > 0) {
        CPLError(CE_Warning, CPLE_AppDefined, "Chart14: %s: %" PRIu64 " of %" PRIu64 " features not written%s",
                 GetDescription(), skipped_, skipped_ + written_,
                 written_ == 0 ? ": the chart has no feature" : " (the errors before say why)");
    }
    for (const auto& layer : layers_) {
        layer->HandOnDroppedSymbols();
        assembly_.LeaveOut(layer->SectionLeftOut());
    }
    std::string why;
    std::uint64_t shortfalls = 0;
    const Document document = assembly_.Finish(ResolvedHeader(), why, shortfalls);
    if (!document) {
        CPLError(CE_Failure, CPLE_AppDefined, "Chart14: %s: no chart written: %s", GetDescription(), why.c_str());
        failed_ = true;
        return;
    }
    // A feature only the whole chart showed the library could not take (a
    // label point whose parent never came) fails the run as a feature that
    // failed its CreateFeature would have: each is named, and no chart is
    // left (the run ends with an error, so a chart left behind would look
    // like the whole of it).
    for (const Skipped& skipped : assembly_.SkippedFeatures()) {
        Report(skipped.layer.c_str(), skipped.fid, skipped.verdict);
        failed_ = true;
        if (strict_) return;
    }
    if (failed_) {
        CPLError(CE_Failure, CPLE_AppDefined, "Chart14: %s: features could not be written; no chart is written",
                 GetDescription());
        return;
    }
    for (const std::string& kept : assembly_.KeptPresent()) {
        CPLError(CE_Warning, CPLE_AppDefined,
                 "Chart14: %s: a layer's SECTION_PRESENT=NO asks for a section the file lacks, but %s; the section is "
                 "written present",
                 GetDescription(), kept.c_str());
    }
    if (shortfalls > 0) {
        CPLError(CE_Warning, CPLE_AppDefined,
                 "Chart14: %s: %" PRIu64 " lines and contours are written with other label points than their "
                 "label_point_count (is the label_points layer, or a part of it, left out?)",
                 GetDescription(), shortfalls);
    }
    failed_ = !WriteDocument(*document);
}

// The creation options' items, else the source's metadata's.
Header Chart14Writer::ResolvedHeader() const {
    Header header = metadataHeader_;
    if (aliasHeader_.description) header.description = aliasHeader_.description;
    if (bytesHeader_.firstToken) header.firstToken = bytesHeader_.firstToken;
    if (bytesHeader_.description) header.description = bytesHeader_.description;
    if (optionHeader_.firstToken) header.firstToken = optionHeader_.firstToken;
    if (optionHeader_.description) header.description = optionHeader_.description;
    if (optionHeader_.integers) header.integers = optionHeader_.integers;
    return header;
}

bool Chart14Writer::WriteDocument(const readdata14_document& document) {
    readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
    options.flags = crlf_ ? READDATA14_WRITE_CRLF : 0u;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status status = readdata14_write_callback(&document, WriteToFile, file_, &options, &result);
    if (status == READDATA14_WRITTEN) return true;
    CPLError(CE_Failure, status == READDATA14_OUT_OF_MEMORY ? CPLE_OutOfMemory : CPLE_FileIO,
             "Chart14: %s: no chart written: %s", GetDescription(),
             status == READDATA14_CANNOT_WRITE ? "the file could not be written" : result.message);
    return false;
}

}  // namespace readdata14::ogr

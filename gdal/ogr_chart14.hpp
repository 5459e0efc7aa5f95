// The Chart14 OGR driver: a type-14 chart as the library's eight read-only
// vector layers (readdata14_layers.h), and nothing the driver works out
// itself: the layers' names, fields, features, counts, extents and "present"
// all come from the library's tables. New charts are written by the
// driver's writing side (ogr_chart14_write.hpp); a chart opened for update
// keeps its edits beside the table and is saved whole (ogr_chart14_update.hpp).
//
// One open reads the whole file once (readdata14_open for a file on disk;
// any other GDAL file, streams such as /vsistdin/ included, read front to
// back into memory) into a document that the dataset keeps until it closes.
// A dataset shares nothing with another: separate datasets may be used from
// separate threads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"

namespace readdata14::ogr {

class Chart14Dataset;
struct ChartUpdate;
struct Header;
struct LayerEdits;

class Chart14Layer final : public OGRLayer {
public:
    Chart14Layer(Chart14Dataset& dataset, const readdata14_layer& table, OGRSpatialReference* srs);
    ~Chart14Layer() override;

    void ResetReading() override;
    OGRFeature* GetNextFeature() override;
    OGRFeature* GetFeature(GIntBig fid) override;
    OGRErr SetNextByIndex(GIntBig index) override;
    GIntBig GetFeatureCount(int force) override;
    OGRErr GetExtent(OGREnvelope* extent, int force) override;
    OGRErr GetExtent(int geomField, OGREnvelope* extent, int force) override;
    int TestCapability(const char* capability) override;
    OGRFeatureDefn* GetLayerDefn() override { return defn_; }
    GDALDataset* GetDataset() override;

    // The fields are the format's: each of these refuses, saying so. The
    // features' edits work when the chart was opened for update.
    OGRErr CreateField(OGRFieldDefn*, int) override;
    OGRErr DeleteField(int) override;
    OGRErr ReorderFields(int*) override;
    OGRErr AlterFieldDefn(int, OGRFieldDefn*, int) override;
    OGRErr CreateGeomField(OGRGeomFieldDefn*, int) override;
    OGRErr DeleteFeature(GIntBig) override;
    OGRErr SyncToDisk() override;

    // Update mode (ogr_chart14_update.cpp).
    void BeginEdits();
    bool Edited() const;
    std::uint64_t FidEnd() const;  // past the last FID the layer ever had
    bool Deleted(std::uint64_t fid) const;
    readdata14_layer_id Id() const { return static_cast<readdata14_layer_id>(table_.id); }
    bool Present() const { return table_.present != 0; }
    void DeleteLabelPointsOf(const char* parentLayer, std::uint64_t parentFid);
    // The feature a save writes: as set, or as read with every stored point
    // (null for a deleted FID).
    OGRFeature* SavedFeature(std::uint64_t fid) const;
    // Whether the feature is one of the chart as read, neither set nor
    // deleted since: a save copies its element from the document.
    bool AsRead(std::uint64_t fid) const;
    // The FIDs set, created or deleted since the open, in order.
    std::vector<std::uint64_t> TouchedFids() const;
    // The feature as the chart was read, whatever was set since.
    OGRFeature* ReadFeature(std::uint64_t fid) const { return MakeFeature(fid, true); }
    const readdata14_layer& Table() const { return table_; }

protected:
    OGRErr ISetFeature(OGRFeature*) override;
    OGRErr ICreateFeature(OGRFeature*) override;
    OGRErr IUpsertFeature(OGRFeature*) override;

private:
    bool Filtered() const { return m_poFilterGeom != nullptr || m_poAttrQuery != nullptr; }
    bool OutsideFilterEnvelope(std::uint64_t fid) const;
    OGRFeature* Translate(std::uint64_t fid) const;
    OGRFeature* MakeFeature(std::uint64_t fid, bool asStored = false) const;
    std::unique_ptr<OGRGeometry> MakeGeometry(std::uint64_t fid, bool asStored = false) const;
    std::uint64_t IterationEnd() const;
    const OGRFeature* EditedFeature(std::uint64_t fid) const;
    std::optional<std::string> WhyNotCarried(const OGRFeature& feature) const;
    std::optional<std::string> KeepStored(OGRFeature& feature) const;
    OGRErr RefuseFeature(GIntBig fid, const std::string& why) const;

    Chart14Dataset& dataset_;
    const readdata14_layer& table_;
    OGRFeatureDefn* defn_;
    std::uint64_t next_ = 0;
    std::unique_ptr<LayerEdits> edits_;  // null: read only
};

struct DocumentCloser {
    void operator()(readdata14_document* document) const noexcept { readdata14_close(document); }
};
using Document = std::unique_ptr<readdata14_document, DocumentCloser>;

class Chart14Dataset final : public GDALDataset {
public:
    static int Identify(GDALOpenInfo* info);
    static GDALDataset* Open(GDALOpenInfo* info);

    ~Chart14Dataset() override;

    int GetLayerCount() override { return static_cast<int>(layers_.size()); }
    OGRLayer* GetLayer(int index) override;
    // No layer or field can be created or deleted (new charts are written by
    // Chart14Writer); features can, in update mode (see the layers).
    int TestCapability(const char*) override { return FALSE; }
    OGRErr DeleteLayer(int) override;

    // Update mode (ogr_chart14_save.cpp): the chart written whole when it
    // was edited, or why not as a GDAL error.
    void FlushCache(bool atClosing) override;
    CPLErr SetMetadataItem(const char* name, const char* value, const char* domain = "") override;
    bool Save();
    void MarkEdited();
    // Sets up update mode over the chart read from `path`: false, with a
    // GDAL error, when it cannot be saved there.
    bool BeginUpdate(const char* path);
    void DeleteLabelPointsOf(readdata14_layer_id parentLayer, std::uint64_t parentFid);
    const std::string& Encoding() const { return encoding_; }
    const readdata14_document& ReadDocument() const { return *document_; }

    // A text of the file as UTF-8 (see ogr_chart14_texts.cpp).
    std::string DecodeText(std::string_view bytes) const;
    // Whether the text shown for `bytes` gives them back where it is kept:
    // no control byte (XML metadata drops them) and encoded as it was.
    bool GivesBack(const std::string& shown, std::string_view bytes) const;

protected:
    OGRLayer* ICreateLayer(const char*, OGRSpatialReference*, OGRwkbGeometryType, char**) override;

private:
    Chart14Dataset() = default;
    static GDALDataset* OpenChart(GDALOpenInfo* info, bool namedAlone);
    bool Setup(GDALOpenInfo* info);
    bool SetEncoding(const char* encoding);
    bool SetSpatialReference(const char* definition);
    void WarnAboutInvalidTexts() const;
    std::string DecodePiece(std::string_view bytes) const;
    Document AssembleChart(std::string& why);
    std::optional<std::string> SavedHeader(Header& header);

    Document document_;
    std::unique_ptr<ChartUpdate> update_;  // null: read only
    std::string encoding_;  // empty: UTF-8 with \xNN for invalid bytes
    OGRSpatialReference* srs_ = nullptr;
    std::vector<std::unique_ptr<Chart14Layer>> layers_;
};

// The one answer to every attempt to change a chart that was opened: an
// error that says how charts are changed.
OGRErr RefuseEdit(const char* file);

// ---- identification (ogr_chart14_identify.cpp) ----------------------------------

enum class Claim {
    Chart,         // the driver reads it
    NotChart,      // not a type-14 chart; the reason says why
    LeftToOthers,  // a chart, under a name that one of GDAL's text drivers takes
};

struct Identification {
    Claim claim = Claim::NotChart;
    std::string reason;  // NotChart, LeftToOthers: why, in English
};

// Claims by content, with the library's readdata14_identify, unless the name
// belongs to one of GDAL's text drivers and the driver was not named alone.
// May ingest up to 1 MB of the file's head.
Identification IdentifyChart(GDALOpenInfo* info, bool namedAlone);

// Whether the open allows this driver alone (ogrinfo -if Chart14 from GDAL
// 3.7 on, allowed_drivers=["Chart14"]): the user asked for a chart.
bool NamedAlone(const GDALOpenInfo* info);

// The file of a name "CHART14:path", or null for another name: the prefix
// names the driver alone from programs without -if (GDAL 3.6's).
const char* PrefixedPath(const char* name);

// Whether the head of a file that is not a chart bears the format's marks
// all the same (text holding a section tag): a type-13 file, a header cut
// short. No other driver reads such a file, so a refusal says why.
bool BearsChartMarks(const GDALOpenInfo* info);

// ---- reading (ogr_chart14_read.cpp) --------------------------------------------

// Reads the chart that `info` names into a document, its findings as GDAL
// warnings with their places (the first ten, then their count). Null, with a
// GDAL error, when the read gave no chart.
Document ReadChart(GDALOpenInfo* info);

// The slots of the symbols section's lengths that hold a symbol a reader
// drops (a type-48 symbol at z 1.0: a zero slot and no record), from 0 and
// comma-separated; "" for none. Of adjacent zero slots any may be the
// dropped one: the lengths are the same.
std::string DroppedSymbolSlots(const readdata14_document& document, const readdata14_layer& symbols);

// A header text's bytes as hexadecimal digits (FIRST_TOKEN_HEX,
// HEADER_DESCRIPTION_HEX), and back: nothing for text that is not such.
std::string HexOf(std::string_view bytes);
std::optional<std::string> BytesOfHex(std::string_view hex);

}  // namespace readdata14::ogr

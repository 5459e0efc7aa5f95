// The Chart14 driver's writing side: `ogr2ogr -f Chart14 out.txt in.gpkg`.
//
// A created dataset takes layers and features, turns each feature into an
// element of the library's builder (readdata14_write.h) and writes the
// chart when it closes. A layer is one section of the chart (or the label
// points of the lines and contours), named by the layer's name or the
// SECTION layer option; each value comes from the layer model's field of
// the same name (readdata14_layers.h), or from the field or the default the
// layer options name. So a GeoPackage made from a chart gives the chart
// back, and other sources map onto it.
//
// A feature the format cannot carry is not written: its CreateFeature fails
// with an error that names it (ogr2ogr stops there, or goes on under
// -skipfailures). The reason is the library's (readdata14_builder_check_layer
// on the feature's row, a label point with its parent), asked when the
// feature arrives. A value the source lost (the layer model shows a value that
// is not finite as null) is written as nan, what the chart held. STRICT=YES
// ends the run, with no chart, at any feature not written. The chart is written under a temporary name and
// renamed at close: a run that fails leaves neither.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ogr_chart14.hpp"
#include "readdata14/readdata14_write.h"

namespace readdata14::ogr {

struct BuilderFree {
    void operator()(readdata14_builder* builder) const noexcept { readdata14_builder_free(builder); }
};
using Builder = std::unique_ptr<readdata14_builder, BuilderFree>;

// Where a layer's features go and where their values come from beside the
// layer model's own field names: the layer creation options.
struct LayerMapping {
    readdata14_layer_id section = READDATA14_LAYER_LINES;
    std::string valueField;             // VALUE_FIELD: the label's number
    std::string codeField;              // CODE_FIELD: the code (symbols and notes: the type)
    std::string textField;              // TEXT_FIELD: a symbol's text, a note's first text
    std::optional<std::int32_t> code;   // CODE: the code where the source has none
};

// What became of one feature: why it cannot be written (it is skipped), and
// what was written in place of values the source lost.
struct Verdict {
    std::optional<std::string> refusal;
    std::vector<std::string> substitutions;
};

// One feature's values as the format takes them, by the rules docs/gdal.md
// lists under "What is not written". Each call gives the value, or sets the
// verdict's refusal and gives nothing.
class FeatureReader {
public:
    FeatureReader(const OGRFeature& feature, const LayerMapping& mapping, const std::string& encoding,
                  Verdict& verdict)
        : feature_(feature), mapping_(mapping), encoding_(encoding), verdict_(verdict) {}

    // The geometry's x, y pairs: a point, a line's points, or a polygon's
    // outline as GIS has it (the library leaves out the first point GIS
    // repeats where left_open says so). A feature without geometry gives no
    // points: the library keeps it as an element without points.
    std::optional<std::vector<float>> Points(OGRwkbGeometryType wanted);
    // The code (`name` "code"), or a symbol's or note's type (`name` "type"):
    // the field's number, else the CODE option's, else `fallback`, else refused.
    std::optional<double> Code(const char* name, std::optional<std::int32_t> fallback = std::nullopt);
    // A field's number: no value (null) for a null; refused when it is no number.
    std::optional<std::optional<double>> Number(const char* name);
    // A text in the chart's encoding; no value when absent or null.
    std::optional<std::optional<std::string>> Text(const char* name, bool mapped);
    bool Has(const char* name) const { return Index(name) >= 0; }
    bool IsNull(const char* name) const { return Index(name) < 0 || IsNull(Index(name)); }
    std::optional<std::int64_t> OptionalInteger(const char* name) const;
    const LayerMapping& Mapping() const { return mapping_; }
    const OGRFeature& Feature() const { return feature_; }

    std::nullopt_t Refuse(std::string why);

private:
    int Index(const char* name) const { return feature_.GetFieldIndex(name); }
    bool IsNull(int index) const { return !feature_.IsFieldSetAndNotNull(index); }
    std::optional<double> NumberAt(int index);

    const OGRFeature& feature_;
    const LayerMapping& mapping_;
    const std::string& encoding_;
    Verdict& verdict_;
};

// The header a chart gets: from the source's metadata (a chart's
// FIRST_TOKEN, DESCRIPTION, HEADER_INTEGERS), or the creation options.
struct Header {
    std::optional<std::string> firstToken;
    std::optional<std::string> description;
    std::optional<std::vector<std::int32_t>> integers;
};

// The header's items: creation options and metadata items alike.
inline constexpr const char* HEADER_ITEMS[] = {"FIRST_TOKEN", "DESCRIPTION", "HEADER_INTEGERS"};
bool IsHeaderItem(const char* key);

// Sets `header`'s item `key` from its text (FIRST_TOKEN and DESCRIPTION in
// the chart's encoding; HEADER_INTEGERS up to five integers, comma-separated)
// when the builder takes it: nothing, or why not.
std::optional<std::string> SetHeaderItem(Header& header, const char* key, const char* value,
                                         const std::string& encoding);

// The same for FIRST_TOKEN or DESCRIPTION given as the file's own bytes in
// hexadecimal (FIRST_TOKEN_HEX, HEADER_DESCRIPTION_HEX: what a chart's
// metadata holds where its text alone would not give the bytes back).
std::optional<std::string> SetHeaderBytes(Header& header, const char* key, const char* hex);

// One section's features as the library's table (readdata14_layer_table):
// their points end to end and a column for each field of the layer model
// the source has, with the FID each row came with.
class HeldTable {
public:
    explicit HeldTable(readdata14_layer_id id) : id_(id) {}
    readdata14_layer_id Id() const { return id_; }
    std::size_t Rows() const { return fids_.size(); }
    // A new row (`key`: the FID its label points name), then its values.
    void Add(std::int64_t fid, std::int64_t key, std::uint32_t source, const std::vector<float>& points);
    void Number(std::size_t field, std::optional<double> value);
    void Text(std::size_t field, const std::optional<std::string>& text);
    // Rows [from, to) as the library takes them; valid until the next change.
    const readdata14_layer_table& Table(std::size_t from, std::size_t to);
    void Erase(std::size_t row);
    // The rows `rows` alone, in that order, as a table of their own.
    HeldTable Pick(const std::vector<std::size_t>& rows);
    std::int64_t Fid(std::size_t row) const { return fids_[row]; }
    std::uint32_t Source(std::size_t row) const { return sources_[row]; }

private:
    struct Column {
        bool given = false;
        std::vector<double> reals;
        std::string bytes;
        std::vector<std::uint64_t> starts;
        std::vector<std::uint32_t> lengths;
        std::vector<std::uint8_t> nulls;
    };
    Column& Given(std::size_t field);
    void Pad(std::size_t rows);

    readdata14_layer_id id_;
    std::vector<float> xy_;
    std::vector<std::uint64_t> starts_;
    std::vector<std::uint32_t> counts_;
    std::vector<std::int64_t> fids_, keys_;
    std::vector<std::uint32_t> sources_;
    std::vector<Column> columns_;
    std::vector<readdata14_table_column> given_;
    readdata14_layer_table table_ = READDATA14_LAYER_TABLE_INIT;
};

// A feature the library refused when the chart was put together: skipped,
// with the reason, as the dataset reports it.
struct Skipped {
    std::string layer;
    std::int64_t fid = 0;
    Verdict verdict;
};

// The chart as its features arrive: each section's features held as a
// table and handed to the library (readdata14_builder_add_layer) in batches
// when the chart is finished, lines and contours with their label points.
class ChartAssembly {
public:
    ChartAssembly();
    bool Started() const { return builder_ != nullptr; }

    // Takes the feature into `section` or says why not.
    void Take(readdata14_layer_id section, FeatureReader& reader, Verdict& verdict);

    // Symbols a reader drops (no feature shows them: a chart's symbols
    // layer names their slots in DROPPED_SYMBOLS), each written where it
    // stood among the symbols.
    void DropSymbolsAt(const std::vector<std::uint64_t>& slots);

    // Sections a chart read without them stays without: their bits
    // (READDATA14_SECTION_*) are left out of the file when the chart is
    // finished, unless elements arrived for them after all.
    void LeaveOut(std::uint32_t sections) { leftOut_ |= sections; }
    // Why a section asked to be left out is written present (it holds
    // elements), one message each; filled by Finish.
    const std::vector<std::string>& KeptPresent() const { return keptPresent_; }
    // The features the library refused, filled by Finish.
    const std::vector<Skipped>& SkippedFeatures() const { return skipped_; }

    // The chart: a document to write, or null with the reason. `shortfalls`
    // is kept for the dataset's report and stays 0.
    Document Finish(const Header& header, std::string& why, std::uint64_t& shortfalls);

private:
    bool TakeValues(readdata14_layer_id section, FeatureReader& reader, HeldTable& table);
    // Why the library refuses the table's last row (a label point: with
    // its parent and the parent's other label points); nothing when it
    // takes it, or when a label point's parent has not arrived yet.
    std::optional<std::string> Check(readdata14_layer_id section, const OGRFeature& feature, HeldTable& table);
    // Each parent's row by its section and key, and its label points' rows.
    using ParentKey = std::pair<readdata14_layer_id, std::int64_t>;
    // Hands rows [from, to) of `table` to the builder, skipping each row
    // refused (the rest handed again); returns the rows handed.
    std::size_t Hand(HeldTable& table, std::size_t from, std::size_t to, HeldTable* labelPoints);
    void HandSymbols();
    void AddDropped();
    void ApplyLeftOut();

    Builder builder_;
    std::vector<HeldTable> tables_;
    std::array<std::int64_t, 8> arrived_{};
    std::vector<std::string> sources_;  // the source layers' names
    std::vector<std::uint64_t> droppedSlots_;
    std::uint32_t leftOut_ = 0;
    std::vector<std::string> keptPresent_;
    std::vector<Skipped> skipped_;
    std::map<ParentKey, std::size_t> parentRows_;
    std::map<ParentKey, std::vector<std::size_t>> labelPointRows_;
};

class Chart14Writer;

// A layer of a chart being written: it takes fields and features, and gives
// none back.
class Chart14WriteLayer final : public OGRLayer {
public:
    Chart14WriteLayer(Chart14Writer& writer, const char* name, OGRwkbGeometryType type,
                      std::optional<readdata14_layer_id> section, LayerMapping mapping);
    ~Chart14WriteLayer() override;

    void ResetReading() override {}
    OGRFeature* GetNextFeature() override { return nullptr; }
    OGRFeatureDefn* GetLayerDefn() override { return defn_; }
    int TestCapability(const char* capability) override;
    OGRErr CreateField(OGRFieldDefn* field, int approxOK) override;
    GDALDataset* GetDataset() override;

    // A symbols layer's DROPPED_SYMBOLS to the chart, once: before its
    // first feature, or at the end for a layer without one.
    void HandOnDroppedSymbols();
    // The section's bit when the layer's metadata says SECTION_PRESENT=NO
    // (a chart's layer of a section its file lacked), else 0.
    std::uint32_t SectionLeftOut();

    // ogr2ogr groups features in transactions and rolls back the one that
    // failed: see Chart14Writer::RolledBack.
    OGRErr StartTransaction() override;
    OGRErr CommitTransaction() override { return OGRERR_NONE; }
    OGRErr RollbackTransaction() override;

protected:
    OGRErr ICreateFeature(OGRFeature* feature) override;

private:
    readdata14_layer_id ResolveSection(const OGRFeature* first = nullptr);

    Chart14Writer& writer_;
    OGRFeatureDefn* defn_;
    std::optional<readdata14_layer_id> section_;
    LayerMapping mapping_;
    GIntBig arrived_ = 0;
    bool droppedHandedOn_ = false;
};

class Chart14Writer final : public GDALDataset {
public:
    static GDALDataset* Create(const char* name, int xSize, int ySize, int bands, GDALDataType type,
                               char** options);
    ~Chart14Writer() override;

    int GetLayerCount() override { return static_cast<int>(layers_.size()); }
    OGRLayer* GetLayer(int index) override;
    int TestCapability(const char* capability) override;
    CPLErr SetMetadata(char** metadata, const char* domain) override;
    CPLErr SetMetadataItem(const char* name, const char* value, const char* domain) override;

    // The layers' part: the chart's elements, its texts' encoding, and what
    // became of each feature (OGRERR_FAILURE ends the run).
    ChartAssembly& Assembly() { return assembly_; }
    const std::string& Encoding() const { return encoding_; }
    OGRErr Report(const char* layer, GIntBig feature, const Verdict& verdict);
    // A warning about the source, one of those shown.
    void Warn(const std::string& message);
    // Nothing will be written (out of memory in a feature).
    void Fail() { failed_ = true; }
    // A caller's transaction: begun, or rolled back. A rollback that would
    // take back features already in the chart, or the feature that just
    // failed (ogr2ogr stopping at it), leaves no chart, unless a new
    // transaction follows with nothing in the chart to take back (ogr2ogr
    // -skipfailures going on past the feature).
    void TransactionStarted();
    void RolledBack();

protected:
    OGRLayer* ICreateLayer(const char* name, OGRSpatialReference* srs, OGRwkbGeometryType type,
                           char** options) override;

private:
    Chart14Writer() = default;
    bool Setup(const char* name, char** options);
    void TakeMetadataItem(const char* key, const char* value);
    Header ResolvedHeader() const;
    void WriteChart();
    bool WriteDocument(const readdata14_document& document);
    void Close();

    VSILFILE* file_ = nullptr;  // the temporary, renamed to the dataset's name once whole
    std::string temporary_;
    std::string encoding_;
    bool crlf_ = false;
    bool strict_ = false;
    bool failed_ = false;
    Header optionHeader_;    // the creation options' items, which win
    Header metadataHeader_;  // the source's metadata's
    Header aliasHeader_;     // its HEADER_DESCRIPTION, before its DESCRIPTION
    Header bytesHeader_;     // its FIRST_TOKEN_HEX and HEADER_DESCRIPTION_HEX, before both
    ChartAssembly assembly_;
    std::vector<std::unique_ptr<Chart14WriteLayer>> layers_;
    std::uint64_t warnings_ = 0;
    std::uint64_t written_ = 0;  // features taken
    std::uint64_t skipped_ = 0;  // features refused
    std::uint64_t takenInTransaction_ = 0;
    bool lastFailed_ = false;   // the last feature was refused
    bool abandoned_ = false;    // rolled back: no chart unless a transaction follows
};

// The 2-D type of a geometry type's parts: a multi-polygon's is wkbPolygon.
OGRwkbGeometryType PartType(OGRwkbGeometryType type);

// The layer model's layer of a name (any case), and a layer's name.
std::optional<readdata14_layer_id> LayerOfName(const char* name);
const char* NameOfLayer(readdata14_layer_id id);

// ---- texts (ogr_chart14_texts.cpp) -------------------------------------------------

// Whether iconv knows the encoding (tried once, quietly: CPLRecode hands an
// unknown one's text back unchanged).
bool KnownEncoding(const char* encoding);

// A UTF-8 text in `encoding` (empty: as it is), or nothing when a character
// has no place in it.
std::optional<std::string> EncodeText(const std::string& encoding, const std::string& utf8);

}  // namespace readdata14::ogr

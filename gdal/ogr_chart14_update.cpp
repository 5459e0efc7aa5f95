// Editing a layer of a chart opened for update: the features set, created
// and deleted are kept beside the read table, each checked against the
// format as it arrives, and the dataset is told that the chart must be
// saved.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <exception>

#include "ogr_chart14_update.hpp"
#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {
namespace {

// A field the caller left empty on a created feature takes the value an
// element without it has: 0, NoLabel, no text. A symbol's text stays null
// (a symbol of a text type without one is refused), and so does a
// contour's file_position: a new contour follows the file's.
void FillDefaults(OGRFeature& feature, readdata14_layer_id layer) {
    const OGRFeatureDefn* defn = feature.GetDefnRef();
    for (int i = 0; i < defn->GetFieldCount(); ++i) {
        if (feature.IsFieldSetAndNotNull(i)) continue;
        const OGRFieldDefn* field = defn->GetFieldDefn(i);
        const std::string name = field->GetNameRef();
        if (layer == READDATA14_LAYER_SYMBOLS && name == "text") continue;
        if (name == "label_kind") {
            feature.SetField(i, "none");
        } else if (field->GetType() == OFTString) {
            feature.SetField(i, "");
        } else if (name != "label_value" && name != "label_code" && name != "level_index" &&
                   name != "file_position" && name != "nesting_position") {
            feature.SetField(i, 0);
        }
    }
}

}  // namespace

void Chart14Layer::BeginEdits() { edits_ = std::make_unique<LayerEdits>(table_.featureCount); }

bool Chart14Layer::Edited() const { return edits_ != nullptr && edits_->Touched(); }

std::uint64_t Chart14Layer::FidEnd() const { return edits_ != nullptr ? edits_->nextFid : table_.featureCount; }

bool Chart14Layer::Deleted(std::uint64_t fid) const { return edits_ != nullptr && edits_->deleted.count(fid) != 0; }

const OGRFeature* Chart14Layer::EditedFeature(std::uint64_t fid) const {
    if (edits_ == nullptr) return nullptr;
    const auto found = edits_->features.find(fid);
    return found == edits_->features.end() ? nullptr : found->second.get();
}

OGRFeature* Chart14Layer::SavedFeature(std::uint64_t fid) const {
    if (fid >= FidEnd() || Deleted(fid)) return nullptr;
    if (const OGRFeature* edited = EditedFeature(fid)) {
        std::unique_ptr<OGRFeature> saved(edited->Clone());
        KeepStored(*saved);  // refused when it was set if it could not be kept
        return saved.release();
    }
    return MakeFeature(fid, true);
}

namespace {

// The Real fields that show a value not finite as null, and where the
// record holds that value: a stored column and the item in it.
struct StoredField {
    readdata14_layer_id layer;
    const char* field;
    const char* column;
    std::uint32_t item;
};

constexpr StoredField STORED_FIELDS[] = {
    {READDATA14_LAYER_LINES, "label_value", "label", 0},
    {READDATA14_LAYER_CLOSED_CONTOURS, "label_value", "value", 0},
    {READDATA14_LAYER_SYMBOLS, "direction", "direction", 0},
    {READDATA14_LAYER_FILL_AREAS, "value_14", "values", 13},
    {READDATA14_LAYER_NOTES, "value", "value", 0},
    {READDATA14_LAYER_NOTES, "value_1", "values", 0},
    {READDATA14_LAYER_NOTES, "value_2", "values", 1},
    {READDATA14_LAYER_NOTES, "value_3", "values", 2},
    {READDATA14_LAYER_NOTES, "value_4", "values", 3},
    {READDATA14_LAYER_NOTES, "value_5", "values", 4},
    {READDATA14_LAYER_NOTES, "value_6", "values", 5},
};

const readdata14_stored_column* ColumnNamed(const readdata14_stored_layer& layer, const char* name) {
    for (std::uint32_t c = 0; c < layer.columnCount; ++c) {
        if (std::strcmp(layer.columns[c].name, name) == 0) return &layer.columns[c];
    }
    return nullptr;
}

OGRGeometry* StoredGeometry(std::uint32_t type, const float* xy, std::uint32_t points) {
    auto line = std::make_unique<OGRLineString>();
    line->setNumPoints(static_cast<int>(points), FALSE);
    for (std::uint32_t i = 0; i < points; ++i) line->setPoint(static_cast<int>(i), xy[2 * i], xy[2 * i + 1]);
    if (type == READDATA14_GEOMETRY_LINE_STRING) return line.release();
    auto ring = std::make_unique<OGRLinearRing>();
    ring->addSubLineString(line.get());
    auto polygon = std::make_unique<OGRPolygon>();
    // The ring is the record's, closed or not (a NaN is never its own
    // end): GDAL's warning about an open ring says nothing to the user.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    polygon->addRingDirectly(ring.release());
    CPLPopErrorHandler();
    return polygon.release();
}

}  // namespace

// GIS shows some of what an element holds as nothing: points that make no
// geometry (a line of one point, a ring too short to close, a coordinate
// not finite) and values not finite (null fields). A feature set again
// with them still shown so (its other fields changed) keeps them as they
// were read; a geometry or value set with the edit replaces them. What the
// format's writing cannot take from a feature (a coordinate not finite) is
// named, and the set refused, rather than dropped at the save.
std::optional<std::string> Chart14Layer::KeepStored(OGRFeature& feature) const {
    const GIntBig fid = feature.GetFID();
    if (fid < 0 || static_cast<std::uint64_t>(fid) >= table_.featureCount) return std::nullopt;
    const auto row = static_cast<std::uint64_t>(fid);
    const std::unique_ptr<OGRFeature> read(ReadFeature(row));
    const readdata14_stored_layer* stored = readdata14_document_stored_layer(&dataset_.ReadDocument(), table_.id);
    if (read == nullptr || stored == nullptr) throw std::bad_alloc();
    for (const StoredField& kept : STORED_FIELDS) {
        const int index = feature.GetFieldIndex(kept.field);
        const readdata14_stored_column* column = ColumnNamed(*stored, kept.column);
        if (kept.layer != Id() || index < 0 || column == nullptr || column->counts[row] <= kept.item) continue;
        if (!feature.IsFieldNull(index) || !read->IsFieldNull(index)) continue;
        const float value = column->floats[column->starts[row] + kept.item];
        if (!std::isfinite(value)) feature.SetField(index, static_cast<double>(value));  // NaN's sign kept
    }
    if (feature.GetGeometryRef() != nullptr || read->GetGeometryRef() != nullptr) return std::nullopt;
    const std::uint32_t type = table_.definition->geometryType;
    if (type == READDATA14_GEOMETRY_POINT) {
        // Symbols and notes: x and y after the record; label points: first.
        const auto* x = ColumnNamed(*stored, "x");
        const auto* y = ColumnNamed(*stored, "y");
        if (x == nullptr || y == nullptr || x->counts[row] == 0 || y->counts[row] == 0) return std::nullopt;
        const float px = x->floats[x->starts[row]];
        const float py = y->floats[y->starts[row]];
        // Both NaN: a feature without a geometry writes just that.
        if (std::isnan(px) && std::isnan(py)) return std::nullopt;
        const auto shown = [](float v) {
            char text[32];
            return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
        };
        return "its position (" + shown(px) + ", " + shown(py) +
               ") is not finite, which GIS cannot carry: set a geometry with the edit";
    }
    const auto* points = ColumnNamed(*stored, "points");
    if (points == nullptr || points->counts[row] == 0) return std::nullopt;
    feature.SetGeometryDirectly(StoredGeometry(type, points->floats + points->starts[row], points->counts[row]));
    return std::nullopt;
}

bool Chart14Layer::AsRead(std::uint64_t fid) const {
    return fid < table_.featureCount && EditedFeature(fid) == nullptr && !Deleted(fid);
}

std::vector<std::uint64_t> Chart14Layer::TouchedFids() const {
    std::vector<std::uint64_t> fids;
    if (edits_ == nullptr) return fids;
    for (const auto& [fid, feature] : edits_->features) fids.push_back(fid);
    fids.insert(fids.end(), edits_->deleted.begin(), edits_->deleted.end());
    std::sort(fids.begin(), fids.end());
    return fids;
}

OGRErr Chart14Layer::RefuseFeature(GIntBig fid, const std::string& why) const {
    CPLError(CE_Failure, CPLE_AppDefined, "Chart14: %s: layer %s, feature " CPL_FRMT_GIB ": %s",
             dataset_.GetDescription(), defn_->GetName(), fid, why.c_str());
    return OGRERR_FAILURE;
}

// The feature must become an element as it stands: a save that could not
// write it would be found out only at close.
std::optional<std::string> Chart14Layer::WhyNotCarried(const OGRFeature& feature) const {
    if (feature.GetDefnRef()->GetFieldCount() != defn_->GetFieldCount())
        return std::string("its fields are not the layer's");
    const auto id = static_cast<readdata14_layer_id>(table_.id);
    std::unique_ptr<OGRFeature> saved(feature.Clone());
    if (auto why = KeepStored(*saved)) return why;
    return ProbeFeature(dataset_, id, *saved);
}

OGRErr Chart14Layer::ISetFeature(OGRFeature* feature) {
    if (edits_ == nullptr) return RefuseEdit(dataset_.GetDescription());
    const GIntBig fid = feature->GetFID();
    if (fid < 0 || !edits_->Exists(static_cast<std::uint64_t>(fid))) return OGRERR_NON_EXISTING_FEATURE;
    try {
        if (const auto why = WhyNotCarried(*feature)) return RefuseFeature(fid, *why);
        edits_->features[static_cast<std::uint64_t>(fid)].reset(feature->Clone());
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s", dataset_.GetDescription(), e.what());
        return OGRERR_NOT_ENOUGH_MEMORY;
    }
    dataset_.MarkEdited();
    return OGRERR_NONE;
}

OGRErr Chart14Layer::ICreateFeature(OGRFeature* feature) {
    if (edits_ == nullptr) return RefuseEdit(dataset_.GetDescription());
    const auto fid = static_cast<GIntBig>(edits_->nextFid);
    try {
        std::unique_ptr<OGRFeature> kept(feature->Clone());
        kept->SetFID(fid);
        FillDefaults(*kept, static_cast<readdata14_layer_id>(table_.id));
        if (const auto why = WhyNotCarried(*kept)) return RefuseFeature(fid, *why);
        edits_->features[edits_->nextFid] = std::move(kept);
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s", dataset_.GetDescription(), e.what());
        return OGRERR_NOT_ENOUGH_MEMORY;
    }
    ++edits_->nextFid;
    // The caller learns the FID from its feature (QGIS fetches it by it).
    feature->SetFID(fid);
    dataset_.MarkEdited();
    return OGRERR_NONE;
}

OGRErr Chart14Layer::DeleteFeature(GIntBig fid) {
    if (edits_ == nullptr) return RefuseEdit(dataset_.GetDescription());
    if (fid < 0 || !edits_->Exists(static_cast<std::uint64_t>(fid))) return OGRERR_NON_EXISTING_FEATURE;
    edits_->features.erase(static_cast<std::uint64_t>(fid));
    edits_->deleted.insert(static_cast<std::uint64_t>(fid));
    dataset_.MarkEdited();
    // A line's or contour's label points go with it.
    const auto id = static_cast<readdata14_layer_id>(table_.id);
    if (id == READDATA14_LAYER_LINES || id == READDATA14_LAYER_CLOSED_CONTOURS)
        dataset_.DeleteLabelPointsOf(id, static_cast<std::uint64_t>(fid));
    return OGRERR_NONE;
}

OGRErr Chart14Layer::SyncToDisk() {
    if (edits_ == nullptr) return OGRERR_NONE;
    return dataset_.Save() ? OGRERR_NONE : OGRERR_FAILURE;
}

void Chart14Layer::DeleteLabelPointsOf(const char* parentLayer, std::uint64_t parentFid) {
    if (edits_ == nullptr) return;
    for (std::uint64_t fid = 0; fid < edits_->nextFid; ++fid) {
        if (!edits_->Exists(fid)) continue;
        std::unique_ptr<OGRFeature> point(Translate(fid));
        if (!point) continue;
        if (EQUAL(point->GetFieldAsString("parent_layer"), parentLayer) &&
            point->GetFieldAsInteger64("parent_fid") == static_cast<GIntBig>(parentFid)) {
            edits_->features.erase(fid);
            edits_->deleted.insert(fid);
        }
    }
}

}  // namespace readdata14::ogr

// ---- the dataset's side ---------------------------------------------------------------

namespace readdata14::ogr {

bool Chart14Dataset::BeginUpdate(const char* path) {
    const auto refuse = [&](const std::string& why) {
        CPLError(CE_Failure, CPLE_OpenFailed, "Chart14: %s: not opened for update: %s", GetDescription(), why.c_str());
        return false;
    };
    VSIStatBufL status;
    if (STARTS_WITH(path, "/vsi") || VSIStatL(path, &status) != 0 || !VSI_ISREG(status.st_mode))
        return refuse("update works on a chart in a file of the local file system");
    if (const auto why = WhyNotWritable(path)) return refuse("a save could not replace it: " + *why);
    auto update = std::make_unique<ChartUpdate>();
    update->path = path;
    std::string why;
    const auto stamp = StampOf(update->path, why);
    if (!stamp) return refuse(why);
    update->stamp = *stamp;
    update->crlf = EndsLinesWithCrLf(update->path);
    for (const char* key : {"FIRST_TOKEN", "DESCRIPTION", "HEADER_INTEGERS"}) {
        if (const char* value = GetMetadataItem(key)) update->openedHeader[key] = value;
    }
    if (document_->chart.errors > 0) {
        CPLError(CE_Warning, CPLE_AppDefined,
                 "Chart14: %s: opened for update with %u errors in the file: a save writes the chart as it was read, "
                 "not what the broken parts meant",
                 GetDescription(), document_->chart.errors);
    }
    update_ = std::move(update);
    eAccess = GA_Update;
    for (const auto& layer : layers_) layer->BeginEdits();
    return true;
}

void Chart14Dataset::MarkEdited() {
    if (update_) update_->dirty = true;
}

void Chart14Dataset::FlushCache(bool atClosing) {
    Save();
    GDALDataset::FlushCache(atClosing);
}

// A header item set in update mode is checked as the header takes it, and
// saved with the chart.
CPLErr Chart14Dataset::SetMetadataItem(const char* name, const char* value, const char* domain) {
    const bool headerItem = update_ && (domain == nullptr || domain[0] == '\0') && name != nullptr && IsHeaderItem(name);
    if (headerItem) {
        Header probe;
        if (value == nullptr) {
            CPLError(CE_Failure, CPLE_IllegalArg, "Chart14: %s: the header's %s cannot be removed", GetDescription(), name);
            return CE_Failure;
        }
        if (const auto why = SetHeaderItem(probe, name, value, encoding_)) {
            CPLError(CE_Failure, CPLE_IllegalArg, "Chart14: %s: %s=%s: %s", GetDescription(), name, value, why->c_str());
            return CE_Failure;
        }
        MarkEdited();
    }
    return GDALDataset::SetMetadataItem(name, value, domain);
}

void Chart14Dataset::DeleteLabelPointsOf(readdata14_layer_id parentLayer, std::uint64_t parentFid) {
    layers_[READDATA14_LAYER_LABEL_POINTS]->DeleteLabelPointsOf(NameOfLayer(parentLayer), parentFid);
}

}  // namespace readdata14::ogr

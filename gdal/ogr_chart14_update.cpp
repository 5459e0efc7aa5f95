// Editing a layer of a chart opened for update: the features set, created
// and deleted are kept beside the read table, each checked against the
// format as it arrives, and the dataset is told that the chart must be
// saved.
#include <algorithm>
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
        KeepStoredPoints(*saved);
        return saved.release();
    }
    return MakeFeature(fid, true);
}

// An element GIS shows without a geometry may hold points all the same (a
// line of one point, a ring too short to close, a coordinate not finite).
// Set again with no geometry (its fields changed), it keeps them: the
// points go with the feature as they were read, and a save that could not
// write them refuses the edit rather than drop them. A geometry set with
// the edit replaces them.
void Chart14Layer::KeepStoredPoints(OGRFeature& feature) const {
    const GIntBig fid = feature.GetFID();
    if (feature.GetGeometryRef() != nullptr || fid < 0 || static_cast<std::uint64_t>(fid) >= table_.featureCount)
        return;
    const auto row = static_cast<std::uint64_t>(fid);
    const readdata14_stored_layer* stored = readdata14_document_stored_layer(&dataset_.ReadDocument(), table_.id);
    if (stored == nullptr) throw std::bad_alloc();
    const auto item = [&](std::size_t column) {
        const readdata14_stored_column& c = stored->columns[column];
        return std::pair{c.floats + c.starts[row], c.counts[row]};
    };
    if (table_.definition->geometryType == READDATA14_GEOMETRY_POINT) {
        // Symbols and notes: x and y after the record; label points: first.
        const std::size_t x = table_.id == READDATA14_LAYER_LABEL_POINTS ? 0 : 1;
        const auto [xs, hasX] = item(x);
        const auto [ys, hasY] = item(x + 1);
        if (hasX != 0 && hasY != 0) feature.SetGeometryDirectly(new OGRPoint(*xs, *ys));
        return;
    }
    const auto [xy, points] = item(1);  // the points, after the record
    if (points == 0) return;
    auto line = std::make_unique<OGRLineString>();
    line->setNumPoints(static_cast<int>(points), FALSE);
    for (std::uint32_t i = 0; i < points; ++i) line->setPoint(static_cast<int>(i), xy[2 * i], xy[2 * i + 1]);
    if (table_.definition->geometryType == READDATA14_GEOMETRY_LINE_STRING) {
        feature.SetGeometryDirectly(line.release());
        return;
    }
    auto ring = std::make_unique<OGRLinearRing>();
    ring->addSubLineString(line.get());
    auto polygon = std::make_unique<OGRPolygon>();
    // The ring is the record's, closed or not (a NaN is never its own
    // end): GDAL's warning about an open ring says nothing to the user.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    polygon->addRingDirectly(ring.release());
    CPLPopErrorHandler();
    feature.SetGeometryDirectly(polygon.release());
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
    KeepStoredPoints(*saved);
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

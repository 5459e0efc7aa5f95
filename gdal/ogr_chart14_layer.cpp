// One layer over one of the library's layer tables: the definition from the
// table's schema, each feature made on demand from its row, and the count and
// extent as the table holds them.
#include <algorithm>
#include <exception>

#include "ogr_chart14.hpp"
#include "ogr_chart14_update.hpp"

namespace readdata14::ogr {
namespace {

OGRwkbGeometryType GeometryTypeOf(std::int32_t type) {
    switch (type) {
        case READDATA14_GEOMETRY_POINT: return wkbPoint;
        case READDATA14_GEOMETRY_LINE_STRING: return wkbLineString;
        case READDATA14_GEOMETRY_POLYGON: return wkbPolygon;
        default: return wkbUnknown;
    }
}

void AddField(OGRFeatureDefn& defn, const readdata14_field_definition& field) {
    const OGRFieldType type = field.type == READDATA14_FIELD_REAL     ? OFTReal
                              : field.type == READDATA14_FIELD_STRING ? OFTString
                                                                      : OFTInteger;
    OGRFieldDefn definition(field.name, type);
    if (field.type == READDATA14_FIELD_BOOLEAN) definition.SetSubType(OFSTBoolean);
    definition.SetNullable(field.nullable != 0);
    defn.AddFieldDefn(&definition);
}

OGRFeatureDefn* MakeDefinition(const readdata14_layer_definition& layer, OGRSpatialReference* srs) {
    auto* defn = new OGRFeatureDefn(layer.name);
    defn->Reference();
    defn->SetGeomType(GeometryTypeOf(layer.geometryType));
    if (srs != nullptr) defn->GetGeomFieldDefn(0)->SetSpatialRef(srs);
    for (std::uint32_t i = 0; i < layer.fieldCount; ++i) AddField(*defn, layer.fields[i]);
    return defn;
}

// The points of a feature's geometry, and a ring left open closed.
template <class Line>
std::unique_ptr<Line> MakeLine(const float* xy, std::uint32_t points, bool closeRing) {
    auto line = std::make_unique<Line>();
    line->setNumPoints(static_cast<int>(points + (closeRing ? 1 : 0)), FALSE);
    for (std::uint32_t i = 0; i < points; ++i) line->setPoint(static_cast<int>(i), xy[2 * i], xy[2 * i + 1]);
    if (closeRing) line->setPoint(static_cast<int>(points), xy[0], xy[1]);
    return line;
}

}  // namespace

Chart14Layer::Chart14Layer(Chart14Dataset& dataset, const readdata14_layer& table, OGRSpatialReference* srs)
    : dataset_(dataset), table_(table), defn_(MakeDefinition(*table.definition, srs)) {
    SetDescription(defn_->GetName());
    // The section's tag stood where it was due, whatever its count.
    SetMetadataItem("SECTION_PRESENT", table.present != 0 ? "YES" : "NO");
}

Chart14Layer::~Chart14Layer() { defn_->Release(); }

GDALDataset* Chart14Layer::GetDataset() { return &dataset_; }

void Chart14Layer::ResetReading() {
    next_ = 0;
    if (edits_ != nullptr) edits_->iterationEnd = edits_->nextFid;
}

// Features created during a reading are not in it: a loop that creates one
// for each it reads ends.
std::uint64_t Chart14Layer::IterationEnd() const {
    return edits_ != nullptr ? edits_->iterationEnd : table_.featureCount;
}

// The feature's envelope against the spatial filter's, from the table's
// floats, before a feature is made. A feature without a geometry is outside.
bool Chart14Layer::OutsideFilterEnvelope(std::uint64_t fid) const {
    if ((table_.geometryFlags[fid] & READDATA14_GEOMETRY_NULL) != 0) return true;
    const float* xy = table_.coordinates + table_.geometryStarts[fid];
    const std::uint32_t points = table_.pointCounts[fid];
    double minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
    for (std::uint32_t i = 1; i < points; ++i) {
        minX = std::min<double>(minX, xy[2 * i]);
        maxX = std::max<double>(maxX, xy[2 * i]);
        minY = std::min<double>(minY, xy[2 * i + 1]);
        maxY = std::max<double>(maxY, xy[2 * i + 1]);
    }
    return maxX < m_sFilterEnvelope.MinX || minX > m_sFilterEnvelope.MaxX || maxY < m_sFilterEnvelope.MinY ||
           minY > m_sFilterEnvelope.MaxY;
}

OGRFeature* Chart14Layer::GetNextFeature() {
    // A reading that starts takes every feature created before it.
    if (next_ == 0 && edits_ != nullptr) edits_->iterationEnd = edits_->nextFid;
    while (next_ < IterationEnd()) {
        const std::uint64_t fid = next_++;
        if (Deleted(fid)) continue;
        const bool asRead = fid < table_.featureCount && EditedFeature(fid) == nullptr;
        if (m_poFilterGeom != nullptr && asRead && OutsideFilterEnvelope(fid)) continue;
        std::unique_ptr<OGRFeature> feature(Translate(fid));
        if (!feature) return nullptr;
        if ((m_poFilterGeom == nullptr || FilterGeometry(feature->GetGeometryRef())) &&
            (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(feature.get())))
            return feature.release();
    }
    return nullptr;
}

OGRFeature* Chart14Layer::GetFeature(GIntBig fid) {
    if (fid < 0 || static_cast<std::uint64_t>(fid) >= FidEnd() || Deleted(static_cast<std::uint64_t>(fid)))
        return nullptr;
    return Translate(static_cast<std::uint64_t>(fid));
}

OGRErr Chart14Layer::SetNextByIndex(GIntBig index) {
    if (Filtered() || Edited()) return OGRLayer::SetNextByIndex(index);
    if (index < 0) return OGRERR_FAILURE;
    next_ = std::min(static_cast<std::uint64_t>(index), table_.featureCount);
    return OGRERR_NONE;
}

GIntBig Chart14Layer::GetFeatureCount(int force) {
    if (Filtered()) return OGRLayer::GetFeatureCount(force);
    return static_cast<GIntBig>(edits_ != nullptr ? edits_->Count() : table_.featureCount);
}

// The extent of every feature, whatever the filters (as GDAL's drivers do);
// a layer without a geometry has none (the table's extent is NaN).
OGRErr Chart14Layer::GetExtent(OGREnvelope* extent, int force) {
    if (Edited()) return OGRLayer::GetExtent(extent, force);
    const double* e = table_.extent;
    if (!(e[0] <= e[2] && e[1] <= e[3])) return OGRERR_FAILURE;
    extent->MinX = e[0];
    extent->MinY = e[1];
    extent->MaxX = e[2];
    extent->MaxY = e[3];
    return OGRERR_NONE;
}

OGRErr Chart14Layer::GetExtent(int geomField, OGREnvelope* extent, int force) {
    if (geomField == 0) return GetExtent(extent, force);
    return OGRLayer::GetExtent(geomField, extent, force);  // reports the bad index
}

// Features are written in update mode; fields never (they are the format's).
int Chart14Layer::TestCapability(const char* capability) {
    if (EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCStringsAsUTF8)) return TRUE;
    if (EQUAL(capability, OLCFastGetExtent)) return !Edited();
    if (EQUAL(capability, OLCFastFeatureCount)) return !Filtered();
    if (EQUAL(capability, OLCFastSetNextByIndex)) return !Filtered() && !Edited();
    if (EQUAL(capability, OLCSequentialWrite) || EQUAL(capability, OLCRandomWrite) ||
        EQUAL(capability, OLCDeleteFeature))
        return edits_ != nullptr;
    return FALSE;
}

OGRErr Chart14Layer::CreateField(OGRFieldDefn*, int) { return RefuseEdit(dataset_.GetDescription()); }
OGRErr Chart14Layer::DeleteField(int) { return RefuseEdit(dataset_.GetDescription()); }
OGRErr Chart14Layer::ReorderFields(int*) { return RefuseEdit(dataset_.GetDescription()); }
OGRErr Chart14Layer::AlterFieldDefn(int, OGRFieldDefn*, int) { return RefuseEdit(dataset_.GetDescription()); }
OGRErr Chart14Layer::CreateGeomField(OGRGeomFieldDefn*, int) { return RefuseEdit(dataset_.GetDescription()); }
OGRErr Chart14Layer::IUpsertFeature(OGRFeature*) { return RefuseEdit(dataset_.GetDescription()); }

// No exception may leave for GDAL's C callers: an allocation that fails
// gives no feature and an error.
OGRFeature* Chart14Layer::Translate(std::uint64_t fid) const {
    try {
        if (const OGRFeature* edited = EditedFeature(fid)) return edited->Clone();
        return MakeFeature(fid);
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: feature " CPL_FRMT_GUIB ": %s", defn_->GetName(),
                 static_cast<GUIntBig>(fid), e.what());
        return nullptr;
    }
}

std::unique_ptr<OGRGeometry> Chart14Layer::MakeGeometry(std::uint64_t fid, bool asStored) const {
    const std::uint8_t flags = table_.geometryFlags[fid];
    // As stored (for a save): the points GIS shows no geometry for (a
    // coordinate not finite, a line of one point) are the element's all the same.
    const bool stored = asStored && table_.pointCounts[fid] > 0;
    if ((flags & READDATA14_GEOMETRY_NULL) != 0 && !stored) return nullptr;
    const float* xy = table_.coordinates + table_.geometryStarts[fid];
    const std::uint32_t points = table_.pointCounts[fid];
    switch (table_.definition->geometryType) {
        case READDATA14_GEOMETRY_POINT: return std::make_unique<OGRPoint>(xy[0], xy[1]);
        case READDATA14_GEOMETRY_LINE_STRING: return MakeLine<OGRLineString>(xy, points, false);
        case READDATA14_GEOMETRY_POLYGON: {
            auto polygon = std::make_unique<OGRPolygon>();
            const bool leftOpen = (flags & READDATA14_RING_LEFT_OPEN) != 0;
            polygon->addRingDirectly(MakeLine<OGRLinearRing>(xy, points, leftOpen).release());
            return polygon;
        }
        default: return nullptr;
    }
}

OGRFeature* Chart14Layer::MakeFeature(std::uint64_t fid, bool asStored) const {
    std::unique_ptr<OGRFeature> feature(new OGRFeature(defn_));
    feature->SetFID(static_cast<GIntBig>(fid));
    for (std::uint32_t i = 0; i < table_.definition->fieldCount; ++i) {
        const readdata14_column& column = table_.columns[i];
        const int field = static_cast<int>(i);
        if (column.nulls != nullptr && column.nulls[fid] != 0) {
            feature->SetFieldNull(field);
            continue;
        }
        switch (column.type) {
            case READDATA14_FIELD_REAL: feature->SetField(field, column.reals[fid]); break;
            case READDATA14_FIELD_STRING: {
                const std::string_view text(column.texts + column.textStarts[fid], column.textLengths[fid]);
                feature->SetField(field, dataset_.DecodeText(text).c_str());
                break;
            }
            // Integers and Booleans: every value fits 32 bits.
            default: feature->SetField(field, static_cast<int>(column.integers[fid])); break;
        }
    }
    if (auto geometry = MakeGeometry(fid, asStored)) {
        geometry->assignSpatialReference(defn_->GetGeomFieldDefn(0)->GetSpatialRef());
        feature->SetGeometryDirectly(geometry.release());
    }
    return feature.release();
}

}  // namespace readdata14::ogr

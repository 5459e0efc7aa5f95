// One layer: its definition from the schema, the features made on demand
// from the blocks, and the index (count, envelopes, extent) made at open.
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "ogr_chart14.hpp"

namespace readdata14::ogr {
namespace {

using layers::FieldType;
using layers::FieldValue;
using layers::GeometryType;

constexpr float INF = std::numeric_limits<float>::infinity();
constexpr FloatEnvelope EMPTY{INF, INF, -INF, -INF};

bool IsEmpty(const FloatEnvelope& e) { return e.minX > e.maxX; }

// NaN coordinates are left out: they would poison every comparison after.
void Include(FloatEnvelope& e, Point p) {
    if (std::isnan(p.x) || std::isnan(p.y)) return;
    e.minX = std::min(e.minX, p.x);
    e.minY = std::min(e.minY, p.y);
    e.maxX = std::max(e.maxX, p.x);
    e.maxY = std::max(e.maxY, p.y);
}

void Include(FloatEnvelope& e, const FloatEnvelope& other) {
    if (IsEmpty(other)) return;
    Include(e, Point{other.minX, other.minY});
    Include(e, Point{other.maxX, other.maxY});
}

FloatEnvelope EnvelopeOf(const layers::FeatureGeometry& g) {
    FloatEnvelope e = EMPTY;
    if (g.isNull) return e;
    if (g.type == GeometryType::Point) {
        Include(e, g.point);
    } else {
        for (const Point p : g.points) Include(e, p);
    }
    return e;
}

OGRFeatureDefn* MakeDefinition(const layers::LayerDefinition& layer, OGRSpatialReference* srs) {
    auto* defn = new OGRFeatureDefn(std::string(layer.name).c_str());
    defn->Reference();
    switch (layer.geometry) {
        case GeometryType::Point: defn->SetGeomType(wkbPoint); break;
        case GeometryType::LineString: defn->SetGeomType(wkbLineString); break;
        case GeometryType::Polygon: defn->SetGeomType(wkbPolygon); break;
    }
    if (srs != nullptr) defn->GetGeomFieldDefn(0)->SetSpatialRef(srs);
    for (const auto& field : layer.fields) {
        const OGRFieldType type = field.type == FieldType::Real     ? OFTReal
                                  : field.type == FieldType::String ? OFTString
                                                                    : OFTInteger;
        OGRFieldDefn definition(std::string(field.name).c_str(), type);
        if (field.type == FieldType::Boolean) definition.SetSubType(OFSTBoolean);
        definition.SetNullable(field.nullable);
        defn->AddFieldDefn(&definition);
    }
    return defn;
}

template <class Line>
std::unique_ptr<Line> MakeLine(std::span<const Point> points, bool closeRing) {
    auto line = std::make_unique<Line>();
    const std::size_t n = points.size() + (closeRing ? 1 : 0);
    line->setNumPoints(static_cast<int>(n), FALSE);
    for (std::size_t i = 0; i < points.size(); ++i) line->setPoint(static_cast<int>(i), points[i].x, points[i].y);
    if (closeRing) line->setPoint(static_cast<int>(points.size()), points.front().x, points.front().y);
    return line;
}

std::unique_ptr<OGRGeometry> MakeGeometry(const layers::FeatureGeometry& g) {
    if (g.isNull) return nullptr;
    switch (g.type) {
        case GeometryType::Point: return std::make_unique<OGRPoint>(g.point.x, g.point.y);
        case GeometryType::LineString: return MakeLine<OGRLineString>(g.points, false);
        case GeometryType::Polygon: {
            auto polygon = std::make_unique<OGRPolygon>();
            polygon->addRingDirectly(MakeLine<OGRLinearRing>(g.points, g.closeRing).release());
            return polygon;
        }
    }
    return nullptr;
}

}  // namespace

Chart14Layer::Chart14Layer(Chart14Dataset& dataset, layers::LayerId id, OGRSpatialReference* srs)
    : dataset_(dataset), id_(id), defn_(MakeDefinition(layers::Layer(id), srs)),
      count_(dataset.Layers().FeatureCount(id)), extent_(EMPTY) {
    SetDescription(defn_->GetName());
    SetMetadataItem(std::string(layers::SECTION_PRESENT).c_str(), dataset.Layers().SectionPresent(id) ? "YES" : "NO");
    envelopes_.reserve(static_cast<std::size_t>(count_));
    for (std::uint64_t fid = 0; fid < count_; ++fid) {
        envelopes_.push_back(EnvelopeOf(dataset.Layers().GetFeature(id, fid).geometry));
        Include(extent_, envelopes_.back());
    }
}

Chart14Layer::~Chart14Layer() { defn_->Release(); }

GDALDataset* Chart14Layer::GetDataset() { return &dataset_; }

void Chart14Layer::ResetReading() { next_ = 0; }

OGRFeature* Chart14Layer::GetNextFeature() {
    while (next_ < count_) {
        const std::uint64_t fid = next_++;
        if (m_poFilterGeom != nullptr) {
            // The stored envelope rules most features out before any is made.
            const FloatEnvelope& e = envelopes_[static_cast<std::size_t>(fid)];
            if (IsEmpty(e) || e.maxX < m_sFilterEnvelope.MinX || e.minX > m_sFilterEnvelope.MaxX ||
                e.maxY < m_sFilterEnvelope.MinY || e.minY > m_sFilterEnvelope.MaxY)
                continue;
        }
        std::unique_ptr<OGRFeature> feature(Translate(fid));
        if (!feature) return nullptr;
        if ((m_poFilterGeom == nullptr || FilterGeometry(feature->GetGeometryRef())) &&
            (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(feature.get())))
            return feature.release();
    }
    return nullptr;
}

OGRFeature* Chart14Layer::GetFeature(GIntBig fid) {
    if (fid < 0 || static_cast<std::uint64_t>(fid) >= count_) return nullptr;
    return Translate(static_cast<std::uint64_t>(fid));
}

OGRErr Chart14Layer::SetNextByIndex(GIntBig index) {
    if (Filtered()) return OGRLayer::SetNextByIndex(index);
    if (index < 0) return OGRERR_FAILURE;
    next_ = std::min(static_cast<std::uint64_t>(index), count_);
    return OGRERR_NONE;
}

GIntBig Chart14Layer::GetFeatureCount(int force) {
    if (Filtered()) return OGRLayer::GetFeatureCount(force);
    return static_cast<GIntBig>(count_);
}

// The extent of every feature, whatever the filters (as GDAL's drivers do);
// an empty layer has none.
OGRErr Chart14Layer::GetExtent(OGREnvelope* extent, int) {
    if (IsEmpty(extent_)) return OGRERR_FAILURE;
    extent->MinX = extent_.minX;
    extent->MinY = extent_.minY;
    extent->MaxX = extent_.maxX;
    extent->MaxY = extent_.maxY;
    return OGRERR_NONE;
}

OGRErr Chart14Layer::GetExtent(int geomField, OGREnvelope* extent, int force) {
    if (geomField == 0) return GetExtent(extent, force);
    return OGRLayer::GetExtent(geomField, extent, force);  // reports the bad index
}

int Chart14Layer::TestCapability(const char* capability) {
    if (EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCFastGetExtent) ||
        EQUAL(capability, OLCStringsAsUTF8))
        return TRUE;
    if (EQUAL(capability, OLCFastFeatureCount) || EQUAL(capability, OLCFastSetNextByIndex)) return !Filtered();
    return FALSE;
}

// No exception may leave for GDAL's C callers: an allocation that fails
// gives no feature and an error.
OGRFeature* Chart14Layer::Translate(std::uint64_t fid) const {
    try {
        return MakeFeature(fid);
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: feature " CPL_FRMT_GUIB ": %s", defn_->GetName(),
                 static_cast<GUIntBig>(fid), e.what());
        return nullptr;
    }
}

OGRFeature* Chart14Layer::MakeFeature(std::uint64_t fid) const {
    const layers::Feature source = dataset_.Layers().GetFeature(id_, fid);
    std::unique_ptr<OGRFeature> feature(new OGRFeature(defn_));
    feature->SetFID(static_cast<GIntBig>(fid));
    const int fields = defn_->GetFieldCount();
    for (int i = 0; i < fields; ++i) {
        const FieldValue& value = source.values[static_cast<std::size_t>(i)];
        switch (value.kind) {
            case FieldValue::Kind::Null: feature->SetFieldNull(i); break;
            case FieldValue::Kind::Integer: feature->SetField(i, static_cast<int>(value.integer)); break;
            case FieldValue::Kind::Real: feature->SetField(i, value.real); break;
            case FieldValue::Kind::Text: feature->SetField(i, dataset_.DecodeText(value.text).c_str()); break;
        }
    }
    if (auto geometry = MakeGeometry(source.geometry)) {
        geometry->assignSpatialReference(defn_->GetGeomFieldDefn(0)->GetSpatialRef());
        feature->SetGeometryDirectly(geometry.release());
    }
    return feature.release();
}

}  // namespace readdata14::ogr

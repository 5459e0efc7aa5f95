// The Chart14 OGR driver: a type-14 chart as eight read-only vector layers,
// one per section (the schema is readdata14/layers.hpp).
//
// One open reads the whole file once, through GDAL's virtual file layer, with
// the library's C API; every feature comes from the blocks that read handed
// back, which the dataset keeps until it closes. Each layer indexes its
// records and their envelopes at open, so counts, extents and reads by FID
// need no scan. A dataset shares nothing with another: separate datasets may
// be used from separate threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "readdata14/chart.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::ogr {

class Chart14Dataset;

// A feature's bounding box, in the floats the chart stores; empty (min > max)
// for a feature without a geometry or without a finite coordinate.
struct FloatEnvelope {
    float minX, minY, maxX, maxY;
};

class Chart14Layer final : public OGRLayer {
public:
    Chart14Layer(Chart14Dataset& dataset, layers::LayerId id, OGRSpatialReference* srs);
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

private:
    bool Filtered() const { return m_poFilterGeom != nullptr || m_poAttrQuery != nullptr; }
    OGRFeature* Translate(std::uint64_t fid) const;
    OGRFeature* MakeFeature(std::uint64_t fid) const;

    Chart14Dataset& dataset_;
    layers::LayerId id_;
    OGRFeatureDefn* defn_;
    std::uint64_t count_;
    std::uint64_t next_ = 0;
    std::vector<FloatEnvelope> envelopes_;  // one per feature
    FloatEnvelope extent_;
};

class Chart14Dataset final : public GDALDataset {
public:
    static int Identify(GDALOpenInfo* info);
    static GDALDataset* Open(GDALOpenInfo* info);

    ~Chart14Dataset() override;

    int GetLayerCount() override { return static_cast<int>(layers_.size()); }
    OGRLayer* GetLayer(int index) override;
    int TestCapability(const char*) override { return FALSE; }

    const layers::ChartLayers& Layers() const { return *chartLayers_; }
    // A text of the file as UTF-8 (see ogr_chart14_texts.cpp).
    std::string DecodeText(std::string_view bytes) const;

private:
    Chart14Dataset() = default;
    bool Setup(GDALOpenInfo* info);
    bool SetEncoding(const char* encoding);
    bool SetSpatialReference(const char* definition);
    void WarnAboutInvalidTexts() const;
    std::string DecodePiece(std::string_view bytes) const;

    Chart chart_;
    std::unique_ptr<layers::ChartLayers> chartLayers_;
    std::string encoding_;  // empty: UTF-8 with \xNN for invalid bytes
    OGRSpatialReference* srs_ = nullptr;
    std::vector<std::unique_ptr<Chart14Layer>> layers_;
};

// Whether the first bytes of a file are a type-14 header: a token, the
// integer 14, the description, then five integers. `complete` says that the
// bytes are the whole file; when they are not and end inside the header,
// the answer is "need more".
enum class HeaderVerdict { Chart, NotChart, NeedMore };
HeaderVerdict CheckHeader(std::string_view bytes, bool complete);

}  // namespace readdata14::ogr

// A layer of a chart being written. It takes any field (the values are
// found by name when a feature arrives) and hands each feature to the
// chart's assembly; what became of the feature goes to the dataset, which
// fails a feature it cannot write, and warns about values put in place of
// lost ones (under STRICT=YES, fails the run).
#include <cstdlib>
#include <exception>

#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {

Chart14WriteLayer::Chart14WriteLayer(Chart14Writer& writer, const char* name, OGRwkbGeometryType type,
                                     std::optional<readdata14_layer_id> section, LayerMapping mapping)
    : writer_(writer), defn_(new OGRFeatureDefn(name)), section_(section), mapping_(std::move(mapping)) {
    defn_->Reference();
    defn_->SetGeomType(type);
    SetDescription(name);
}

Chart14WriteLayer::~Chart14WriteLayer() { defn_->Release(); }

GDALDataset* Chart14WriteLayer::GetDataset() { return &writer_; }

int Chart14WriteLayer::TestCapability(const char* capability) {
    return EQUAL(capability, OLCSequentialWrite) || EQUAL(capability, OLCCreateField) ||
           EQUAL(capability, OLCStringsAsUTF8);
}

OGRErr Chart14WriteLayer::CreateField(OGRFieldDefn* field, int) {
    defn_->AddFieldDefn(field);
    return OGRERR_NONE;
}

// A layer named for no section: its geometry type chooses (a layer of any
// geometry: its first feature's), and for points and polygons its fields:
// notes have texts, fill areas values.
readdata14_layer_id Chart14WriteLayer::ResolveSection(const OGRFeature* first) {
    if (section_) return *section_;
    const auto has = [this](const char* name) { return defn_->GetFieldIndex(name) >= 0; };
    OGRwkbGeometryType type = PartType(defn_->GetGeomType());
    if (type == wkbUnknown && first != nullptr && first->GetGeometryRef() != nullptr) {
        type = PartType(first->GetGeometryRef()->getGeometryType());
    }
    switch (type) {
        case wkbPoint:
            section_ = has("first_text") || has("second_text") ? READDATA14_LAYER_NOTES : READDATA14_LAYER_SYMBOLS;
            break;
        case wkbPolygon: section_ = has("value_1") ? READDATA14_LAYER_FILL_AREAS : READDATA14_LAYER_WEATHER_REGIONS; break;
        default: section_ = READDATA14_LAYER_LINES; break;
    }
    return *section_;
}

void Chart14WriteLayer::HandOnDroppedSymbols() {
    if (droppedHandedOn_ || ResolveSection() != READDATA14_LAYER_SYMBOLS) return;
    droppedHandedOn_ = true;
    const char* listed = GetMetadataItem("DROPPED_SYMBOLS");
    if (listed == nullptr) return;
    std::vector<std::uint64_t> slots;
    const CPLStringList items(CSLTokenizeString2(listed, ",", 0));
    for (int i = 0; i < items.size(); ++i) {
        char* end = nullptr;
        const unsigned long long slot = std::strtoull(items[i], &end, 10);
        if (end == items[i] || *end != '\0' || slot > (1u << 24)) {
            writer_.Warn(std::string("Chart14: ") + writer_.GetDescription() + ": layer " + GetName() +
                         ": DROPPED_SYMBOLS=" + listed + " is not a list of slots; no dropped symbol is written");
            return;
        }
        slots.push_back(slot);
    }
    writer_.Assembly().DropSymbolsAt(slots);
}

std::uint32_t Chart14WriteLayer::SectionLeftOut() {
    const char* present = GetMetadataItem("SECTION_PRESENT");
    const readdata14_layer_id section = ResolveSection();
    // The label points belong to the lines' and contours' sections.
    if (present == nullptr || !EQUAL(present, "NO") || section == READDATA14_LAYER_LABEL_POINTS) return 0;
    // The layer model's sections stand in the order of the section bits.
    return 1u << static_cast<unsigned>(section);
}

OGRErr Chart14WriteLayer::StartTransaction() {
    writer_.TransactionStarted();
    return OGRERR_NONE;
}

OGRErr Chart14WriteLayer::RollbackTransaction() {
    writer_.RolledBack();
    return OGRERR_NONE;
}

OGRErr Chart14WriteLayer::ICreateFeature(OGRFeature* feature) {
    const GIntBig arrived = arrived_++;
    // The source's FID where the caller kept it (ogr2ogr -preserve_fid),
    // else the feature's place in the layer, from 0.
    const GIntBig shown = feature->GetFID() != OGRNullFID ? feature->GetFID() : arrived;
    try {
        mapping_.section = ResolveSection(feature);
        HandOnDroppedSymbols();
        Verdict verdict;
        FeatureReader reader(*feature, mapping_, writer_.Encoding(), verdict);
        writer_.Assembly().Take(mapping_.section, reader, verdict);
        return writer_.Report(GetName(), shown, verdict);
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: %s; no chart is written", writer_.GetDescription(),
                 e.what());
        writer_.Fail();
        return OGRERR_NOT_ENOUGH_MEMORY;
    }
}

}  // namespace readdata14::ogr

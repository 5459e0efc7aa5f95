// What a save of an edited layer copies from the chart as read and what it
// makes from features, in the order the section holds its elements: an
// element untouched since the open is copied bit for bit, whatever GIS
// shows of it, and the set and created ones come from their features
// between them.
#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>

#include "ogr_chart14_update.hpp"
#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {
namespace {

// The column of the layer's field `name` (every layer model field has one).
const readdata14_column& ColumnOf(const readdata14_layer& table, const char* name) {
    for (std::uint32_t k = 0; k < table.definition->fieldCount; ++k) {
        if (std::strcmp(table.definition->fields[k].name, name) == 0) return table.columns[k];
    }
    throw std::logic_error(std::string("the layer model has no field ") + name);
}

std::vector<PlannedElement> SymbolOrder(const Chart14Layer& layer, const std::vector<std::uint64_t>& droppedSlots) {
    std::vector<PlannedElement> order;
    const std::uint64_t records = layer.Table().featureCount;
    std::uint64_t fid = 0;
    std::size_t dropped = 0;
    for (std::size_t slot = 0; fid < records || dropped < droppedSlots.size(); ++slot) {
        if (dropped < droppedSlots.size() && droppedSlots[dropped] == slot) {
            order.push_back({std::nullopt, slot});
            ++dropped;
        } else if (fid < records) {
            if (!layer.Deleted(fid)) order.push_back({fid, slot});
            ++fid;
        } else {
            ++dropped;  // a slot listed twice, or beyond: the save's copy says what is wrong
        }
    }
    for (; fid < layer.FidEnd(); ++fid) {
        if (!layer.Deleted(fid)) order.push_back({fid, std::nullopt});
    }
    return order;
}

// Contours in file order: a stable sort by file_position (as read, or as
// set), the ones without one last, as the library orders those it is
// handed; so the contours made from features stand among the copied ones
// in the order the library made them.
std::vector<PlannedElement> ContourOrder(const Chart14Layer& layer) {
    const readdata14_column& positions = ColumnOf(layer.Table(), "file_position");
    std::vector<std::tuple<bool, std::int64_t, std::uint64_t, std::optional<std::size_t>>> keyed;
    for (std::uint64_t fid = 0; fid < layer.FidEnd(); ++fid) {
        if (layer.Deleted(fid)) continue;
        const bool read = fid < layer.Table().featureCount;
        const std::optional<std::size_t> element =
            read ? std::optional<std::size_t>(static_cast<std::size_t>(positions.integers[fid])) : std::nullopt;
        if (layer.AsRead(fid)) {
            keyed.emplace_back(false, positions.integers[fid], fid, element);
            continue;
        }
        const std::unique_ptr<OGRFeature> feature(layer.SavedFeature(fid));
        const int field = feature->GetFieldIndex("file_position");
        const bool placed = field >= 0 && feature->IsFieldSetAndNotNull(field);
        keyed.emplace_back(!placed, placed ? feature->GetFieldAsInteger64(field) : 0, fid, element);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::vector<PlannedElement> order;
    order.reserve(keyed.size());
    for (const auto& [unplaced, position, fid, element] : keyed) order.push_back({fid, element});
    return order;
}

}  // namespace

void SectionPlan::Copy(std::size_t element) {
    if (!runs_.empty() && runs_.back().source == SaveRun::Source::AsRead &&
        runs_.back().first + runs_.back().count == element) {
        ++runs_.back().count;
        return;
    }
    runs_.push_back({SaveRun::Source::AsRead, element, 1, {}});
}

void SectionPlan::Make() {
    if (!runs_.empty() && runs_.back().source == SaveRun::Source::Made) {
        ++runs_.back().count;
        return;
    }
    runs_.push_back({SaveRun::Source::Made, 0, 1, {}});
}

void SectionPlan::CopyAll() { runs_.assign(1, {SaveRun::Source::AsRead, 0, READDATA14_ALL_ELEMENTS, {}}); }

void SectionPlan::Relabel(std::size_t element, std::vector<float> labelPoints) {
    runs_.push_back({SaveRun::Source::Relabelled, element, 1, std::move(labelPoints)});
}

void SectionPlan::MakeRelabelled(std::vector<float> labelPoints) {
    runs_.push_back({SaveRun::Source::MadeRelabelled, 0, 1, std::move(labelPoints)});
}

std::vector<PlannedElement> SectionOrder(const Chart14Layer& layer, const std::vector<std::uint64_t>& droppedSlots) {
    if (layer.Id() == READDATA14_LAYER_SYMBOLS) return SymbolOrder(layer, droppedSlots);
    if (layer.Id() == READDATA14_LAYER_CLOSED_CONTOURS) return ContourOrder(layer);
    std::vector<PlannedElement> order;
    for (std::uint64_t fid = 0; fid < layer.FidEnd(); ++fid) {
        if (layer.Deleted(fid)) continue;
        const bool read = fid < layer.Table().featureCount;
        order.push_back({fid, read ? std::optional<std::size_t>(static_cast<std::size_t>(fid)) : std::nullopt});
    }
    return order;
}

std::optional<ParentRef> ParentOf(const Chart14Layer& labelPoints, std::uint64_t fid) {
    std::string parentLayer;
    GIntBig parentFid = 0;
    if (labelPoints.AsRead(fid)) {
        const readdata14_column& layerColumn = ColumnOf(labelPoints.Table(), "parent_layer");
        parentLayer.assign(layerColumn.texts + layerColumn.textStarts[fid], layerColumn.textLengths[fid]);
        parentFid = ColumnOf(labelPoints.Table(), "parent_fid").integers[fid];
    } else {
        const std::unique_ptr<OGRFeature> point(labelPoints.SavedFeature(fid));
        if (!point) return std::nullopt;
        parentLayer = point->GetFieldAsString("parent_layer");
        parentFid = point->GetFieldAsInteger64("parent_fid");
    }
    const auto layer = LayerOfName(parentLayer.c_str());
    if ((layer != READDATA14_LAYER_LINES && layer != READDATA14_LAYER_CLOSED_CONTOURS) || parentFid < 0)
        return std::nullopt;
    return ParentRef{*layer, static_cast<std::uint64_t>(parentFid)};
}

std::vector<float> LabelPointsOf(const Chart14Layer& labelPoints, const Chart14Layer& parentLayer,
                                 const readdata14_document& read, std::uint64_t parentFid) {
    // A label point as read stands at its index in its parent's record:
    // [p, code, p x (x, y), label value, m, m x (x, y)] for a line, [n,
    // code, valued, level, n x (x, y), value, m, m x (x, y)] for a contour.
    // (A created parent has no record, and no label point as read.)
    const auto stored = [&](std::int64_t index, int coordinate) {
        const bool line = parentLayer.Id() == READDATA14_LAYER_LINES;
        const float* record = (line ? read.chart.lines : read.chart.closedContours) +
                              parentLayer.Table().recordStarts[parentFid];
        return record[2 * static_cast<std::size_t>(record[0]) + (line ? 4 : 6) + 2 * static_cast<std::size_t>(index) +
                      static_cast<std::size_t>(coordinate)];
    };
    const readdata14_column& indexes = ColumnOf(labelPoints.Table(), "index");
    std::vector<std::tuple<std::int64_t, std::uint64_t, float, float>> points;
    for (std::uint64_t fid = 0; fid < labelPoints.FidEnd(); ++fid) {
        if (labelPoints.Deleted(fid) || ParentOf(labelPoints, fid) != ParentRef{parentLayer.Id(), parentFid}) continue;
        if (labelPoints.AsRead(fid)) {
            const std::int64_t index = indexes.integers[fid];
            points.emplace_back(index, fid, stored(index, 0), stored(index, 1));
            continue;
        }
        // A point set without a geometry is a label point at (NaN, NaN), as
        // the library's way back makes it.
        const std::unique_ptr<OGRFeature> point(labelPoints.SavedFeature(fid));
        const auto* at = dynamic_cast<const OGRPoint*>(point->GetGeometryRef());
        const float nan = std::numeric_limits<float>::quiet_NaN();
        points.emplace_back(point->GetFieldAsInteger64("index"), fid, at != nullptr ? static_cast<float>(at->getX()) : nan,
                            at != nullptr ? static_cast<float>(at->getY()) : nan);
    }
    std::sort(points.begin(), points.end());
    std::vector<float> pairs;
    for (const auto& [index, fid, x, y] : points) pairs.insert(pairs.end(), {x, y});
    return pairs;
}

std::set<ParentRef> RelabelledParents(const Chart14Layer& labelPoints) {
    std::set<ParentRef> parents;
    const auto add = [&parents](const OGRFeature* point) {
        if (point == nullptr) return;
        const auto layer = LayerOfName(point->GetFieldAsString("parent_layer"));
        const GIntBig fid = point->GetFieldAsInteger64("parent_fid");
        if (layer && fid >= 0) parents.emplace(*layer, static_cast<std::uint64_t>(fid));
    };
    for (const std::uint64_t fid : labelPoints.TouchedFids()) {
        if (fid < labelPoints.Table().featureCount) add(std::unique_ptr<OGRFeature>(labelPoints.ReadFeature(fid)).get());
        add(std::unique_ptr<OGRFeature>(labelPoints.SavedFeature(fid)).get());
    }
    return parents;
}

}  // namespace readdata14::ogr

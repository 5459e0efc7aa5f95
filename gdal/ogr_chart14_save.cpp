// Saving a chart opened for update. The elements untouched since the open
// are copied from the chart as it was read, bit for bit
// (readdata14_builder_copy_elements): whole sections where a layer is
// untouched, runs of consecutive elements in an edited one. The set and
// created features go through the writer's own turning of features into
// elements (ChartAssembly, as `ogr2ogr -f Chart14` writes them), and the
// elements they made are copied in between, each where its section holds
// it (SectionPlan). The header comes from the dataset's metadata. The bytes
// go to a temporary file that is renamed over the chart (ReplaceFile).
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <unistd.h>

#include "ogr_chart14_update.hpp"
#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {
namespace {

// Hands features to an assembly, keeping the keys by which label points
// find their parent: a line's is its place among the lines handed on, a
// contour's its nesting_position, set here to its place among the contours
// handed on (FIDs of a chart being edited have gaps and new ones).
class Feeder {
public:
    Feeder(ChartAssembly& assembly, const std::string& encoding) : assembly_(assembly), encoding_(encoding) {}

    // Why the feature cannot be an element; nothing when it was taken, or
    // when it is a label point whose parent was not handed on (deleted).
    std::optional<std::string> Take(readdata14_layer_id layer, std::uint64_t fid, const OGRFeature& feature) {
        std::unique_ptr<OGRFeature> keyed;
        const OGRFeature* handed = &feature;
        if (layer == READDATA14_LAYER_LINES) {
            lineKeys_[fid] = lines_++;
        } else if (layer == READDATA14_LAYER_CLOSED_CONTOURS) {
            keyed.reset(feature.Clone());
            keyed->SetField("nesting_position", static_cast<GIntBig>(contours_));
            contourKeys_[fid] = contours_++;
            handed = keyed.get();
        } else if (layer == READDATA14_LAYER_LABEL_POINTS) {
            const bool ofLine = EQUAL(feature.GetFieldAsString("parent_layer"), NameOfLayer(READDATA14_LAYER_LINES));
            const auto& keys = ofLine ? lineKeys_ : contourKeys_;
            const auto parent = keys.find(static_cast<std::uint64_t>(feature.GetFieldAsInteger64("parent_fid")));
            if (parent == keys.end()) return std::nullopt;
            keyed.reset(feature.Clone());
            keyed->SetField("parent_fid", static_cast<GIntBig>(parent->second));
            handed = keyed.get();
        }
        LayerMapping mapping;
        mapping.section = layer;
        Verdict verdict;
        FeatureReader reader(*handed, mapping, encoding_, verdict);
        assembly_.Take(layer, reader, verdict);
        // A null that is written as nan is what the chart held: no warning.
        return verdict.refusal;
    }

private:
    ChartAssembly& assembly_;
    const std::string& encoding_;
    std::map<std::uint64_t, std::int64_t> lineKeys_;
    std::map<std::uint64_t, std::int64_t> contourKeys_;
    std::int64_t lines_ = 0;
    std::int64_t contours_ = 0;
};

std::vector<std::uint64_t> SlotsOf(const char* listed) {
    std::vector<std::uint64_t> slots;
    if (listed == nullptr) return slots;
    const CPLStringList items(CSLTokenizeString2(listed, ",", 0));
    for (int i = 0; i < items.size(); ++i) slots.push_back(std::strtoull(items[i], nullptr, 10));
    return slots;
}

struct ChartBytes {
    const readdata14_document* document;
    bool crlf;
};

int READDATA14_CALL WriteToDescriptor(const void* bytes, size_t size, void* fd) {
    const auto* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t written = write(*static_cast<int*>(fd), at, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return errno != 0 ? errno : EIO;
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

bool WriteChartBytes(int fd, void* context, std::string& why) {
    const auto& chart = *static_cast<const ChartBytes*>(context);
    readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
    options.flags = chart.crlf ? READDATA14_WRITE_CRLF : 0u;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status status = readdata14_write_callback(chart.document, WriteToDescriptor, &fd, &options, &result);
    if (status == READDATA14_WRITTEN) return true;
    why = status == READDATA14_CANNOT_WRITE ? std::string(VSIStrerror(result.systemError)) : std::string(result.message);
    return false;
}

// The chart as `plans` lays each section out: runs of elements copied
// from the chart as it was read, element by element as the library read it
// (the elements GIS has no geometry for included: a contour without
// points, a line of one point, a NaN coordinate), and runs of the elements
// the features made (`fed`). Null (the caller keeps `fed`) where the header
// the features made cannot be set again.
Document Merged(const readdata14_document& fed, const readdata14_document& read,
                const std::array<SectionPlan, READDATA14_LAYER_LABEL_POINTS>& plans, std::string& why) {
    readdata14_builder* made = nullptr;
    if (readdata14_builder_new(&made) != READDATA14_WRITTEN) throw std::bad_alloc();
    const Builder builder(made);
    std::int32_t integers[5] = {};
    std::size_t integerCount = 0;
    while (integerCount < 5 && fed.headerIntegerPresent[integerCount] != 0) {
        integers[integerCount] = fed.headerIntegers[integerCount];
        ++integerCount;
    }
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_builder_set_header(made, fed.firstToken, fed.chart.description, integers, integerCount, &result) !=
        READDATA14_WRITTEN)
        return nullptr;
    // The layer model's sections stand in the order of the section bits.
    for (std::size_t id = 0; id < plans.size(); ++id) {
        const std::uint32_t bit = 1u << id;
        if ((fed.sectionsPresent & bit) == 0) readdata14_builder_leave_out(made, bit, nullptr);
        std::size_t fedAt = 0;
        for (const SaveRun& run : plans[id].Runs()) {
            readdata14_status status = READDATA14_WRITTEN;
            switch (run.source) {
                case SaveRun::Source::AsRead:
                    status = readdata14_builder_copy_elements(made, &read, bit, run.first, run.count, &result);
                    break;
                case SaveRun::Source::Made:
                    status = readdata14_builder_copy_elements(made, &fed, bit, fedAt, run.count, &result);
                    fedAt += run.count;
                    break;
                case SaveRun::Source::Relabelled:
                case SaveRun::Source::MadeRelabelled: {
                    const bool asRead = run.source == SaveRun::Source::Relabelled;
                    status = readdata14_builder_copy_relabelled(made, asRead ? &read : &fed, bit, asRead ? run.first : fedAt,
                                                                run.labelPoints.data(), run.labelPoints.size() / 2, &result);
                    if (!asRead) ++fedAt;
                    break;
                }
            }
            if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
            if (status != READDATA14_WRITTEN) {
                why = result.message;
                return nullptr;
            }
        }
    }
    readdata14_document* merged = nullptr;
    if (readdata14_builder_finish(made, &merged, &result) != READDATA14_READ) {
        readdata14_close(merged);
        why = result.message;
        return nullptr;
    }
    return Document(merged);
}

// Hands the set or created feature `fid` of `layer` on to be made into an
// element, or says why it cannot be.
std::optional<std::string> Feed(Feeder& feeder, const Chart14Layer& layer, std::uint64_t fid) {
    const std::unique_ptr<OGRFeature> feature(layer.SavedFeature(fid));
    if (!feature) return std::string("not made");
    return feeder.Take(layer.Id(), fid, *feature);
}

// What laying out an edited layer needs of the chart: the document as
// read, the label points, the lines and contours whose label points changed.
struct EditedChart {
    const readdata14_document& read;
    const Chart14Layer& labelPoints;
    const std::set<ParentRef>& relabelled;
};

std::string Refusal(const Chart14Layer& layer, std::uint64_t fid, const std::string& reason) {
    return std::string("layer ") + layer.GetDescription() + ", feature " + std::to_string(fid) + ": " + reason;
}

// Lays out an edited layer's section in `plan`: its untouched elements
// copied (a line or contour whose label points changed copied with them as
// they are now), the set and created ones handed to `feeder`; or why a
// feature cannot be made. A line or contour is handed on without its label
// points, which join it when it is copied from the elements made: the
// untouched ones as its record held them, whatever GIS shows of them.
std::optional<std::string> PlanEdited(const EditedChart& chart, const Chart14Layer& layer, Feeder& feeder,
                                      SectionPlan& plan) {
    const auto id = layer.Id();
    std::vector<std::uint64_t> dropped;
    if (id == READDATA14_LAYER_SYMBOLS) {
        dropped = SlotsOf(DroppedSymbolSlots(chart.read, layer.Table()).c_str());
        std::sort(dropped.begin(), dropped.end());
    }
    for (const PlannedElement& element : SectionOrder(layer, dropped)) {
        if (!element.fid) {
            plan.Copy(*element.element);  // a dropped symbol
        } else if (element.element && layer.AsRead(*element.fid)) {
            if (chart.relabelled.count({id, *element.fid}) == 0) {
                plan.Copy(*element.element);
            } else {
                plan.Relabel(*element.element, LabelPointsOf(chart.labelPoints, layer, chart.read, *element.fid));
            }
        } else if (auto refusal = Feed(feeder, layer, *element.fid)) {
            return Refusal(layer, *element.fid, *refusal);
        } else if (id == READDATA14_LAYER_LINES || id == READDATA14_LAYER_CLOSED_CONTOURS) {
            plan.MakeRelabelled(LabelPointsOf(chart.labelPoints, layer, chart.read, *element.fid));
        } else {
            plan.Make();
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ProbeFeature(Chart14Dataset& dataset, readdata14_layer_id layer, const OGRFeature& feature) {
    ChartAssembly probe;
    if (!probe.Started()) throw std::bad_alloc();
    Feeder feeder(probe, dataset.Encoding());
    if (layer == READDATA14_LAYER_LABEL_POINTS) {
        // A label point is taken with its parent, which must stand.
        const auto parentLayer = LayerOfName(feature.GetFieldAsString("parent_layer"));
        if (parentLayer != READDATA14_LAYER_LINES && parentLayer != READDATA14_LAYER_CLOSED_CONTOURS)
            return std::string("parent_layer is \"") + feature.GetFieldAsString("parent_layer") +
                   "\", not lines or closed_contours";
        const GIntBig parentFid = feature.GetFieldAsInteger64("parent_fid");
        std::unique_ptr<OGRFeature> parent(dataset.GetLayer(*parentLayer)->GetFeature(parentFid));
        if (!parent)
            return std::string("its parent, ") + NameOfLayer(*parentLayer) + " feature " + std::to_string(parentFid) +
                   ", does not exist";
        if (auto why = feeder.Take(*parentLayer, static_cast<std::uint64_t>(parentFid), *parent))
            return "its parent cannot be written: " + *why;
        // The parent's other label points first: its record holds so many.
        auto* points = static_cast<Chart14Layer*>(dataset.GetLayer(READDATA14_LAYER_LABEL_POINTS));
        for (std::uint64_t fid = 0; fid < points->FidEnd(); ++fid) {
            if (static_cast<GIntBig>(fid) == feature.GetFID()) continue;
            std::unique_ptr<OGRFeature> other(points->GetFeature(static_cast<GIntBig>(fid)));
            if (other && other->GetFieldAsInteger64("parent_fid") == parentFid &&
                EQUAL(other->GetFieldAsString("parent_layer"), NameOfLayer(*parentLayer)))
                feeder.Take(READDATA14_LAYER_LABEL_POINTS, fid, *other);
        }
    }
    return feeder.Take(layer, static_cast<std::uint64_t>(feature.GetFID()), feature);
}

// The header from the dataset's metadata; items unchanged since the open
// keep the file's own bytes where the texts would not give them back.
std::optional<std::string> Chart14Dataset::SavedHeader(Header& header) {
    static constexpr std::pair<const char*, const char*> ITEMS[] = {
        {"FIRST_TOKEN", "FIRST_TOKEN_HEX"}, {"DESCRIPTION", "HEADER_DESCRIPTION_HEX"}, {"HEADER_INTEGERS", nullptr}};
    for (const auto& [key, hexKey] : ITEMS) {
        const char* value = GetMetadataItem(key);
        const char* hex = hexKey != nullptr ? GetMetadataItem(hexKey) : nullptr;
        const bool unchanged = value != nullptr && update_->openedHeader[key] == value;
        std::optional<std::string> why;
        if (hex != nullptr && unchanged) {
            why = SetHeaderBytes(header, key, hex);
        } else if (value != nullptr) {
            why = SetHeaderItem(header, key, value, encoding_);
        }
        if (why) return std::string(key) + ": " + *why;
    }
    return std::nullopt;
}

Document Chart14Dataset::AssembleChart(std::string& why) {
    ChartAssembly assembly;
    if (!assembly.Started()) throw std::bad_alloc();
    Feeder feeder(assembly, encoding_);
    const Chart14Layer& labelPoints = *layers_[READDATA14_LAYER_LABEL_POINTS];
    const std::set<ParentRef> relabelled = RelabelledParents(labelPoints);
    const EditedChart chart{*document_, labelPoints, relabelled};
    std::array<SectionPlan, READDATA14_LAYER_LABEL_POINTS> plans;
    for (const auto& layer : layers_) {
        const auto id = layer->Id();
        if (id == READDATA14_LAYER_LABEL_POINTS) continue;
        if (!layer->Present()) assembly.LeaveOut(1u << static_cast<unsigned>(id));
        const bool parentRelabelled = relabelled.lower_bound({id, 0}) != relabelled.lower_bound({id, UINT64_MAX});
        if (!layer->Edited() && !parentRelabelled) {
            plans[id].CopyAll();
        } else if (auto refusal = PlanEdited(chart, *layer, feeder, plans[id])) {
            why = *refusal;
            return nullptr;
        }
    }
    Header header;
    if (auto refusal = SavedHeader(header)) {
        why = "the header's " + *refusal;
        return nullptr;
    }
    std::uint64_t shortfalls = 0;  // label points deleted or added: the counts follow the layer
    Document fed = assembly.Finish(header, why, shortfalls);
    if (!fed) return nullptr;
    // Each feature was checked as it was set; one refused now would shift
    // the elements made after it.
    if (!assembly.SkippedFeatures().empty()) {
        const Skipped& first = assembly.SkippedFeatures().front();
        why = "layer " + first.layer + ", feature " + std::to_string(first.fid) + ": " +
              first.verdict.refusal.value_or("refused");
        return nullptr;
    }
    std::string mergeWhy;
    Document merged = Merged(*fed, *document_, plans, mergeWhy);
    if (merged) return merged;
    if (mergeWhy.empty()) return fed;
    why = "the untouched elements could not be copied: " + mergeWhy;
    return nullptr;
}

bool Chart14Dataset::Save() {
    if (!update_ || !update_->dirty) return true;
    const char* file = update_->path.c_str();
    std::string why;
    const auto now = StampOf(update_->path, why);
    if (!now) {
        CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: not saved: %s", file, why.c_str());
        return false;
    }
    if (!(*now == update_->stamp)) {
        CPLError(CE_Failure, CPLE_FileIO,
                 "Chart14: %s: not saved: the file changed on disk since it was opened (%s), and saving would "
                 "overwrite that; open it again and redo the edits",
                 file, now->size != update_->stamp.size ? "its size" : now->hash != update_->stamp.hash ? "its content" : "its modification time");
        return false;
    }
    try {
        const Document document = AssembleChart(why);
        if (!document) {
            CPLError(CE_Failure, CPLE_AppDefined, "Chart14: %s: not saved: %s", file, why.c_str());
            return false;
        }
        ChartBytes bytes{document.get(), update_->crlf};
        if (!ReplaceFile(update_->path, WriteChartBytes, &bytes, why)) {
            CPLError(CE_Failure, CPLE_FileIO, "Chart14: %s: not saved, the file is as it was: %s", file, why.c_str());
            return false;
        }
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Chart14: %s: not saved: %s", file, e.what());
        return false;
    }
    // The file is now this session's: later saves compare against it.
    if (const auto saved = StampOf(update_->path, why)) update_->stamp = *saved;
    update_->dirty = false;
    return true;
}

}  // namespace readdata14::ogr

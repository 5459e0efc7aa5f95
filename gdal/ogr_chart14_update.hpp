// Update mode: a chart opened for update keeps its edits in memory beside
// the document as it was read, and writes the whole chart again when it is
// saved (SyncToDisk, FlushCache, close).
//
// Each layer keeps the features set or created since the open, and the FIDs
// deleted. FIDs never move while the chart is open: a created feature takes
// the next FID after every one the layer ever had. A feature is turned into
// an element by the same code the driver's writer uses (ChartAssembly,
// FeatureReader), once when it is set or created, so that one the format
// cannot carry is refused there, and again when the chart is saved.
//
// A save writes the chart to a temporary file in the chart's folder and
// renames it over the chart, so that the chart's name always holds a whole
// chart; it is refused when the file changed on disk since it was read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ogr_chart14.hpp"

namespace readdata14::ogr {

// What a layer holds beyond its table: features set or created, and FIDs
// deleted. FIDs below the table's count are the read features'.
struct LayerEdits {
    explicit LayerEdits(std::uint64_t read) : readCount(read), nextFid(read), iterationEnd(read) {}

    bool Touched() const { return !features.empty() || !deleted.empty(); }
    bool Exists(std::uint64_t fid) const { return fid < nextFid && deleted.count(fid) == 0; }
    std::uint64_t Count() const { return nextFid - deleted.size(); }

    std::uint64_t readCount;
    std::uint64_t nextFid;
    // Where a reading that started before features were created ends, so
    // that a loop that creates features as it reads them ends.
    std::uint64_t iterationEnd;
    std::map<std::uint64_t, std::unique_ptr<OGRFeature>> features;
    std::set<std::uint64_t> deleted;
};

// What the file was when it was read: a save is refused when any of it
// changed.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t hash = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`, or the system's reason it has none.
std::optional<FileStamp> StampOf(const std::string& path, std::string& why);

// Why `path` cannot be saved over (the file or its folder is read-only, or
// its file system), in the system's words; nothing when it can.
std::optional<std::string> WhyNotWritable(const std::string& path);

// Whether the file's lines end in CR LF (its first line end says).
bool EndsLinesWithCrLf(const std::string& path);

// The state of a chart opened for update.
struct ChartUpdate {
    std::string path;
    FileStamp stamp;
    bool crlf = false;
    bool dirty = false;
    // The header items as the open showed them: where they are unchanged,
    // the file's own bytes (FIRST_TOKEN_HEX, HEADER_DESCRIPTION_HEX) win.
    std::map<std::string, std::string> openedHeader;
};

// Why the format cannot carry `feature` as an element of `layer` (the
// same turning into an element as a save's, label points with their
// parent): nothing when it can. (ogr_chart14_save.cpp)
std::optional<std::string> ProbeFeature(Chart14Dataset& dataset, readdata14_layer_id layer, const OGRFeature& feature);

// ---- what a save copies and what it makes (ogr_chart14_update_plan.cpp) -------------

// One run of a section's elements in a save: `count` elements of the chart
// as read from `first` on (counted as readdata14_builder_copy_elements
// counts them), the next `count` elements made from features, or one
// element, of the chart as read or made, with label points (x, y pairs).
struct SaveRun {
    enum class Source { AsRead, Made, Relabelled, MadeRelabelled };
    Source source = Source::AsRead;
    std::size_t first = 0;
    std::size_t count = 0;
    std::vector<float> labelPoints;
};

// A section's elements in the order a save writes them, runs of
// consecutive ones joined.
class SectionPlan {
public:
    void Copy(std::size_t element);  // an element of the chart as read
    void Make();                     // the next element made from a feature
    void CopyAll();                  // the whole section as read
    void Relabel(std::size_t element, std::vector<float> labelPoints);
    void MakeRelabelled(std::vector<float> labelPoints);  // the next made, with these
    const std::vector<SaveRun>& Runs() const { return runs_; }

private:
    std::vector<SaveRun> runs_;
};

// An element of an edited layer where its section holds it: its FID (none
// for a dropped symbol, which no feature shows), and its place in the
// chart as read (none for a created feature).
struct PlannedElement {
    std::optional<std::uint64_t> fid;
    std::optional<std::size_t> element;
};

// The elements of `layer` in the order a save writes them: by FID, except
// the symbols, by slot with the dropped ones (`droppedSlots`, ascending) in
// their places, and the contours, in file order (file_position as read or
// set; those without one after, by FID).
std::vector<PlannedElement> SectionOrder(const Chart14Layer& layer, const std::vector<std::uint64_t>& droppedSlots);

// A label point's parent: its layer and FID, as set or as read (nothing
// for a parent_layer that is neither lines nor closed_contours).
using ParentRef = std::pair<readdata14_layer_id, std::uint64_t>;
std::optional<ParentRef> ParentOf(const Chart14Layer& labelPoints, std::uint64_t fid);

// The label points, as x, y pairs in the order of their index, that a line
// or contour holds now, the untouched ones as their parent's record in
// `read` holds them (a value not finite included), the set and created ones
// as set (without a geometry: NaN, NaN).
std::vector<float> LabelPointsOf(const Chart14Layer& labelPoints, const Chart14Layer& parentLayer,
                                 const readdata14_document& read, std::uint64_t parentFid);

// The lines and contours whose label points were set, created or deleted
// since the open (before and after a label point moved to another parent).
std::set<ParentRef> RelabelledParents(const Chart14Layer& labelPoints);

// Writes `bytes` to a temporary file in `path`'s folder, with the original's
// permissions, and renames it over `path`: true, or false with the reason,
// the original untouched and no temporary left.
using ChartBytesWriter = bool (*)(int fd, void* context, std::string& why);
bool ReplaceFile(const std::string& path, ChartBytesWriter write, void* context, std::string& why);

}  // namespace readdata14::ogr

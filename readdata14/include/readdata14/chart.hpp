// readdata14/chart.hpp — a typed, read-only C++20 view of one read chart.
//
//   auto chart = readdata14::Chart::Open("analysis.txt");
//   if (!chart) { /* chart.Status() says why, chart.SystemError() the errno */ }
//   for (const auto line : chart.Lines())
//       for (readdata14::Point p : line.points) { ... }
//
// Ownership: a Chart owns everything one read handed back and releases it
// when it is destroyed or assigned; it moves, it does not copy. Every record,
// span and string_view it hands out points into the library's arrays, not
// into the Chart: all of it stays valid across a move, while the Chart (or the
// one it was moved into) lives. Asking a temporary Chart for a range does not
// compile (`Chart::Open(p).Lines()`): the range would outlive the arrays.
//
// Safety: Open walks every block by its count slots against the block's real
// size (the library reports it), so a range never leaves its block, even for
// a broken file; a record whose counts are not whole numbers in [0, 2^24] or
// that would not fit ends the walk. Open does not throw: an allocation
// failure is the status OutOfMemory.
//
// Links against the readdata14 library (CMake: readdata14::readdata14_cpp,
// pkg-config: readdata14-cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "readdata14/detail/chart_layout.hpp"
#include "readdata14/format.hpp"
#include "readdata14/point.hpp"
#include "readdata14/readdata14.h"

namespace readdata14 {

struct Line {
    std::int32_t code;
    std::span<const Point> points;
    float labelValue;  // NO_LABEL_VALUE, a number, or a code (IsLabelCode)
    std::span<const Point> labelPoints;
};

struct LineSymbol {
    std::int32_t code;
    std::span<const Point> points;  // thinned when the file declared over 250
};

struct Symbol {
    std::int32_t type;
    Point position;
    float direction;        // degrees (270 − angle in degrees), as stored; 0 for a text type
    std::string_view text;  // without its "#"; empty for other types (IsTextSymbolType)
};

struct ClosedContour {
    std::int32_t code;
    bool valuedClosed;  // closed, with a value that is neither "NoLabel" nor a code, below 320000
    // The one-based position of the contour's value in Levels(), one less
    // when the contour's own rise/fall runs against the section's (so it can
    // be 0); NO_LEVEL_INDEX when the contour is not valued closed. So
    // Levels()[levelIndex - 1] is not always the contour's value: the value
    // itself is `value`.
    std::int32_t levelIndex;
    std::span<const Point> points;
    float value;  // the label value, as for lines
    std::span<const Point> labelPoints;

    bool IsClosed() const noexcept { return IsClosedContour(points); }
};

// How the level list is sorted: ascending when the contours rise inwards,
// descending when they fall. With fewer than two levels it cannot be told.
enum class LevelOrder { Rising, Falling, Unknown };

struct WeatherRegion {
    std::int32_t code;
    std::span<const Point> points;
};

struct FillArea {
    std::int32_t code;
    std::span<const Point> points;
    std::span<const float, 16> values;  // fifteen integers and, 14th, a float
};

struct Note {
    std::int32_t type;
    Point position;
    float value;  // the float that stands before the second text
    std::span<const float, 6> values;
    std::string_view firstText;   // without its "#"; empty when none
    std::string_view secondText;
};

enum class OpenStatus {
    Read,         // the header named type 14; the sections are as read
    CannotOpen,   // the file could not be opened (SystemError() says why)
    NotType14,    // the file's header does not name type 14
    OutOfMemory,  // an allocation failed inside the read
    HandlerFailed,  // the FindingHandler threw; the read was given up
    NotOpened,    // a default-constructed or moved-from Chart
    TooLarge,     // the input holds more than the read allows (READDATA14_DEFAULT_MAX_INPUT)
};

using LineRange = RecordRange<detail::LineLayout>;
using LineSymbolRange = RecordRange<detail::LineSymbolLayout>;
using SymbolRange = RecordRange<detail::SymbolLayout>;
using ClosedContourRange = RecordRange<detail::ClosedContourLayout>;
using WeatherRegionRange = RecordRange<detail::WeatherRegionLayout>;
using FillAreaRange = RecordRange<detail::FillAreaLayout>;
using NoteRange = RecordRange<detail::NoteLayout>;

// Receives each finding of a read (see readdata14_finding), in the order the
// reader meets them; the message lives only during the call. A handler that
// throws ends the read: the Chart is then HandlerFailed.
using FindingHandler = std::function<void(const readdata14_finding&)>;

class Chart {
public:
    // Reads the chart at `path`. Check Status() (or the Chart as a bool)
    // before looking at the sections; a Chart that did not read has every
    // section empty. `onFinding`, when given, hears every finding.
    // `threads` (1.3): up to that many threads for a large chart (see
    // readdata14_options.threads); the chart read is the same.
    static Chart Open(const char* path, const FindingHandler& onFinding = {}, unsigned threads = 1);
    static Chart Open(const std::string& path, const FindingHandler& onFinding = {}, unsigned threads = 1) {
        return Open(path.c_str(), onFinding, threads);
    }
    static Chart Open(const std::filesystem::path& path, const FindingHandler& onFinding = {},
                      unsigned threads = 1) {
        return Open(path.string().c_str(), onFinding, threads);
    }
    // Reads a chart file's bytes already in memory.
    static Chart FromMemory(std::string_view bytes, const FindingHandler& onFinding = {}, unsigned threads = 1);

    Chart() noexcept = default;
    Chart(Chart&& other) noexcept : document_(std::exchange(other.document_, nullptr)) { Take(other); }
    Chart& operator=(Chart&& other) noexcept {
        if (this != &other) {
            Release();
            document_ = std::exchange(other.document_, nullptr);
            Take(other);
        }
        return *this;
    }
    Chart(const Chart&) = delete;
    Chart& operator=(const Chart&) = delete;
    ~Chart() { Release(); }

    OpenStatus Status() const noexcept { return status_; }
    explicit operator bool() const noexcept { return status_ == OpenStatus::Read; }
    // CannotOpen: the C runtime's errno (ENOENT, EACCES, EISDIR, ...).
    int SystemError() const noexcept { return Raw().systemError; }
    // How many findings of each severity the read had.
    std::uint32_t Errors() const noexcept { return Raw().errors; }
    std::uint32_t Warnings() const noexcept { return Raw().warnings; }

    // The header's fields: the first token, the description token, and the
    // integers of the line after it that stood in the file (up to five; the
    // line ends at the first token that is not an integer).
    std::string_view FirstToken() const noexcept {
        return document_ && document_->firstToken ? std::string_view(document_->firstToken, document_->firstTokenSize)
                                                  : std::string_view();
    }
    std::string_view Description() const noexcept {
        return raw_.description ? std::string_view(raw_.description, document_->descriptionSize) : std::string_view();
    }
    std::span<const std::int32_t> HeaderIntegers() const& noexcept {
        if (!document_) return {};
        std::size_t present = 0;
        while (present < 5 && document_->headerIntegerPresent[present]) ++present;
        return {document_->headerIntegers, present};
    }
    void HeaderIntegers() const&& = delete;
    // Whether a section's tag stood where it was due (READDATA14_SECTION_*),
    // whatever its count.
    bool SectionPresent(std::uint32_t section) const noexcept {
        return document_ && (document_->sectionsPresent & section) != 0;
    }

    // Whether each section gave a block. A missing LINES, LINES_SYMBOL or
    // CLOSED_CONTOURS tag gives none; SYMBOLS and NOTES_SYMBOL give none also
    // when they declare no element.
    bool HasLines() const noexcept { return raw_.lines != nullptr; }
    bool HasLineSymbols() const noexcept { return raw_.lineSymbols != nullptr; }
    bool HasSymbols() const noexcept { return raw_.symbols.values != nullptr; }
    bool HasClosedContours() const noexcept { return raw_.closedContours != nullptr; }
    bool HasWeatherRegions() const noexcept { return raw_.weatherRegions != nullptr; }
    // Fill areas are read only after a STATION_SITUATION marker.
    bool FillAreasRead() const noexcept { return raw_.fillAreas != nullptr; }
    bool HasNotes() const noexcept { return raw_.notes.values != nullptr; }

    LineRange Lines() const& noexcept { return {raw_.lines, counts_.lines, raw_.linesSize, {}}; }
    LineSymbolRange LineSymbols() const& noexcept {
        return {raw_.lineSymbols, counts_.lineSymbols, raw_.lineSymbolsSize, {}};
    }
    SymbolRange Symbols() const& noexcept {
        return {raw_.symbols.values, counts_.symbols, raw_.symbolValuesSize, Texts(raw_.symbols, raw_.symbolLengthsSize, raw_.symbolTextSize)};
    }
    ClosedContourRange ClosedContours() const& noexcept {
        return {raw_.closedContours, counts_.closedContours, raw_.closedContoursSize, {}};
    }
    WeatherRegionRange WeatherRegions() const& noexcept {
        return {raw_.weatherRegions, counts_.weatherRegions, raw_.weatherRegionsSize, {}};
    }
    FillAreaRange FillAreas() const& noexcept { return {raw_.fillAreas, counts_.fillAreas, raw_.fillAreasSize, {}}; }
    NoteRange Notes() const& noexcept {
        return {raw_.notes.values, counts_.notes, raw_.noteValuesSize, Texts(raw_.notes, raw_.noteLengthsSize, raw_.noteTextSize)};
    }
    // The distinct contour values, sorted in the section's direction (see
    // ClosedContour::levelIndex).
    std::span<const float> Levels() const& noexcept { return levels_; }
    LevelOrder LevelsOrder() const noexcept {
        if (levels_.size() < 2) return LevelOrder::Unknown;
        return levels_[0] < levels_[1] ? LevelOrder::Rising : LevelOrder::Falling;
    }

    // On a temporary Chart these would dangle as soon as the statement ends.
    void Lines() const&& = delete;
    void LineSymbols() const&& = delete;
    void Symbols() const&& = delete;
    void ClosedContours() const&& = delete;
    void WeatherRegions() const&& = delete;
    void FillAreas() const&& = delete;
    void Notes() const&& = delete;
    void Levels() const&& = delete;

    // Everything the read handed back, as the C API has it (for hosts that
    // walk the blocks themselves, and for the layers of readdata14_layers.h);
    // owned by the Chart, null for a Chart that did not read.
    const readdata14_chart& Raw() const& noexcept { return raw_; }
    void Raw() const&& = delete;
    const readdata14_document* Document() const& noexcept { return document_; }
    void Document() const&& = delete;

private:
    struct Handling;
    static Chart FromDocument(readdata14_status status, readdata14_document* document, bool handlerFailed) noexcept;
    static int READDATA14_CALL Forward(const readdata14_finding* finding, void* handling) noexcept;
    static detail::TextSource Texts(const FloatTextBlock& block, std::size_t slots, std::size_t textSize) noexcept {
        return {block.lengths, block.lengths ? slots : 0, block.text, block.text ? textSize : 0};
    }
    void Index() noexcept;
    void Release() noexcept;
    void Take(Chart& other) noexcept {
        status_ = std::exchange(other.status_, OpenStatus::NotOpened);
        raw_ = std::exchange(other.raw_, readdata14_chart{});
        counts_ = std::exchange(other.counts_, Counts{});
        levels_ = std::exchange(other.levels_, {});
    }

    // The number of records each walk accepted.
    struct Counts {
        std::size_t lines = 0, lineSymbols = 0, symbols = 0, closedContours = 0, weatherRegions = 0, fillAreas = 0,
                    notes = 0;
    };
    OpenStatus status_ = OpenStatus::NotOpened;
    readdata14_document* document_ = nullptr;
    // A copy of the document's chart record (its arrays stay the document's),
    // so that a Chart that did not read still has a zero record to show.
    readdata14_chart raw_{};
    Counts counts_;
    std::span<const float> levels_;
};

}  // namespace readdata14

// How the view decodes records and opens a chart: inline, header-only.
#include "readdata14/detail/chart_impl.hpp"

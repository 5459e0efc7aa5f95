// The texts of a chart's picture and where they go: the letters of the
// pressure centres, the values on contours and lines, the texts of symbols
// and the notes. No text covers another, a centre's letter or an arrow, and
// none leaves the map; where there is no room, the less important ones go
// first: centres before contour values, before line values, before notes,
// before the texts of symbols.
//
// Texts have sizes in pixels and places in the chart's units, so a layout
// made at one scale holds at every larger one: the gaps between texts grow
// with the scale, their sizes stay. A static picture lays its texts out
// once (Place at its scale); a page that zooms lays them out at every level
// of a ladder of scales, each level keeping what the smaller ones placed and
// adding what now has room.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/map_text.hpp"
#include "picture/frame.hpp"
#include "picture/labels.hpp"
#include "picture/notes.hpp"
#include "picture/style.hpp"
#include "readdata14/chart.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::chart14 {

// The box a wind arrow at `at`, turned by `turnDegrees`, takes on the page.
Box ArrowBox(Px at, double turnDegrees);

// What could not be placed, for the legend.
struct LeftOut {
    std::size_t centres = 0, contourValues = 0, lineValues = 0, symbolTexts = 0, notes = 0;
    std::size_t Total() const { return centres + contourValues + lineValues + symbolTexts + notes; }
};

// A static picture moves a text that has no room on its point to beside
// it, and leads a moved note back to its point; a note with no room at all
// leaves a numbered mark, and its text goes to the legend. A page that
// zooms keeps every text centred on its point or on its line, so that it
// stays there at every scale: one with no room waits for a larger scale.
enum class LayoutMode { Picture, Zoom };

class TextLayout {
public:
    TextLayout(const Chart& chart, const TextToUtf8& toUtf8, const LevelColours& colours, LayoutMode mode);

    // Places what has room at the frame's scale, keeping everything placed at
    // smaller ones; the new texts get `level`.
    void Place(const Frame& frame, int level);

    const std::vector<MapText>& Texts() const { return placed_; }
    // The notes of a static picture that went to the legend, in order.
    const std::vector<Footnote>& Footnotes() const { return footnotes_; }
    LeftOut Left() const;

private:
    struct Pinned {  // a short text of a symbol
        std::uint64_t fid;
        Spot at;
        std::string text;
        std::int32_t type;
        bool placed = false;
    };
    struct Centre {
        std::uint64_t fid;
        Spot at;
        std::string text;
        std::int32_t type;
        bool placed = false;
    };
    struct Glyphs {  // a front's glyphs: on its line, every so many pixels
        std::span<const Point> points;
        FrontKind kind;
    };
    struct Arrow {
        Spot at;
        double turn;  // degrees
    };

    std::size_t Expected() const;
    void Obstacles(const Frame& frame, TakenBoxes& taken, BoxGrid& callouts) const;
    void PlaceCentres(const Frame& frame, int level, TakenBoxes& taken);
    void PlacePinned(const Frame& frame, int level, TakenBoxes& taken);
    void PlaceCallouts(std::vector<Callout>& callouts, CalloutPlacer& placer, int level, bool footnotes);
    void PlaceCentred(std::vector<Callout>& callouts, const Frame& frame, int level, TakenBoxes& taken);
    Coverage LinesAt(const Frame& frame) const;

    const Chart& chart_;
    LayoutMode mode_;
    std::vector<Centre> centres_;
    std::vector<LabelledLine> contourLabels_, lineLabels_;
    std::vector<Callout> notes_, longTexts_;
    std::vector<Pinned> pinned_;
    std::vector<Glyphs> glyphs_;
    std::vector<Arrow> arrows_;
    std::vector<MapText> placed_;
    std::vector<Footnote> footnotes_;
};

}  // namespace readdata14::chart14

// The values on contours and lines, placed where they cover nothing already
// on the page: at the file's label points when those are free, otherwise
// moved along their own line, otherwise left out (for now: a larger scale
// may have room). A label that would only repeat one of its line's labels
// close by is left out too, and so is a label longer than half its line,
// which would hide the line it names.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "picture/map_text.hpp"
#include "picture/frame.hpp"
#include "picture/layout.hpp"

namespace readdata14::chart14 {

struct LabelledLine {
    layers::LayerId layer = layers::LayerId::Lines;
    std::uint64_t fid = 0;
    std::string text;    // the value or code as written on the line
    std::string colour;  // of the text
    bool code = false;   // the label is a code, not a value
    std::span<const Point> points;
    bool closed = false;
    std::vector<Spot> wanted;  // where the file puts its labels (or one place of our own)
    std::vector<bool> done;    // wanted places labelled already
    std::vector<Spot> placed;  // the centres of its labels
};

// Places the labels still wanted, every line's first before any line's
// second, so that crowding costs repeats rather than whole lines; a label
// moves at most `reach` pixels along its line either way. Each new label's
// box is taken, and the label goes into `out` with `level`. Labels stay
// inside the frame's map.
void PlaceLabels(std::vector<LabelledLine>& lines, const Frame& frame, TakenBoxes& taken, double reach, int level,
                 std::vector<MapText>& out);

}  // namespace readdata14::chart14

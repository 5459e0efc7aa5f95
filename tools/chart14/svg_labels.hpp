// The values on contours and lines, placed where they cover nothing already
// on the page: at the file's label points when those are free, otherwise
// moved along their own line, otherwise left out. A label that would only
// repeat one of its line's labels close by is left out too.
#pragma once

#include <string>
#include <vector>

#include "svg_document.hpp"
#include "svg_layout.hpp"

namespace readdata14::chart14 {

struct LabelledLine {
    std::string text;    // the value or code as written on the line
    std::string colour;  // of the text
    PixelPath path;
    std::vector<Px> wanted;  // where the file puts its labels (or one place of our own)
    std::size_t placed = 0;  // labels drawn
};

// Places the labels, every line's first before any line's second, so that
// crowding costs repeats rather than whole lines; each label's box goes into
// `taken`. Labels stay inside `map`.
void PlaceLabels(std::vector<LabelledLine>& lines, const Box& map, BoxGrid& taken, SvgDocument& doc);

}  // namespace readdata14::chart14

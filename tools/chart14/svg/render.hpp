// A picture of a chart as SVG: shaded weather regions and fill areas,
// contours coloured by level with their values on them, lines, fronts,
// symbols, texts and notes, and a legend of everything the map shows. North
// is up: the file's y axis points up, the picture flips it with a transform.
// The page is in output pixels, and texts and symbols have sizes in pixels
// whatever the chart's size: a larger chart shows more of its detail on a
// wider picture, not smaller letters. No text covers another: labels and
// notes go where nothing is yet, or are left out (see picture_labels.hpp and
// picture_notes.hpp).
#pragma once

#include <string>
#include <string_view>

#include "picture/map_text.hpp"
#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

struct SvgOptions {
    double widthPx = 1400;  // the picture's width; its height follows the chart and the legend
};

std::string RenderSvg(const readdata14::Chart& chart, const TextToUtf8& toUtf8, const SvgOptions& options = {});

// The picture's style sheet (<style>…</style>): the classes of its texts,
// notes and legend, which chart14 html uses too.
std::string SvgStyleSheet();

}  // namespace readdata14::chart14

// A chart as one self-contained HTML page that a browser reads offline: the
// map on a canvas that pans and zooms (mouse, wheel, touch), its texts laid
// out for every level of zoom so that none covers another or leaves the map,
// the fields of the element under the pointer, a switch per layer, and the
// picture's legend. The symbology and the layout of texts are chart14 svg's
// (picture_style.hpp, picture_texts.hpp); the page draws them with its
// script (page/).
//
// What the page holds: the layers of the shared layer model (names, fields
// and values as GDAL and GeoJSON have them) with their geometry packed (see
// html_packing.hpp), each element's style, and the texts placed at each
// level, in the chart's own units, with the first level that shows them.
#pragma once

#include <string>

#include "picture/map_text.hpp"
#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

std::string RenderHtml(const Chart& chart, const TextToUtf8& toUtf8);

}  // namespace readdata14::chart14

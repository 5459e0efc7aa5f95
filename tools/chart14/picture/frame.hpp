// Where a chart comes onto a page of pixels: scaled alike in x and y, north
// up (the file's y points up, the page's down), with a pad around the
// chart's extent inside the map.
#pragma once

#include "support/chart_extent.hpp"
#include "picture/layout.hpp"
#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

// A place in the chart's own units, in double.
struct Spot {
    double x = 0, y = 0;
};

struct Frame {
    Extent extent;     // what is drawn
    double scale = 1;  // pixels per unit of the chart
    double pad = 0;    // between the map's edge and the extent
    Box map;           // on the page

    Px ToPx(double x, double y) const {
        return {map.x0 + pad + (x - extent.minX) * scale, map.y0 + pad + (extent.maxY - y) * scale};
    }
    Px ToPx(Point p) const { return ToPx(p.x, p.y); }
    Px ToPx(Spot s) const { return ToPx(s.x, s.y); }
    Spot ToChart(Px p) const {
        return {extent.minX + (p.x - map.x0 - pad) / scale, extent.maxY - (p.y - map.y0 - pad) / scale};
    }
    double Units(double pixels) const { return pixels / scale; }
};

// The bounding box of everything drawn, never empty or flat: a chart of one
// point or one straight line still needs an area.
Extent DrawnExtent(const Chart& chart);

// The frame that puts `extent` at `scale` onto a map with its top left
// corner at `corner`.
Frame FrameAt(const Extent& extent, double scale, double pad, Px corner);

}  // namespace readdata14::chart14

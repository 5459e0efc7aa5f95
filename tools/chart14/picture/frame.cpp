#include "picture/frame.hpp"

#include <algorithm>

namespace readdata14::chart14 {

Extent DrawnExtent(const Chart& chart) {
    Extent e = ChartExtent(chart);
    if (e.Empty()) e = Extent{0, 0, 1, 1};
    double span = std::max({e.maxX - e.minX, e.maxY - e.minY, 1e-3});
    if (e.maxX - e.minX < span * 0.05) e.minX -= span * 0.05, e.maxX += span * 0.05;
    if (e.maxY - e.minY < span * 0.05) e.minY -= span * 0.05, e.maxY += span * 0.05;
    return e;
}

Frame FrameAt(const Extent& extent, double scale, double pad, Px corner) {
    Frame f;
    f.extent = extent;
    f.scale = scale;
    f.pad = pad;
    f.map = {corner.x, corner.y, corner.x + (extent.maxX - extent.minX) * scale + 2 * pad,
             corner.y + (extent.maxY - extent.minY) * scale + 2 * pad};
    return f;
}

}  // namespace readdata14::chart14

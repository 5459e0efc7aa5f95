// The bounding box of everything a chart draws, for info and svg alike.
#pragma once

#include <limits>
#include <span>

#include "readdata14/chart.hpp"

namespace readdata14::chart14 {

// In double, which holds every float exactly. NaN and infinite coordinates
// are left out: they bound nothing.
struct Extent {
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -std::numeric_limits<double>::infinity(), maxY = maxX;

    void Add(Point p);
    void Add(std::span<const Point> points);
    bool Empty() const noexcept { return minX > maxX; }
};

// Every point, label point and position of every section.
Extent ChartExtent(const Chart& chart);

}  // namespace readdata14::chart14

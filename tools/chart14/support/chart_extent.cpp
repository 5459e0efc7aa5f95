#include "support/chart_extent.hpp"

#include <algorithm>
#include <cmath>

namespace readdata14::chart14 {

void Extent::Add(Point p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    minX = std::min(minX, double(p.x));
    maxX = std::max(maxX, double(p.x));
    minY = std::min(minY, double(p.y));
    maxY = std::max(maxY, double(p.y));
}

void Extent::Add(std::span<const Point> points) {
    for (const Point p : points) Add(p);
}

Extent ChartExtent(const Chart& chart) {
    Extent e;
    for (const auto& r : chart.Lines()) e.Add(r.points), e.Add(r.labelPoints);
    for (const auto& r : chart.LineSymbols()) e.Add(r.points);
    for (const auto& r : chart.Symbols()) e.Add(r.position);
    for (const auto& r : chart.ClosedContours()) e.Add(r.points), e.Add(r.labelPoints);
    for (const auto& r : chart.WeatherRegions()) e.Add(r.points);
    for (const auto& r : chart.FillAreas()) e.Add(r.points);
    for (const auto& r : chart.Notes()) e.Add(r.position);
    return e;
}

}  // namespace readdata14::chart14

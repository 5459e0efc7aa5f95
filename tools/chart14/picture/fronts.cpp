#include "picture/fronts.hpp"

#include <cmath>

namespace readdata14::chart14 {

std::vector<Along> PlacesAlong(std::span<const readdata14::Point> points, double spacing) {
    std::vector<Along> places;
    if (!(spacing > 0.0)) return places;
    double next = spacing / 2.0;  // distance along the line of the next place
    double walked = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        double x0 = points[i - 1].x, y0 = points[i - 1].y;
        double dx = points[i].x - x0, dy = points[i].y - y0;
        double length = std::hypot(dx, dy);
        if (!std::isfinite(length) || length <= 0.0) continue;
        // A line of absurd length would ask for absurdly many glyphs.
        while (next <= walked + length && places.size() < 100000) {
            double t = (next - walked) / length;
            places.push_back({x0 + t * dx, y0 + t * dy, dx / length, dy / length});
            next += spacing;
        }
        walked += length;
    }
    return places;
}

}  // namespace readdata14::chart14

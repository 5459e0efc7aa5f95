#include "picture_fronts.hpp"

#include <cmath>
#include <numbers>

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

void TriangleGlyph(SvgDocument& doc, const Along& at, double size, double side) {
    double half = size / 2.0, nx = -at.dy * side, ny = at.dx * side;
    doc.Raw("M").Number(at.x - at.dx * half).Raw(",").Number(at.y - at.dy * half);
    doc.Raw(" ").Number(at.x + at.dx * half).Raw(",").Number(at.y + at.dy * half);
    doc.Raw(" ").Number(at.x + nx * size * 0.85).Raw(",").Number(at.y + ny * size * 0.85).Raw("Z");
}

void HalfDiscGlyph(SvgDocument& doc, const Along& at, double size, double side) {
    // A polygon rather than an arc: arc sweep flags would turn with the flip.
    constexpr int STEPS = 8;
    double radius = size / 2.0, nx = -at.dy * side, ny = at.dx * side;
    for (int s = 0; s <= STEPS; ++s) {
        double phi = std::numbers::pi * s / STEPS;
        double x = at.x + radius * (-std::cos(phi) * at.dx + std::sin(phi) * nx);
        double y = at.y + radius * (-std::cos(phi) * at.dy + std::sin(phi) * ny);
        doc.Raw(s == 0 ? "M" : " ").Number(x).Raw(",").Number(y);
    }
    doc.Raw("Z");
}

}  // namespace readdata14::chart14

#include "svg/front_glyphs.hpp"

#include <cmath>
#include <numbers>

namespace readdata14::chart14 {

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

#include "chart_world.hpp"

#include <algorithm>

namespace readdata14::make_chart {

World MakeWorld(const ChartPlan& plan, Random& random) {
    World world;
    int contours = std::max(plan.counts.contours, 0);
    int centres = std::max(1, (contours + RINGS_PER_CENTRE - 1) / RINGS_PER_CENTRE);
    world.cols = std::max(1, static_cast<int>(std::lround(std::sqrt(centres * 1.5))));
    world.rows = (centres + world.cols - 1) / world.cols;
    world.width = world.cols * CELL_X;
    world.height = world.rows * CELL_Y;
    world.rings = std::max(1, (contours + centres - 1) / centres);
    world.centres.resize(static_cast<std::size_t>(centres));
    for (int c = 0; c < centres; ++c) {
        Centre& centre = world.centres[static_cast<std::size_t>(c)];
        centre.x = (c % world.cols + 0.5) * CELL_X + random.Uniform(-0.08, 0.08) * CELL_X;
        centre.y = (c / world.cols + 0.5) * CELL_Y + random.Uniform(-0.08, 0.08) * CELL_X;
        centre.low = c == 0 || random.Chance(0.55);  // a chart with fronts needs a low
        centre.innerValue = centre.low ? 4 * random.Int(245, 249) : 4 * random.Int(256, 259);
        centre.stretch = random.Uniform(0.05, 0.18);
        centre.tilt = random.Uniform(0.0, PI);
        centre.wobble = random.Uniform(0.0, 0.05);
        centre.phase = random.Uniform(0.0, 2.0 * PI);
    }
    for (const Centre& centre : world.centres) (centre.low ? world.lows : world.highs).push_back(&centre);
    return world;
}

std::vector<std::array<double, 2>> Blob(Random& random, double x, double y, double radius, int count) {
    double a = random.Uniform(0.0, 2.0 * PI), b = random.Uniform(0.0, 2.0 * PI);
    std::vector<std::array<double, 2>> points(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        double angle = count > 1 ? 2.0 * PI * i / (count - 1) : 0.0;
        double r = radius * (1.0 + 0.2 * std::sin(2.0 * angle + a) + 0.08 * std::sin(5.0 * angle + b));
        points[static_cast<std::size_t>(i)] = {x + r * std::cos(angle), y + r * std::sin(angle)};
    }
    return points;
}

// Centre c stands in grid cell (c % cols, c / cols), jittered by less than
// a tenth of a cell, so the nearest one is in the point's cell or next to it.
const Centre& NearestCentre(const World& world, double x, double y) {
    int col = static_cast<int>(std::floor(x / CELL_X)), row = static_cast<int>(std::floor(y / CELL_Y));
    const Centre* best = &world.centres.front();
    double bestDistance = 1e300;
    for (int r = row - 1; r <= row + 1; ++r) {
        for (int c = col - 1; c <= col + 1; ++c) {
            if (r < 0 || c < 0 || c >= world.cols) continue;
            std::size_t index = static_cast<std::size_t>(r) * static_cast<std::size_t>(world.cols) +
                                static_cast<std::size_t>(c);
            if (index >= world.centres.size()) continue;
            const Centre& centre = world.centres[index];
            double d = (centre.x - x) * (centre.x - x) + (centre.y - y) * (centre.y - y);
            if (d < bestDistance) bestDistance = d, best = &centre;
        }
    }
    return *best;
}

// Anticlockwise and inward round a low, clockwise and outward round a high.
double WindAngle(const World& world, double x, double y, Random& random) {
    const Centre& centre = NearestCentre(world, x, y);
    double outward = std::atan2(y - centre.y, x - centre.x);
    double angle = centre.low ? outward + PI / 2 + 0.35 : outward - PI / 2 + 0.35;
    angle += random.Uniform(-0.15, 0.15);
    return std::remainder(angle, 2.0 * PI);
}

}  // namespace readdata14::make_chart

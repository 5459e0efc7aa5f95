// The weather a generated chart draws: pressure centres on a jittered grid,
// the isobar shape each centre shares, blobs for areas, and the wind.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "chart_generator.hpp"

namespace readdata14::make_chart {

inline constexpr double PI = std::numbers::pi;
// A row of centres is taller than a column is wide, so that open isobars fit
// in the bands between the rows.
inline constexpr double CELL_X = 320.0;
inline constexpr double CELL_Y = 400.0;
inline constexpr double ISOBAR_STEP = 4.0;  // hPa between neighbouring isobars
inline constexpr int RINGS_PER_CENTRE = 5;

// SplitMix64: small, fast and the same on every platform, unlike the
// standard distributions, whose algorithms the library leaves open.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double low, double high) {
        return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
    }
    int Int(int low, int high) {  // both included
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

private:
    std::uint64_t state_;
};

// A pressure centre and the shape its isobars share, so that they nest.
struct Centre {
    double x = 0, y = 0;
    bool low = true;
    int innerValue = 0;  // the value of the innermost isobar
    double stretch = 0, tilt = 0, wobble = 0, phase = 0;

    double ShapeFactor(double angle) const {
        return 1.0 + stretch * std::cos(2.0 * (angle - tilt)) + wobble * std::sin(3.0 * angle + phase);
    }
    int RingValue(int ring) const {
        int step = static_cast<int>(ISOBAR_STEP) * ring;
        return low ? innerValue + step : innerValue - step;
    }
};

struct World {
    int cols = 1, rows = 1;
    double width = CELL_X, height = CELL_Y;
    double maxRadius = 0.32 * CELL_X;  // outermost isobar, before the shape factor
    int rings = 1;                      // isobars per centre
    std::vector<Centre> centres;
    std::vector<const Centre*> lows, highs;
};

World MakeWorld(const ChartPlan& plan, Random& random);

// A blob around (x, y): a closed ring whose last point repeats the first.
std::vector<std::array<double, 2>> Blob(Random& random, double x, double y, double radius, int count);

const Centre& NearestCentre(const World& world, double x, double y);

// The wind's heading in radians at (x, y), from the nearest centre.
double WindAngle(const World& world, double x, double y, Random& random);

}  // namespace readdata14::make_chart

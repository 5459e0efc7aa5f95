#include "chart_generator.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>
#include <vector>

#include "chart_world.hpp"

namespace readdata14::make_chart {
namespace {

void WritePoints(ChartWriter& out, const std::vector<std::array<double, 2>>& points) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        out.Point(points[i][0], points[i][1]);
        if (i % 6 == 5 || i + 1 == points.size()) out.Newline();
    }
}

// A value label, a three-character code ("0NN", which a reader takes as a
// code), or "NoLabel".
std::string LabelToken(Random& random, int value, double codeChance, double noLabelChance) {
    if (random.Chance(noLabelChance)) return "NoLabel";
    if (random.Chance(codeChance)) {
        int code = random.Int(10, 99);
        return {'0', static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
    }
    return std::to_string(value);
}

void WriteHeader(const ChartPlan& plan, Random& random, ChartWriter& out) {
    out.Token("readdata14");
    out.Int(14);
    out.Token(plan.description);
    out.Newline();
    // Year, month, day, hour and forecast hour of the analysis.
    out.Int(24);
    out.Int(random.Int(1, 12));
    out.Int(random.Int(1, 28));
    out.Int(6 * random.Int(0, 3));
    out.Int(0);
    out.Newline();
}

// Open isobars in the bands between the rows of centres.
void WriteLines(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    int count = std::max(plan.counts.lines, 0);
    out.Token("LINES:");
    out.Int(count);
    out.Newline();
    int bands = world.rows + 1;
    int points = std::max(plan.points, 2);
    for (int j = 0; j < count; ++j) {
        int band = j % bands;
        double lane = ((j / bands) % 3 - 1) * 14.0;
        double y0 = std::clamp(band * CELL_Y, 25.0, world.height - 25.0) + lane;
        double x0 = random.Uniform(0.0, 0.4) * world.width;
        double x1 = std::min(world.width, x0 + random.Uniform(0.35, 0.6) * world.width);
        double wavelength = random.Uniform(200.0, 400.0), phase = random.Uniform(0.0, 2.0 * PI);
        std::vector<std::array<double, 2>> line(static_cast<std::size_t>(points));
        for (int i = 0; i < points; ++i) {
            double x = x0 + (x1 - x0) * i / (points - 1);
            line[static_cast<std::size_t>(i)] = {x, y0 + 8.0 * std::sin(2.0 * PI * x / wavelength + phase)};
        }
        std::string label = LabelToken(random, 1008 + 4 * random.Int(0, 3), 0.15, 0.2);
        out.Int(label.size() == 3 ? 3 : 1);  // dashed for coded lines
        out.Int(points);
        out.Newline();
        WritePoints(out, line);
        int labelPoints = label == "NoLabel" ? 0 : random.Int(1, 2);
        out.Token(label);
        out.Int(labelPoints);
        out.Newline();
        for (int k = 0; k < labelPoints; ++k) {
            const auto& at = line[static_cast<std::size_t>((points - 1) * (1 + 2 * k) / 4)];
            out.Point(at[0], at[1]);
        }
        if (labelPoints > 0) out.Newline();
    }
}

enum FrontCode { COLD_FRONT = 2, WARM_FRONT = 3, OCCLUDED_FRONT = 4, STATIONARY_FRONT = 5 };

// Fronts from the lows: a cold and a warm front each, then occlusions and
// stationary fronts. Every other cold front is long and finely drawn, so
// its point list is one a reader thins.
void WriteLineSymbols(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    int count = std::max(plan.counts.lineSymbols, 0);
    out.Token("LINES_SYMBOL:");
    out.Int(count);
    out.Newline();
    int lows = static_cast<int>(world.lows.size());
    for (int f = 0; f < count; ++f) {
        const Centre& low = *world.lows[static_cast<std::size_t>((f / 2) % lows)];
        int code = f < 2 * lows ? (f % 2 == 0 ? COLD_FRONT : WARM_FRONT)
                                : (f % 2 == 0 ? OCCLUDED_FRONT : STATIONARY_FRONT);
        bool longFront = code == COLD_FRONT && f % 4 == 0;  // every other cold front
        int points = longFront ? std::max(4 * plan.points, 300) : std::max(plan.points, 2);
        double length = random.Uniform(0.5, 0.8) * CELL_X;
        double spacing = longFront ? std::min(0.8, 1.1 * CELL_X / points) : length / (points - 1);
        double heading = code == COLD_FRONT   ? -PI / 2 - 0.35 + random.Uniform(-0.2, 0.2)
                         : code == WARM_FRONT ? -0.25 + random.Uniform(-0.15, 0.15)
                                              : random.Uniform(-PI, PI);
        double turn = code == COLD_FRONT ? -0.5 : code == WARM_FRONT ? -0.4 : random.Uniform(-0.5, 0.5);
        double wiggle = random.Uniform(0.0, 2.0 * PI);
        double x = low.x, y = low.y;
        if (code == STATIONARY_FRONT) {  // away from the centre, along the band between rows
            x += random.Uniform(-0.3, 0.3) * CELL_X;
            y += 0.45 * CELL_Y;
            heading = random.Uniform(-0.3, 0.3);
        }
        std::vector<std::array<double, 2>> front(static_cast<std::size_t>(points));
        for (int i = 0; i < points; ++i) {
            front[static_cast<std::size_t>(i)] = {x, y};
            double t = static_cast<double>(i) / points;
            double direction = heading + turn * t + 0.08 * std::sin(12.0 * t + wiggle);
            x += spacing * std::cos(direction);
            y += spacing * std::sin(direction);
        }
        out.Int(code);
        out.Int(0);
        out.Int(points);
        out.Newline();
        WritePoints(out, front);
        out.Token(random.Chance(0.5) ? "NoText" : "Front");
        out.Int(0);
        out.Newline();
    }
}

struct Symbol {
    int type = 0;
    double x = 0, y = 0;
    bool hidden = false;  // type 48 with z 1.0: a reader drops it
    std::string text;     // text types; 0x01 stands for a blank
    double angle = 0;     // other types: the wind's heading in radians
};

std::vector<Symbol> MakeSymbols(const ChartPlan& plan, const World& world, Random& random) {
    std::vector<Symbol> symbols;
    int count = std::max(plan.counts.symbols, 0);
    int nth = 0;
    for (const Centre& centre : world.centres) {
        double r = world.maxRadius / world.rings;
        symbols.push_back({centre.low ? 61 : 60, centre.x, centre.y, false, centre.low ? "L" : "H", 0});
        int central = centre.low ? centre.innerValue - 3 : centre.innerValue + 3;
        symbols.push_back({48, centre.x, centre.y - std::max(0.75 * r, 30.0), false, std::to_string(central), 0});
        if (centre.low && nth % 3 == 1)
            symbols.push_back({62, centre.x + 18.0, centre.y + 0.8 * r, false, "Developing\x01low", 0});
        if (!centre.low && nth % 4 == 1)
            symbols.push_back({63, centre.x + 18.0, centre.y + 0.8 * r, false, "Blocking\x01high", 0});
        if (nth % 5 == 4) symbols.push_back({48, centre.x, centre.y, true, "Old\x01position", 0});
        ++nth;
    }
    if (static_cast<int>(symbols.size()) > count) symbols.resize(static_cast<std::size_t>(count));
    int winds = count - static_cast<int>(symbols.size());
    if (winds <= 0) return symbols;
    int gridX = std::max(1, static_cast<int>(std::ceil(std::sqrt(winds * world.width / world.height))));
    int gridY = (winds + gridX - 1) / gridX;
    for (int w = 0; w < winds; ++w) {
        double x = (w % gridX + random.Uniform(0.25, 0.75)) * world.width / gridX;
        double y = (w / gridX + random.Uniform(0.25, 0.75)) * world.height / gridY;
        int type = random.Chance(0.8) ? 7 : 8;  // light and strong wind
        symbols.push_back({type, x, y, false, {}, WindAngle(world, x, y, random)});
    }
    return symbols;
}

bool IsTextType(int type) { return type == 48 || (type >= 60 && type <= 63); }

void WriteSymbols(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    std::vector<Symbol> symbols = MakeSymbols(plan, world, random);
    out.Token("SYMBOLS:");
    out.Int(static_cast<std::int64_t>(symbols.size()));
    out.Newline();
    for (const Symbol& symbol : symbols) {
        out.Int(symbol.type);
        out.Fixed(symbol.x, 2);
        out.Fixed(symbol.y, 2);
        out.Fixed(symbol.hidden ? 1.0 : 0.0, 1);
        if (IsTextType(symbol.type)) {
            out.Token(symbol.text);
        } else {
            out.Fixed(symbol.angle, 5);
        }
        out.Newline();
    }
}

// Isobars: ring k of centre c is contour c + k × centres, so the file lists
// the inner rings of all centres first and a reader must sort out the
// nesting. The outer ring of every third centre is left open.
void WriteClosedContours(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    int count = std::max(plan.counts.contours, 0);
    out.Token("CLOSED_CONTOURS:");
    out.Int(count);
    out.Newline();
    int centres = static_cast<int>(world.centres.size());
    int points = std::max(plan.points, 2);
    for (int i = 0; i < count; ++i) {
        int c = i % centres, ring = i / centres;
        const Centre& centre = world.centres[static_cast<std::size_t>(c)];
        int outerRing = (count - 1 - c) / centres;
        bool open = ring == outerRing && ring > 0 && c % 3 == 2;
        double radius = world.maxRadius * (ring + 1) / world.rings;
        double start = open ? random.Uniform(0.0, 2.0 * PI) : 0.0;
        double sweep = open ? 1.4 * PI : 2.0 * PI;
        std::vector<std::array<double, 2>> isobar(static_cast<std::size_t>(points));
        for (int k = 0; k < points; ++k) {
            double angle = start + sweep * k / (points - 1);
            double r = radius * centre.ShapeFactor(angle);
            isobar[static_cast<std::size_t>(k)] = {centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)};
        }
        if (!open) isobar.back() = isobar.front();  // exactly closed
        out.Int(1);
        out.Int(points);
        out.Newline();
        WritePoints(out, isobar);
        std::string label = LabelToken(random, centre.RingValue(ring), 0.05, 0.06);
        int labelPoints = label == "NoLabel" ? 0 : random.Int(1, 2);
        out.Token(label);
        out.Int(labelPoints);
        out.Newline();
        for (int k = 0; k < labelPoints; ++k) {
            const auto& at = isobar[static_cast<std::size_t>(random.Int(0, points - 1))];
            out.Point(at[0], at[1]);
        }
        if (labelPoints > 0) out.Newline();
    }
}

// Station reports that a reader passes over, then the weather regions: rain,
// snow, fog and thunder areas ahead of the lows.
void WriteWeatherRegions(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    out.Token("STATION_SITUATION");
    out.Newline();
    for (int s = 0; s < 4; ++s) {
        out.Int(47000 + random.Int(100, 999));
        out.Fixed(random.Uniform(-5.0, 25.0), 1);
        out.Fixed(random.Uniform(990.0, 1030.0), 1);
        out.Int(10 * random.Int(0, 35));
        out.Int(random.Int(0, 40));
        out.Newline();
    }
    int count = std::max(plan.counts.weatherRegions, 0);
    out.Token("WEATHER_REGION:");
    out.Int(count);
    out.Newline();
    int lows = static_cast<int>(world.lows.size());
    for (int r = 0; r < count; ++r) {
        const Centre& low = *world.lows[static_cast<std::size_t>(r % lows)];
        bool longRing = r % 3 == 0;
        int points = longRing ? std::max(4 * plan.points, 280) : std::max(plan.points, 2);
        // A long ring is drawn finely (about 0.9 apart), so a reader thins it.
        double radius = longRing ? std::min(0.9 * points / (2.0 * PI), 0.5 * world.maxRadius)
                                 : random.Uniform(0.2, 0.35) * world.maxRadius;
        double direction = random.Uniform(-0.8, 0.8) + (r / lows) * 2.1;
        double distance = random.Uniform(0.35, 0.6) * world.maxRadius;
        int code = random.Chance(0.6) ? 1 : random.Int(2, 4);
        out.Int(code);
        out.Int(points);
        out.Newline();
        WritePoints(out, Blob(random, low.x + distance * std::cos(direction),
                              low.y + distance * std::sin(direction), radius, points));
    }
}

// Fill areas near the highs (fog, haze, strong wind), with their drawing
// attributes: style, fill colour and opacity, border colour and style, four
// spare integers, border width (the one float), layer and a flag.
void WriteFillAreas(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    int count = std::max(plan.counts.fillAreas, 0);
    out.Token("FILLAREA:");
    out.Int(count);
    out.Newline();
    const auto& anchors = world.highs.empty() ? world.lows : world.highs;
    static constexpr std::array<std::array<int, 3>, 3> COLOURS{{{160, 160, 160}, {240, 200, 40}, {40, 180, 220}}};
    for (int a = 0; a < count; ++a) {
        const Centre& centre = *anchors[static_cast<std::size_t>(a) % anchors.size()];
        bool longRing = a % 2 == 1;
        int points = longRing ? std::max(3 * plan.points, 260) : std::max(plan.points, 2);
        double radius = longRing ? std::min(0.9 * points / (2.0 * PI), 0.5 * world.maxRadius)
                                 : random.Uniform(0.2, 0.3) * world.maxRadius;
        double direction = random.Uniform(0.0, 2.0 * PI);
        double distance = random.Uniform(0.3, 0.6) * world.maxRadius;
        int code = random.Int(1, 3);
        out.Int(code);
        out.Int(points);
        out.Newline();
        WritePoints(out, Blob(random, centre.x + distance * std::cos(direction),
                              centre.y + distance * std::sin(direction), radius, points));
        const auto& colour = COLOURS[static_cast<std::size_t>(code - 1)];
        out.Int(random.Int(1, 2));
        for (int v : colour) out.Int(v);
        out.Int(128);
        for (int v : colour) out.Int(v / 2);
        out.Int(1);
        for (int v = 0; v < 4; ++v) out.Int(0);
        out.Fixed(random.Chance(0.5) ? 1.5 : 2.5, 1);
        out.Int(-1);
        out.Int(0);
        out.Newline();
    }
}

// Notes of type 48: two texts read by their lengths, so they may hold blanks.
void WriteNotes(const ChartPlan& plan, const World& world, Random& random, ChartWriter& out) {
    static constexpr std::array<std::string_view, 6> HEADLINES{
        "Heavy rain warning", "Gale warning", "Dense fog advisory",
        "Low moving NE 30 kt", "High nearly stationary", "Snow on high ground"};
    static constexpr std::array<std::string_view, 4> TIMES{
        "Valid 00UTC", "Expected by 12UTC", "Next 24 hours", "Issued 06UTC"};
    int count = std::max(plan.counts.notes, 0);
    out.Token("NOTES_SYMBOL:");
    out.Int(count);
    out.Newline();
    for (int n = 0; n < count; ++n) {
        const Centre& centre = world.centres[static_cast<std::size_t>(n) % world.centres.size()];
        std::string_view first = HEADLINES[static_cast<std::size_t>(random.Int(0, 5))];
        std::string_view second = TIMES[static_cast<std::size_t>(random.Int(0, 3))];
        out.Int(48);
        out.Point(centre.x + 0.3 * world.maxRadius, centre.y - 0.45 * CELL_Y + 14.0);
        out.Int(static_cast<std::int64_t>(first.size()));
        out.Newline();
        out.Raw(first);
        out.Newline();
        out.Fixed(12.0, 1);  // the text height
        out.Int(static_cast<std::int64_t>(second.size()));
        out.Newline();
        out.Raw(second);
        out.Newline();
        for (double v : {0.0, 0.0, 0.0, 1.0, 0.0, 0.0}) out.Fixed(v, 1);
        out.Newline();
    }
}

}  // namespace

void WriteChart(const ChartPlan& plan, ChartWriter& out) {
    Random random(plan.seed);
    World world = MakeWorld(plan, random);
    WriteHeader(plan, random, out);
    WriteLines(plan, world, random, out);
    WriteLineSymbols(plan, world, random, out);
    WriteSymbols(plan, world, random, out);
    WriteClosedContours(plan, world, random, out);
    WriteWeatherRegions(plan, world, random, out);
    WriteFillAreas(plan, world, random, out);
    WriteNotes(plan, world, random, out);
}

std::string ChartText(const ChartPlan& plan) {
    ChartWriter out;
    WriteChart(plan, out);
    return out.Text();
}

namespace {

SectionCounts Scaled(const SectionCounts& c, double factor) {
    auto scale = [factor](int count) {
        if (count <= 0) return 0;
        return static_cast<int>(std::clamp(std::llround(count * factor), 1ll, 100000000ll));
    };
    return {scale(c.lines),          scale(c.lineSymbols), scale(c.symbols), scale(c.contours),
            scale(c.weatherRegions), scale(c.fillAreas),   scale(c.notes)};
}

// Bytes per unit of scale, from a chart generated at that scale.
double BytesPerUnit(ChartPlan plan, const SectionCounts& base, double factor) {
    plan.counts = Scaled(base, factor);
    ChartWriter counter = ChartWriter::Counter();
    WriteChart(plan, counter);
    return static_cast<double>(counter.BytesWritten()) / factor;
}

// Up to this scale a chart is measured whole (a few megabytes at the default
// counts); beyond it, extrapolated from two charts this far apart in scale.
constexpr double kMeasuredScale = 64.0;
constexpr double kProbeRatio = 8.0;

}  // namespace

// The bytes per element are not constant: counts round to whole elements,
// some elements come in fixed long forms, and a bigger chart covers a wider
// plane, whose coordinates have more digits (a growth with the logarithm of
// the scale). So the scale is corrected from what the chart at that scale
// really comes to, measured up to kMeasuredScale and beyond it extrapolated
// along the logarithm from two probes a fixed ratio apart (close probes would
// magnify their rounding noise).
SectionCounts CountsForSize(const ChartPlan& plan, std::uint64_t bytes) {
    const SectionCounts& base = plan.counts;
    const double target = static_cast<double>(bytes);
    double factor = target / BytesPerUnit(plan, base, 1.0);
    if (factor > kMeasuredScale) {
        const double nearUnit = BytesPerUnit(plan, base, kMeasuredScale);
        const double farUnit = BytesPerUnit(plan, base, kMeasuredScale / kProbeRatio);
        const double growth = (nearUnit - farUnit) / std::log(kProbeRatio);
        for (int round = 0; round < 8; ++round) {
            factor = target / (nearUnit + growth * std::log(std::max(factor, kMeasuredScale) / kMeasuredScale));
        }
        if (factor > kMeasuredScale) return Scaled(base, factor);
    }
    SectionCounts best = Scaled(base, factor);
    double bestError = std::numeric_limits<double>::infinity();
    for (int round = 0; round < 6; ++round) {
        const double size = BytesPerUnit(plan, base, factor) * factor;
        const double error = std::abs(size / target - 1.0);
        if (error < bestError) best = Scaled(base, factor), bestError = error;
        if (error < 0.02) break;
        factor *= target / size;
    }
    return best;
}

}  // namespace readdata14::make_chart

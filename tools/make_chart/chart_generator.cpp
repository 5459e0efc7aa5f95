#include "chart_generator.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "chart_world.hpp"
#include "readdata14/format.hpp"

namespace readdata14::make_chart {
namespace {

// A number as the chart holds it: rounded to `decimals` places as a file
// of this generator has always written it, then read as a 32-bit float
// (correctly rounded, as the reader does). A zero is +0.
float Rounded(double value, int decimals) {
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    float rounded = 0.0f;
    if (written.ec != std::errc{}) return 0.0f;
    std::from_chars(text, written.ptr, rounded);
    return rounded == 0.0f ? 0.0f : rounded;
}

// Points with two decimals, as x, y pairs.
std::vector<float> Points(const std::vector<std::array<double, 2>>& points) {
    std::vector<float> xy;
    xy.reserve(2 * points.size());
    for (const auto& point : points) {
        xy.push_back(Rounded(point[0], 2));
        xy.push_back(Rounded(point[1], 2));
    }
    return xy;
}

// The builder refuses only what the format cannot carry, which nothing
// generated here is: a refusal is a fault of the generator.
void Took(readdata14_status status, const readdata14_write_result& result) {
    if (status != READDATA14_WRITTEN) throw std::runtime_error(std::string("the builder refused: ") + result.message);
}

// A label token's value as the block holds it: a three-character label
// between 0 and 100 is a code.
float LabelValue(const std::string& token) {
    if (token == "NoLabel") return NO_LABEL_VALUE;
    const float number = Rounded(std::stod(token), 0);
    const bool code = token.size() == 3 && number > 0.0f && number < 100.0f;
    return code ? static_cast<float>(double(number) + double(LABEL_CODE_OFFSET)) : number;
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

void WriteHeader(const ChartPlan& plan, Random& random, readdata14_builder* out) {
    // Year, month, day, hour and forecast hour of the analysis.
    const std::int32_t integers[] = {24, random.Int(1, 12), random.Int(1, 28), 6 * random.Int(0, 3), 0};
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    Took(readdata14_builder_set_header(out, "readdata14", plan.description.c_str(), integers, 5, &result), result);
}

// Open isobars in the bands between the rows of centres.
void WriteLines(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    int count = std::max(plan.counts.lines, 0);
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
        int labelPoints = label == "NoLabel" ? 0 : random.Int(1, 2);
        std::vector<std::array<double, 2>> at;
        for (int k = 0; k < labelPoints; ++k) at.push_back(line[static_cast<std::size_t>((points - 1) * (1 + 2 * k) / 4)]);
        const std::vector<float> xy = Points(line);
        const std::vector<float> labelXy = Points(at);
        readdata14_labelled_line made = READDATA14_LABELLED_LINE_INIT;
        made.code = label.size() == 3 ? 3 : 1;  // dashed for coded lines
        made.points = xy.data();
        made.pointCount = line.size();
        made.label = LabelValue(label);
        made.labelPoints = labelXy.data();
        made.labelPointCount = at.size();
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_line(out, &made, &result), result);
    }
}

enum FrontCode { COLD_FRONT = 2, WARM_FRONT = 3, OCCLUDED_FRONT = 4, STATIONARY_FRONT = 5 };

// Fronts from the lows: a cold and a warm front each, then occlusions and
// stationary fronts. Every other cold front is long and finely drawn, so
// its point list is one a reader thins.
void WriteLineSymbols(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    int count = std::max(plan.counts.lineSymbols, 0);
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
        // The text after the points, which a reader drops, was drawn here.
        random.Chance(0.5);
        const std::vector<float> xy = Points(front);
        readdata14_point_list made = READDATA14_POINT_LIST_INIT;
        made.code = code;
        made.points = xy.data();
        made.pointCount = front.size();
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_line_symbol(out, &made, &result), result);
    }
}

struct Symbol {
    int type = 0;
    double x = 0, y = 0;
    bool hidden = false;  // type 48 with z 1.0: a reader drops it
    std::string text;     // text types, blanks as they read (the writer spells them 0x01)
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
            symbols.push_back({62, centre.x + 18.0, centre.y + 0.8 * r, false, "Developing low", 0});
        if (!centre.low && nth % 4 == 1)
            symbols.push_back({63, centre.x + 18.0, centre.y + 0.8 * r, false, "Blocking high", 0});
        if (nth % 5 == 4) symbols.push_back({48, centre.x, centre.y, true, "Old position", 0});
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

void WriteSymbols(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    std::vector<Symbol> symbols = MakeSymbols(plan, world, random);
    for (const Symbol& symbol : symbols) {
        readdata14_symbol made = READDATA14_SYMBOL_INIT;
        made.type = symbol.type;
        made.x = Rounded(symbol.x, 2);
        made.y = Rounded(symbol.y, 2);
        made.dropped = symbol.hidden ? 1 : 0;
        if (IsTextSymbolType(symbol.type)) {
            made.text = symbol.text.c_str();
        } else {
            // The file holds the angle in radians, five decimals.
            made.direction = readdata14_direction_from_angle(Rounded(symbol.angle, 5));
        }
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_symbol(out, &made, &result), result);
    }
}

// Isobars: ring k of centre c is contour c + k × centres, so the file lists
// the inner rings of all centres first and a reader must sort out the
// nesting. The outer ring of every third centre is left open.
void WriteClosedContours(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    int count = std::max(plan.counts.contours, 0);
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
        std::string label = LabelToken(random, centre.RingValue(ring), 0.05, 0.06);
        int labelPoints = label == "NoLabel" ? 0 : random.Int(1, 2);
        std::vector<std::array<double, 2>> at;
        for (int k = 0; k < labelPoints; ++k) at.push_back(isobar[static_cast<std::size_t>(random.Int(0, points - 1))]);
        const std::vector<float> xy = Points(isobar);
        const std::vector<float> labelXy = Points(at);
        readdata14_labelled_line made = READDATA14_LABELLED_LINE_INIT;
        made.code = 1;
        made.points = xy.data();
        made.pointCount = isobar.size();
        made.label = LabelValue(label);
        made.labelPoints = labelXy.data();
        made.labelPointCount = at.size();
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_contour(out, &made, &result), result);
    }
}

// Station reports that a reader passes over, then the weather regions: rain,
// snow, fog and thunder areas ahead of the lows.
void WriteWeatherRegions(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    // Four station reports were drawn here: a reader passes over them, so
    // a chart does not keep them; the draws stay so that what follows is
    // the same chart for the same seed.
    for (int s = 0; s < 4; ++s) {
        random.Int(100, 999);
        random.Uniform(-5.0, 25.0);
        random.Uniform(990.0, 1030.0);
        random.Int(0, 35);
        random.Int(0, 40);
    }
    int count = std::max(plan.counts.weatherRegions, 0);
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
        const std::vector<float> xy = Points(Blob(random, low.x + distance * std::cos(direction),
                                                  low.y + distance * std::sin(direction), radius, points));
        readdata14_point_list made = READDATA14_POINT_LIST_INIT;
        made.code = code;
        made.points = xy.data();
        made.pointCount = xy.size() / 2;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_weather_region(out, &made, &result), result);
    }
}

// Fill areas near the highs (fog, haze, strong wind), with their drawing
// attributes: style, fill colour and opacity, border colour and style, four
// spare integers, border width (the one float), layer and a flag.
void WriteFillAreas(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    int count = std::max(plan.counts.fillAreas, 0);
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
        const std::vector<float> xy = Points(Blob(random, centre.x + distance * std::cos(direction),
                                                  centre.y + distance * std::sin(direction), radius, points));
        const auto& colour = COLOURS[static_cast<std::size_t>(code - 1)];
        readdata14_point_list made = READDATA14_POINT_LIST_INIT;
        made.code = code;
        made.points = xy.data();
        made.pointCount = xy.size() / 2;
        float* value = made.values;
        *value++ = static_cast<float>(random.Int(1, 2));
        for (int v : colour) *value++ = static_cast<float>(v);
        *value++ = 128.0f;
        for (int v : colour) *value++ = static_cast<float>(v / 2);
        *value++ = 1.0f;
        value += 4;  // four zeros
        *value++ = random.Chance(0.5) ? 1.5f : 2.5f;
        *value++ = -1.0f;
        *value = 0.0f;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_fill_area(out, &made, &result), result);
    }
}

// Notes of type 48: two texts read by their lengths, so they may hold blanks.
void WriteNotes(const ChartPlan& plan, const World& world, Random& random, readdata14_builder* out) {
    static constexpr std::array<const char*, 6> HEADLINES{
        "Heavy rain warning", "Gale warning", "Dense fog advisory",
        "Low moving NE 30 kt", "High nearly stationary", "Snow on high ground"};
    static constexpr std::array<const char*, 4> TIMES{
        "Valid 00UTC", "Expected by 12UTC", "Next 24 hours", "Issued 06UTC"};
    int count = std::max(plan.counts.notes, 0);
    for (int n = 0; n < count; ++n) {
        const Centre& centre = world.centres[static_cast<std::size_t>(n) % world.centres.size()];
        readdata14_note made = READDATA14_NOTE_INIT;
        made.firstText = HEADLINES[static_cast<std::size_t>(random.Int(0, 5))];
        made.secondText = TIMES[static_cast<std::size_t>(random.Int(0, 3))];
        made.x = Rounded(centre.x + 0.3 * world.maxRadius, 2);
        made.y = Rounded(centre.y - 0.45 * CELL_Y + 14.0, 2);
        made.value = 12.0f;  // the text height
        made.trailing[3] = 1.0f;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        Took(readdata14_builder_add_note(out, &made, &result), result);
    }
}

struct BuilderFree {
    void operator()(readdata14_builder* builder) const { readdata14_builder_free(builder); }
};

}  // namespace

DocumentPtr MakeChart(const ChartPlan& plan) {
    readdata14_builder* made = nullptr;
    if (readdata14_builder_new(&made) != READDATA14_WRITTEN) throw std::bad_alloc();
    const std::unique_ptr<readdata14_builder, BuilderFree> out(made);
    Random random(plan.seed);
    World world = MakeWorld(plan, random);
    WriteHeader(plan, random, out.get());
    WriteLines(plan, world, random, out.get());
    WriteLineSymbols(plan, world, random, out.get());
    WriteSymbols(plan, world, random, out.get());
    WriteClosedContours(plan, world, random, out.get());
    WriteWeatherRegions(plan, world, random, out.get());
    WriteFillAreas(plan, world, random, out.get());
    WriteNotes(plan, world, random, out.get());
    readdata14_document* chart = nullptr;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_builder_finish(out.get(), &chart, &result) != READDATA14_READ) {
        throw std::runtime_error(std::string("the chart could not be finished: ") + result.message);
    }
    return DocumentPtr(chart);
}

std::string ChartText(const ChartPlan& plan) {
    const DocumentPtr chart = MakeChart(plan);
    const auto gather = [](const void* bytes, std::size_t size, void* context) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(bytes), size);
        return 0;
    };
    std::string text;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_write_callback(chart.get(), gather, &text, nullptr, &result) != READDATA14_WRITTEN) {
        throw std::runtime_error(std::string("the chart could not be written: ") + result.message);
    }
    return text;
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
    return static_cast<double>(ChartText(plan).size()) / factor;
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

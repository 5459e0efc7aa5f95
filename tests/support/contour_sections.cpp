#include "support/contour_sections.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

#include "contours/contour_reading.hpp"
#include "reading/reading_rules.hpp"

namespace readdata14::test {
namespace {

void AppendFloat(std::string& out, float v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
}

void AppendPoints(std::string& out, std::span<const Point> points) {
    for (const Point p : points) {
        out += ' ';
        AppendFloat(out, p.x);
        out += ' ';
        AppendFloat(out, p.y);
        out += " 0";
    }
}

template <typename T>
const T& Pick(std::mt19937& rng, std::span<const T> items) {
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
}

bool Chance(std::mt19937& rng, double p) { return std::bernoulli_distribution(p)(rng); }

double Uniform(std::mt19937& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

// Coordinates are made in double on a unit scale, then placed and rounded.
struct Frame {
    double scale = 1.0;
    double offset = 0.0;
    Point Place(double x, double y) const {
        return {static_cast<float>(offset + scale * x), static_cast<float>(offset + scale * y)};
    }
};

std::vector<Point> Rectangle(std::mt19937& rng, const Frame& f, double cx, double cy, double hw, double hh) {
    std::array<Point, 4> corners{f.Place(cx - hw, cy - hh), f.Place(cx + hw, cy - hh),
                                 f.Place(cx + hw, cy + hh), f.Place(cx - hw, cy + hh)};
    if (Chance(rng, 0.3)) std::reverse(corners.begin(), corners.end());
    std::rotate(corners.begin(), corners.begin() + std::uniform_int_distribution<int>(0, 3)(rng), corners.end());
    std::vector<Point> points(corners.begin(), corners.end());
    if (Chance(rng, 0.7)) points.push_back(points.front());
    return points;
}

std::vector<Point> Ring(std::mt19937& rng, const Frame& f, double cx, double cy, double radius,
                        std::size_t count, double jitter) {
    std::vector<Point> points;
    const double start = Uniform(rng, 0.0, 2.0 * std::numbers::pi);
    const double turn = Chance(rng, 0.5) ? 1.0 : -1.0;
    for (std::size_t k = 0; k < count; ++k) {
        const double angle = start + turn * 2.0 * std::numbers::pi * double(k) / double(count);
        const double r = radius * (1.0 + Uniform(rng, -jitter, jitter));
        points.push_back(f.Place(cx + r * std::cos(angle), cy + r * std::sin(angle)));
    }
    return points;
}

// A small square hanging from `first`, so that its first point is exactly the
// point that is to be tested against the other contours.
std::vector<Point> HangingFrom(std::mt19937& rng, Point first, float size) {
    const float a = Chance(rng, 0.5) ? size : -size;
    const float b = Chance(rng, 0.5) ? size : -size;
    std::vector<Point> points{first, {first.x + a, first.y}, {first.x + a, first.y + b}, {first.x, first.y + b}};
    if (Chance(rng, 0.5)) points.push_back(first);
    return points;
}

// A point on a fan diagonal, on a vertex, or on or just beside an edge of
// `outer`.
Point Borderline(std::mt19937& rng, std::span<const Point> outer) {
    const std::size_t n = outer.size();
    const std::size_t k = std::uniform_int_distribution<std::size_t>(1, n - 1)(rng);
    const double t = Chance(rng, 0.3) ? 0.5 : Uniform(rng, 0.0, 1.0);
    const int kind = std::uniform_int_distribution<int>(0, 2)(rng);
    if (kind == 0) {  // on the diagonal from point 0 to point k
        return {static_cast<float>(outer[0].x + t * (double(outer[k].x) - outer[0].x)),
                static_cast<float>(outer[0].y + t * (double(outer[k].y) - outer[0].y))};
    }
    if (kind == 1) return outer[k];
    const Point a = outer[k - 1];
    const Point b = outer[k];
    static constexpr std::array<double, 11> offsets{0, 1e-7, -1e-7, 1e-6, -1e-6, 5e-6, -5e-6, 1e-5, -1e-5, 2e-5, -1e-4};
    const double off = Pick<double>(rng, offsets);
    const double ex = double(b.x) - a.x;
    const double ey = double(b.y) - a.y;
    return {static_cast<float>(a.x + t * ex - off * ey), static_cast<float>(a.y + t * ey + off * ex)};
}

constexpr std::array<std::string_view, 13> kTrickyLabels{
    "10", "20", "30", "20.0", "5", "NoLabel", "999999", "050", "-5", "40", "3100000", "320000", "nan"};

}  // namespace

ContourNode MakeContour(const FileContour& item) {
    ContourNode node;
    node.code = item.code;
    node.points = item.points;
    for (std::size_t i = 0; i < item.points.size(); ++i) ExtendBox(node.box, item.points[i], i == 0);
    node.isClosed = IsClosedContour(node.points);
    node.value = ReadLabelValue(item.label).value;
    node.labelPoints = item.labelPoints;
    return node;
}

std::vector<ContourNode> MakeContours(std::span<const FileContour> items) {
    std::vector<ContourNode> nodes;
    for (const FileContour& item : items) nodes.push_back(MakeContour(item));
    return nodes;
}

std::vector<std::string_view> Labels(std::span<const FileContour> items) {
    std::vector<std::string_view> labels;
    for (const FileContour& item : items) labels.push_back(item.label);
    return labels;
}

std::string SectionText(std::span<const FileContour> items) {
    std::string out = "CLOSED_CONTOURS: " + std::to_string(items.size()) + "\n";
    for (const FileContour& item : items) {
        out += std::to_string(item.code) + " " + std::to_string(item.points.size());
        AppendPoints(out, item.points);
        out += "\n" + item.label + " " + std::to_string(item.labelPoints.size());
        AppendPoints(out, item.labelPoints);
        out += "\n";
    }
    return out;
}

std::vector<FileContour> RandomTrickySection(std::mt19937& rng) {
    static constexpr std::array<double, 7> scales{1.0, 1.0, 1e-3, 1e4, 1e-30, 1e30, 3.7};
    static constexpr std::array<double, 3> offsets{0.0, 1e5, -123.25};
    static constexpr std::array<double, 6> sizes{1, 2, 3, 5, 8, 10};
    const double scale = Pick<double>(rng, scales);
    const Frame frame{scale, Pick<double>(rng, offsets) * scale};
    const std::size_t count = std::uniform_int_distribution<std::size_t>(1, 24)(rng);

    std::vector<FileContour> items;
    while (items.size() < count) {
        FileContour item;
        item.code = std::uniform_int_distribution<std::int32_t>(0, 99)(rng);
        item.label = std::string(Pick<std::string_view>(rng, kTrickyLabels));
        const double cx = 20.0 * std::uniform_int_distribution<int>(0, 1)(rng);
        const double cy = 20.0 * std::uniform_int_distribution<int>(0, 1)(rng);
        const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
        if (kind <= 3) {
            item.points = Rectangle(rng, frame, cx, cy, Pick<double>(rng, sizes), Pick<double>(rng, sizes));
        } else if (kind <= 5) {
            const std::size_t n = std::uniform_int_distribution<std::size_t>(3, 12)(rng);
            item.points = Ring(rng, frame, cx, cy, Pick<double>(rng, sizes), n, 0.2);
        } else if (kind <= 7 && !items.empty()) {
            const FileContour& other = Pick<FileContour>(rng, items);
            if (other.points.size() >= 3) {
                const float size = static_cast<float>(scale * Uniform(rng, 0.05, 2.0));
                item.points = HangingFrom(rng, Borderline(rng, other.points), size);
            }
        } else if (kind == 8 && !items.empty()) {
            item.points = Pick<FileContour>(rng, items).points;  // an identical box
        } else {
            const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 2)(rng);
            for (std::size_t i = 0; i < n; ++i) item.points.push_back(frame.Place(Uniform(rng, -5, 25), Uniform(rng, -5, 25)));
        }
        const std::size_t m = std::uniform_int_distribution<std::size_t>(0, 2)(rng);
        for (std::size_t i = 0; i < m; ++i) item.labelPoints.push_back(frame.Place(cx, cy + double(i)));
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<FileContour> ChartLikeSection(std::mt19937& rng, std::size_t count, std::size_t pointsPerContour) {
    // Groups are spread over a field that grows with the section, so that
    // most of them lie apart from each other.
    const double field = 40.0 * std::sqrt(double(count));
    std::vector<FileContour> items;
    std::int32_t code = 0;
    while (items.size() < count) {
        const double cx = Uniform(rng, 0.0, field);
        const double cy = Uniform(rng, 0.0, field);
        const std::size_t depth = Chance(rng, 0.5) ? std::uniform_int_distribution<std::size_t>(2, 5)(rng) : 1;
        const int base = 5 * std::uniform_int_distribution<int>(0, 12)(rng);
        const int step = Chance(rng, 0.8) ? 5 : -5;
        for (std::size_t level = 0; level < depth && items.size() < count; ++level) {
            FileContour item;
            item.code = code++ % 100;
            item.points = Ring(rng, Frame{}, cx, cy, 15.0 * (1.0 - 0.18 * double(level)), pointsPerContour - 1, 0.05);
            item.points.push_back(item.points.front());
            item.label = std::to_string(base + step * static_cast<int>(level));
            item.labelPoints.push_back(item.points[pointsPerContour / 2]);
            items.push_back(std::move(item));
        }
    }
    std::shuffle(items.begin(), items.end(), rng);
    return items;
}

namespace {

std::string LabelAt(std::size_t position, std::size_t count, LabelRun labels) {
    switch (labels) {
        case LabelRun::Descending: return std::to_string(count - position);
        case LabelRun::Ascending: return std::to_string(position + 1);
        case LabelRun::Equal: break;
    }
    return "10";
}

}  // namespace

std::vector<FileContour> TinySquaresSection(std::mt19937& rng, std::size_t count, LabelRun labels) {
    const auto columns = static_cast<std::size_t>(std::ceil(std::sqrt(double(count))));
    std::vector<FileContour> items;
    for (std::size_t k = 0; k < count; ++k) {
        const auto x = static_cast<float>(4 * (k % columns) + std::uniform_int_distribution<std::size_t>(0, 2)(rng));
        const auto y = static_cast<float>(4 * (k / columns) + std::uniform_int_distribution<std::size_t>(0, 2)(rng));
        items.push_back({1, {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}}});
    }
    std::shuffle(items.begin(), items.end(), rng);
    for (std::size_t k = 0; k < count; ++k) items[k].label = LabelAt(k, count, labels);
    return items;
}

std::vector<FileContour> ConcentricRingsSection(std::mt19937& rng, std::size_t count, std::size_t pointsPerContour) {
    std::vector<FileContour> items;
    for (std::size_t k = 0; k < count; ++k) {
        FileContour item;
        item.code = static_cast<std::int32_t>(k % 100);
        // Radii 10 apart with a jitter of 5% leave every ring inside the next.
        item.points = Ring(rng, Frame{}, 0.0, 0.0, 10.0 * double(k + 1), pointsPerContour - 1, 0.05 / double(k + 1));
        item.points.push_back(item.points.front());
        item.label = std::to_string(1000 + 4 * static_cast<long>(k));
        items.push_back(std::move(item));
    }
    std::shuffle(items.begin(), items.end(), rng);
    return items;
}

std::vector<FileContour> CommonFirstPointSection(std::mt19937& rng, std::size_t count) {
    std::vector<FileContour> items;
    for (std::size_t k = 0; k < count; ++k) {
        FileContour item;
        item.code = static_cast<std::int32_t>(k % 100);
        const double size = Uniform(rng, 1.0, 100.0);
        const double start = Uniform(rng, 0.0, 2.0 * std::numbers::pi);
        const std::size_t corners = std::uniform_int_distribution<std::size_t>(3, 4)(rng);
        item.points.push_back({0.0f, 0.0f});
        for (std::size_t c = 1; c < corners; ++c) {
            const double angle = start + 0.6 * double(c);
            item.points.push_back(Frame{}.Place(size * std::cos(angle), size * std::sin(angle)));
        }
        item.points.push_back({0.0f, 0.0f});
        item.label = std::to_string(k);
        items.push_back(std::move(item));
    }
    std::shuffle(items.begin(), items.end(), rng);
    return items;
}

}  // namespace readdata14::test

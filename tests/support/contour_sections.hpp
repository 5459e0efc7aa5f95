// CLOSED_CONTOURS sections for tests and benchmarks: contours as they stand
// in a file, turned into section text or into the reader's ContourNodes, and
// random sections, either tricky (borderline geometry, many scales) or
// chart-like (rings of about 64 points, nested and disjoint).
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contours/contour_node.hpp"

namespace readdata14::test {

struct FileContour {
    FileContour() = default;
    FileContour(std::int32_t code_, std::vector<Point> points_, std::string label_ = "NoLabel",
                std::vector<Point> labelPoints_ = {})
        : code(code_), points(std::move(points_)), label(std::move(label_)), labelPoints(std::move(labelPoints_)) {}

    std::int32_t code = 0;
    std::vector<Point> points;
    std::string label = "NoLabel";
    std::vector<Point> labelPoints;
};

// The node the reader builds from such a contour: box, closed flag, value.
ContourNode MakeContour(const FileContour& item);
std::vector<ContourNode> MakeContours(std::span<const FileContour> items);
std::vector<std::string_view> Labels(std::span<const FileContour> items);

// "CLOSED_CONTOURS: N" and the contours, every float written so that it reads
// back to the same float.
std::string SectionText(std::span<const FileContour> items);

// Up to two dozen small contours: nested and disjoint rectangles and rings,
// identical boxes, repeated values and NaN, degenerate contours, first points on fan
// diagonals, on vertices and within about 1e-5 of edges, at scales from 1e-30
// to 1e30.
std::vector<FileContour> RandomTrickySection(std::mt19937& rng);

// `count` rings of `pointsPerContour` points (closed by repeating the first),
// about half in nested groups of two to five, the rest alone, in random file
// order.
std::vector<FileContour> ChartLikeSection(std::mt19937& rng, std::size_t count,
                                          std::size_t pointsPerContour = 64);

}  // namespace readdata14::test

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

// How the labels of a generated section run in file order.
enum class LabelRun { Descending, Ascending, Equal };

// `count` unit squares (four corners, whole-number coordinates) on a grid of
// spacing 4, each moved by up to 2 in x and y so that no two columns or rows
// line up, none touching another, in random file order; labelled count, ...,
// 1 or 1, ..., count in file order, or all 10. About 55 bytes a contour.
std::vector<FileContour> TinySquaresSection(std::mt19937& rng, std::size_t count, LabelRun labels);

// `count` rings of `pointsPerContour` points around one centre, each inside
// every larger one, in random file order, with distinct values: every pair
// is nested, so every first point lies in every larger ring's box.
std::vector<FileContour> ConcentricRingsSection(std::mt19937& rng, std::size_t count,
                                                std::size_t pointsPerContour = 64);

// `count` triangles and quadrilaterals of many sizes and directions that all
// start at one point, in random file order, with distinct values: every box
// holds every first point.
std::vector<FileContour> CommonFirstPointSection(std::mt19937& rng, std::size_t count);

}  // namespace readdata14::test

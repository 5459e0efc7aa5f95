// A C++ host of the installed library, built with the compiler's default
// settings: the view's C++20 requirement must come from the package itself.
#include <readdata14/chart.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const auto chart = readdata14::Chart::Open(argv[1]);
    if (!chart) return 1;
    std::size_t points = 0;
    for (const auto contour : chart.ClosedContours()) points += contour.points.size();
    std::printf("%s: %zu contours, %zu points, %zu levels\n", argv[1], chart.ClosedContours().size(), points,
                chart.Levels().size());
    return points > 0 ? 0 : 1;
}

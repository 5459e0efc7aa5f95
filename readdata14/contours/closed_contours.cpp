// The CLOSED_CONTOURS section. Unlike the other sections it is held in memory
// until its last contour is read: every contour is related to every other one
// (nesting, rise/fall), and every record depends on the sorted levels.
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/contours.hpp"
#include "contours/levels.hpp"
#include "contours/nesting.hpp"

namespace readdata14 {

FloatBlock ReadClosedContours(Scanner& in, std::vector<std::uint32_t>* filePositions) {
    const auto header = ReadSectionHeader(in, CLOSED_CONTOURS_TAG);
    if (!header) return nullptr;

    // Grown as contours are read: the declared count alone decides nothing.
    std::vector<ContourNode> contours;
    std::vector<float> levelValues;
    ReadElements(in, *header, {"CLOSED_CONTOURS", "contour"}, [&] {
        ContourNode node;
        const ContourRead read = ReadContour(in, node, levelValues);
        if (read.started) contours.push_back(std::move(node));
        return read.end;
    });
    const Nesting nesting = NestContours(contours);
    if (filePositions != nullptr) filePositions->assign(nesting.order.begin(), nesting.order.end());
    return AssembleContourBlock(contours, nesting, std::move(levelValues));
}

}  // namespace readdata14

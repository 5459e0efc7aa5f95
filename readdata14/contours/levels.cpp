#include "contours/levels.hpp"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>

namespace readdata14 {
namespace {

// Passes over adjacent pairs, each one shorter, until a pass exchanges nothing.
void SortByPasses(std::span<float> levelValues, ContourDirection direction) noexcept {
    const bool ascending = direction == DIRECTION_RISE;
    for (std::size_t pass = 1; pass < levelValues.size(); ++pass) {
        bool exchanged = false;
        for (std::size_t i = 0; i + pass < levelValues.size(); ++i) {
            float& first = levelValues[i];
            float& second = levelValues[i + 1];
            if (ascending ? first > second : first < second) {
                std::swap(first, second);
                exchanged = true;
            }
        }
        if (!exchanged) break;
    }
}

}  // namespace

void DropRepeatedLevelValues(std::vector<float>& levelValues) {
    // A stable sort keeps values that compare equal in reading order, so the
    // first of each run is the one read first.
    std::stable_sort(levelValues.begin(), levelValues.end());
    levelValues.erase(std::unique(levelValues.begin(), levelValues.end()), levelValues.end());
}

void SortLevelValues(std::span<float> levelValues, ContourDirection direction) {
    // Passes of exchanges are a stable sort whenever the comparison is a
    // strict order; a NaN makes it none, and then only the passes themselves
    // say where everything ends up.
    if (std::any_of(levelValues.begin(), levelValues.end(), [](float v) { return v != v; })) {
        SortByPasses(levelValues, direction);
    } else if (direction == DIRECTION_RISE) {
        std::stable_sort(levelValues.begin(), levelValues.end());
    } else {
        std::stable_sort(levelValues.begin(), levelValues.end(), std::greater<float>());
    }
}

bool IsValuedClosed(const ContourNode& contour) noexcept {
    return contour.isClosed && contour.value != NO_LABEL_VALUE && contour.value < VALUED_CLOSED_LIMIT;
}

std::int32_t LevelIndex(const ContourNode& contour, ContourDirection direction,
                        std::span<const float> sortedLevels, ContourDirection levelDirection) noexcept {
    if (!IsValuedClosed(contour)) return NO_LEVEL_INDEX;
    const auto at = levelDirection == DIRECTION_RISE
                        ? std::lower_bound(sortedLevels.begin(), sortedLevels.end(), contour.value)
                        : std::lower_bound(sortedLevels.begin(), sortedLevels.end(), contour.value,
                                           std::greater<float>());
    if (at == sortedLevels.end() || *at != contour.value) return NO_LEVEL_INDEX;
    const auto j = static_cast<std::int32_t>(at - sortedLevels.begin());
    // A contour that runs against the section's direction belongs to the band
    // below its level.
    const bool against = direction != DIRECTION_NONE && direction != levelDirection;
    return against ? j : j + 1;
}

FloatBlock AssembleContourBlock(std::span<const ContourNode> contours, const Nesting& nesting,
                                std::vector<float> levelValues) {
    const ContourDirection levelDirection =
        nesting.sectionDirection == DIRECTION_NONE ? DIRECTION_RISE : nesting.sectionDirection;
    DropRepeatedLevelValues(levelValues);
    SortLevelValues(levelValues, levelDirection);

    // Written once, straight into the block handed out: everything is in
    // memory already, so its size is known.
    std::size_t total = 2 + levelValues.size();  // the record count, the level count, the levels
    for (const ContourNode& contour : contours) {
        total += 6 + 2 * (contour.points.size() + contour.labelPoints.size());
    }
    SizedBlockWriter block(total);
    block.Push(static_cast<float>(nesting.order.size()));
    for (const std::int32_t index : nesting.order) {
        const std::size_t i = static_cast<std::size_t>(index);
        const ContourNode& contour = contours[i];
        block.Push(static_cast<float>(contour.points.size()));
        block.Push(contour.code);  // each record carries its own contour's code
        block.Push(IsValuedClosed(contour) ? 1.0f : 0.0f);
        block.Push(LevelIndex(contour, nesting.directions[i], levelValues, levelDirection));
        block.PushPoints(contour.points);
        block.Push(contour.value);
        block.Push(static_cast<float>(contour.labelPoints.size()));
        block.PushPoints(contour.labelPoints);
    }
    block.Push(static_cast<float>(levelValues.size()));
    for (const float level : levelValues) block.Push(level);
    return block.Finish();
}

}  // namespace readdata14

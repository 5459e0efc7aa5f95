#include "contours/levels.hpp"

#include <cstddef>
#include <utility>

namespace readdata14 {

void SortLevelValues(std::span<float> levelValues, ContourDirection direction) noexcept {
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

bool IsValuedClosed(const ContourNode& contour) noexcept {
    return contour.isClosed && contour.value != NO_LABEL_VALUE && contour.value < VALUED_CLOSED_LIMIT;
}

std::int32_t LevelIndex(const ContourNode& contour, ContourDirection direction,
                        std::span<const float> sortedLevels, ContourDirection levelDirection) noexcept {
    if (!IsValuedClosed(contour)) return NO_LEVEL_INDEX;
    for (std::size_t j = 0; j < sortedLevels.size(); ++j) {
        if (sortedLevels[j] != contour.value) continue;
        // A contour that runs against the section's direction belongs to the
        // band below its level.
        const bool against = direction != DIRECTION_NONE && direction != levelDirection;
        return static_cast<std::int32_t>(against ? j : j + 1);
    }
    return NO_LEVEL_INDEX;
}

FloatBlock AssembleContourBlock(std::span<const ContourNode> contours, const Nesting& nesting,
                                std::vector<float> levelValues) {
    const ContourDirection levelDirection =
        nesting.sectionDirection == DIRECTION_NONE ? DIRECTION_RISE : nesting.sectionDirection;
    SortLevelValues(levelValues, levelDirection);

    std::size_t total = 1 + levelValues.size();
    for (const ContourNode& contour : contours) {
        total += 6 + 2 * (contour.points.size() + contour.labelPoints.size());
    }
    BlockBuilder block;
    block.Reserve(total);  // everything is in memory already
    for (const std::int32_t index : nesting.order) {
        const std::size_t i = static_cast<std::size_t>(index);
        const ContourNode& contour = contours[i];
        block.Push(static_cast<float>(contour.points.size()));
        block.Push(contour.code);  // each record carries its own contour's code
        block.Push(IsValuedClosed(contour) ? 1.0f : 0.0f);
        block.Push(LevelIndex(contour, nesting.directions[i], levelValues, levelDirection));
        for (const Point point : contour.points) block.PushPoint(point);
        block.Push(contour.value);
        block.Push(static_cast<float>(contour.labelPoints.size()));
        for (const Point point : contour.labelPoints) block.PushPoint(point);
        block.CountRecord();
    }
    block.Push(static_cast<float>(levelValues.size()));
    for (const float level : levelValues) block.Push(level);
    return block.Finish();
}

}  // namespace readdata14

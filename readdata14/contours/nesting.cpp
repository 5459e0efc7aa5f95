#include "contours/nesting.hpp"

#include <cstddef>

#include "contours/point_in_contour.hpp"

namespace readdata14 {
namespace {

using Index = std::int32_t;

// Whether the first point of `inner` lies inside `outer`. A contour without
// points is never inside and, with fewer than three points, contains none.
// The box test only skips comparisons that the full test would answer with
// false (see ClearlyOutside).
bool Encloses(const ContourNode& outer, const ContourNode& inner) noexcept {
    if (inner.points.empty() || outer.points.size() < 3) return false;
    const Point first = inner.points.front();
    if (ClearlyOutside(outer.box, first)) return false;
    return PointInContourPruned(first.x, first.y, outer.points);
}

class NestingWalk {
public:
    explicit NestingWalk(std::span<const ContourNode> contours) : contours_(contours) {
        nesting_.directions.assign(contours.size(), DIRECTION_NONE);
    }

    void Insert(Index added);
    Nesting Finish() { return std::move(nesting_); }

private:
    const ContourNode& At(Index i) const { return contours_[static_cast<std::size_t>(i)]; }
    ContourDirection& Direction(Index i) { return nesting_.directions[static_cast<std::size_t>(i)]; }
    void NoteSectionDirection(Index added) {
        if (nesting_.sectionDirection == DIRECTION_NONE) nesting_.sectionDirection = Direction(added);
    }
    std::size_t PassLaterContours(Index added);
    void FindEnclosing(Index added, std::size_t place);

    std::span<const ContourNode> contours_;
    Nesting nesting_;
};

// The new contour passes, from the end of the list backwards, every contour
// that comes after it in box order, testing whether it encloses each. Returns
// its place in the list. Because the list is kept in box order, these
// contours are exactly the tail of the list.
std::size_t NestingWalk::PassLaterContours(Index added) {
    const ContourNode& outer = At(added);
    std::size_t place = nesting_.order.size();
    while (place > 0) {
        const Index e = nesting_.order[place - 1];
        const ContourNode& inner = At(e);
        if (!BoxBefore(outer.box, inner.box)) break;
        if (Encloses(outer, inner)) {
            if (outer.value > inner.value) {
                Direction(added) = DIRECTION_FALL;
                if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_FALL;
            } else if (outer.value < inner.value) {
                Direction(added) = DIRECTION_RISE;
                if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_RISE;
            } else if (outer.value == inner.value && Direction(e) != DIRECTION_NONE) {
                // Equal values carry the step on: the enclosing contour is the
                // other side of the step that the inner one already shows.
                Direction(added) = Direction(e) == DIRECTION_FALL ? DIRECTION_RISE : DIRECTION_FALL;
            }
            NoteSectionDirection(added);
        }
        --place;
    }
    return place;
}

// From its place backwards: the first earlier contour that encloses the new
// one ends the walk. Contours of the same value, and contours that have a
// direction when the new one has one too, are passed over untested.
void NestingWalk::FindEnclosing(Index added, std::size_t place) {
    const ContourNode& inner = At(added);
    while (place > 0) {
        const Index e = nesting_.order[--place];
        const ContourNode& outer = At(e);
        const bool bothDirected = Direction(e) != DIRECTION_NONE && Direction(added) != DIRECTION_NONE;
        if (bothDirected || outer.value == inner.value) continue;
        if (!Encloses(outer, inner)) continue;
        if (inner.value > outer.value) {
            Direction(added) = DIRECTION_RISE;
            if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_RISE;
        } else if (inner.value < outer.value) {
            Direction(added) = DIRECTION_FALL;
            if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_FALL;
        }
        NoteSectionDirection(added);
        return;
    }
}

void NestingWalk::Insert(Index added) {
    const std::size_t place = PassLaterContours(added);
    nesting_.order.insert(nesting_.order.begin() + static_cast<std::ptrdiff_t>(place), added);
    FindEnclosing(added, place);
}

}  // namespace

bool BoxBefore(const ContourBox& a, const ContourBox& b) noexcept {
    if (a.minX != b.minX) return a.minX < b.minX;
    if (a.minY != b.minY) return a.minY < b.minY;
    if (a.maxY != b.maxY) return a.maxY > b.maxY;
    return a.maxX > b.maxX;
}

Nesting NestContours(std::span<const ContourNode> contours) {
    NestingWalk walk(contours);
    for (std::size_t i = 0; i < contours.size(); ++i) walk.Insert(static_cast<Index>(i));
    return walk.Finish();
}

}  // namespace readdata14

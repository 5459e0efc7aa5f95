#include "contours/nesting.hpp"

#include <cstddef>
#include <limits>
#include <vector>

#include "contours/point_in_contour.hpp"

namespace readdata14 {
namespace {

using Index = std::int32_t;

// Whether the first point of `inner` lies inside `outer`. A contour without
// points is never inside and, with fewer than three points, contains none.
// The box test only skips comparisons that the full test would answer with
// false (see ClearlyOutside).
bool EnclosesFirstPoint(const ContourNode& outer, const ContourNode& inner) noexcept {
    if (inner.points.empty() || outer.points.size() < 3) return false;
    const Point first = inner.points.front();
    if (ClearlyOutside(outer.box, first)) return false;
    return PointInContourPruned(first.x, first.y, outer.points);
}

// A contour with fewer than three points encloses nothing: its reach is an
// empty box, outside of which lies every point but NaN.
ContourBox Reach(const ContourNode& contour) noexcept {
    constexpr float inf = std::numeric_limits<float>::infinity();
    if (contour.points.size() < 3) return {inf, inf, -inf, -inf};
    return PaddedBox(contour.box);
}

// A contour without points is inside none: NaN leaves that answer to
// EnclosesFirstPoint, as it does for a first point ClearlyOutside refuses.
Point Probe(const ContourNode& contour) noexcept {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    return contour.points.empty() ? Point{nan, nan} : PaddedBoxQuery(contour.points.front());
}

class NestingWalk {
public:
    explicit NestingWalk(std::span<const ContourNode> contours) : contours_(contours) {
        nesting_.directions.assign(contours.size(), DIRECTION_NONE);
        boxes_.reserve(contours.size());
        reaches_.reserve(contours.size());
        probes_.reserve(contours.size());
        values_.reserve(contours.size());
        for (const ContourNode& contour : contours) {
            boxes_.push_back(contour.box);
            reaches_.push_back(Reach(contour));
            probes_.push_back(Probe(contour));
            values_.push_back(contour.value);
        }
    }

    void Insert(Index added);
    Nesting Finish() { return std::move(nesting_); }

private:
    const ContourNode& At(Index i) const { return contours_[static_cast<std::size_t>(i)]; }
    ContourDirection& Direction(Index i) { return nesting_.directions[static_cast<std::size_t>(i)]; }
    void NoteSectionDirection(Index added) {
        if (nesting_.sectionDirection == DIRECTION_NONE) nesting_.sectionDirection = Direction(added);
    }
    template <typename T>
    static const T& Of(const std::vector<T>& byContour, Index i) {
        return byContour[static_cast<std::size_t>(i)];
    }
    bool Encloses(Index outer, Index inner) const noexcept {
        if (OutsideBox(Of(reaches_, outer), Of(probes_, inner))) return false;
        return EnclosesFirstPoint(At(outer), At(inner));
    }
    std::size_t PassLaterContours(Index added);
    void FindEnclosing(Index added, std::size_t place);

    std::span<const ContourNode> contours_;
    Nesting nesting_;
    // What the walks read of every contour they pass, by file-order index, in
    // arrays of their own: a pass over hundreds of contours then reads a few
    // compact arrays instead of one scattered node each.
    std::vector<ContourBox> boxes_;
    std::vector<ContourBox> reaches_;  // a first point outside cannot be enclosed
    std::vector<Point> probes_;        // the first point as tested against reaches
    std::vector<float> values_;
};

// The new contour passes, from the end of the list backwards, every contour
// that comes after it in box order, testing whether it encloses each. Returns
// its place in the list. Because the list is kept in box order, these
// contours are exactly the tail of the list.
std::size_t NestingWalk::PassLaterContours(Index added) {
    const ContourBox& box = Of(boxes_, added);
    const float value = Of(values_, added);
    std::size_t place = nesting_.order.size();
    while (place > 0) {
        const Index e = nesting_.order[place - 1];
        if (!BoxBefore(box, Of(boxes_, e))) break;
        if (Encloses(added, e)) {
            const float innerValue = Of(values_, e);
            if (value > innerValue) {
                Direction(added) = DIRECTION_FALL;
                if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_FALL;
            } else if (value < innerValue) {
                Direction(added) = DIRECTION_RISE;
                if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_RISE;
            } else if (Direction(e) != DIRECTION_NONE) {
                // Equal values carry the step on: the enclosing contour is the
                // other side of the step that the inner one already shows. A
                // NaN, neither greater nor less, is taken as equal.
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
    const float value = Of(values_, added);
    while (place > 0) {
        const Index e = nesting_.order[--place];
        const float outerValue = Of(values_, e);
        const bool bothDirected = Direction(e) != DIRECTION_NONE && Direction(added) != DIRECTION_NONE;
        if (bothDirected || outerValue == value) continue;
        if (!Encloses(e, added)) continue;
        if (value > outerValue) {
            Direction(added) = DIRECTION_RISE;
            if (Direction(e) == DIRECTION_NONE) Direction(e) = DIRECTION_RISE;
        } else if (value < outerValue) {
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

#include "contours/nesting.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

#include "contours/nesting_index.hpp"
#include "contours/point_in_contour.hpp"

namespace readdata14 {
namespace {

using Index = std::int32_t;

// A contour's first point, which a contour without points does not have.
struct FirstPoint {
    Point point;
    bool present;
};

FirstPoint FirstPointOf(const ContourNode& contour) noexcept {
    return contour.points.empty() ? FirstPoint{{0.0f, 0.0f}, false} : FirstPoint{contour.points.front(), true};
}

// Whether the first point of the inner contour lies inside the outer one,
// given by its box and points. A contour without points is never inside and,
// with fewer than three points, contains none. The box test only skips
// comparisons that the full test would answer with false (see ClearlyOutside).
bool EnclosesFirstPoint(const ContourBox& outerBox, std::span<const Point> outer, FirstPoint inner) noexcept {
    if (!inner.present || outer.size() < 3) return false;
    if (ClearlyOutside(outerBox, inner.point)) return false;
    return PointInContourPruned(inner.point.x, inner.point.y, outer);
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

ContourDirection Opposite(ContourDirection direction) noexcept {
    return direction == DIRECTION_FALL ? DIRECTION_RISE : DIRECTION_FALL;
}

// What a walk reads of every contour, by file-order index, in arrays of
// their own (a pass over many contours then reads a few compact arrays
// instead of one scattered node each, and a test reads the node of the outer
// contour alone), and the directions the pairs give.
// Both walks below meet the pairs in the same order and hand them here.
class NestingPairs {
public:
    explicit NestingPairs(std::span<const ContourNode> contours) : contours_(contours) {
        nesting_.directions.assign(contours.size(), DIRECTION_NONE);
        boxes_.reserve(contours.size());
        reaches_.reserve(contours.size());
        probes_.reserve(contours.size());
        values_.reserve(contours.size());
        firstPoints_.reserve(contours.size());
        for (const ContourNode& contour : contours) {
            firstPoints_.push_back(FirstPointOf(contour));
            boxes_.push_back(contour.box);
            reaches_.push_back(Reach(contour));
            probes_.push_back(Probe(contour));
            values_.push_back(contour.value);
        }
    }

    std::span<const ContourBox> Boxes() const noexcept { return boxes_; }
    std::span<const ContourBox> Reaches() const noexcept { return reaches_; }
    std::span<const Point> Probes() const noexcept { return probes_; }

    bool Encloses(Index outer, Index inner) const noexcept {
        if (OutsideBox(Of(reaches_, outer), Of(probes_, inner))) return false;
        return EnclosesFirstPoint(Of(boxes_, outer), At(outer).points, Of(firstPoints_, inner));
    }

    // Step A: the new contour passes `inner`; a direction when it encloses it.
    void TestPassed(Index added, Index inner) {
        if (!Encloses(added, inner)) return;
        const float value = Of(values_, added);
        const float innerValue = Of(values_, inner);
        if (value > innerValue) {
            Direction(added) = DIRECTION_FALL;
            if (Direction(inner) == DIRECTION_NONE) Direction(inner) = DIRECTION_FALL;
        } else if (value < innerValue) {
            Direction(added) = DIRECTION_RISE;
            if (Direction(inner) == DIRECTION_NONE) Direction(inner) = DIRECTION_RISE;
        } else if (Direction(inner) != DIRECTION_NONE) {
            // Equal values carry the step on: the enclosing contour is the
            // other side of the step that the inner one already shows. A
            // NaN, neither greater nor less, is taken as equal.
            Direction(added) = Opposite(Direction(inner));
        }
        NoteSectionDirection(added);
    }

    // Step B: whether `outer` encloses the new contour, which ends the look
    // back. Contours of the same value, and contours that have a direction
    // when the new one has one too, are passed over untested.
    bool TestEarlier(Index added, Index outer) {
        const float value = Of(values_, added);
        const float outerValue = Of(values_, outer);
        const bool bothDirected = Direction(outer) != DIRECTION_NONE && Direction(added) != DIRECTION_NONE;
        if (bothDirected || outerValue == value) return false;
        if (!Encloses(outer, added)) return false;
        if (value > outerValue) {
            Direction(added) = DIRECTION_RISE;
            if (Direction(outer) == DIRECTION_NONE) Direction(outer) = DIRECTION_RISE;
        } else if (value < outerValue) {
            Direction(added) = DIRECTION_FALL;
            if (Direction(outer) == DIRECTION_NONE) Direction(outer) = DIRECTION_FALL;
        }
        NoteSectionDirection(added);
        return true;
    }

    Nesting Finish(std::vector<Index> order) {
        nesting_.order = std::move(order);
        return std::move(nesting_);
    }

private:
    template <typename T>
    static const T& Of(const std::vector<T>& byContour, Index i) {
        return byContour[static_cast<std::size_t>(i)];
    }
    const ContourNode& At(Index i) const { return contours_[static_cast<std::size_t>(i)]; }
    ContourDirection& Direction(Index i) { return nesting_.directions[static_cast<std::size_t>(i)]; }
    void NoteSectionDirection(Index added) {
        if (nesting_.sectionDirection == DIRECTION_NONE) nesting_.sectionDirection = Direction(added);
    }

    std::span<const ContourNode> contours_;
    Nesting nesting_;
    std::vector<ContourBox> boxes_;
    std::vector<ContourBox> reaches_;  // a first point outside cannot be enclosed
    std::vector<Point> probes_;        // the first point as tested against reaches
    std::vector<float> values_;
    std::vector<FirstPoint> firstPoints_;
};

// The walk itself, contour by contour along the list: what a box order that
// is no order (a NaN in a box) leaves to be done.
class OneByOneWalk {
public:
    explicit OneByOneWalk(std::span<const ContourNode> contours) : pairs_(contours) {}

    void Insert(Index added) {
        const std::size_t place = PassLaterContours(added);
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(place), added);
        FindEnclosing(added, place);
    }
    Nesting Finish() { return pairs_.Finish(std::move(order_)); }

private:
    // From the end of the list backwards, every contour that comes after the
    // new one in box order; returns the new one's place in the list.
    std::size_t PassLaterContours(Index added) {
        const ContourBox& box = Box(added);
        std::size_t place = order_.size();
        for (; place > 0 && BoxBefore(box, Box(order_[place - 1])); --place) {
            pairs_.TestPassed(added, order_[place - 1]);
        }
        return place;
    }

    // From its place backwards, until a contour encloses it.
    void FindEnclosing(Index added, std::size_t place) {
        while (place > 0) {
            if (pairs_.TestEarlier(added, order_[--place])) return;
        }
    }

    const ContourBox& Box(Index i) const { return pairs_.Boxes()[static_cast<std::size_t>(i)]; }

    NestingPairs pairs_;
    std::vector<Index> order_;
};

// The same walk with the index: each step meets only the contours whose
// boxes can answer, in the order the walk along the list would meet them.
class IndexedWalk {
public:
    IndexedWalk(std::span<const ContourNode> contours, std::size_t stepsAlongTheList)
        : pairs_(contours),
          index_(contours, pairs_.Boxes(), pairs_.Reaches(), pairs_.Probes(), stepsAlongTheList) {}

    void Insert(Index added) {
        constexpr Index kEnd = NestingIndex::Meetings::kEnd;
        NestingIndex::Meetings passed = index_.LaterInReach(added);
        for (Index e = passed.Next(); e != kEnd; e = passed.Next()) pairs_.TestPassed(added, e);
        NestingIndex::Meetings holders = index_.HoldersBefore(added);
        for (Index e = holders.Next(); e != kEnd; e = holders.Next()) {
            if (pairs_.TestEarlier(added, e)) break;
        }
        index_.Enter(added);
    }
    Nesting Finish() { return pairs_.Finish(index_.Order()); }

private:
    NestingPairs pairs_;
    NestingIndex index_;
};

bool HasNaN(const ContourBox& box) noexcept {
    return box.minX != box.minX || box.minY != box.minY || box.maxX != box.maxX || box.maxY != box.maxY;
}

template <typename Walk>
Nesting Run(Walk&& walk, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) walk.Insert(static_cast<Index>(i));
    return walk.Finish();
}

// The index numbers its cells' entries with 32 bits: at most 20 for each
// contour (four padded-box cells and a first point at each of 16 levels).
constexpr std::size_t kMostIndexed = 100'000'000;

}  // namespace

bool BoxBefore(const ContourBox& a, const ContourBox& b) noexcept {
    if (a.minX != b.minX) return a.minX < b.minX;
    if (a.minY != b.minY) return a.minY < b.minY;
    if (a.maxY != b.maxY) return a.maxY > b.maxY;
    return a.maxX > b.maxX;
}

Nesting NestContours(std::span<const ContourNode> contours, std::size_t stepsAlongTheList) {
    const bool ordered = std::none_of(contours.begin(), contours.end(),
                                      [](const ContourNode& contour) { return HasNaN(contour.box); });
    if (!ordered || contours.size() > kMostIndexed) return NestContoursOneByOne(contours);
    return Run(IndexedWalk(contours, stepsAlongTheList), contours.size());
}

Nesting NestContoursOneByOne(std::span<const ContourNode> contours) {
    return Run(OneByOneWalk(contours), contours.size());
}

}  // namespace readdata14

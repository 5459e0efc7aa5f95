#include "support/literal_contours.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "contours/point_in_contour.hpp"
#include "reading/reading_rules.hpp"

namespace readdata14::test {

bool PointInContour(float x, float y, std::span<const Point> points) noexcept {
    if (points.size() < 3) return false;
    const Point p0 = points[0];
    std::size_t count = 0;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const Point a = points[k];
        const Point b = points[k + 1];
        if (PointInTriangle(x, y, p0.x, p0.y, a.x, a.y, b.x, b.y)) ++count;
    }
    return count % 2 == 1;
}

namespace {

struct ListNode {
    std::int32_t index = -1;  // -1: the head, which carries no contour
    ContourDirection direction = DIRECTION_NONE;
    ListNode* prev = nullptr;
    ListNode* next = nullptr;
};

bool Before(const ContourBox& a, const ContourBox& b) {
    return a.minX < b.minX || (a.minX == b.minX && a.minY < b.minY) ||
           (a.minX == b.minX && a.minY == b.minY && a.maxY > b.maxY) ||
           (a.minX == b.minX && a.minY == b.minY && a.maxY == b.maxY && a.maxX > b.maxX);
}

class LiteralWalk {
public:
    explicit LiteralWalk(std::span<const ContourNode> contours) : contours_(contours) {}

    Nesting Run() {
        ListNode* last = &head_;
        for (std::size_t i = 0; i < contours_.size(); ++i) {
            nodes_.push_back(std::make_unique<ListNode>());
            ListNode* n = nodes_.back().get();
            n->index = static_cast<std::int32_t>(i);
            while (last->next) last = last->next;
            last->next = n;
            n->prev = last;
            last = n;
            Insert(n);
        }
        Nesting result;
        result.sectionDirection = sectionDirection_;
        result.directions.assign(contours_.size(), DIRECTION_NONE);
        for (ListNode* n = head_.next; n; n = n->next) {
            result.order.push_back(n->index);
            result.directions[static_cast<std::size_t>(n->index)] = n->direction;
        }
        return result;
    }

private:
    const ContourNode& C(const ListNode* n) const { return contours_[static_cast<std::size_t>(n->index)]; }

    // The first point of `inner` in `outer`; a contour without points has no
    // first point and is never inside.
    bool Inside(const ListNode* inner, const ListNode* outer) const {
        const ContourNode& in = C(inner);
        if (in.points.empty()) return false;
        return PointInContour(in.points[0].x, in.points[0].y, C(outer).points);
    }

    void Insert(ListNode* n) {
        if (n->prev == &head_) return;
        ListNode* e = n->prev;
        while (e != &head_) {
            if (Before(C(n).box, C(e).box)) {
                e = StepA(n, e);
            } else {
                e = StepB(n, e);
                if (!e) return;
            }
        }
    }

    ListNode* StepA(ListNode* n, ListNode* e) {
        if (Inside(e, n)) {
            const float nv = C(n).value;
            const float ev = C(e).value;
            if (nv > ev) {
                n->direction = DIRECTION_FALL;
                if (e->direction == DIRECTION_NONE) e->direction = DIRECTION_FALL;
            } else if (nv < ev) {
                n->direction = DIRECTION_RISE;
                if (e->direction == DIRECTION_NONE) e->direction = DIRECTION_RISE;
            } else {  // equal, or a NaN on either side
                if (e->direction == DIRECTION_FALL) n->direction = DIRECTION_RISE;
                else if (e->direction == DIRECTION_RISE) n->direction = DIRECTION_FALL;
            }
            if (sectionDirection_ == DIRECTION_NONE) sectionDirection_ = n->direction;
        }
        // Move n in front of e.
        ListNode* p = e->prev;
        ListNode* x = n->next;
        p->next = n;
        n->prev = p;
        e->prev = n;
        e->next = x;
        if (x) x->prev = e;
        n->next = e;
        return n->prev;
    }

    // Returns the next e, or null when the walk ends.
    ListNode* StepB(ListNode* n, ListNode* e) {
        if ((e->direction != DIRECTION_NONE && n->direction != DIRECTION_NONE) || C(e).value == C(n).value) {
            return e->prev;
        }
        if (!Inside(n, e)) return e->prev;
        const float nv = C(n).value;
        const float ev = C(e).value;
        if (nv > ev) {
            n->direction = DIRECTION_RISE;
            if (e->direction == DIRECTION_NONE) e->direction = DIRECTION_RISE;
        } else if (nv < ev) {
            n->direction = DIRECTION_FALL;
            if (e->direction == DIRECTION_NONE) e->direction = DIRECTION_FALL;
        }
        if (sectionDirection_ == DIRECTION_NONE) sectionDirection_ = n->direction;
        return nullptr;
    }

    std::span<const ContourNode> contours_;
    ListNode head_;
    std::vector<std::unique_ptr<ListNode>> nodes_;
    ContourDirection sectionDirection_ = DIRECTION_NONE;
};

}  // namespace

Nesting LiteralNestContours(std::span<const ContourNode> contours) {
    return LiteralWalk(contours).Run();
}

std::vector<float> LiteralContourBlock(std::span<const ContourNode> contours,
                                       std::span<const std::string_view> labels,
                                       const Nesting& nesting) {
    std::vector<float> levels;
    for (const std::string_view token : labels) {
        const Label label = ReadLabelValue(token);
        if (!label.isNumber || label.number == 999999.0f || !(label.value < 3100000.0f)) continue;
        if (std::find(levels.begin(), levels.end(), label.number) == levels.end()) levels.push_back(label.number);
    }
    const ContourDirection levelDirection = nesting.sectionDirection == 0 ? 1 : nesting.sectionDirection;
    if (levelDirection == 1) {
        std::sort(levels.begin(), levels.end());
    } else {
        std::sort(levels.begin(), levels.end(), [](float a, float b) { return a > b; });
    }

    std::vector<float> block{static_cast<float>(nesting.order.size())};
    for (const std::int32_t index : nesting.order) {
        const ContourNode& c = contours[static_cast<std::size_t>(index)];
        const ContourDirection direction = nesting.directions[static_cast<std::size_t>(index)];
        const bool valued = c.isClosed && c.value != 999999.0f && c.value < 320000.0f;
        float level = 999999.0f;
        if (valued) {
            const auto at = std::find(levels.begin(), levels.end(), c.value);
            if (at != levels.end()) {
                const auto j = at - levels.begin();
                level = static_cast<float>(direction != 0 && direction != levelDirection ? j : j + 1);
            }
        }
        block.insert(block.end(), {static_cast<float>(c.points.size()), static_cast<float>(c.code),
                                   valued ? 1.0f : 0.0f, level});
        for (const Point p : c.points) block.insert(block.end(), {p.x, p.y});
        block.insert(block.end(), {c.value, static_cast<float>(c.labelPoints.size())});
        for (const Point p : c.labelPoints) block.insert(block.end(), {p.x, p.y});
    }
    block.push_back(static_cast<float>(levels.size()));
    block.insert(block.end(), levels.begin(), levels.end());
    return block;
}

}  // namespace readdata14::test

#include "picture/notes.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace readdata14::chart14 {
namespace {

// How far from its point a callout may go, and a mark.
constexpr double CALLOUT_REACH = 200, MARK_REACH = 48;
// A callout that crosses lines over all of its box costs as much as one
// moved this many pixels further out.
constexpr double CROSSING_COST = 250;
// Nearer than this to its point, a callout needs no leader.
constexpr double LEADER_FROM = 3;

struct Shape {
    Font first, second;
    double width = 0, height = 0;
};

Shape Measure(const Callout& callout, double size) {
    Shape s{{size, callout.framed}, {size, false}};
    s.width = std::max(s.first.Width(callout.first), s.second.Width(callout.second)) + 2 * CALLOUT_PADDING;
    s.height = s.first.Height() + (callout.second.empty() ? 0.0 : size * LINE_SPACING) + 2 * CALLOUT_PADDING;
    return s;
}

}  // namespace

std::vector<Box> LeaderBoxes(Px from, Px to) {
    std::vector<Box> boxes;
    double length = std::hypot(to.x - from.x, to.y - from.y);
    for (double d = 6; d < length; d += 3) {
        double t = d / length;
        boxes.push_back(Box::Around({from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)}, 2, 2));
    }
    return boxes;
}

bool NeedsLeader(const Box& box, Px anchor) {
    const Px near = NearestOnBox(box, anchor);
    return std::hypot(near.x - anchor.x, near.y - anchor.y) > LEADER_FROM;
}

Box MarkBox(Px at, const std::string& number) {
    Font font{MARK_FONT, true};
    return {at.x, at.y, at.x + font.Width(number) + 6, at.y + font.Height() + 2};
}

CalloutPlacer::CalloutPlacer(const Frame& frame, const Coverage& lines, TakenBoxes& taken, BoxGrid& callouts)
    : frame_(frame), lines_(lines), room_(frame.map.Grown(-2)), taken_(taken), callouts_(callouts) {}

// The free box of least cost of the size of `first`, among `first` and
// boxes pushed out from the point in sixteen directions, ring by ring: the
// cost is the distance from the point and the lines the box covers.
std::optional<Box> CalloutPlacer::Find(Px anchor, const Box& first, double reach) const {
    std::optional<Box> best;
    double bestCost = std::numeric_limits<double>::infinity();
    auto consider = [&](const Box& box) {
        if (!box.Inside(room_) || !taken_.all.Free(box.Grown(px::GAP))) return;
        Px near = NearestOnBox(box, anchor);
        double away = std::hypot(near.x - anchor.x, near.y - anchor.y);
        double cost = away + CROSSING_COST * lines_.Share(box);
        if (cost >= bestCost) return;
        for (const Box& b : LeaderBoxes(anchor, near))
            if (!callouts_.Free(b)) return;
        best = box, bestCost = cost;
    };
    consider(first);
    double w = first.Width(), h = first.Height();
    for (double r = 0; r <= reach; r += 10) {
        // Nothing further out can beat a box already this good.
        if (r > bestCost) break;
        for (int k = 0; k < 16; ++k) {
            double angle = k * std::numbers::pi / 8, dx = std::cos(angle), dy = std::sin(angle);
            consider(Box::Around({anchor.x + dx * (r + w / 2), anchor.y + dy * (r + h / 2)}, w, h));
        }
    }
    return best;
}

void CalloutPlacer::Claim(const Box& box, Px anchor) {
    taken_.AddText(box);
    callouts_.Add(box);
    if (!NeedsLeader(box, anchor)) return;
    for (const Box& b : LeaderBoxes(anchor, NearestOnBox(box, anchor))) taken_.AddMark(b);
}

std::optional<MapText> CalloutPlacer::Place(const Callout& callout, int level) {
    const Px a = frame_.ToPx(callout.anchor);
    if (!std::isfinite(a.x) || !std::isfinite(a.y)) return std::nullopt;
    for (double size : {px::NOTE_FONT, px::SMALL_NOTE_FONT}) {
        const Shape shape = Measure(callout, size);
        // Where the file puts it: a note's text starts at its point, a
        // symbol's text is centred on it, the first baseline through it.
        const double left = callout.framed ? a.x - CALLOUT_PADDING : a.x - shape.width / 2;
        const double top = a.y - CALLOUT_PADDING - shape.first.Ascent();
        const auto box = Find(a, {left, top, left + shape.width, top + shape.height}, CALLOUT_REACH);
        if (!box) continue;
        MapText text = Claimed(TextRole::Note, callout, *box, level);
        text.first = callout.first;
        text.second = callout.second;
        text.fontSize = size;
        text.framed = callout.framed;
        return text;
    }
    return std::nullopt;
}

MapText CalloutPlacer::Claimed(TextRole role, const Callout& callout, const Box& box, int level) {
    Claim(box, frame_.ToPx(callout.anchor));
    MapText text;
    text.role = role;
    text.layer = callout.layer;
    text.fid = callout.fid;
    text.centre = frame_.ToChart(box.Centre());
    text.anchor = callout.anchor;
    text.width = box.Width();
    text.height = box.Height();
    text.level = level;
    return text;
}

std::optional<MapText> CalloutPlacer::PlaceMark(const Callout& callout, const std::string& number, int level) {
    const Px a = frame_.ToPx(callout.anchor);
    const Box mark = MarkBox({0, 0}, number);
    const auto box = Find(a, Box::Around(a, mark.Width(), mark.Height()), MARK_REACH);
    if (!box) return std::nullopt;
    MapText text = Claimed(TextRole::Mark, callout, *box, level);
    text.first = number;
    text.fontSize = MARK_FONT;
    return text;
}

}  // namespace readdata14::chart14

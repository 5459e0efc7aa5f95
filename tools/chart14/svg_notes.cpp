#include "svg_notes.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

namespace readdata14::chart14 {
namespace {

constexpr double PADDING = 3;      // between a box's edge and its text
constexpr double LINE_SPACING = 1.3;  // baseline to baseline, in ems
constexpr double MARK_FONT = 9;
// How far from its point a callout may go, and a mark.
constexpr double CALLOUT_REACH = 200, MARK_REACH = 48;
// A callout that crosses lines over all of its box costs as much as one
// moved this many pixels further out.
constexpr double CROSSING_COST = 250;
// Notes without room listed in the legend; the rest are only counted.
constexpr std::size_t MAX_FOOTNOTES = 8;

struct Shape {
    Font first, second;
    double width = 0, height = 0;
};

Shape Measure(const Callout& callout, double size) {
    Shape s{{size, callout.framed}, {size, false}};
    s.width = std::max(s.first.Width(callout.first), s.second.Width(callout.second)) + 2 * PADDING;
    s.height = s.first.Height() + (callout.second.empty() ? 0.0 : size * LINE_SPACING) + 2 * PADDING;
    return s;
}

// The tail of a leader line: small boxes along it, from a little off the
// point (which may sit on a symbol) to the box.
std::vector<Box> LeaderBoxes(Px from, Px to) {
    std::vector<Box> boxes;
    double length = std::hypot(to.x - from.x, to.y - from.y);
    for (double d = 6; d < length; d += 3) {
        double t = d / length;
        boxes.push_back(Box::Around({from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)}, 2, 2));
    }
    return boxes;
}

// A leader line may cross a symbol, but not another callout, beneath which
// it would vanish; the labels, placed later, keep off it.
class RoomFinder {
public:
    RoomFinder(const Box& map, const Coverage& lines, const BoxGrid& taken, const BoxGrid& callouts)
        : room_(map.Grown(-2)), lines_(lines), taken_(taken), callouts_(callouts) {}

    // The free box of least cost of the size of `first`, among `first` and
    // boxes pushed out from the point in sixteen directions, ring by ring:
    // the cost is the distance from the point and the lines the box covers.
    std::optional<Box> Find(Px anchor, Box first, double reach) const {
        std::optional<Box> best;
        double bestCost = std::numeric_limits<double>::infinity();
        auto consider = [&](const Box& box) {
            if (!box.Inside(room_) || !taken_.Free(box.Grown(px::GAP))) return;
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

private:
    Box room_;
    const Coverage& lines_;
    const BoxGrid& taken_;
    const BoxGrid& callouts_;
};

void WriteLeader(SvgDocument& leaders, Px from, Px to) {
    leaders.Raw("<path d=\"M").Number(from.x).Raw(",").Number(from.y).Raw("L").Number(to.x).Raw(",")
        .Number(to.y).Raw("\"/><circle cx=\"").Number(from.x).Raw("\" cy=\"").Number(from.y)
        .Raw("\" r=\"2\"/>\n");
}

// Takes the box and, when the callout moved off its point, a leader to it;
// says whether it drew a leader.
bool Claim(const Box& box, Px anchor, BoxGrid& taken, BoxGrid& callouts, SvgDocument& leaders) {
    taken.Add(box);
    callouts.Add(box);
    Px near = NearestOnBox(box, anchor);
    if (std::hypot(near.x - anchor.x, near.y - anchor.y) <= 3) return false;
    WriteLeader(leaders, anchor, near);
    for (const Box& b : LeaderBoxes(anchor, near)) taken.Add(b);
    return true;
}

void WriteCallout(SvgDocument& doc, const Callout& callout, const Shape& shape, const Box& box) {
    doc.Raw("<g class=\"note\"><rect class=\"note-box").Raw(callout.framed ? " framed" : "").Raw("\" x=\"")
        .Number(box.x0).Raw("\" y=\"").Number(box.y0).Raw("\" width=\"").Number(box.Width()).Raw("\" height=\"")
        .Number(box.Height()).Raw("\"");
    doc.BoxAttribute(box).Raw("/>\n");
    std::string size = "font-size:" + std::to_string(static_cast<int>(shape.first.size)) + "px";
    double x = box.x0 + PADDING, y = box.y0 + PADDING + shape.first.Ascent();
    doc.Raw("<text class=\"note-text").Raw(callout.framed ? " note-first" : "").Raw("\" style=\"").Raw(size)
        .Raw("\" x=\"").Number(x).Raw("\" y=\"").Number(y).Raw("\">").Escaped(callout.first).Raw("</text>\n");
    if (!callout.second.empty())
        doc.Raw("<text class=\"note-text\" style=\"").Raw(size).Raw("\" x=\"").Number(x).Raw("\" y=\"")
            .Number(y + shape.first.size * LINE_SPACING).Raw("\">").Escaped(callout.second).Raw("</text>\n");
    doc.Raw("</g>\n");
}

Box MarkBox(Px at, const std::string& number) {
    Font font{MARK_FONT, true};
    return {at.x, at.y, at.x + font.Width(number) + 6, at.y + font.Height() + 2};
}

}  // namespace

Box WriteMark(SvgDocument& doc, Px at, const std::string& number) {
    Box box = MarkBox(at, number);
    Font font{MARK_FONT, true};
    doc.Raw("<g class=\"note\"><rect class=\"note-box mark\" x=\"").Number(box.x0).Raw("\" y=\"").Number(box.y0)
        .Raw("\" width=\"").Number(box.Width()).Raw("\" height=\"").Number(box.Height()).Raw("\"");
    doc.BoxAttribute(box).Raw("/>\n<text class=\"mark-text\" x=\"").Number(box.Centre().x).Raw("\" y=\"")
        .Number(font.BaselineFor(box.Centre().y)).Raw("\">").Escaped(number).Raw("</text></g>\n");
    return box;
}

CalloutsDrawn PlaceCallouts(std::span<const Callout> callouts, const Box& map, const Coverage& lines,
                            BoxGrid& taken, SvgDocument& notes, SvgDocument& leaders) {
    CalloutsDrawn drawn;
    BoxGrid placed(map, callouts.size());
    RoomFinder finder(map, lines, taken, placed);
    for (const Callout& callout : callouts) {
        if (!std::isfinite(callout.anchor.x) || !std::isfinite(callout.anchor.y)) continue;
        if (callout.first.empty() && callout.second.empty()) continue;
        bool done = false;
        for (double size : {px::NOTE_FONT, px::SMALL_NOTE_FONT}) {
            Shape shape = Measure(callout, size);
            Px a = callout.anchor;
            // Where the file puts it: a note's text starts at its point, a
            // symbol's text is centred on it, the first baseline through it.
            double left = callout.framed ? a.x - PADDING : a.x - shape.width / 2;
            Box first{left, a.y - PADDING - shape.first.Ascent(), left + shape.width,
                      a.y - PADDING - shape.first.Ascent() + shape.height};
            if (auto box = finder.Find(a, first, CALLOUT_REACH)) {
                drawn.leaders |= Claim(*box, a, taken, placed, leaders);
                WriteCallout(notes, callout, shape, *box);
                (callout.framed ? drawn.framed : drawn.plain) = true;
                done = true;
                break;
            }
        }
        if (done) continue;
        if (!callout.framed || drawn.footnotes.size() == MAX_FOOTNOTES) {
            ++(callout.framed ? drawn.notesLeftOut : drawn.textsLeftOut);
            continue;
        }
        Footnote note{std::to_string(drawn.footnotes.size() + 1), callout.first, callout.second, false};
        Box mark = MarkBox({0, 0}, note.number);
        Box first = Box::Around(callout.anchor, mark.Width(), mark.Height());
        if (auto box = finder.Find(callout.anchor, first, MARK_REACH)) {
            drawn.leaders |= Claim(*box, callout.anchor, taken, placed, leaders);
            WriteMark(notes, {box->x0, box->y0}, note.number);
            note.marked = true;
        }
        drawn.footnotes.push_back(std::move(note));
    }
    return drawn;
}

}  // namespace readdata14::chart14

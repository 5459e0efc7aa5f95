#include "picture/labels.hpp"

#include <cmath>
#include <optional>

namespace readdata14::chart14 {
namespace {

// Two labels of one line closer than this say the same thing twice.
constexpr double REPEAT_DISTANCE = 120;
// The step between places tried along a line.
constexpr double STEP = 6;
// A line shorter than this many times its label's width would vanish under
// it (a ring a little wider than its label still shows round it).
constexpr double LENGTH_PER_WIDTH = 2;

std::vector<Px> ToPixels(const Frame& frame, std::span<const Point> points) {
    std::vector<Px> out;
    out.reserve(points.size());
    for (const Point p : points)
        if (std::isfinite(p.x) && std::isfinite(p.y)) out.push_back(frame.ToPx(p));
    return out;
}

class LabelPlacer {
public:
    LabelPlacer(const Frame& frame, const BoxGrid& taken, double reach)
        : room_(frame.map.Grown(-2)), taken_(taken), reach_(reach) {}

    std::optional<Box> Find(const LabelledLine& line, const PixelPath& path, Px wanted,
                            const std::vector<Px>& others) const {
        // The file's label close to one already drawn would only repeat it.
        for (Px o : others)
            if (std::hypot(o.x - wanted.x, o.y - wanted.y) < REPEAT_DISTANCE) return std::nullopt;
        const double width = font_.Width(line.text) + 2 * px::HALO, height = font_.Height() + 2 * px::HALO;
        auto at = [&](Px c) -> std::optional<Box> {
            Box box = Box::Around(c, width, height);
            if (!box.Inside(room_) || !taken_.Free(box.Grown(px::GAP))) return std::nullopt;
            for (Px o : others)
                if (std::hypot(o.x - c.x, o.y - c.y) < REPEAT_DISTANCE) return std::nullopt;
            return box;
        };
        if (auto box = at(wanted)) return box;
        const double length = path.Length();
        if (!(length > 0)) return std::nullopt;
        const double start = path.Nearest(wanted);
        // Both ways round a closed line meet half way; an open one ends.
        const double reach = std::min(path.Closed() ? length / 2 : length, reach_);
        for (double shift = STEP; shift <= reach; shift += STEP) {
            for (double s : {start + shift, start - shift}) {
                if (!path.Closed() && (s < 0 || s > length)) continue;
                if (auto box = at(path.At(s))) return box;
            }
        }
        return std::nullopt;
    }

    double Width(const std::string& text) const { return font_.Width(text) + 2 * px::HALO; }
    double FontSize() const { return font_.size; }

private:
    Font font_{px::LABEL_FONT, true};
    Box room_;
    const BoxGrid& taken_;
    double reach_;
};

}  // namespace

void PlaceLabels(std::vector<LabelledLine>& lines, const Frame& frame, TakenBoxes& taken, double reach, int level,
                 std::vector<MapText>& out) {
    LabelPlacer placer(frame, taken.all, reach);
    std::vector<std::optional<PixelPath>> paths(lines.size());
    std::size_t most = 0;
    for (const auto& line : lines) most = std::max(most, line.wanted.size());
    for (std::size_t round = 0; round < most; ++round) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            LabelledLine& line = lines[i];
            if (round >= line.wanted.size() || line.done[round] || line.text.empty()) continue;
            const Px wanted = frame.ToPx(line.wanted[round]);
            if (!paths[i]) paths[i].emplace(ToPixels(frame, line.points), line.closed);
            if (paths[i]->Length() < LENGTH_PER_WIDTH * placer.Width(line.text)) continue;
            std::vector<Px> others;
            for (const Spot s : line.placed) others.push_back(frame.ToPx(s));
            const auto box = placer.Find(line, *paths[i], wanted, others);
            if (!box) continue;
            taken.AddText(*box);
            line.done[round] = true;
            line.placed.push_back(frame.ToChart(box->Centre()));
            MapText text;
            text.role = TextRole::Label;
            text.layer = line.layer;
            text.fid = line.fid;
            text.centre = line.placed.back();
            text.anchor = line.wanted[round];
            text.width = box->Width();
            text.height = box->Height();
            text.first = line.text;
            text.colour = line.colour;
            text.labelCode = line.code;
            text.fontSize = placer.FontSize();
            text.level = level;
            out.push_back(std::move(text));
        }
    }
}

}  // namespace readdata14::chart14

#include "svg_labels.hpp"

#include <cmath>
#include <optional>

namespace readdata14::chart14 {
namespace {

// Two labels of one line closer than this say the same thing twice.
constexpr double REPEAT_DISTANCE = 120;
// The step between places tried along a line, and how many are tried each
// way: a long line is not walked to its end for one label.
constexpr double STEP = 6;
constexpr int MAX_STEPS = 250;

struct Placement {
    Box box;
    double baseline;
};

class LabelPlacer {
public:
    LabelPlacer(const Box& map, BoxGrid& taken) : room_(map.Grown(-2)), taken_(taken) {}

    std::optional<Placement> Find(const LabelledLine& line, Px wanted, const std::vector<Px>& others) const {
        // The file's label close to one already drawn would only repeat it.
        for (Px o : others)
            if (std::hypot(o.x - wanted.x, o.y - wanted.y) < REPEAT_DISTANCE) return std::nullopt;
        double width = font_.Width(line.text) + 2 * px::HALO, height = font_.Height() + 2 * px::HALO;
        auto at = [&](Px c) -> std::optional<Placement> {
            Box box = Box::Around(c, width, height);
            if (!box.Inside(room_) || !taken_.Free(box.Grown(px::GAP))) return std::nullopt;
            for (Px o : others)
                if (std::hypot(o.x - c.x, o.y - c.y) < REPEAT_DISTANCE) return std::nullopt;
            return Placement{box, font_.BaselineFor(c.y)};
        };
        if (auto p = at(wanted)) return p;
        const PixelPath& path = line.path;
        double length = path.Length();
        if (!(length > 0)) return std::nullopt;
        double start = path.Nearest(wanted);
        // Both ways round a closed line meet half way; an open one ends.
        double reach = std::min(path.Closed() ? length / 2 : length, STEP * MAX_STEPS);
        for (double shift = STEP; shift <= reach; shift += STEP) {
            for (double s : {start + shift, start - shift}) {
                if (!path.Closed() && (s < 0 || s > length)) continue;
                if (auto p = at(path.At(s))) return p;
            }
        }
        return std::nullopt;
    }

private:
    Font font_{px::LABEL_FONT, true};
    Box room_;
    BoxGrid& taken_;
};

}  // namespace

void PlaceLabels(std::vector<LabelledLine>& lines, const Box& map, BoxGrid& taken, SvgDocument& doc) {
    LabelPlacer placer(map, taken);
    std::vector<std::vector<Px>> placed(lines.size());
    std::size_t most = 0;
    for (const auto& line : lines) most = std::max(most, line.wanted.size());
    for (std::size_t round = 0; round < most; ++round) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            LabelledLine& line = lines[i];
            if (round >= line.wanted.size() || line.text.empty()) continue;
            auto p = placer.Find(line, line.wanted[round], placed[i]);
            if (!p) continue;
            taken.Add(p->box);
            placed[i].push_back(p->box.Centre());
            ++line.placed;
            doc.Text(p->box.Centre().x, p->baseline, "label", line.text, line.colour, &p->box);
        }
    }
}

}  // namespace readdata14::chart14

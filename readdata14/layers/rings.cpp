#include "layers/rings.hpp"

#include <cmath>

namespace readdata14::layers {
namespace {

bool SamePoint(float ax, float ay, float bx, float by) noexcept {
    const auto same = [](float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    return same(ax, bx) && same(ay, by);
}

}  // namespace

std::span<const float> ClosedRing(std::span<const float> xy, std::vector<float>& room) {
    const std::size_t n = xy.size();
    if (n < 4 || SamePoint(xy[0], xy[1], xy[n - 2], xy[n - 1])) return xy;
    room.assign(xy.begin(), xy.end());
    room.push_back(xy[0]);
    room.push_back(xy[1]);
    return room;
}

}  // namespace readdata14::layers

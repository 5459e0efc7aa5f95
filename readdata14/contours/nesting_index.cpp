#include "contours/nesting_index.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "contours/nesting.hpp"
#include "contours/point_in_contour.hpp"

namespace readdata14 {
namespace {

using Index = NestingIndex::Index;

// Coordinates become whole units below 2^30; a level's cells are 2^(30 -
// level) units wide.
constexpr int kFinestLevel = 30;
constexpr double kUnits = 1073741824.0;
constexpr std::uint32_t kLastUnit = (std::uint32_t{1} << kFinestLevel) - 1;

// The one cell of the padded boxes that are the whole plane and of the first
// points that no grid can place (see PaddedBoxQuery): every walk looks at it.
constexpr std::uint64_t kEverywhere = kEverywhereCell;

// The level's bit above the column makes every grid cell's key distinct and
// above kEverywhere.
std::uint64_t CellKey(int level, std::uint32_t column, std::uint32_t row) noexcept {
    const std::uint64_t levelAndColumn = (std::uint64_t{1} << level) | column;
    return (levelAndColumn << kFinestLevel) | row;
}

// Subtracting the origin, dividing by the extent and scaling by a power of
// two each round monotonically, and so does floor: a greater coordinate never
// lands in an earlier unit, which is all the grid needs to be exact.
std::uint32_t Unit(float v, double origin, double extent) noexcept {
    if (!(extent > 0.0)) return 0;
    const double unit = std::floor((double(v) - origin) / extent * kUnits);
    if (!(unit > 0.0)) return 0;
    return unit >= kLastUnit ? kLastUnit : static_cast<std::uint32_t>(unit);
}

// Of every other level, the finest whose cells are wider than the box's
// widest side in units: the box then touches at most two cells each way,
// boxes of one size share a level wherever they lie, and sizes within a
// factor of four mostly do, so that a first point is filed at few levels
// and a look back from it looks at few cells.
int LevelFor(std::uint32_t x0, std::uint32_t x1, std::uint32_t y0, std::uint32_t y1) noexcept {
    const int level = kFinestLevel - static_cast<int>(std::bit_width(std::max(x1 - x0, y1 - y0)));
    return level & ~1;
}

bool IsFinite(const ContourBox& box) noexcept {
    return std::isfinite(box.minX) && std::isfinite(box.minY) && std::isfinite(box.maxX) &&
           std::isfinite(box.maxY);
}

using Placement = NestingIndex::Placement;

// A padded box of fewer than three points holds nothing; one of an unbounded
// box is the whole plane and every other one is finite (see PaddedBox).
Placement PlaceReach(const ContourNode& contour, const ContourBox& reach) noexcept {
    if (contour.points.size() < 3) return Placement::Nowhere;
    return IsFinite(reach) ? Placement::Grid : Placement::Everywhere;
}

// A contour without points is inside none; PaddedBoxQuery gives NaN for a
// first point no grid can place.
Placement PlaceProbe(const ContourNode& contour, Point probe) noexcept {
    if (contour.points.empty()) return Placement::Nowhere;
    return probe.x == probe.x ? Placement::Grid : Placement::Everywhere;
}

}  // namespace

NestingIndex::NestingIndex(std::span<const ContourNode> contours, std::span<const ContourBox> boxes,
                           std::span<const ContourBox> reaches, std::span<const Point> probes,
                           std::size_t stepsAlongTheList)
    : contours_(contours),
      reaches_(reaches),
      probes_(probes),
      listed_(contours.size()),
      stepsAlongTheList_(stepsAlongTheList) {
    order_.resize(contours.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(), [boxes](Index a, Index b) {
        return BoxBefore(boxes[static_cast<std::size_t>(a)], boxes[static_cast<std::size_t>(b)]);
    });
    rankOf_.resize(contours.size());
    for (std::size_t rank = 0; rank < order_.size(); ++rank) {
        rankOf_[static_cast<std::size_t>(order_[rank])] = static_cast<Index>(rank);
    }
}

// On the first step that goes past its first contours along the list: until
// then the grids are not needed, and in many sections never are.
void NestingIndex::BuildGrids() {
    FindFrame();
    FindLevels();
    FillCells();
    for (std::size_t rank = listed_.NextFrom(0); rank != SlotSet::kNone; rank = listed_.NextFrom(rank + 1)) {
        for (GridCells& cells : grids_) cells.Enter(rank);
    }
    gridsBuilt_ = true;
}

std::uint32_t NestingIndex::UnitX(float x) const noexcept { return Unit(x, frame_.originX, frame_.extentX); }
std::uint32_t NestingIndex::UnitY(float y) const noexcept { return Unit(y, frame_.originY, frame_.extentY); }

// The extent of everything the grids hold.
void NestingIndex::FindFrame() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double minX = inf, minY = inf, maxX = -inf, maxY = -inf;
    const auto extend = [&](float x, float y) {
        minX = std::min(minX, double(x));
        maxX = std::max(maxX, double(x));
        minY = std::min(minY, double(y));
        maxY = std::max(maxY, double(y));
    };
    for (std::size_t i = 0; i < contours_.size(); ++i) {
        if (PlaceReach(contours_[i], reaches_[i]) == Placement::Grid) {
            extend(reaches_[i].minX, reaches_[i].minY);
            extend(reaches_[i].maxX, reaches_[i].maxY);
        }
        if (PlaceProbe(contours_[i], probes_[i]) == Placement::Grid) extend(probes_[i].x, probes_[i].y);
    }
    if (minX > maxX) return;  // nothing on a grid
    frame_ = {minX, minY, maxX - minX, maxY - minY};
}

// The (at most four) cells that a padded box touches at its level.
template <typename Visit>
void NestingIndex::ForEachCell(int level, const ContourBox& reach, Visit visit) const {
    const int shift = kFinestLevel - level;
    const std::uint32_t x0 = UnitX(reach.minX) >> shift;
    const std::uint32_t x1 = UnitX(reach.maxX) >> shift;
    const std::uint32_t y0 = UnitY(reach.minY) >> shift;
    const std::uint32_t y1 = UnitY(reach.maxY) >> shift;
    for (std::uint32_t x = x0; x <= x1; ++x) {
        for (std::uint32_t y = y0; y <= y1; ++y) visit(CellKey(level, x, y));
    }
}

void NestingIndex::FindLevels() {
    levelOf_.assign(contours_.size(), -1);
    for (std::size_t i = 0; i < contours_.size(); ++i) {
        if (PlaceReach(contours_[i], reaches_[i]) != Placement::Grid) continue;
        const ContourBox& reach = reaches_[i];
        const int level = LevelFor(UnitX(reach.minX), UnitX(reach.maxX), UnitY(reach.minY), UnitY(reach.maxY));
        levelOf_[i] = static_cast<std::int8_t>(level);
        usedLevels_ |= std::uint32_t{1} << level;
    }
}

void NestingIndex::FillCells() {
    grids_.reserve(2);  // never moved once laid: a laid grid keeps pointers into itself
    GridCells& reachCells = grids_.emplace_back(contours_.size());
    GridCells& probeCells = grids_.emplace_back(contours_.size());
    for (const Index contour : order_) {
        const auto i = static_cast<std::size_t>(contour);
        if (levelOf_[i] >= 0) {
            ForEachCell(levelOf_[i], reaches_[i], [&reachCells](std::uint64_t key) { reachCells.Add(key); });
        } else if (PlaceReach(contours_[i], reaches_[i]) == Placement::Everywhere) {
            reachCells.Add(kEverywhere);
        }
        reachCells.EndContour();

        const Placement probe = PlaceProbe(contours_[i], probes_[i]);
        if (probe == Placement::Grid) {
            const std::uint32_t x = UnitX(probes_[i].x);
            const std::uint32_t y = UnitY(probes_[i].y);
            for (std::uint32_t levels = usedLevels_; levels != 0; levels &= levels - 1) {
                const int level = std::countr_zero(levels);
                const int shift = kFinestLevel - level;
                probeCells.Add(CellKey(level, x >> shift, y >> shift));
            }
        } else if (probe == Placement::Everywhere) {
            probeCells.Add(kEverywhere);
        }
        probeCells.EndContour();
    }
    for (GridCells& cells : grids_) cells.Lay();
}

const GridCells& NestingIndex::ReachCells() const noexcept { return grids_[0]; }
const GridCells& NestingIndex::ProbeCells() const noexcept { return grids_[1]; }

NestingIndex::Meetings NestingIndex::LaterInReach(Index added) {
    const auto i = static_cast<std::size_t>(added);
    return Meetings(*this, added, Meetings::Step::Later, PlaceReach(contours_[i], reaches_[i]));
}

NestingIndex::Meetings NestingIndex::HoldersBefore(Index added) {
    const auto i = static_cast<std::size_t>(added);
    return Meetings(*this, added, Meetings::Step::Earlier, PlaceProbe(contours_[i], probes_[i]));
}

// A cursor in each cell the step looks at, on the cell's last contour in the
// list below rank `below`.
void NestingIndex::LookInCells(Meetings& meetings, std::size_t below) {
    if (!gridsBuilt_) BuildGrids();
    const auto i = static_cast<std::size_t>(meetings.added_);
    const auto rank = static_cast<std::size_t>(rankOf_[i]);
    const bool later = meetings.step_ == Meetings::Step::Later;
    const auto start = [&](const GridCells& cells, std::uint64_t key) {
        const CellRun* run = cells.Find(key);
        if (run == nullptr) return;
        const std::size_t stop = later ? cells.FirstAbove(*run, rank) : run->begin;
        meetings.Start(cells, cells.Listed().LastBefore(cells.FirstAtOrAbove(*run, below)), stop);
    };
    if (later) {
        ForEachCell(levelOf_[i], reaches_[i], [&](std::uint64_t key) { start(ProbeCells(), key); });
        start(ProbeCells(), kEverywhere);
    } else {
        const std::uint32_t x = UnitX(probes_[i].x);
        const std::uint32_t y = UnitY(probes_[i].y);
        for (std::uint32_t levels = usedLevels_; levels != 0; levels &= levels - 1) {
            const int level = std::countr_zero(levels);
            const int shift = kFinestLevel - level;
            start(ReachCells(), CellKey(level, x >> shift, y >> shift));
        }
        start(ReachCells(), kEverywhere);
    }
}

void NestingIndex::Enter(Index added) {
    const auto rank = static_cast<std::size_t>(rankOf_[static_cast<std::size_t>(added)]);
    listed_.Insert(rank);
    for (GridCells& cells : grids_) cells.Enter(rank);
}

// A step whose own padded box or first point no grid can place meets the
// whole list, along the list.
NestingIndex::Meetings::Meetings(NestingIndex& index, Index added, Step step, Placement placement)
    : index_(&index), added_(added), step_(step) {
    if (placement == Placement::Nowhere) return;
    const std::size_t rank = static_cast<std::size_t>(index.rankOf_[static_cast<std::size_t>(added)]);
    along_ = step == Step::Later ? index.order_.size() : rank;
    stop_ = step == Step::Later ? rank + 1 : 0;
    stepsLeft_ = placement == Placement::Everywhere ? SlotSet::kNone : index.stepsAlongTheList_;
    if (stepsLeft_ == 0) index.LookInCells(*this, along_);
}

// The cursors are kept in rising order of rank, the nearest last, so that
// a step that meets one cell's contours in a row finds the next one at once.
void NestingIndex::Meetings::Start(const GridCells& cells, std::size_t slot, std::size_t stop) noexcept {
    if (slot == SlotSet::kNone || slot < stop) return;
    cursors_[cursorCount_++] = {&cells, slot, stop, cells.RankAt(slot)};
    SettleLast();
}

// The last cursor moved back (or came in): it goes down to its place.
void NestingIndex::Meetings::SettleLast() noexcept {
    for (std::size_t k = cursorCount_ - 1; k > 0 && cursors_[k].rank < cursors_[k - 1].rank; --k) {
        std::swap(cursors_[k], cursors_[k - 1]);
    }
}

NestingIndex::Index NestingIndex::Meetings::NextAlongTheList() {
    const std::size_t rank = index_->listed_.LastBefore(along_);
    if (rank == SlotSet::kNone || rank < stop_) {
        stepsLeft_ = 0;  // the step has met everything it could
        return kEnd;
    }
    along_ = rank;
    if (--stepsLeft_ == 0) index_->LookInCells(*this, rank);
    return index_->order_[rank];
}

NestingIndex::Index NestingIndex::Meetings::Next() {
    if (stepsLeft_ > 0) return NextAlongTheList();
    if (cursorCount_ == 0) return kEnd;
    Cursor& nearest = cursors_[cursorCount_ - 1];
    const Index contour = index_->order_[nearest.rank];
    const std::size_t previous = nearest.cells->Listed().LastBefore(nearest.slot);
    if (previous == SlotSet::kNone || previous < nearest.stop) {
        --cursorCount_;
    } else {
        nearest.slot = previous;
        nearest.rank = nearest.cells->RankAt(previous);
        SettleLast();
    }
    return contour;
}

}  // namespace readdata14

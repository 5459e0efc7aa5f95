// Where the nesting walk needs to look. Inserting a contour, the walk passes
// every contour that comes after it in box order, testing whether the new
// one encloses each (Step A), then looks back from its place for the first
// contour that encloses it (Step B). Only a first point inside the padded
// box of the other contour can be enclosed (see PaddedBox), so each step
// needs only the contours that a box query finds, met in the order the walk
// would meet them.
//
// The order is known before the walk starts: the list is a stable insertion
// sort by BoxBefore, so a contour's place among those already in the list is
// its place in the stable sort of all of them (its rank), as long as
// BoxBefore is a strict weak order, which every box without NaN makes it.
// Two grids over the chart then hold, cell by cell and by rank, the first
// points and the padded boxes; the contours already in the list are marked.
//
// Both grids have levels of 1, 4 × 4, 16 × 16, ... cells. A padded box goes
// to the finest level whose cells are wider than its widest side, into the
// cells it touches (at most four); a first point goes into its one cell at
// every level that holds a padded box. The cells divide the extent of the chart's
// padded boxes and first points evenly, and every coordinate finds its cell
// by the same rounded arithmetic, which never puts a greater coordinate in
// an earlier cell: a box that holds a point touches the point's cell. What
// no grid can place (a padded box that is the whole plane, a first point
// that PaddedBoxQuery turns to NaN) sits in one cell that every step looks
// at; a step whose own box or point is of that kind meets the whole list.
//
// A step meets a part of what the walk along the list meets, in the same
// order, for a few look-ups: where every box holds every point, as many.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "contours/contour_node.hpp"
#include "contours/grid_cells.hpp"
#include "contours/slot_set.hpp"

namespace readdata14 {

class NestingIndex {
public:
    using Index = std::int32_t;  // a contour's place in file order
    class Meetings;

    // By file-order index: the contours' boxes, none holding a NaN, and, as
    // the walk tests them, their padded boxes (empty for fewer than three
    // points) and first points as PaddedBoxQuery gives them (NaN for none).
    // Each step meets its first `stepsAlongTheList` contours along the list.
    NestingIndex(std::span<const ContourNode> contours, std::span<const ContourBox> boxes,
                 std::span<const ContourBox> reaches, std::span<const Point> probes,
                 std::size_t stepsAlongTheList);
    NestingIndex(const NestingIndex&) = delete;
    NestingIndex& operator=(const NestingIndex&) = delete;

    // Every contour in box order: the list once the walk is done.
    const std::vector<Index>& Order() const noexcept { return order_; }

    // Step A: of the contours in the list after `added`'s place, those whose
    // first point its padded box may hold, from the end of the list back.
    Meetings LaterInReach(Index added);

    // Step B: of the contours in the list before `added`'s place, those whose
    // padded box may hold its first point, from its place back.
    Meetings HoldersBefore(Index added);

    // Where a padded box or a first point goes: a contour of fewer than three
    // points holds nothing and one without points lies inside nothing; what
    // no grid can place (see PaddedBox, PaddedBoxQuery) goes everywhere.
    enum class Placement { Nowhere, Grid, Everywhere };

    // `added` is in the list now.
    void Enter(Index added);

private:
    struct Frame {
        double originX = 0, originY = 0;
        double extentX = 0, extentY = 0;
    };

    std::uint32_t UnitX(float x) const noexcept;
    std::uint32_t UnitY(float y) const noexcept;
    void BuildGrids();
    void FindFrame();
    void FindLevels();
    template <typename Visit>
    void ForEachCell(int level, const ContourBox& reach, Visit visit) const;
    void FillCells();
    const GridCells& ReachCells() const noexcept;
    const GridCells& ProbeCells() const noexcept;
    void LookInCells(Meetings& meetings, std::size_t below);

    std::span<const ContourNode> contours_;
    std::span<const ContourBox> reaches_;
    std::span<const Point> probes_;
    std::vector<Index> order_;
    std::vector<Index> rankOf_;  // by file-order index
    SlotSet listed_;             // the ranks of the contours in the list
    std::size_t stepsAlongTheList_;
    bool gridsBuilt_ = false;
    Frame frame_;
    std::vector<std::int8_t> levelOf_;  // of each padded box; -1: none in the grid
    std::uint32_t usedLevels_ = 0;      // a bit for each level that holds a padded box
    std::vector<GridCells> grids_;      // the padded boxes and the first points
};

// What one step meets. Its first contours (stepsAlongTheList) are met along
// the list itself, as the walk would meet them, so that a step that ends
// there looks at no cell; the grids are built when a step first goes
// further. Then a cursor in each cell the step looks at, each on the cell's
// contour nearest the step's start: Next takes the nearest of them, so the
// contours come in the walk's order. A contour lies in at most one of a
// step's cells.
class NestingIndex::Meetings {
public:
    static constexpr Index kEnd = -1;

    // The next contour; kEnd when none is left.
    Index Next();

private:
    friend class NestingIndex;
    enum class Step { Later, Earlier };
    struct Cursor {
        const GridCells* cells;
        std::size_t slot;  // the cursor's contour in the cell
        std::size_t stop;  // the cell's slots before this one are not met
        std::size_t rank;  // the contour's rank
    };
    // 16 levels and the cell of what a grid cannot place.
    static constexpr std::size_t kMostCursors = 17;

    Meetings(NestingIndex& index, Index added, Step step, Placement placement);
    Index NextAlongTheList();
    void Start(const GridCells& cells, std::size_t slot, std::size_t stop) noexcept;
    void SettleLast() noexcept;

    NestingIndex* index_;
    Index added_;
    Step step_;
    std::size_t stepsLeft_ = 0;  // along the list, before the cells take over
    std::size_t along_ = 0;      // the rank last met along the list
    std::size_t stop_ = 0;       // ranks below this are not met
    std::array<Cursor, kMostCursors> cursors_;  // the first cursorCount_, nearest last
    std::size_t cursorCount_ = 0;
};

}  // namespace readdata14

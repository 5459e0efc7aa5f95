// The cells of one grid of the nesting index: for every cell, the contours
// it holds in rank order (their places in the final list), end to end in one
// array, and which of them are in the list already. Filled contour by
// contour in rank order, so that each cell's run comes out sorted without
// sorting; a cell is found by its key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "contours/slot_set.hpp"

namespace readdata14 {

// The key of the cell that every look at the grid includes: for what no
// cell of the grid can place. Every other key is above it.
inline constexpr std::uint64_t kEverywhereCell = 0;

// A cell's slots: its contours lie at begin, ..., end - 1.
struct CellRun {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

// Cell keys to their runs: open addressing, at most half full, key and run
// side by side so that a look-up touches one place. While the cells are
// being filled, a run's begin holds the cell's number (0, 1, ... in order of
// first appearance) instead.
class CellTable {
public:
    CellTable();
    const CellRun* Find(std::uint64_t key) const noexcept;
    std::uint32_t NumberOf(std::uint64_t key);
    std::uint32_t Count() const noexcept { return count_; }
    // Cell n's run from where the runs start, by number, and the end of the last.
    void SetRuns(const std::vector<std::uint32_t>& runStart) noexcept;

private:
    struct Entry {
        std::uint64_t key;
        CellRun run;
    };
    std::size_t Home(std::uint64_t key) const noexcept;
    void Resize(std::size_t capacity);
    void Grow();

    std::vector<Entry> entries_;
    std::size_t mask_ = 0;
    int shift_ = 0;
    std::uint32_t count_ = 0;
};

class GridCells {
public:
    explicit GridCells(std::size_t contours);

    // The keys of the cells that hold the contour of the next rank, then
    // EndContour; Lay after the last one.
    void Add(std::uint64_t key) { placeOfKey_.push_back(table_.NumberOf(key)); }
    void EndContour() { firstKey_.push_back(static_cast<std::uint32_t>(placeOfKey_.size())); }
    void Lay();

    // Null for a cell that holds nothing.
    const CellRun* Find(std::uint64_t key) const noexcept {
        return key == kEverywhereCell ? everywhere_ : table_.Find(key);
    }

    // The first slot of the run whose rank is above `rank`, or at or above it.
    std::size_t FirstAbove(const CellRun& run, std::size_t rank) const noexcept;
    std::size_t FirstAtOrAbove(const CellRun& run, std::size_t rank) const noexcept;

    std::size_t RankAt(std::size_t slot) const noexcept { return ranks_[slot]; }
    // The slots whose contours are in the list.
    const SlotSet& Listed() const noexcept { return listed_; }
    // The contour of this rank is in the list now.
    void Enter(std::size_t rank) noexcept;

private:
    CellTable table_;
    const CellRun* everywhere_ = nullptr;  // set by Lay
    // By rank: where each contour's keys start in placeOfKey_.
    std::vector<std::uint32_t> firstKey_;
    // A key's cell number while the contours come in; its slot once laid out.
    std::vector<std::uint32_t> placeOfKey_;
    std::vector<std::uint32_t> ranks_;  // by slot
    SlotSet listed_{0};
};

}  // namespace readdata14

#include "contours/grid_cells.hpp"

#include <algorithm>
#include <bit>
#include <limits>
#include <numeric>

namespace readdata14 {
namespace {

constexpr std::uint64_t kFree = std::numeric_limits<std::uint64_t>::max();

}  // namespace

CellTable::CellTable() { Resize(16); }

// Fibonacci hashing: the top bits of the key times 2^64 / golden ratio.
std::size_t CellTable::Home(std::uint64_t key) const noexcept {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> shift_);
}

const CellRun* CellTable::Find(std::uint64_t key) const noexcept {
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
        if (entries_[i].key == key) return &entries_[i].run;
        if (entries_[i].key == kFree) return nullptr;
    }
}

std::uint32_t CellTable::NumberOf(std::uint64_t key) {
    if (2 * (std::size_t{count_} + 1) > entries_.size()) Grow();
    std::size_t i = Home(key);
    for (; entries_[i].key != kFree; i = (i + 1) & mask_) {
        if (entries_[i].key == key) return entries_[i].run.begin;
    }
    entries_[i] = {key, {count_, 0}};
    return count_++;
}

void CellTable::SetRuns(const std::vector<std::uint32_t>& runStart) noexcept {
    for (Entry& entry : entries_) {
        if (entry.key == kFree) continue;
        const std::uint32_t cell = entry.run.begin;
        entry.run = {runStart[cell], runStart[cell + 1]};
    }
}

void CellTable::Resize(std::size_t capacity) {
    entries_.assign(capacity, Entry{kFree, {}});
    mask_ = capacity - 1;
    shift_ = 64 - std::countr_zero(capacity);
}

void CellTable::Grow() {
    const std::vector<Entry> old = std::move(entries_);
    Resize(2 * old.size());
    for (const Entry& entry : old) {
        if (entry.key == kFree) continue;
        std::size_t i = Home(entry.key);
        while (entries_[i].key != kFree) i = (i + 1) & mask_;
        entries_[i] = entry;
    }
}

GridCells::GridCells(std::size_t contours) {
    firstKey_.reserve(contours + 1);
    firstKey_.push_back(0);
}

void GridCells::Lay() {
    std::vector<std::uint32_t> next(std::size_t{table_.Count()} + 1, 0);
    for (const std::uint32_t cell : placeOfKey_) ++next[cell + 1];
    std::partial_sum(next.begin(), next.end(), next.begin());
    table_.SetRuns(next);
    ranks_.resize(placeOfKey_.size());
    for (std::uint32_t rank = 0; rank + 1 < firstKey_.size(); ++rank) {
        for (std::uint32_t k = firstKey_[rank]; k < firstKey_[rank + 1]; ++k) {
            const std::uint32_t slot = next[placeOfKey_[k]]++;
            ranks_[slot] = rank;
            placeOfKey_[k] = slot;
        }
    }
    listed_ = SlotSet(ranks_.size());
    everywhere_ = table_.Find(kEverywhereCell);
}

std::size_t GridCells::FirstAbove(const CellRun& run, std::size_t rank) const noexcept {
    const auto at = std::upper_bound(ranks_.begin() + run.begin, ranks_.begin() + run.end, rank);
    return static_cast<std::size_t>(at - ranks_.begin());
}

std::size_t GridCells::FirstAtOrAbove(const CellRun& run, std::size_t rank) const noexcept {
    const auto at = std::lower_bound(ranks_.begin() + run.begin, ranks_.begin() + run.end, rank);
    return static_cast<std::size_t>(at - ranks_.begin());
}

void GridCells::Enter(std::size_t rank) noexcept {
    for (std::uint32_t k = firstKey_[rank]; k < firstKey_[rank + 1]; ++k) listed_.Insert(placeOfKey_[k]);
}

}  // namespace readdata14

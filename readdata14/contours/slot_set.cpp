#include "contours/slot_set.hpp"

#include <bit>

namespace readdata14 {
namespace {

constexpr std::uint64_t kAll = ~std::uint64_t{0};

std::uint64_t AtOrAbove(std::size_t bit) noexcept { return kAll << (bit & 63); }
std::uint64_t AtOrBelow(std::size_t bit) noexcept { return kAll >> (63 - (bit & 63)); }
std::size_t Lowest(std::uint64_t word) noexcept { return static_cast<std::size_t>(std::countr_zero(word)); }
std::size_t Highest(std::uint64_t word) noexcept { return 63 - static_cast<std::size_t>(std::countl_zero(word)); }

}  // namespace

SlotSet::SlotSet(std::size_t size) {
    std::size_t bits = size;
    do {
        const std::size_t words = (bits + 63) / 64;
        levels_.emplace_back(words == 0 ? 1 : words, 0);
        bits = words;
    } while (bits > 1);
}

void SlotSet::Insert(std::size_t slot) noexcept {
    for (std::vector<std::uint64_t>& words : levels_) {
        words[slot / 64] |= std::uint64_t{1} << (slot % 64);
        slot /= 64;
    }
}

// Up from the number's own word until a word holds a member at or after it,
// then down through the lowest member of each word below.
std::size_t SlotSet::NextFrom(std::size_t from) const noexcept {
    std::size_t at = from;
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const std::vector<std::uint64_t>& words = levels_[level];
        const std::size_t word = at / 64;
        if (word >= words.size()) return kNone;
        const std::uint64_t members = words[word] & AtOrAbove(at);
        if (members != 0) {
            at = word * 64 + Lowest(members);
            while (level > 0) at = at * 64 + Lowest(levels_[--level][at]);
            return at;
        }
        at = word + 1;  // at the level above, the words after this one
    }
    return kNone;
}

// As NextFrom, the other way.
std::size_t SlotSet::LastBefore(std::size_t before) const noexcept {
    if (before == 0) return kNone;
    std::size_t at = before - 1;
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const std::vector<std::uint64_t>& words = levels_[level];
        if (at / 64 >= words.size()) at = words.size() * 64 - 1;
        const std::size_t word = at / 64;
        const std::uint64_t members = words[word] & AtOrBelow(at);
        if (members != 0) {
            at = word * 64 + Highest(members);
            while (level > 0) at = at * 64 + Highest(levels_[--level][at]);
            return at;
        }
        if (word == 0) return kNone;
        at = word - 1;
    }
    return kNone;
}

}  // namespace readdata14

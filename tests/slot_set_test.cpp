// The slot set against a std::set: after every insertion, the nearest member
// on either side of slots around it and at the ends must agree, for sizes
// that end inside a word, on a word's edge and one level further up.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>

#include "contours/slot_set.hpp"

namespace readdata14 {
namespace {

std::size_t NextFromBySet(const std::set<std::size_t>& set, std::size_t from) {
    const auto at = set.lower_bound(from);
    return at == set.end() ? SlotSet::kNone : *at;
}

std::size_t LastBeforeBySet(const std::set<std::size_t>& set, std::size_t before) {
    const auto at = set.lower_bound(before);
    return at == set.begin() ? SlotSet::kNone : *std::prev(at);
}

TEST(SlotSet, NearestMembersAgreeWithAnOrderedSet) {
    for (const std::size_t size : {1u, 2u, 63u, 64u, 65u, 4095u, 4096u, 4097u, 300000u}) {
        std::mt19937 rng(static_cast<std::uint32_t>(size));
        std::uniform_int_distribution<std::size_t> any(0, size - 1);
        SlotSet slots(size);
        std::set<std::size_t> expected;
        const auto check = [&](std::size_t at) {
            ASSERT_EQ(slots.NextFrom(at), NextFromBySet(expected, at)) << "size " << size << " next from " << at;
            ASSERT_EQ(slots.LastBefore(at), LastBeforeBySet(expected, at)) << "size " << size << " last before " << at;
        };
        for (const std::size_t at : {std::size_t{0}, size - 1, size, size + 64}) check(at);
        const std::size_t insertions = std::min<std::size_t>(size, 600);
        for (std::size_t n = 0; n < insertions; ++n) {
            const std::size_t slot = any(rng);
            slots.Insert(slot);
            expected.insert(slot);
            for (const std::size_t at : {slot, slot + 1, slot - std::min<std::size_t>(slot, 1), any(rng), any(rng),
                                         std::size_t{0}, size, size + 64}) {
                check(at);
            }
            if (HasFatalFailure()) return;
        }
    }
}

TEST(SlotSet, AnEmptySetHasNoMembers) {
    const SlotSet empty(0);
    EXPECT_EQ(empty.NextFrom(0), SlotSet::kNone);
    EXPECT_EQ(empty.LastBefore(0), SlotSet::kNone);
    EXPECT_EQ(empty.LastBefore(100), SlotSet::kNone);
}

}  // namespace
}  // namespace readdata14

// A set of the numbers 0 to size - 1 that answers, for any number, the
// nearest member on either side in a few steps however many numbers lie
// between: a bit for each number, and above those bits a bit for each word
// saying whether the word holds any, and so on up to a single word. The
// nesting index marks the contours already in the list with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace readdata14 {

class SlotSet {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    explicit SlotSet(std::size_t size);

    void Insert(std::size_t slot) noexcept;

    // The least member at or after `from`; kNone when there is none.
    std::size_t NextFrom(std::size_t from) const noexcept;

    // The greatest member before `before`; kNone when there is none.
    std::size_t LastBefore(std::size_t before) const noexcept;

private:
    // levels_[0] holds a bit per number; levels_[k + 1] a bit per word of
    // levels_[k]. The last level is one word.
    std::vector<std::vector<std::uint64_t>> levels_;
};

}  // namespace readdata14

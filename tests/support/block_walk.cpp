#include "support/block_walk.hpp"

#include <cmath>
#include <cstring>

namespace readdata14::test {
namespace {

// A count slot: a whole, non-negative, not absurdly large number.
std::optional<std::size_t> Count(float slot) {
    if (!(slot >= 0.0f) || slot > 1.0e9f || std::floor(slot) != slot) return std::nullopt;
    return static_cast<std::size_t>(slot);
}

// The floats of a block from one position on, never read at or past `room`.
class Cursor {
public:
    Cursor(const float* block, std::size_t room) : block_(block), room_(room) {}

    std::optional<std::size_t> CountAt(std::size_t index) const {
        if (index >= room_) return std::nullopt;
        return Count(block_[index]);
    }
    bool Has(std::size_t index) const { return index < room_; }
    float At(std::size_t index) const { return block_[index]; }

private:
    const float* block_;
    std::size_t room_;
};

// The length of the record that starts at `at`, or nothing when its count
// slots are bad or the record does not fit the block.
std::optional<std::size_t> RecordLength(Layout layout, const Cursor& c, std::size_t at) {
    std::optional<std::size_t> length;
    switch (layout) {
        case Layout::Lines: {
            const auto p = c.CountAt(at);
            if (!p) return std::nullopt;
            const auto m = c.CountAt(at + 2 * *p + 3);
            if (!m) return std::nullopt;
            length = 2 * *p + 2 * *m + 4;
            break;
        }
        case Layout::PointList:
        case Layout::FillAreas: {
            const auto k = c.CountAt(at);
            if (!k) return std::nullopt;
            length = 2 * *k + (layout == Layout::FillAreas ? 18 : 2);
            break;
        }
        case Layout::ClosedContours: {
            const auto n = c.CountAt(at);
            if (!n) return std::nullopt;
            const auto m = c.CountAt(at + 5 + 2 * *n);
            if (!m) return std::nullopt;
            length = 6 + 2 * *n + 2 * *m;
            break;
        }
        case Layout::Symbols:
        case Layout::Notes:
            if (!c.Has(at) || c.At(at) != 1.0f) return std::nullopt;
            length = layout == Layout::Symbols ? 5 : 11;
            break;
    }
    // The record's last float must lie inside the block.
    if (!length || !c.Has(at + *length - 1)) return std::nullopt;
    return length;
}

}  // namespace

std::optional<std::size_t> WalkBlock(Layout layout, const float* block, std::size_t room) {
    if (block == nullptr) return std::nullopt;
    const Cursor c(block, room);
    const auto records = c.CountAt(0);
    if (!records) return std::nullopt;
    std::size_t at = 1;
    for (std::size_t i = 0; i < *records; ++i) {
        const auto length = RecordLength(layout, c, at);
        if (!length) return std::nullopt;
        at += *length;
    }
    if (layout == Layout::ClosedContours) {
        const auto levels = c.CountAt(at);
        if (!levels || (*levels > 0 && !c.Has(at + *levels))) return std::nullopt;
        at += 1 + *levels;
    }
    return at;
}

bool TextsAgree(const std::int32_t* lengths, std::size_t slots, const char* text) {
    if (text == nullptr || (slots > 0 && lengths == nullptr)) return false;
    std::size_t total = 0;
    for (std::size_t i = 0; i < slots; ++i) {
        if (lengths[i] < 0) return false;
        total += static_cast<std::size_t>(lengths[i]);
    }
    if (total == 0) return std::strcmp(text, " ") == 0;
    // Texts may hold any byte but the terminating zero is where the buffer ends.
    return std::strlen(text) == total;
}

}  // namespace readdata14::test

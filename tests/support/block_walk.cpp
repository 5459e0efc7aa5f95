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

std::optional<std::size_t> RecordLength(Layout layout, const float* r) {
    switch (layout) {
        case Layout::Lines: {
            auto p = Count(r[0]);
            if (!p) return std::nullopt;
            auto m = Count(r[2 * *p + 3]);
            if (!m) return std::nullopt;
            return 2 * *p + 2 * *m + 4;
        }
        case Layout::PointList: {
            auto k = Count(r[0]);
            if (!k) return std::nullopt;
            return 2 * *k + 2;
        }
        case Layout::FillAreas: {
            auto k = Count(r[0]);
            if (!k) return std::nullopt;
            return 2 * *k + 18;
        }
        case Layout::ClosedContours: {
            auto n = Count(r[0]);
            if (!n) return std::nullopt;
            auto m = Count(r[5 + 2 * *n]);
            if (!m) return std::nullopt;
            return 6 + 2 * *n + 2 * *m;
        }
        case Layout::Symbols:
            return r[0] == 1.0f ? std::optional<std::size_t>(5) : std::nullopt;
        case Layout::Notes:
            return r[0] == 1.0f ? std::optional<std::size_t>(11) : std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::size_t> WalkBlock(Layout layout, const float* block) {
    if (block == nullptr) return std::nullopt;
    auto records = Count(block[0]);
    if (!records) return std::nullopt;
    std::size_t at = 1;
    for (std::size_t i = 0; i < *records; ++i) {
        auto length = RecordLength(layout, block + at);
        if (!length) return std::nullopt;
        at += *length;
    }
    if (layout == Layout::ClosedContours) {
        auto levels = Count(block[at]);
        if (!levels) return std::nullopt;
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

// The records of a section's block as a walk accepts them, and where each
// one begins: what the layer model and the stored layers both walk.
#pragma once

#include <cstddef>

#include "readdata14/chart.hpp"

namespace readdata14::layers {

// The records of a section that a walk of its block accepts, in block order.
template <class Layout>
RecordRange<Layout> Records(const float* block, std::size_t size, detail::TextSource texts = {}) noexcept {
    return {block, detail::Walk<Layout>(block, size).records, size, texts};
}

inline detail::TextSource Texts(const FloatTextBlock& block, std::size_t slots, std::size_t textSize) noexcept {
    return {block.lengths, block.lengths ? slots : 0, block.text, block.text ? textSize : 0};
}

// Where each record of a walk begins, stepped alongside its record range.
template <class Layout>
class RecordStart {
public:
    RecordStart(const float* block, std::size_t size) noexcept : block_(block), size_(size) {}
    // Only for the records the walk accepted, whose length is known.
    std::size_t Next() noexcept {
        const std::size_t start = at_;
        length_ = Layout::Length(block_ + at_, size_ - at_).value_or(size_ - at_);
        at_ += length_;
        return start;
    }
    // The length, in floats, of the record Next() stepped over last.
    std::size_t Length() const noexcept { return length_; }

private:
    const float* block_;
    std::size_t size_;
    std::size_t at_ = 1;
    std::size_t length_ = 0;
};

}  // namespace readdata14::layers

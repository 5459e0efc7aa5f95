// The two shapes every section hands back: the float block (element 0 counts
// the records, records end to end) and the text block (values, lengths, the
// joined texts). Both are built while reading and allocated with new[] at the
// end, so that the caller can release them with delete[].
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/point.hpp"
#include "reading/huge_pages.hpp"

namespace readdata14 {

// A block and the number of floats it holds; owns them (new[]) until
// released to the caller.
class FloatBlock {
public:
    FloatBlock() noexcept = default;
    FloatBlock(std::nullptr_t) noexcept {}
    FloatBlock(std::unique_ptr<float[]> data, std::size_t size) noexcept : data_(std::move(data)), size_(size) {}

    explicit operator bool() const noexcept { return data_ != nullptr; }
    friend bool operator==(const FloatBlock& block, std::nullptr_t) noexcept { return !block; }
    float& operator[](std::size_t index) const noexcept { return data_[index]; }
    float* get() const noexcept { return data_.get(); }
    std::size_t size() const noexcept { return size_; }
    // Hands the floats over; the block is empty afterwards.
    float* release() noexcept {
        size_ = 0;
        return data_.release();
    }

private:
    std::unique_ptr<float[]> data_;
    std::size_t size_ = 0;
};

struct TextBlock {
    FloatBlock values;
    std::unique_ptr<std::int32_t[]> lengths;
    std::unique_ptr<char[]> text;
    std::size_t lengthCount = 0;  // slots in `lengths`
    std::size_t textSize = 0;     // bytes in `text` before its terminating zero

    // A section that gave nothing leaves all three null ("untouched").
    bool Untouched() const noexcept { return !values && !lengths && !text; }
};

// Block assembly: records are appended as they are read; element 0 receives
// the number of records actually in the block, so a caller walking the block
// by its own slots never leaves it, even when a section stopped early.
class BlockBuilder {
public:
    BlockBuilder() : data_(1, 0.0f) {}

    std::size_t Size() const noexcept { return data_.size(); }
    std::size_t Records() const noexcept { return records_; }
    float& operator[](std::size_t index) noexcept { return data_[index]; }

    void Push(float value) { data_.push_back(value); }
    void Push(std::int32_t value) { data_.push_back(static_cast<float>(value)); }
    void PushPoint(Point point) {
        data_.push_back(point.x);
        data_.push_back(point.y);
    }
    // Room for what the file has shown it holds; never a declared count alone.
    // Growth stays geometric: readers reserve element by element, and an
    // exact reserve each time would copy the whole block once per element.
    void Reserve(std::size_t moreFloats) {
        const std::size_t needed = data_.size() + moreFloats;
        if (needed > data_.capacity()) Grow(needed);
    }
    void CountRecord() noexcept { ++records_; }

    // The block: element 0 = record count, then everything pushed.
    FloatBlock Finish();

private:
    void Grow(std::size_t needed);

    std::vector<float> data_;
    std::size_t records_ = 0;
};

// A block whose size is known before the first float is written (the closed
// contours, held in memory until the end): allocated once, left
// uninitialised, and filled front to back, with no copy at the end.
class SizedBlockWriter {
public:
    explicit SizedBlockWriter(std::size_t size) : data_(new float[size]), size_(size) {
        AdviseHugePages(data_.get(), size * sizeof(float));
    }

    void Push(float value) noexcept { Put(&value, 1); }
    void Push(std::int32_t value) noexcept { Push(static_cast<float>(value)); }
    // Point is exactly two floats (point.hpp says so). An empty list may have
    // no storage at all.
    void PushPoints(std::span<const Point> points) noexcept {
        if (!points.empty()) Put(points.data(), 2 * points.size());
    }

    // The block. Floats never written (a size that did not add up, a fault
    // of the caller) are 0 rather than whatever the heap held.
    FloatBlock Finish() noexcept;

private:
    // `count` floats from `floats`; nothing is written past the end.
    void Put(const void* floats, std::size_t count) noexcept {
        count = std::min(count, size_ - written_);
        std::memcpy(data_.get() + written_, floats, count * sizeof(float));
        written_ += count;
    }

    std::unique_ptr<float[]> data_;
    std::size_t size_;
    std::size_t written_ = 0;
};

// The block of a section that declares no elements: the single float 0.
FloatBlock EmptyBlock();

// Text joining: each text is stored followed by "#", its lengths slot is its
// length plus one, an element without text has the slot 0, and the joined
// buffer is " " when no element has text.
class TextJoiner {
public:
    void Add(std::string_view text);
    void AddNone() { lengths_.push_back(0); }
    std::size_t Slots() const noexcept { return lengths_.size(); }

    std::unique_ptr<std::int32_t[]> FinishLengths() const;
    // The joined texts, zero-terminated; TextSize() bytes before the zero.
    std::unique_ptr<char[]> FinishText() const;
    std::size_t TextSize() const noexcept { return joined_.empty() ? 1 : joined_.size(); }

private:
    std::vector<std::int32_t> lengths_;
    std::string joined_;
};

// A text section's result: its block, the lengths slots and the joined texts.
TextBlock FinishTextBlock(BlockBuilder& block, const TextJoiner& texts);

}  // namespace readdata14

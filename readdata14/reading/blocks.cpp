#include "reading/blocks.hpp"

#include <algorithm>
#include <limits>

namespace readdata14 {

void BlockBuilder::Grow(std::size_t needed) {
    data_.reserve(std::max(needed, 2 * data_.capacity()));
    // Only the floats not yet written can take huge pages.
    AdviseHugePages(data_.data() + data_.size(), (data_.capacity() - data_.size()) * sizeof(float));
}

FloatBlock BlockBuilder::Finish() {
    data_[0] = static_cast<float>(records_);
    std::unique_ptr<float[]> block(new float[data_.size()]);
    AdviseHugePages(block.get(), data_.size() * sizeof(float));
    std::copy(data_.begin(), data_.end(), block.get());
    return FloatBlock(std::move(block), data_.size());
}

FloatBlock SizedBlockWriter::Finish() noexcept {
    std::fill(data_.get() + written_, data_.get() + size_, 0.0f);
    return FloatBlock(std::move(data_), size_);
}

FloatBlock EmptyBlock() {
    std::unique_ptr<float[]> block(new float[1]);
    block[0] = 0.0f;
    return FloatBlock(std::move(block), 1);
}

void TextJoiner::Add(std::string_view text) {
    // A slot is 32 bits; a text beyond that is cut to fit so that lengths and
    // text always agree.
    constexpr std::size_t kMax = std::numeric_limits<std::int32_t>::max() - 1;
    text = text.substr(0, std::min(text.size(), kMax));
    joined_.append(text);
    joined_.push_back('#');
    lengths_.push_back(static_cast<std::int32_t>(text.size() + 1));
}

std::unique_ptr<std::int32_t[]> TextJoiner::FinishLengths() const {
    std::unique_ptr<std::int32_t[]> lengths(new std::int32_t[lengths_.size()]);
    std::copy(lengths_.begin(), lengths_.end(), lengths.get());
    return lengths;
}

std::unique_ptr<char[]> TextJoiner::FinishText() const {
    const std::size_t room = std::max<std::size_t>(joined_.size() + 1, 2);
    std::unique_ptr<char[]> text(new char[room]);
    if (joined_.empty()) {
        text[0] = ' ';
        text[1] = '\0';
    } else {
        std::copy(joined_.begin(), joined_.end(), text.get());
        text[joined_.size()] = '\0';
    }
    return text;
}

TextBlock FinishTextBlock(BlockBuilder& block, const TextJoiner& texts) {
    TextBlock result;
    result.values = block.Finish();
    result.lengths = texts.FinishLengths();
    result.text = texts.FinishText();
    result.lengthCount = texts.Slots();
    result.textSize = texts.TextSize();
    return result;
}

}  // namespace readdata14

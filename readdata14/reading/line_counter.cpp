#include "reading/line_counter.hpp"

#include <algorithm>

namespace readdata14 {

TextPlace LineCounter::PlaceOf(std::size_t offset) noexcept {
    offset = std::min(offset, text_.size());
    if (offset >= at_) {
        for (std::size_t i = at_; i < offset; ++i) {
            if (text_[i] == '\n') {
                ++breaks_;
                lineStart_ = i + 1;
            }
        }
    } else {
        for (std::size_t i = offset; i < at_; ++i) {
            if (text_[i] == '\n') --breaks_;
        }
        const std::size_t lastBreak = text_.substr(0, offset).rfind('\n');
        lineStart_ = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
    }
    at_ = offset;
    return {breaks_ + 1, offset - lineStart_ + 1, breaks_};
}

}  // namespace readdata14

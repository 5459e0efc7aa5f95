// Lines and columns of offsets in a text, worked out in one pass over the
// text for a whole run of findings rather than from the start for each.
#pragma once

#include <cstddef>
#include <string_view>

namespace readdata14 {

struct TextPlace {
    std::size_t line;        // from 1
    std::size_t column;      // from 1, in bytes
    std::size_t lineBreaks;  // line breaks before the offset (line - 1)
};

class LineCounter {
public:
    explicit LineCounter(std::string_view text) noexcept : text_(text) {}

    // The place of `offset` (at most the text's size). Offsets asked for in
    // increasing order cost one pass over the text in all; an offset before
    // the last one asked for counts back from there.
    TextPlace PlaceOf(std::size_t offset) noexcept;

private:
    std::string_view text_;
    std::size_t at_ = 0;         // the offset counted up to
    std::size_t breaks_ = 0;     // line breaks before at_
    std::size_t lineStart_ = 0;  // where the line holding at_ starts
};

}  // namespace readdata14

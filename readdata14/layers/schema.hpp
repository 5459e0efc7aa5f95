// The layer model's schema: eight layers, their geometry types and fields.
// The one definition every front end takes its layers from, through the C
// API (readdata14_layers.h).
#pragma once

#include <array>
#include <cstddef>

#include "readdata14/readdata14_layers.h"

namespace readdata14::layers {

inline constexpr std::size_t LAYER_COUNT = 8;

// The definitions, by readdata14_layer_id.
const std::array<readdata14_layer_definition, LAYER_COUNT>& Schema() noexcept;

// Where each layer's columns stand: the builders fill the columns by these
// positions, and the schema's own tests pin them to the names.
namespace field {
inline constexpr std::size_t CODE = 0;
// lines, closed contours: code, then the three label fields
inline constexpr std::size_t LABEL_KIND = 1, LABEL_VALUE = 2, LABEL_CODE = 3;
inline constexpr std::size_t LINE_LABEL_POINT_COUNT = 4;
inline constexpr std::size_t CONTOUR_CLOSED = 4, CONTOUR_VALUED_CLOSED = 5, CONTOUR_LEVEL_INDEX = 6,
                             CONTOUR_NESTING_POSITION = 7, CONTOUR_LABEL_POINT_COUNT = 8,
                             CONTOUR_FILE_POSITION = 9;
inline constexpr std::size_t SYMBOL_TYPE = 0, SYMBOL_DIRECTION = 1, SYMBOL_TEXT = 2;
// weather regions: code, left_open
inline constexpr std::size_t REGION_LEFT_OPEN = 1;
// fill areas: code, then value_1 ... value_16 at 1 ... 16, left_open
inline constexpr std::size_t FILL_AREA_REAL_VALUE = 14, FILL_AREA_LEFT_OPEN = 17;
inline constexpr std::size_t NOTE_TYPE = 0, NOTE_VALUE = 1, NOTE_VALUES = 2, NOTE_FIRST_TEXT = 8,
                             NOTE_SECOND_TEXT = 9;
inline constexpr std::size_t PARENT_LAYER = 0, PARENT_FID = 1, LABEL_INDEX = 2, LABEL_POINT_LABEL_KIND = 3;
}  // namespace field

}  // namespace readdata14::layers

#include "layers/schema.hpp"

#include <cstdint>
#include <string_view>

namespace readdata14::layers {
namespace {

constexpr int32_t INTEGER = READDATA14_FIELD_INTEGER;
constexpr int32_t BOOLEAN = READDATA14_FIELD_BOOLEAN;
constexpr int32_t REAL = READDATA14_FIELD_REAL;
constexpr int32_t STRING = READDATA14_FIELD_STRING;
constexpr int32_t NULLABLE = 1;
constexpr int32_t SET = 0;

// A label takes three fields: what it is, and its number in the field of its
// kind (null in the other, and for a value that is not finite).
#define READDATA14_LABEL_FIELDS                                                                               \
    {"label_kind", STRING, SET, "\"none\" for NoLabel, \"code\" for a three-character label in (0, 100), else \"value\""}, \
    {"label_value", REAL, NULLABLE, "The label's number when label_kind is \"value\" (null when not finite)"},            \
    {"label_code", REAL, NULLABLE, "The code a coded label stands for, the stored value less 3200000"}

constexpr readdata14_field_definition LINE_FIELDS[] = {
    {"code", INTEGER, SET, "The line's code"},
    READDATA14_LABEL_FIELDS,
    {"label_point_count", INTEGER, SET, "How many label points the line has (layer label_points)"},
};
constexpr readdata14_field_definition CODE_FIELDS[] = {
    {"code", INTEGER, SET, "The element's code"},
};
// A GIS ring ends with its first point; a ring in the file need not.
#define READDATA14_LEFT_OPEN_FIELD \
    {"left_open", BOOLEAN, SET, "The stored ring does not end with its first point: GIS repeats it, a writer leaves it out (false with no geometry)"}
constexpr readdata14_field_definition REGION_FIELDS[] = {
    {"code", INTEGER, SET, "The element's code"},
    READDATA14_LEFT_OPEN_FIELD,
};
constexpr readdata14_field_definition SYMBOL_FIELDS[] = {
    {"type", INTEGER, SET, "The symbol's type; 48 and 60 to 63 carry a text, the others a direction"},
    {"direction", REAL, NULLABLE, "Degrees, 270 less the angle in degrees, as stored (null for text types)"},
    {"text", STRING, NULLABLE, "The symbol's text, blanks restored (null for types without a text)"},
};
constexpr readdata14_field_definition CONTOUR_FIELDS[] = {
    {"code", INTEGER, SET, "The contour's code"},
    READDATA14_LABEL_FIELDS,
    {"closed", BOOLEAN, SET, "The last point lies less than 2.0 from the first in x and y"},
    {"valued_closed", BOOLEAN, SET, "Closed, with a value that is neither NoLabel nor a code, below 320000"},
    {"level_index", INTEGER, NULLABLE, "One-based index into the levels, one less against the section's rise or fall"},
    {"nesting_position", INTEGER, SET, "The contour's place in the nesting order (its FID)"},
    {"label_point_count", INTEGER, SET, "How many label points the contour has (layer label_points)"},
    {"file_position", INTEGER, SET, "The contour's place in the file, from 0: writing in this order gives the chart back"},
};
constexpr readdata14_field_definition FILL_AREA_FIELDS[] = {
    {"code", INTEGER, SET, "The area's code"},
    {"value_1", INTEGER, SET, "The 1st value after the points"},
    {"value_2", INTEGER, SET, "The 2nd value"},
    {"value_3", INTEGER, SET, "The 3rd value"},
    {"value_4", INTEGER, SET, "The 4th value"},
    {"value_5", INTEGER, SET, "The 5th value"},
    {"value_6", INTEGER, SET, "The 6th value"},
    {"value_7", INTEGER, SET, "The 7th value"},
    {"value_8", INTEGER, SET, "The 8th value"},
    {"value_9", INTEGER, SET, "The 9th value"},
    {"value_10", INTEGER, SET, "The 10th value"},
    {"value_11", INTEGER, SET, "The 11th value"},
    {"value_12", INTEGER, SET, "The 12th value"},
    {"value_13", INTEGER, SET, "The 13th value"},
    {"value_14", REAL, NULLABLE, "The 14th value, the one float among the sixteen (null when not finite)"},
    {"value_15", INTEGER, SET, "The 15th value"},
    {"value_16", INTEGER, SET, "The 16th value"},
    READDATA14_LEFT_OPEN_FIELD,
};
constexpr readdata14_field_definition NOTE_FIELDS[] = {
    {"type", INTEGER, SET, "The note's type; only type 48 has a position, texts and values"},
    {"value", REAL, NULLABLE, "The value written before the second text (null when not finite)"},
    {"value_1", REAL, NULLABLE, "The 1st of the six values after the texts"},
    {"value_2", REAL, NULLABLE, "The 2nd of the six values"},
    {"value_3", REAL, NULLABLE, "The 3rd of the six values"},
    {"value_4", REAL, NULLABLE, "The 4th of the six values"},
    {"value_5", REAL, NULLABLE, "The 5th of the six values"},
    {"value_6", REAL, NULLABLE, "The 6th of the six values"},
    {"first_text", STRING, SET, "The first text, blanks included (empty when none)"},
    {"second_text", STRING, SET, "The second text (empty when none)"},
};
constexpr readdata14_field_definition LABEL_POINT_FIELDS[] = {
    {"parent_layer", STRING, SET, "\"lines\" or \"closed_contours\""},
    {"parent_fid", INTEGER, SET, "The FID of the line or contour the point labels"},
    {"index", INTEGER, SET, "The point's place among its parent's label points, from 0"},
    READDATA14_LABEL_FIELDS,
};

#undef READDATA14_LABEL_FIELDS
#undef READDATA14_LEFT_OPEN_FIELD

template <std::size_t N>
constexpr std::uint32_t Count(const readdata14_field_definition (&)[N]) noexcept {
    return static_cast<std::uint32_t>(N);
}

constexpr std::int32_t POINT = READDATA14_GEOMETRY_POINT;
constexpr std::int32_t LINE = READDATA14_GEOMETRY_LINE_STRING;
constexpr std::int32_t POLYGON = READDATA14_GEOMETRY_POLYGON;

constexpr std::array<readdata14_layer_definition, LAYER_COUNT> SCHEMA{{
    {"lines", LINE, Count(LINE_FIELDS), LINE_FIELDS, "LINES: labelled lines, every point kept"},
    {"line_symbols", LINE, Count(CODE_FIELDS), CODE_FIELDS, "LINES_SYMBOL: coded lines such as fronts, long ones thinned"},
    {"symbols", POINT, Count(SYMBOL_FIELDS), SYMBOL_FIELDS, "SYMBOLS: point symbols with a direction or a text"},
    {"closed_contours", LINE, Count(CONTOUR_FIELDS), CONTOUR_FIELDS,
     "CLOSED_CONTOURS: isolines in nesting order, with their levels"},
    {"weather_regions", POLYGON, Count(REGION_FIELDS), REGION_FIELDS, "WEATHER_REGION: coded areas"},
    {"fill_areas", POLYGON, Count(FILL_AREA_FIELDS), FILL_AREA_FIELDS,
     "FILLAREA: filled areas with sixteen values each"},
    {"notes", POINT, Count(NOTE_FIELDS), NOTE_FIELDS, "NOTES_SYMBOL: notes with two texts and seven values"},
    {"label_points", POINT, Count(LABEL_POINT_FIELDS), LABEL_POINT_FIELDS,
     "The places where a line's or a contour's label is drawn"},
}};

// The builders fill columns by position (schema.hpp); these pin the places.
constexpr bool Named(const readdata14_layer_definition& layer, std::size_t at, std::string_view name) {
    return at < layer.fieldCount && std::string_view(layer.fields[at].name) == name;
}
static_assert(Named(SCHEMA[0], field::LABEL_KIND, "label_kind") &&
              Named(SCHEMA[0], field::LINE_LABEL_POINT_COUNT, "label_point_count") &&
              Named(SCHEMA[2], field::SYMBOL_TEXT, "text") && Named(SCHEMA[3], field::LABEL_CODE, "label_code") &&
              Named(SCHEMA[3], field::CONTOUR_LEVEL_INDEX, "level_index") &&
              Named(SCHEMA[3], field::CONTOUR_FILE_POSITION, "file_position") &&
              Named(SCHEMA[5], field::FILL_AREA_REAL_VALUE, "value_14") && SCHEMA[5].fieldCount == 18 &&
              Named(SCHEMA[4], field::REGION_LEFT_OPEN, "left_open") &&
              Named(SCHEMA[5], field::FILL_AREA_LEFT_OPEN, "left_open") &&
              Named(SCHEMA[6], field::NOTE_VALUES, "value_1") && Named(SCHEMA[6], field::NOTE_SECOND_TEXT, "second_text") &&
              Named(SCHEMA[7], field::LABEL_POINT_LABEL_KIND, "label_kind") && Named(SCHEMA[7], field::LABEL_INDEX, "index"));

}  // namespace

const std::array<readdata14_layer_definition, LAYER_COUNT>& Schema() noexcept { return SCHEMA; }

}  // namespace readdata14::layers

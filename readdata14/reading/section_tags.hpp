// The words that open the sections, in the order of the file. Tags are
// matched case-sensitively and whole: "LINES" or "lines:" is not "LINES:".
#pragma once

#include <array>
#include <string_view>

namespace readdata14 {

inline constexpr std::string_view LINES_TAG = "LINES:";
inline constexpr std::string_view LINE_SYMBOLS_TAG = "LINES_SYMBOL:";
inline constexpr std::string_view SYMBOLS_TAG = "SYMBOLS:";
inline constexpr std::string_view CLOSED_CONTOURS_TAG = "CLOSED_CONTOURS:";
// A marker with no colon and no count; the station-situation content after
// it runs up to the weather regions' tag.
inline constexpr std::string_view STATION_SITUATION_MARKER = "STATION_SITUATION";
inline constexpr std::string_view WEATHER_REGIONS_TAG = "WEATHER_REGION:";
inline constexpr std::string_view FILL_AREAS_TAG = "FILLAREA:";
inline constexpr std::string_view NOTES_TAG = "NOTES_SYMBOL:";

inline constexpr std::array<std::string_view, 8> SECTION_TAGS{
    LINES_TAG,         LINE_SYMBOLS_TAG,      SYMBOLS_TAG,    CLOSED_CONTOURS_TAG, STATION_SITUATION_MARKER,
    WEATHER_REGIONS_TAG, FILL_AREAS_TAG, NOTES_TAG};

}  // namespace readdata14

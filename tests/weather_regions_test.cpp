// STATION_SITUATION / WEATHER_REGION: the status on every path of its table,
// the tokens each path consumes, and the region records [k, code, k points].
#include <gtest/gtest.h>

#include "reading/reading_rules.hpp"
#include "sections/sections.hpp"
#include "support/section_cases.hpp"

namespace readdata14::test {
namespace {

struct RegionCase {
    const char* name;
    std::string input;
    std::int32_t status;
    std::vector<float> block;
    std::string next;
};

void PrintTo(const RegionCase& c, std::ostream* os) { *os << c.name; }

std::vector<RegionCase> Cases() {
    constexpr std::int32_t kNone = NO_STATION_SITUATION;
    return {
        // The status table.
        {"TagAndCountZero", "STATION_SITUATION WEATHER_REGION: 0 FILLAREA: 0", 0, {0}, "FILLAREA:"},
        {"TwoRegions", "STATION_SITUATION WEATHER_REGION: 2 7 3 1 2 0 3 4 0 5 6 0 8 2 9 10 0 11 12 0 N", 0,
         {2, 3, 7, 1, 2, 3, 4, 5, 6, 2, 8, 9, 10, 11, 12}, "N"},
        {"NoTokenForMarker", "", kNone, {0}, ""},
        {"NotesTagSwallowedWhenMarkerMissing", "NOTES_SYMBOL: 1 48", kNone, {0}, "1"},
        {"MarkerWithColon", "STATION_SITUATION: WEATHER_REGION: 0 N", kNone, {0}, "WEATHER_REGION:"},
        {"MarkerInLowerCase", "station_situation WEATHER_REGION: 0 N", kNone, {0}, "WEATHER_REGION:"},
        {"InputEndsBeforeTag", "STATION_SITUATION 1 2 three WEATHER_REGION", kNone, {0}, ""},
        // Station-situation content is passed over, whatever it holds.
        {"ContentPassedOver",
         "STATION_SITUATION 12 x WEATHER_REGION FILLAREA: 0 NOTES_SYMBOL: " + std::string(100, 'q') +
             " WEATHER_REGION: 1 4 0 N",
         0, {1, 0, 4}, "N"},
        // Thinning.
        {"TwoHundredFiftyKept", "STATION_SITUATION WEATHER_REGION: 1 2 250 " + SamePoints(250, 3, 3), 0,
         [] {
             std::vector<float> b{1, 250, 2};
             for (int i = 0; i < 250; ++i) b.insert(b.end(), {3, 3});
             return b;
         }(),
         ""},
        {"TwoHundredFiftyOneThinned", "STATION_SITUATION WEATHER_REGION: 1 2 251 " + SamePoints(251, 3, 3), 0,
         {1, 1, 2, 3, 3}, ""},
        // Bad input.
        {"CountNotANumber", "STATION_SITUATION WEATHER_REGION: X FILLAREA: 0", 0, {0}, "X"},
        {"NegativeCount", "STATION_SITUATION WEATHER_REGION: -1 N", 0, {0}, "N"},
        {"TruncatedInsidePoints", "STATION_SITUATION WEATHER_REGION: 2 7 3 1 2 0 3", 0, {1, 1, 7, 1, 2}, ""},
        {"TruncatedRegionHeader", "STATION_SITUATION WEATHER_REGION: 2 7 1 1 2 0 8", 0, {1, 1, 7, 1, 2}, ""},
        {"UnconvertibleInsidePoints", "STATION_SITUATION WEATHER_REGION: 2 7 2 1 2 0 NOTES_SYMBOL: 0", 0,
         {1, 1, 7, 1, 2}, "NOTES_SYMBOL:"},
    };
}

class WeatherRegions : public testing::TestWithParam<RegionCase> {};

TEST_P(WeatherRegions, StatusBlockAndStreamPosition) {
    const RegionCase& c = GetParam();
    Scanner in(c.input);
    std::int32_t status = -7;
    const FloatBlock block = ReadWeatherRegions(in, status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(Walked(Layout::PointList, block.get()), c.block);
    EXPECT_EQ(NextToken(in), c.next);
}

INSTANTIATE_TEST_SUITE_P(Cases, WeatherRegions, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WeatherRegionsFindings, MissingMarkerAndStoppedSectionAreReported) {
    KeptFindings missing;
    Scanner noMarker("NOTES_SYMBOL: 0", &missing);
    std::int32_t status = 0;
    (void)ReadWeatherRegions(noMarker, status);
    EXPECT_TRUE(missing.Has(FindingKind::NoStationSituation));

    KeptFindings stopped;
    Scanner truncated("STATION_SITUATION WEATHER_REGION: 2 7 3 1 2", &stopped);
    (void)ReadWeatherRegions(truncated, status);
    EXPECT_TRUE(stopped.Has(FindingKind::InputEnded));
}

}  // namespace
}  // namespace readdata14::test

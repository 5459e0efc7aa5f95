// The STATION_SITUATION marker, the station-situation content (passed over
// uninterpreted) and the WEATHER_REGION section: regions, each a code and its
// points, long point lists thinned.
#include <algorithm>
#include <cstdint>
#include <string>

#include "reading/reading_rules.hpp"
#include "reading/point_lists.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

constexpr std::string_view kMarker = STATION_SITUATION_MARKER;
constexpr std::string_view kTag = WEATHER_REGIONS_TAG;
// The marker, the tag and every token between them are read into a buffer
// of 19 characters.
constexpr std::size_t kStretchTokenLimit = 19;

void ReportMissing(Scanner& in, std::size_t at, std::string message) {
    if (!in.Listening()) return;
    message += ": no fill areas are read";
    in.ReportAt(at, FindingKind::NoStationSituation, std::move(message));
}

// The marker, then every token up to and including the tag. Whatever stands
// between them (other sections' tags included) is station-situation content.
// False when the marker is not the next token or the input ends before the tag;
// every token read stays consumed.
bool FindWeatherRegionTag(Scanner& in) {
    const std::size_t markerAt = in.NextTokenOffset();
    const auto marker = in.Token();
    if (!MatchSectionTag(marker, kMarker)) {
        if (in.Listening()) {
            ReportMissing(in, markerAt,
                          "expected the marker 'STATION_SITUATION', found " +
                              (marker ? QuoteToken(*marker) : std::string("the end of the input")));
        }
        return false;
    }
    in.NoteSectionFound();
    for (;;) {
        const auto token = in.Token();
        if (!token) {
            ReportMissing(in, markerAt, "the input ends after the marker 'STATION_SITUATION' without the tag 'WEATHER_REGION:'");
            return false;
        }
        if (MatchSectionTag(token, kTag)) return true;
        CheckTokenLength(in, *token, kStretchTokenLimit, "station-situation token");
    }
}

// One region: "%d %d" (code, point count), then the points. Record:
// [k, code, k points].
ElementEnd ReadWeatherRegion(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return ElementEnd::Stopped("its code");
    const auto declared = ReadCount(in, "point count");
    if (!declared) return ElementEnd::Stopped("its point count");
    return ReadCodedPointRecord(in, block, *code, *declared);
}

// The count after the tag. One that does not convert reads as no regions; the
// token stays for the next reader.
SectionHeader ReadRegionCount(Scanner& in) {
    const std::size_t at = in.NextTokenOffset();
    const auto count = ReadCount(in, "region count");
    if (!count && in.Listening()) {
        const auto next = in.PeekToken();
        in.ReportAt(at, FindingKind::BadToken,
                    "expected the count after the tag 'WEATHER_REGION:', found " +
                        (next ? QuoteToken(*next) : std::string("the end of the input")) + ": read as 0 regions");
    }
    return {count.value_or(0), at};
}

}  // namespace

FloatBlock ReadWeatherRegions(Scanner& in, std::int32_t& status) {
    status = 0;
    if (!FindWeatherRegionTag(in)) {
        status = NO_STATION_SITUATION;
        return EmptyBlock();
    }
    const SectionHeader header = ReadRegionCount(in);
    BlockBuilder block;
    ReadElements(in, header, {"WEATHER_REGION", "region"}, [&] { return ReadWeatherRegion(in, block); });
    return block.Finish();
}

}  // namespace readdata14

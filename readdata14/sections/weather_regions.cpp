// The STATION_SITUATION marker, the station-situation content (passed over
// uninterpreted) and the WEATHER_REGION section: regions, each a code and its
// points, long point lists thinned.
#include <algorithm>
#include <cstdint>
#include <string>

#include "driver/reading_rules.hpp"
#include "sections/point_lists.hpp"
#include "sections/sections.hpp"

namespace readdata14 {
namespace {

constexpr std::string_view kMarker = "STATION_SITUATION";
constexpr std::string_view kTag = "WEATHER_REGION:";

void ReportMissing(Scanner& in, std::size_t at, std::string_view what) {
    if (!in.Listening()) return;
    std::string message(what);
    message += ": no fill areas are read";
    in.ReportAt(at, FindingKind::MissingStationSituation, std::move(message));
}

// The marker, then every token up to and including the tag. Whatever stands
// between them (other sections' tags included) is station-situation content.
// False when the marker is not the next token or the input ends before the tag;
// every token read stays consumed.
bool FindWeatherRegionTag(Scanner& in) {
    const std::size_t markerAt = in.NextTokenOffset();
    if (!MatchSectionTag(in.Token(), kMarker)) {
        ReportMissing(in, markerAt, "no STATION_SITUATION marker where it is due");
        return false;
    }
    for (;;) {
        const auto token = in.Token();
        if (!token) {
            ReportMissing(in, in.Offset(), "the input ended before the tag 'WEATHER_REGION:'");
            return false;
        }
        if (MatchSectionTag(token, kTag)) return true;
    }
}

// One region: "%d %d" (code, point count), then the points. Record:
// [k, code, k points]. False when the section must stop here.
bool ReadWeatherRegion(Scanner& in, BlockBuilder& block) {
    const auto code = in.Int();
    if (!code) return false;
    const auto declared = in.Int();
    if (!declared) return false;

    return ReadCodedPointRecord(in, block, *code, *declared);
}

}  // namespace

FloatBlock ReadWeatherRegions(Scanner& in, std::int32_t& status) {
    status = 0;
    if (!FindWeatherRegionTag(in)) {
        status = NO_STATION_SITUATION;
        return EmptyBlock();
    }
    // A count that does not convert reads as no regions; the token stays for
    // the next reader.
    const std::int32_t count = std::max<std::int32_t>(in.Int().value_or(0), 0);
    BlockBuilder block;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!ReadWeatherRegion(in, block)) {
            ReportSectionStop(in, "WEATHER_REGION");
            break;
        }
    }
    return block.Finish();
}

}  // namespace readdata14

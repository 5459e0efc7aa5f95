// The numbers of chart14 html's page, packed as its script unpacks them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "html/packing.hpp"

namespace readdata14::chart14 {
namespace {

TEST(PackedIntegers, AreZigzagVarintsInBase64) {
    struct Case {
        std::vector<std::int64_t> values;
        std::string base64;
    };
    // 0 -1 1 -64 64 → 0x00 0x01 0x02 0x7F 0x80 0x01; 300 → 600 = 0xD8 0x04.
    const Case cases[] = {
        {{}, ""},
        {{0, -1, 1, -64, 64}, "AAECf4AB"},
        {{300}, "2AQ="},
        {{-2147483649LL}, "gYCAgBA="},
    };
    for (const Case& c : cases) {
        PackedIntegers packed;
        for (const std::int64_t v : c.values) packed.Add(v);
        EXPECT_EQ(packed.Base64(), c.base64);
        EXPECT_EQ(packed.Count(), c.values.size());
    }
    // The test vectors of RFC 4648.
    const std::pair<std::string_view, std::string_view> rfc[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"}};
    for (const auto& [bytes, base64] : rfc) EXPECT_EQ(Base64(bytes), base64);
}

TEST(PackedCoordinates, AreStepsOfWholeQuantaFromTheOneBefore) {
    PackedCoordinates xs(-10, 0.5);
    for (const double x : {-10.0, -9.0, -9.24, -10.0}) xs.Add(x);
    // Quanta 0, 2, 2 (-9.24 is nearer -9 than -9.5), 0: steps 0, 2, 0, -2.
    PackedIntegers steps;
    for (const std::int64_t s : {0, 2, 0, -2}) steps.Add(s);
    EXPECT_EQ(xs.Base64(), steps.Base64());
}

}  // namespace
}  // namespace readdata14::chart14

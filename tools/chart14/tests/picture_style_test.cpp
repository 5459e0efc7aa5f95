// The drawing table as chart14 takes it: a misspelt layer in the drawing
// order would drop that layer from every picture without a word, and a
// label number must read back to the value it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/style.hpp"
#include "readdata14/symbology.hpp"

namespace readdata14::chart14 {
namespace {

TEST(DrawingOrderTest, NamesEveryLayerOnceWithContoursUnderLines) {
    const std::vector<layers::LayerId> order = DrawingOrder();
    ASSERT_EQ(order.size(), symbology::DRAWING_ORDER.size()) << "a name in the table is no layer, or is there twice";
    ASSERT_EQ(order.size(), layers::LAYER_COUNT);
    const auto at = [&](layers::LayerId id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
    EXPECT_LT(at(layers::LayerId::ClosedContours), at(layers::LayerId::Lines));
    EXPECT_LT(at(layers::LayerId::FillAreas), at(layers::LayerId::ClosedContours));
    EXPECT_LT(at(layers::LayerId::LineSymbols), at(layers::LayerId::Symbols));
}

TEST(LabelTextTest, WritesTheShortestTextThatReadsBack) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {1016.0f, "1016"},         {-2.5f, "-2.5"},      {1013.25f, "1013.25"}, {499999.75f, "499999.75"},
        {0.0001f, "1e-04"},        {0.001f, "0.001"},    {12345678.0f, "12345678"},
        {1234567936.0f, "1234567936"},  // whole but beyond the bound: digits, as the float has them
        {1.5e10f, "1.5e+10"},
    };
    for (const Case& c : cases) {
        const std::string text = LabelText(c.value);
        EXPECT_EQ(text, c.text) << c.value;
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), c.value) << text;
    }
}

TEST(NamesTest, CodesWithoutAnEntryTakeTheTablesNameWithTheCode) {
    EXPECT_EQ(RegionName(77), "Weather region, code 77");
    EXPECT_EQ(FrontName(-3), "Line symbol, code -3");
    EXPECT_EQ(FillAreaName(5), "Fill area, code 5");
    EXPECT_EQ(FrontName(2), std::string(symbology::FindFront(2)->name));
}

}  // namespace
}  // namespace readdata14::chart14

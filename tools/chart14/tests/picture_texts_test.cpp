// The layout of the map's texts on a chart crowded at every scale below a
// few pixels per unit: the promises of TextLayout held without a browser
// (the browser tests measure what it drew).
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "picture/texts.hpp"
#include "readdata14/chart.hpp"

namespace readdata14::chart14 {
namespace {

// n×n pressure centres `spacing` units apart, each with its central pressure
// just below it, a ring of isobars round it and a note beside it.
std::string CrowdedChart(int n, double spacing) {
    const int count = n * n;
    std::string text = "readdata14 14 crowded\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\n";
    const auto add = [&text](std::initializer_list<std::string_view> parts) {
        for (const std::string_view part : parts) text.append(part);
    };
    const auto at = [&](int k, double dx, double dy) {
        return std::to_string(k % n * spacing + dx).append(" ").append(std::to_string(k / n * spacing + dy)).append(" 0");
    };
    add({"SYMBOLS: ", std::to_string(2 * count), "\n"});
    for (int k = 0; k < count; ++k) {
        add({"60 ", at(k, 0, 0), " H\n"});
        add({"48 ", at(k, 0, -spacing * 0.15), " ", std::to_string(1000 + k % 40), "\n"});
    }
    add({"CLOSED_CONTOURS: ", std::to_string(count), "\n"});
    for (int k = 0; k < count; ++k) {
        add({"1 9\n"});
        for (int i = 0; i <= 8; ++i) {
            const double a = 2 * 3.14159265358979 * (i % 8) / 8;
            add({at(k, 0.3 * spacing * std::cos(a), 0.3 * spacing * std::sin(a)), " "});
        }
        add({"\n", std::to_string(996 + 4 * (k % 10)), " 0\n"});
    }
    add({"STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: ", std::to_string(count), "\n"});
    for (int k = 0; k < count; ++k)
        add({"48 ", at(k, spacing * 0.2, spacing * 0.2), " 4\nGale\n7.5 8\nTomorrow\n1 2 3 4 5 6\n"});
    return text;
}

std::string Same(std::string_view text) { return std::string(text); }

// Pairs of boxes that overlap (touching is not overlapping).
std::size_t Overlaps(const std::vector<Box>& boxes) {
    std::size_t found = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j) found += boxes[i].Overlaps(boxes[j]);
    return found;
}

class CrowdedChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_ = CrowdedChart(12, 10);
        chart_ = Chart::FromMemory(bytes_);
        ASSERT_TRUE(chart_);
        ASSERT_EQ(chart_.Errors(), 0u);
        extent_ = DrawnExtent(chart_);
    }

    std::string bytes_;
    Chart chart_;
    Extent extent_;
};

TEST_F(CrowdedChartTest, AZoomingLayoutHoldsAtEveryScaleAboveItsLevel) {
    const LevelColours colours(chart_.Levels());
    TextLayout layout(chart_, Same, colours, LayoutMode::Zoom);
    const double base = 256 / (extent_.maxX - extent_.minX);
    constexpr int LEVELS = 8;
    for (int level = 0; level < LEVELS; ++level) layout.Place(FrameAt(extent_, std::ldexp(base, level), 16, {0, 0}), level);
    EXPECT_EQ(layout.Left().Total(), 0u) << "every text finds room by the last level";
    // Between the levels too: a scale shows the texts of the levels below it.
    for (double steps = 0; steps < LEVELS + 1; steps += 0.37) {
        const double scale = base * std::exp2(steps);
        const int shown = std::min(LEVELS - 1, static_cast<int>(std::floor(steps)));
        const Frame frame = FrameAt(extent_, scale, 16, {0, 0});
        std::vector<Box> boxes;
        for (const MapText& text : layout.Texts())
            if (text.level <= shown) boxes.push_back(text.BoxAt(frame));
        EXPECT_EQ(Overlaps(boxes), 0u) << "at " << scale << " pixels per unit, " << boxes.size() << " texts";
    }
    // Each text stays where it belongs at any scale: on its point (a label
    // on its line: its ring here lies round the point).
    for (const MapText& text : layout.Texts()) {
        const double off = std::hypot(text.centre.x - text.anchor.x, text.centre.y - text.anchor.y);
        if (text.role == TextRole::Label) {
            EXPECT_LE(off, 10 * 0.3 * 1.01) << text.first;
        } else {
            EXPECT_LT(off, 1e-9) << text.first;
        }
    }
}

TEST_F(CrowdedChartTest, APictureThinsByImportanceAndCountsWhatItLeftOut) {
    const LevelColours colours(chart_.Levels());
    const std::size_t count = 144;
    std::size_t previousCentres = 0;
    for (const double width : {200.0, 600.0, 1400.0, 4000.0}) {
        const double scale = (width - 32) / (extent_.maxX - extent_.minX);
        const Frame frame = FrameAt(extent_, scale, 16, {10, 30});
        TextLayout layout(chart_, Same, colours, LayoutMode::Picture);
        layout.Place(frame, 0);
        std::vector<Box> boxes;
        std::size_t centres = 0, labels = 0, symbolTexts = 0, notes = 0;
        for (const MapText& text : layout.Texts()) {
            const Box box = text.BoxAt(frame);
            EXPECT_TRUE(box.Inside(frame.map)) << text.first << " leaves the map at " << width << " px";
            boxes.push_back(box);
            centres += text.role == TextRole::Centre;
            labels += text.role == TextRole::Label;
            symbolTexts += text.role == TextRole::SymbolText;
            notes += text.role == TextRole::Note;
        }
        EXPECT_EQ(Overlaps(boxes), 0u) << width << " px";
        const LeftOut left = layout.Left();
        // Every centre, value, text and note is drawn or counted as left out;
        // a note may go to the legend instead.
        EXPECT_EQ(centres + left.centres, count) << width;
        EXPECT_EQ(labels + left.contourValues, count) << width;
        EXPECT_EQ(symbolTexts + left.symbolTexts, count) << width;
        EXPECT_EQ(notes + layout.Footnotes().size() + left.notes, count) << width;
        // The centres go last: a wider picture never shows fewer, and where
        // any centre is left out, less important texts are left out too.
        EXPECT_GE(centres, previousCentres);
        previousCentres = centres;
        if (left.centres > 0) {
            EXPECT_GT(left.symbolTexts + left.notes, 0u) << width;
        }
    }
    EXPECT_EQ(previousCentres, count) << "at 4000 px every centre has room";
}

}  // namespace
}  // namespace readdata14::chart14

// The picture's layout tools at their edges: boxes beyond the page, lines
// walked past their ends, texts cut to a width. The picture tests see only
// what the sample and generated charts happen to reach.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/layout.hpp"

namespace readdata14::chart14 {
namespace {

TEST(BoxGrid, FindsOverlapsWhereverTheBoxesLie) {
    const Box page{0, 0, 1000, 500};
    struct Case {
        Box placed, asked;
        bool free;
    };
    const Case cases[] = {
        {{10, 10, 50, 30}, {49, 29, 80, 60}, false},        // corners overlap
        {{10, 10, 50, 30}, {50, 10, 90, 30}, true},         // edges touch
        {{-300, -300, -200, -200}, {-250, -250, -240, -240}, false},  // both beyond the top left
        {{990, 490, 1400, 900}, {1300, 800, 1310, 810}, false},       // both beyond the bottom right
        {{-50, 100, 2000, 110}, {500, 105, 501, 106}, false},         // a box across the whole page
        {{-50, 100, 2000, 110}, {500, 111, 501, 112}, true},
    };
    for (const Case& c : cases) {
        BoxGrid grid(page, 1000);
        grid.Add(c.placed);
        EXPECT_EQ(grid.Free(c.asked), c.free) << c.asked.x0 << "," << c.asked.y0;
    }
}

TEST(PixelPath, WalksRoundAClosedLineAndStopsAtTheEndsOfAnOpenOne) {
    const std::vector<Px> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const PixelPath closed(square, true), open(square, false);
    EXPECT_DOUBLE_EQ(closed.Length(), 40);
    EXPECT_DOUBLE_EQ(open.Length(), 30);
    struct Case {
        const PixelPath& path;
        double s, x, y;
    };
    const Case cases[] = {
        {closed, 5, 5, 0}, {closed, 35, 0, 5}, {closed, 45, 5, 0}, {closed, -5, 0, 5},
        {open, 15, 10, 5}, {open, 45, 0, 10}, {open, -5, 0, 0},
    };
    for (const Case& c : cases) {
        const Px p = c.path.At(c.s);
        EXPECT_NEAR(p.x, c.x, 1e-9) << c.s;
        EXPECT_NEAR(p.y, c.y, 1e-9) << c.s;
    }
    EXPECT_DOUBLE_EQ(closed.Nearest({-3, 6}), 34);
    EXPECT_DOUBLE_EQ(open.Nearest({5, 12}), 25);
}

TEST(FitText, CutsWholeCharactersOnly) {
    const Font font{12, false};
    for (const std::string text : {"Gale warning for the whole coast", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
                                   "\xE6\x9A\xB4\xE9\xA2\xA8\xE6\xB3\xA8\xE6\x84\x8F"}) {
        for (double width : {0.0, 20.0, 40.0, 1000.0}) {
            const std::string fitted = FitText(text, font, width);
            if (font.Width(text) <= width) {
                EXPECT_EQ(fitted, text);
                continue;
            }
            ASSERT_GE(fitted.size(), 3u);
            EXPECT_EQ(fitted.substr(fitted.size() - 3), "\xE2\x80\xA6");  // ends in an ellipsis
            const std::string head = fitted.substr(0, fitted.size() - 3);
            EXPECT_EQ(text.compare(0, head.size(), head), 0);
            if (head.size() < text.size()) {  // cut before a character's first byte
                EXPECT_NE(static_cast<unsigned char>(text[head.size()]) & 0xC0, 0x80) << text << " " << width;
            }
            if (!head.empty()) {
                EXPECT_LE(font.Width(fitted), width);
            }
        }
    }
}

TEST(WrapText, BreaksAtBlanksAndLosesNoWordThatFits) {
    const Font font{12, false};
    const std::string text = "(1, no room for its mark) High north of the islands moving slowly east";
    struct Case {
        double width;
        std::size_t rows;  // at least
    };
    for (const Case c : {Case{1000, 1}, Case{150, 3}, Case{60, 6}}) {
        const std::vector<std::string> rows = WrapText(text, font, c.width);
        EXPECT_GE(rows.size(), c.rows) << c.width;
        std::string joined;
        for (const std::string& row : rows) {
            EXPECT_LE(font.Width(row), c.width) << row;
            joined += (joined.empty() ? "" : " ") + row;
        }
        EXPECT_EQ(joined, text) << c.width;  // every word whole, in order
    }
    // A word wider than a row is cut to it; nothing at all is one empty row.
    const std::vector<std::string> cut = WrapText("Unbreakablewordlongerthanarow x", font, 40);
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0].substr(cut[0].size() - 3), "\xE2\x80\xA6");
    EXPECT_EQ(cut[1], "x");
    EXPECT_EQ(WrapText("", font, 40), std::vector<std::string>{""});
}

TEST(Coverage, CountsTheShareOfABoxThatLinesCross) {
    Coverage lines({0, 0, 400, 400});
    lines.Add(std::vector<Px>{{0, 200}, {400, 200}}, false);  // across the page
    lines.Add(std::vector<Px>{{-1e7, 50}, {1e7, 50}}, false);  // from far beyond it
    lines.Add(std::vector<Px>{{-1e30, -1e30}, {-1e30, 1e30}}, false);  // wholly beyond it (a broken file)
    lines.Finish();
    EXPECT_EQ(lines.Share({100, 100, 180, 180}), 0.0);
    EXPECT_GT(lines.Share({100, 190, 180, 210}), 0.1);
    EXPECT_LT(lines.Share({100, 190, 180, 210}), 0.5);
    EXPECT_GT(lines.Share({100, 40, 180, 60}), 0.1);
    EXPECT_EQ(lines.Share({0, 0, 20, 20}), 0.0);
    EXPECT_GT(lines.Share({-500, 190, 900, 210}), 0.0);  // a box beyond the page reads its edge
}

}  // namespace
}  // namespace readdata14::chart14

// Notes and the longer texts of symbols ("Blocking high"): boxes of text
// that belong near a point but need not cover it. Each goes where it covers
// no symbol, label or other note, crosses as few drawn lines as may be and
// stays close to its point, with a leader line back to the point when it had
// to move. Where no such room is, the note is tried smaller; failing that, a
// static picture may put a numbered mark on the map and the text in the
// legend (the first few notes), and otherwise the callout waits for a larger
// scale or is left out and counted.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "picture/map_text.hpp"
#include "picture/frame.hpp"
#include "picture/layout.hpp"

namespace readdata14::chart14 {

struct Callout {
    layers::LayerId layer = layers::LayerId::Notes;
    std::uint64_t fid = 0;
    Spot anchor;
    std::string first, second;  // the lines of text; the second may be empty
    bool framed = true;         // a note: framed, its first line bold; a symbol's text: a white ground only
    bool placed = false;        // written whole, or marked
};

// A note whose text went to the legend.
struct Footnote {
    std::string number;  // as the mark on the map shows it
    std::string first, second;
    bool marked = false;  // false: not even the mark found room
};

// Finds room for callouts at one scale. A leader line may cross a symbol,
// but not another callout, beneath which it would vanish; labels, placed
// later, keep off it.
class CalloutPlacer {
public:
    // `taken`: what is placed; `callouts`: the callouts placed so far
    // (their boxes are taken too); `lines`: where lines are drawn, which a
    // callout had better not cover.
    CalloutPlacer(const Frame& frame, const Coverage& lines, TakenBoxes& taken, BoxGrid& callouts);

    // The callout at the note size or smaller, when either has room; its
    // box and leader are taken.
    std::optional<MapText> Place(const Callout& callout, int level);
    // A numbered mark near the callout's point, when there is room for it.
    std::optional<MapText> PlaceMark(const Callout& callout, const std::string& number, int level);

private:
    std::optional<Box> Find(Px anchor, const Box& first, double reach) const;
    void Claim(const Box& box, Px anchor);
    // Claims `box` for the callout and makes the text that stands in it.
    MapText Claimed(TextRole role, const Callout& callout, const Box& box, int level);

    const Frame& frame_;
    const Coverage& lines_;
    Box room_;
    TakenBoxes& taken_;
    BoxGrid& callouts_;
};

// The small boxes along a leader line from `from` (a little off it: the
// point may sit on a symbol) to `to`, which labels keep off.
std::vector<Box> LeaderBoxes(Px from, Px to);

// Whether a callout's box at `box` is far enough from its point to be led
// back to it.
bool NeedsLeader(const Box& box, Px anchor);

// A numbered mark's box with its top left corner at `at`.
Box MarkBox(Px at, const std::string& number);

// Font sizes, for the shapes of the texts.
inline constexpr double MARK_FONT = 9;
inline constexpr double CALLOUT_PADDING = 3;  // between a box's edge and its text
inline constexpr double LINE_SPACING = 1.3;   // baseline to baseline, in ems

}  // namespace readdata14::chart14

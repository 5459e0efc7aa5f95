#include "picture/texts.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "picture/fronts.hpp"

namespace readdata14::chart14 {
namespace {

// Texts of symbols up to this wide stay on their point (a central pressure);
// longer ones are placed as notes are.
constexpr double PINNED_TEXT_WIDTH = 48;

bool Finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }
Spot ToSpot(Point p) { return {p.x, p.y}; }

// The corners of the box of the arrow with its stroke (half its width and a
// little more, as generously as a browser bounds a stroke).
constexpr std::array<Px, 4> ARROW_CORNERS{{{-11.5, -5.5}, {11.5, -5.5}, {11.5, 5.5}, {-11.5, 5.5}}};

// The box of a glyph on the page: its base along the line and its height
// (a triangle's; a half disc is lower) on the side it stands.
Box GlyphBox(const Frame& f, const Along& a, double size, double side) {
    double nx = -a.dy * side * size * 0.85, ny = a.dx * side * size * 0.85, hx = a.dx * size / 2, hy = a.dy * size / 2;
    Box box{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double along : {-1.0, 1.0}) {
        for (double out : {0.0, 1.0}) {
            Px p = f.ToPx(a.x + along * hx + out * nx, a.y + along * hy + out * ny);
            box = {std::min(box.x0, p.x), std::min(box.y0, p.y), std::max(box.x1, p.x), std::max(box.y1, p.y)};
        }
    }
    return box.Grown(1);
}

// A short text of a symbol stays by its point: on it when free, else just
// beside it (a central pressure under its centre's letter).
std::optional<Box> PinnedBox(const BoxGrid& taken, const Box& room, Px at, double width, double height,
                             bool moves) {
    const Box box = Box::Around(at, width, height);
    for (int k = 1; k <= (moves ? 3 : 1); ++k) {
        double dy = k * height / 2, dx = k * width / 2;
        for (Px d : {Px{0, 0}, Px{0, dy}, Px{0, -dy}, Px{dx, 0}, Px{-dx, 0}}) {
            if (!moves && (d.x != 0 || d.y != 0)) continue;
            Box moved = box.Moved(d.x, d.y);
            if (moved.Inside(room) && taken.Free(moved.Grown(px::GAP))) return moved;
        }
    }
    return std::nullopt;
}

// Labels go where the file puts them; a contour without label points gets
// one at its top.
void AddLabelled(std::vector<LabelledLine>& out, layers::LayerId layer, std::uint64_t fid, float value,
                 std::string colour, std::span<const Point> points, bool closed, std::span<const Point> labelPoints,
                 bool labelAtTop) {
    std::string text = LabelText(value);
    if (text.empty()) return;
    LabelledLine line{layer, fid, std::move(text), std::move(colour), IsLabelCode(value), points, closed, {}, {}, {}};
    for (const Point p : labelPoints)
        if (Finite(p)) line.wanted.push_back(ToSpot(p));
    if (line.wanted.empty() && labelAtTop) {
        const Point* top = nullptr;
        for (const Point& p : points)
            if (Finite(p) && (top == nullptr || p.y > top->y)) top = &p;
        if (top != nullptr) line.wanted.push_back(ToSpot(*top));
    }
    if (line.wanted.empty()) return;
    line.done.assign(line.wanted.size(), false);
    out.push_back(std::move(line));
}

MapText PointText(TextRole role, std::uint64_t fid, Spot at, const Box& box, const Frame& frame, std::string text,
                  std::string colour, double fontSize, int level, std::int32_t symbolType = 0) {
    MapText t;
    t.symbolType = symbolType;
    t.role = role;
    t.layer = layers::LayerId::Symbols;
    t.fid = fid;
    t.centre = frame.ToChart(box.Centre());
    t.anchor = at;
    t.width = box.Width();
    t.height = box.Height();
    t.first = std::move(text);
    t.colour = std::move(colour);
    t.fontSize = fontSize;
    t.level = level;
    return t;
}

}  // namespace

Box ArrowBox(Px at, double turnDegrees) {
    const double turn = turnDegrees * std::numbers::pi / 180, c = std::cos(turn), s = std::sin(turn);
    Box box{at.x, at.y, at.x, at.y};
    for (Px p : ARROW_CORNERS) {
        double x = at.x + p.x * c - p.y * s, y = at.y + p.x * s + p.y * c;
        box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
    }
    return box;
}

TextShape ShapeOf(const MapText& text) {
    TextShape shape;
    const Font font{text.fontSize, text.role == TextRole::Centre || text.role == TextRole::Label ||
                                        text.role == TextRole::Mark || (text.role == TextRole::Note && text.framed)};
    // One line, centred in its box: the baseline that centres the text's
    // ascent and descent there.
    shape.firstBaseline = text.height / 2 + (font.Ascent() - font.Descent()) / 2;
    switch (text.role) {
        case TextRole::Centre: shape.firstClass = "centre"; break;
        case TextRole::Label: shape.firstClass = "label"; break;
        case TextRole::SymbolText: shape.firstClass = "symbol"; break;
        case TextRole::Mark:
            shape.boxClass = "note-box mark";
            shape.firstClass = "mark-text";
            break;
        case TextRole::Note:
            shape.boxClass = text.framed ? "note-box framed" : "note-box";
            shape.firstClass = text.framed ? "note-text note-first" : "note-text";
            shape.secondClass = "note-text";
            shape.centred = false;
            shape.padding = CALLOUT_PADDING;
            shape.firstBaseline = CALLOUT_PADDING + font.Ascent();
            shape.lineStep = text.fontSize * LINE_SPACING;
            break;
    }
    return shape;
}

TextLayout::TextLayout(const Chart& chart, const TextToUtf8& toUtf8, const LevelColours& colours, LayoutMode mode)
    : chart_(chart), mode_(mode) {
    using layers::LayerId;
    const Font symbolFont{px::SYMBOL_FONT, false};
    std::uint64_t fid = 0;
    for (const auto& symbol : chart.Symbols()) {
        const std::uint64_t id = fid++;
        if (!Finite(symbol.position)) continue;
        if (!IsTextSymbolType(symbol.type)) {
            if (std::isfinite(symbol.direction))
                arrows_.push_back({ToSpot(symbol.position), ArrowTurnDegrees(symbol.direction)});
            continue;
        }
        std::string text = toUtf8(symbol.text);
        if (text.empty()) continue;
        if (IsCentreType(symbol.type) && text.size() <= 2) {
            centres_.push_back({id, ToSpot(symbol.position), std::move(text), symbol.type});
        } else if (symbolFont.Width(text) + 2 * px::HALO > PINNED_TEXT_WIDTH) {
            longTexts_.push_back({LayerId::Symbols, id, ToSpot(symbol.position), std::move(text), "", false});
        } else {
            pinned_.push_back({id, ToSpot(symbol.position), std::move(text), symbol.type});
        }
    }
    fid = 0;
    for (const auto& contour : chart.ClosedContours()) {
        AddLabelled(contourLabels_, LayerId::ClosedContours, fid++, contour.value,
                    ContourLabelColour(colours.For(contour.value)), contour.points, contour.IsClosed(),
                    contour.labelPoints, true);
    }
    fid = 0;
    for (const auto& line : chart.Lines()) {
        AddLabelled(lineLabels_, LayerId::Lines, fid++, line.labelValue, std::string(LineLabelColour()),
                    line.points, false, line.labelPoints, false);
    }
    fid = 0;
    for (const auto& note : chart.Notes()) {
        const std::uint64_t id = fid++;
        std::string first = toUtf8(note.firstText), second = toUtf8(note.secondText);
        if (!Finite(note.position) || (first.empty() && second.empty())) continue;
        notes_.push_back({LayerId::Notes, id, ToSpot(note.position), std::move(first), std::move(second), true});
    }
    for (const auto& front : chart.LineSymbols()) {
        const FrontKind kind = FrontKindOf(front.code);
        if (kind != FrontKind::None) glyphs_.push_back({front.points, kind});
    }
}

std::size_t TextLayout::Expected() const {
    std::size_t n = centres_.size() + pinned_.size() + arrows_.size() + 4 * (notes_.size() + longTexts_.size());
    for (const auto& line : contourLabels_) n += line.wanted.size();
    for (const auto& line : lineLabels_) n += line.wanted.size();
    for (const auto& front : glyphs_) n += front.points.size();
    return n;
}

void TextLayout::Obstacles(const Frame& frame, TakenBoxes& taken, BoxGrid& callouts) const {
    for (const MapText& text : placed_) {
        const Box box = text.BoxAt(frame);
        taken.AddText(box);
        if (text.role != TextRole::Note && text.role != TextRole::Mark) continue;
        callouts.Add(box);
        const Px anchor = frame.ToPx(text.anchor);
        if (NeedsLeader(box, anchor))
            for (const Box& b : LeaderBoxes(anchor, NearestOnBox(box, anchor))) taken.AddMark(b);
    }
    for (const Arrow& arrow : arrows_) taken.AddMark(ArrowBox(frame.ToPx(arrow.at), arrow.turn));
    // A page that zooms draws the glyphs anew for every scale, a spacing
    // apart on the screen: no layout made at one scale could keep off them.
    if (mode_ == LayoutMode::Zoom) return;
    const double size = frame.Units(px::FRONT_GLYPH);
    for (const Glyphs& front : glyphs_) {
        const auto places = PlacesAlong(front.points, frame.Units(px::FRONT_SPACING));
        for (std::size_t i = 0; i < places.size(); ++i) {
            const double side = front.kind == FrontKind::Stationary && i % 2 == 1 ? -1 : 1;
            taken.AddGlyph(GlyphBox(frame, places[i], size, side));
        }
    }
}

// A centre's letter marks where the centre is and never moves; it may stand
// on an arrow or a front (symbols at one place are all the file's), not on
// another text.
// A centre's letter marks where the centre is and never moves; it may stand
// on an arrow or a front (symbols at one place are all the file's), not on
// another text.
void TextLayout::PlaceCentres(const Frame& frame, int level, TakenBoxes& taken) {
    const Font font{px::CENTRE_FONT, true};
    const Box room = frame.map.Grown(-2);
    for (Centre& centre : centres_) {
        if (centre.placed) continue;
        const Box box = Box::Around(frame.ToPx(centre.at), font.Width(centre.text) + 2 * px::HALO,
                                    font.Height() + 2 * px::HALO);
        if (!box.Inside(room) || !taken.texts.Free(box.Grown(px::GAP))) continue;
        taken.AddText(box);
        centre.placed = true;
        placed_.push_back(PointText(TextRole::Centre, centre.fid, centre.at, box, frame, centre.text,
                                    std::string(SymbolColour(centre.type)), font.size, level, centre.type));
    }
}

// A symbol's text says something of its point, as the front's glyphs beside
// it do not: it may cover those.
void TextLayout::PlacePinned(const Frame& frame, int level, TakenBoxes& taken) {
    const Font font{px::SYMBOL_FONT, false};
    const Box room = frame.map.Grown(-2);
    for (Pinned& text : pinned_) {
        if (text.placed) continue;
        const auto box = PinnedBox(taken.marks, room, frame.ToPx(text.at), font.Width(text.text) + 2 * px::HALO,
                                   font.Height() + 2 * px::HALO, mode_ == LayoutMode::Picture);
        if (!box) continue;
        taken.AddText(*box);
        text.placed = true;
        placed_.push_back(PointText(TextRole::SymbolText, text.fid, text.at, *box, frame, text.text,
                                    std::string(SymbolColour(text.type)), font.size, level, text.type));
    }
}

void TextLayout::PlaceCallouts(std::vector<Callout>& callouts, CalloutPlacer& placer, int level, bool footnotes) {
    // Notes without room listed in the legend; the rest are only counted.
    constexpr std::size_t MAX_FOOTNOTES = 8;
    for (Callout& callout : callouts) {
        if (callout.placed) continue;
        if (auto text = placer.Place(callout, level)) {
            placed_.push_back(std::move(*text));
            callout.placed = true;
            continue;
        }
        if (!footnotes || footnotes_.size() == MAX_FOOTNOTES) continue;
        Footnote note{std::to_string(footnotes_.size() + 1), callout.first, callout.second, false};
        if (auto mark = placer.PlaceMark(callout, note.number, level)) {
            placed_.push_back(std::move(*mark));
            note.marked = true;
        }
        footnotes_.push_back(std::move(note));
        callout.placed = true;
    }
}

// At a page that zooms, a callout stands centred on its point.
void TextLayout::PlaceCentred(std::vector<Callout>& callouts, const Frame& frame, int level, TakenBoxes& taken) {
    const Box room = frame.map.Grown(-2);
    for (Callout& callout : callouts) {
        if (callout.placed) continue;
        const Font first{px::NOTE_FONT, callout.framed}, second{px::NOTE_FONT, false};
        const double width = std::max(first.Width(callout.first), second.Width(callout.second)) + 2 * CALLOUT_PADDING;
        const double height =
            first.Height() + (callout.second.empty() ? 0.0 : px::NOTE_FONT * LINE_SPACING) + 2 * CALLOUT_PADDING;
        const Box box = Box::Around(frame.ToPx(callout.anchor), width, height);
        if (!box.Inside(room) || !taken.all.Free(box.Grown(px::GAP))) continue;
        taken.AddText(box);
        callout.placed = true;
        MapText text = PointText(TextRole::Note, callout.fid, callout.anchor, box, frame, callout.first, "",
                                 px::NOTE_FONT, level);
        text.layer = callout.layer;
        text.second = callout.second;
        text.framed = callout.framed;
        placed_.push_back(std::move(text));
    }
}

Coverage TextLayout::LinesAt(const Frame& frame) const {
    Coverage lines(frame.map);
    std::vector<Px> points;
    const auto add = [&](std::span<const Point> line, bool closed) {
        points.clear();
        for (const Point p : line)
            if (Finite(p)) points.push_back(frame.ToPx(p));
        if (points.size() >= 2) lines.Add(points, closed);
    };
    for (const auto& line : chart_.Lines()) add(line.points, false);
    for (const auto& contour : chart_.ClosedContours()) add(contour.points, contour.IsClosed());
    for (const auto& front : chart_.LineSymbols()) add(front.points, false);
    lines.Finish();
    return lines;
}

void TextLayout::Place(const Frame& frame, int level) {
    const std::size_t expected = Expected();
    TakenBoxes taken(frame.map, expected);
    BoxGrid callouts(frame.map, expected / 4 + 16);
    Obstacles(frame, taken, callouts);
    // In order of importance: what has no room at this scale is what matters least.
    PlaceCentres(frame, level, taken);
    // A static picture walks a label far along its line before leaving it
    // out; a page that zooms would rather wait for the next level's room.
    const double reach = mode_ == LayoutMode::Picture ? 1500 : 240;
    PlaceLabels(contourLabels_, frame, taken, reach, level, placed_);
    PlaceLabels(lineLabels_, frame, taken, reach, level, placed_);
    if (mode_ == LayoutMode::Zoom) {
        PlaceCentred(notes_, frame, level, taken);
        PlacePinned(frame, level, taken);
        PlaceCentred(longTexts_, frame, level, taken);
        return;
    }
    const Coverage lines = LinesAt(frame);
    CalloutPlacer placer(frame, lines, taken, callouts);
    PlaceCallouts(notes_, placer, level, true);
    PlacePinned(frame, level, taken);
    PlaceCallouts(longTexts_, placer, level, false);
}

LeftOut TextLayout::Left() const {
    LeftOut left;
    for (const auto& centre : centres_) left.centres += !centre.placed;
    for (const auto& text : pinned_) left.symbolTexts += !text.placed;
    for (const auto& text : longTexts_) left.symbolTexts += !text.placed;
    for (const auto& note : notes_) left.notes += !note.placed;
    for (const auto& line : contourLabels_) left.contourValues += line.placed.empty();
    for (const auto& line : lineLabels_) left.lineValues += line.placed.empty();
    return left;
}

}  // namespace readdata14::chart14

// The picture's page in output pixels (y down) and the tools that keep its
// texts apart: boxes, a grid of the boxes already taken, the widths of texts
// in the picture's font, places along a drawn line, and a raster of where
// lines were drawn. Sizes are in pixels of the output, whatever the chart's
// own units and the picture's width, so that a text reads the same on a
// small chart and on a large one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "readdata14/point.hpp"
#include "readdata14/symbology.hpp"

namespace readdata14::chart14 {

// Sizes of the picture's parts, in output pixels: the drawing table's
// (readdata14/symbology.hpp, made from share/symbology.json), which the QGIS
// plugin draws with too.
namespace px {
inline constexpr double LABEL_FONT = symbology::LABEL_FONT;    // values on contours and lines
inline constexpr double SYMBOL_FONT = symbology::SYMBOL_FONT;  // text symbols (a central pressure)
inline constexpr double CENTRE_FONT = symbology::CENTRE_FONT;  // the H and L of pressure centres
inline constexpr double NOTE_FONT = symbology::NOTE_FONT;
inline constexpr double SMALL_NOTE_FONT = symbology::SMALL_NOTE_FONT;  // a note shrunk to find room
inline constexpr double LEGEND_FONT = symbology::LEGEND_FONT;
inline constexpr double TITLE_FONT = symbology::TITLE_FONT;
inline constexpr double HALO = symbology::HALO;  // the white outline of texts on the map
inline constexpr double GAP = 1;                 // kept between two placed boxes
inline constexpr double FRONT_GLYPH = symbology::FRONT_GLYPH;
inline constexpr double FRONT_SPACING = symbology::FRONT_SPACING;
}  // namespace px

struct Px {
    double x = 0, y = 0;
};

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    static Box Around(Px centre, double width, double height) {
        return {centre.x - width / 2, centre.y - height / 2, centre.x + width / 2, centre.y + height / 2};
    }
    double Width() const { return x1 - x0; }
    double Height() const { return y1 - y0; }
    Px Centre() const { return {(x0 + x1) / 2, (y0 + y1) / 2}; }
    // Boxes that only touch do not overlap.
    bool Overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
    bool Inside(const Box& o) const { return x0 >= o.x0 && y0 >= o.y0 && x1 <= o.x1 && y1 <= o.y1; }
    Box Grown(double by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
    Box Moved(double dx, double dy) const { return {x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
};

// The point of `box` nearest to `p` (p itself when inside).
Px NearestOnBox(const Box& box, Px p);

// The boxes placed so far, bucketed in a uniform grid over the page, so that
// asking whether a box is free costs as much as the boxes near it: placing n
// texts stays near-linear however large the chart. Only the cells that hold
// a box take memory, so a page of a million pixels a side costs what its
// boxes do. Boxes beyond the page count in its edge cells.
class BoxGrid {
public:
    // `expected` sizes the cells: about four per box, never smaller than
    // the texts' own size.
    BoxGrid(const Box& page, std::size_t expected);
    // No placed box overlaps `box`.
    bool Free(const Box& box) const;
    void Add(const Box& box);

private:
    struct Span {
        std::uint64_t c0, c1, r0, r1;
    };
    Span Cells(const Box& box) const;

    Box page_;
    double cell_ = 1;
    std::uint64_t columns_ = 1, rows_ = 1;
    std::vector<Box> boxes_;
    // Each cell's boxes as a list through `entries_`: the first entry of a
    // cell in `first_`, each entry's box and the cell's next entry.
    struct Entry {
        std::uint32_t box, next;
    };
    std::unordered_map<std::uint64_t, std::uint32_t> first_;
    std::vector<Entry> entries_;
};

// What the texts placed at one scale keep off, by their kind. A centre's
// letter keeps off other texts; a symbol's text off those, arrows and
// leader lines; labels and notes off all of that and the fronts' glyphs too.
struct TakenBoxes {
    TakenBoxes(const Box& page, std::size_t expected)
        : texts(page, expected), marks(page, expected), all(page, expected) {}

    void AddText(const Box& box) {
        texts.Add(box);
        AddMark(box);
    }
    void AddMark(const Box& box) {
        marks.Add(box);
        all.Add(box);
    }
    void AddGlyph(const Box& box) { all.Add(box); }

    BoxGrid texts, marks, all;
};

// A line of text in the picture's font (DejaVu Sans, which the style names
// first; Verdana, the next, is no wider), with the box it takes.
struct Font {
    double size = 12;
    bool bold = false;

    // The advance of the text: no kerning or collapsed blanks, so no renderer
    // draws it wider. A character beyond ASCII counts one em.
    double Width(std::string_view utf8) const;
    double Ascent() const { return 0.928 * size; }
    double Descent() const { return 0.236 * size; }
    double Height() const { return Ascent() + Descent(); }
    // The baseline that centres the text's box on `centreY`.
    double BaselineFor(double centreY) const { return centreY + (Ascent() - Descent()) / 2; }
};

// The text, or the longest head of it that fits `width` with an ellipsis.
std::string FitText(std::string_view utf8, const Font& font, double width);

// The text in rows of at most `width`, broken at blanks; a word wider than a
// row alone is cut to it (FitText).
std::vector<std::string> WrapText(std::string_view utf8, const Font& font, double width);

// A drawn line in pixels, walked by the distance along it.
class PixelPath {
public:
    PixelPath(std::vector<Px> points, bool closed);
    double Length() const { return along_.empty() ? 0.0 : along_.back(); }
    bool Closed() const { return closed_; }
    // The point `s` along the line: around again for a closed line, held at
    // the ends of an open one.
    Px At(double s) const;
    // The distance along the line of its point nearest to `p`.
    double Nearest(Px p) const;
    std::span<const Px> Points() const { return points_; }

private:
    std::vector<Px> points_;
    std::vector<double> along_;
    bool closed_;
};

// Where lines were drawn, as a raster of cells over the page, with a table of
// sums so that the share of a box that lines cross is found in constant time.
class Coverage {
public:
    explicit Coverage(const Box& page);
    void Add(std::span<const Px> points, bool closed);
    // Makes the sums; Add must not follow.
    void Finish();
    // The share of the box's cells that a line crosses, in [0, 1].
    double Share(const Box& box) const;

private:
    Box page_;
    double cell_ = 4;
    std::size_t columns_ = 1, rows_ = 1;
    std::vector<std::uint32_t> cells_;  // before Finish a mark, after a running sum
};

}  // namespace readdata14::chart14

// The pieces an SVG picture of a chart is written with: numbers without
// locale, escaped texts, point lists as paths.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "readdata14/point.hpp"
#include "picture/layout.hpp"
#include "picture/style.hpp"

namespace readdata14::chart14 {

// An SVG document being written; the caller writes the elements in drawing
// order (later ones on top).
class SvgDocument {
public:
    std::string& Out() { return out_; }

    // The shortest text that reads back as the same float.
    SvgDocument& Number(double value);
    SvgDocument& Raw(std::string_view text) {
        out_.append(text);
        return *this;
    }
    // Text for element content or an attribute value: markup characters
    // escaped, control characters (a note text may end with its line break)
    // as blanks.
    SvgDocument& Escaped(std::string_view utf8);

    // A "d" attribute value for a polyline; closed adds "Z". Non-finite
    // points are skipped. Writes nothing for fewer than two points.
    SvgDocument& PathData(std::span<const readdata14::Point> points, bool closed);

    // A text with its baseline at (x, y) on the page (pixels, y down). `box`,
    // when given, is the room it was placed in, written as data-box="x0 y0
    // x1 y1" so that tools (and the tests) can see the layout.
    SvgDocument& Text(double x, double y, std::string_view cssClass, std::string_view utf8,
                      std::string_view fill = {}, const Box* box = nullptr);
    SvgDocument& BoxAttribute(const Box& box);

private:
    std::string out_;
};

}  // namespace readdata14::chart14

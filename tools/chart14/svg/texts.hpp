// The texts of the map written as SVG: each in its box as its shape says
// (see TextShape), with the box as data-box so that tools and the tests can
// see the layout.
#pragma once

#include <string>

#include "picture/map_text.hpp"
#include "picture/layout.hpp"
#include "svg/document.hpp"

namespace readdata14::chart14 {

void WriteText(SvgDocument& doc, const MapText& text, const Box& box);

// A leader line from a moved callout back to its point.
void WriteLeader(SvgDocument& doc, Px from, Px to);

// A numbered mark as the map shows it, with its top left corner at `at`
// (the legend draws the same); returns its box.
Box WriteMark(SvgDocument& doc, Px at, const std::string& number);

}  // namespace readdata14::chart14

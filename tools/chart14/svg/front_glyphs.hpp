// Fronts drawn as forecasters draw them: triangles along a cold front, half
// discs along a warm front, both in turn along an occlusion, and on opposite
// sides along a stationary front. The glyphs stand on the left of the line's
// drawing direction, the side the front moves towards.
#pragma once

#include "picture/fronts.hpp"
#include "svg/document.hpp"

namespace readdata14::chart14 {

// Path data ("d") of one glyph at a place, `size` across; side +1 puts it
// on the left of the line, -1 on the right.
void TriangleGlyph(SvgDocument& doc, const Along& at, double size, double side);
void HalfDiscGlyph(SvgDocument& doc, const Along& at, double size, double side);

}  // namespace readdata14::chart14

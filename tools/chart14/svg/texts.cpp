#include "svg/texts.hpp"

#include "picture/notes.hpp"

namespace readdata14::chart14 {
namespace {

void WriteLine(SvgDocument& doc, const MapText& text, const TextShape& shape, std::string_view cssClass,
               std::string_view line, double x, double y, const Box* box) {
    doc.Raw("<text class=\"").Raw(cssClass).Raw("\"");
    // A callout's size is its own: it may have been shrunk to find room.
    if (text.role == TextRole::Note) doc.Raw(" style=\"font-size:").Number(text.fontSize).Raw("px\"");
    doc.Raw(" x=\"").Number(x).Raw("\" y=\"").Number(y).Raw("\"");
    if (!text.colour.empty() && shape.boxClass.empty()) doc.Raw(" fill=\"").Raw(text.colour).Raw("\"");
    if (box != nullptr) doc.BoxAttribute(*box);
    doc.Raw(">").Escaped(line).Raw("</text>\n");
}

}  // namespace

void WriteText(SvgDocument& doc, const MapText& text, const Box& box) {
    const TextShape shape = ShapeOf(text);
    const double x = shape.centred ? box.Centre().x : box.x0 + shape.padding;
    const double y = box.y0 + shape.firstBaseline;
    if (shape.boxClass.empty()) {
        WriteLine(doc, text, shape, shape.firstClass, text.first, x, y, &box);
        return;
    }
    doc.Raw("<g class=\"note\"><rect class=\"").Raw(shape.boxClass).Raw("\" x=\"").Number(box.x0).Raw("\" y=\"")
        .Number(box.y0).Raw("\" width=\"").Number(box.Width()).Raw("\" height=\"").Number(box.Height()).Raw("\"");
    doc.BoxAttribute(box).Raw("/>\n");
    if (!text.first.empty()) WriteLine(doc, text, shape, shape.firstClass, text.first, x, y, nullptr);
    if (!text.second.empty())
        WriteLine(doc, text, shape, shape.secondClass, text.second, x, y + shape.lineStep, nullptr);
    doc.Raw("</g>\n");
}

void WriteLeader(SvgDocument& doc, Px from, Px to) {
    doc.Raw("<path d=\"M").Number(from.x).Raw(",").Number(from.y).Raw("L").Number(to.x).Raw(",").Number(to.y)
        .Raw("\"/><circle cx=\"").Number(from.x).Raw("\" cy=\"").Number(from.y).Raw("\" r=\"2\"/>\n");
}

Box WriteMark(SvgDocument& doc, Px at, const std::string& number) {
    const Box box = MarkBox(at, number);
    MapText mark;
    mark.role = TextRole::Mark;
    mark.first = number;
    mark.fontSize = MARK_FONT;
    mark.width = box.Width();
    mark.height = box.Height();
    WriteText(doc, mark, box);
    return box;
}

}  // namespace readdata14::chart14

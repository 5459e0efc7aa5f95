#include "svg/document.hpp"

#include <charconv>
#include <cmath>

namespace readdata14::chart14 {

SvgDocument& SvgDocument::Number(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char digits[32];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, static_cast<float>(value));
    if (ec != std::errc{}) return Raw("0");
    return Raw(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

SvgDocument& SvgDocument::Escaped(std::string_view utf8) {
    for (char c : utf8) {
        switch (c) {
            case '&': out_ += "&amp;"; break;
            case '<': out_ += "&lt;"; break;
            case '>': out_ += "&gt;"; break;
            case '"': out_ += "&quot;"; break;
            default:
                // XML 1.0 admits no control characters but tab and line breaks,
                // and a text is one line here.
                out_ += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
    }
    return *this;
}

SvgDocument& SvgDocument::PathData(std::span<const readdata14::Point> points, bool closed) {
    bool first = true;
    std::size_t written = 0;
    for (readdata14::Point p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        Raw(first ? "M" : " ").Number(p.x).Raw(",").Number(p.y);
        first = false;
        ++written;
    }
    if (written == 1) Raw("h0");  // a lone point still shows with round caps
    if (closed && written > 2) Raw("Z");
    return *this;
}

SvgDocument& SvgDocument::Text(double x, double y, std::string_view cssClass, std::string_view utf8,
                               std::string_view fill, const Box* box) {
    if (!std::isfinite(x) || !std::isfinite(y) || utf8.empty()) return *this;
    Raw("<text class=\"").Raw(cssClass).Raw("\" x=\"").Number(x).Raw("\" y=\"").Number(y).Raw("\"");
    if (!fill.empty()) Raw(" fill=\"").Raw(fill).Raw("\"");
    if (box != nullptr) BoxAttribute(*box);
    return Raw(">").Escaped(utf8).Raw("</text>\n");
}

SvgDocument& SvgDocument::BoxAttribute(const Box& box) {
    return Raw(" data-box=\"").Number(box.x0).Raw(" ").Number(box.y0).Raw(" ").Number(box.x1).Raw(" ")
        .Number(box.y1).Raw("\"");
}

}  // namespace readdata14::chart14

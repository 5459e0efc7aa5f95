#include "picture/layout.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace readdata14::chart14 {
namespace {

// Cells of a grid over a page: never more than this many, however large the
// page (a picture may be 100000 pixels wide).
constexpr double MAX_CELLS = 4.0e6;
// The end of a cell's list of boxes.
constexpr std::uint32_t NONE = 0xFFFFFFFFu;

double CellSize(const Box& page, double wanted) {
    double area = std::max(page.Width(), 1.0) * std::max(page.Height(), 1.0);
    return std::max(wanted, std::sqrt(area / MAX_CELLS));
}

std::uint64_t CellCount(double length, double cell) {
    return static_cast<std::uint64_t>(std::ceil(std::max(length, 1.0) / cell));
}

std::uint64_t Index(double offset, double cell, std::uint64_t count) {
    double i = std::floor(offset / cell);
    if (!(i > 0)) return 0;  // also NaN
    if (i >= double(count)) return count - 1;
    return std::min(static_cast<std::uint64_t>(i), count - 1);
}

// Advance widths of the printable ASCII characters, 32 to 126, in the
// font's units (2048 to the em): DejaVu Sans and DejaVu Sans Bold as the
// Debian package fonts-dejavu-core ships them.
constexpr std::array<std::uint16_t, 95> REGULAR{
    651,  821,  942,  1716, 1303, 1946, 1597, 563,  799,  799,  1024, 1716, 651,  739,  651,  690,
    1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 690,  690,  1716, 1716, 1716, 1087,
    2048, 1401, 1405, 1430, 1577, 1294, 1178, 1587, 1540, 604,  604,  1343, 1141, 1767, 1532, 1612,
    1235, 1612, 1423, 1300, 1251, 1499, 1401, 2025, 1403, 1251, 1403, 799,  690,  799,  1716, 1024,
    1024, 1255, 1300, 1126, 1300, 1260, 721,  1300, 1298, 569,  569,  1186, 569,  1995, 1298, 1253,
    1300, 1300, 842,  1067, 803,  1298, 1212, 1675, 1212, 1212, 1075, 1303, 690,  1303, 1716};
constexpr std::array<std::uint16_t, 95> BOLD{
    713,  934,  1067, 1716, 1425, 2052, 1786, 627,  936,  936,  1071, 1716, 778,  850,  778,  748,
    1425, 1425, 1425, 1425, 1425, 1425, 1425, 1425, 1425, 1425, 819,  819,  1716, 1716, 1716, 1188,
    2048, 1585, 1561, 1503, 1700, 1399, 1399, 1681, 1714, 762,  762,  1587, 1305, 2038, 1714, 1741,
    1501, 1741, 1577, 1475, 1397, 1663, 1585, 2259, 1579, 1483, 1485, 936,  748,  936,  1716, 1024,
    1024, 1382, 1466, 1214, 1466, 1389, 891,  1466, 1458, 702,  702,  1362, 702,  2134, 1458, 1407,
    1466, 1466, 1010, 1219, 979,  1458, 1335, 1892, 1321, 1335, 1192, 1458, 748,  1458, 1716};

}  // namespace

Px NearestOnBox(const Box& box, Px p) {
    return {std::clamp(p.x, box.x0, box.x1), std::clamp(p.y, box.y0, box.y1)};
}

BoxGrid::BoxGrid(const Box& page, std::size_t expected) : page_(page) {
    const double area = std::max(page.Width(), 1.0) * std::max(page.Height(), 1.0);
    // Smaller cells than a text would only be walked through; and a page
    // whose cells could not be numbered (a broken file's coordinates) gets
    // larger ones.
    cell_ = std::max({32.0, std::sqrt(area / (4.0 * double(std::max<std::size_t>(expected, 16)))),
                      std::sqrt(area / 1e15)});
    columns_ = CellCount(page.Width(), cell_);
    rows_ = CellCount(page.Height(), cell_);
    first_.reserve(std::min<std::size_t>(expected, 1u << 22));
}

BoxGrid::Span BoxGrid::Cells(const Box& box) const {
    return {Index(box.x0 - page_.x0, cell_, columns_), Index(box.x1 - page_.x0, cell_, columns_),
            Index(box.y0 - page_.y0, cell_, rows_), Index(box.y1 - page_.y0, cell_, rows_)};
}

bool BoxGrid::Free(const Box& box) const {
    const Span s = Cells(box);
    for (std::uint64_t r = s.r0; r <= s.r1; ++r) {
        for (std::uint64_t c = s.c0; c <= s.c1; ++c) {
            const auto cell = first_.find(r * columns_ + c);
            if (cell == first_.end()) continue;
            for (std::uint32_t e = cell->second; e != NONE; e = entries_[e].next)
                if (boxes_[entries_[e].box].Overlaps(box)) return false;
        }
    }
    return true;
}

void BoxGrid::Add(const Box& box) {
    const auto index = static_cast<std::uint32_t>(boxes_.size());
    boxes_.push_back(box);
    const Span s = Cells(box);
    for (std::uint64_t r = s.r0; r <= s.r1; ++r) {
        for (std::uint64_t c = s.c0; c <= s.c1; ++c) {
            const auto [cell, added] = first_.try_emplace(r * columns_ + c, NONE);
            entries_.push_back({index, cell->second});
            cell->second = static_cast<std::uint32_t>(entries_.size() - 1);
        }
    }
}

double Font::Width(std::string_view utf8) const {
    const auto& table = bold ? BOLD : REGULAR;
    double units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80 && c < 0xC0) continue;  // continues a character already counted
        if (c >= 0x80) units += 2048;
        else if (c < 32 || c == 127) units += table[0];  // written as a blank
        else units += table[c - 32];
    }
    return units / 2048.0 * size;
}

std::string FitText(std::string_view utf8, const Font& font, double width) {
    if (font.Width(utf8) <= width) return std::string(utf8);
    constexpr std::string_view ELLIPSIS = "\xE2\x80\xA6";
    std::size_t end = utf8.size();
    while (end > 0) {
        do --end;
        while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80);
        std::string head = std::string(utf8.substr(0, end)).append(ELLIPSIS);
        if (font.Width(head) <= width) return head;
    }
    return std::string(ELLIPSIS);
}

std::vector<std::string> WrapText(std::string_view utf8, const Font& font, double width) {
    std::vector<std::string> rows;
    std::string row;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t blank = std::min(utf8.find(' ', at), utf8.size());
        const std::string_view word = utf8.substr(at, blank - at);
        at = blank + 1;
        if (word.empty()) continue;
        std::string longer = row.empty() ? std::string(word) : row + " " + std::string(word);
        if (row.empty() || font.Width(longer) <= width) {
            row = std::move(longer);
            continue;
        }
        rows.push_back(FitText(row, font, width));
        row = std::string(word);
    }
    if (!row.empty() || rows.empty()) rows.push_back(FitText(row, font, width));
    return rows;
}

PixelPath::PixelPath(std::vector<Px> points, bool closed) : points_(std::move(points)), closed_(closed) {
    if (closed_ && points_.size() > 2) points_.push_back(points_.front());
    closed_ = closed_ && points_.size() > 3;
    along_.reserve(points_.size());
    double walked = 0;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        if (i > 0) walked += std::hypot(points_[i].x - points_[i - 1].x, points_[i].y - points_[i - 1].y);
        along_.push_back(walked);
    }
}

Px PixelPath::At(double s) const {
    if (points_.empty()) return {};
    double length = Length();
    if (!(length > 0)) return points_.front();
    s = closed_ ? s - length * std::floor(s / length) : std::clamp(s, 0.0, length);
    auto it = std::upper_bound(along_.begin(), along_.end(), s);
    std::size_t i = std::clamp<std::size_t>(static_cast<std::size_t>(it - along_.begin()), 1, points_.size() - 1);
    double segment = along_[i] - along_[i - 1];
    double t = segment > 0 ? (s - along_[i - 1]) / segment : 0.0;
    return {points_[i - 1].x + t * (points_[i].x - points_[i - 1].x),
            points_[i - 1].y + t * (points_[i].y - points_[i - 1].y)};
}

double PixelPath::Nearest(Px p) const {
    double best = std::numeric_limits<double>::infinity(), at = 0;
    for (std::size_t i = 1; i < points_.size(); ++i) {
        Px a = points_[i - 1], b = points_[i];
        double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
        double t = length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
        double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y, d2 = ex * ex + ey * ey;
        if (d2 < best) best = d2, at = along_[i - 1] + t * (along_[i] - along_[i - 1]);
    }
    return at;
}

Coverage::Coverage(const Box& page) : page_(page) {
    cell_ = CellSize(page, 4.0);
    columns_ = CellCount(page.Width(), cell_);
    rows_ = CellCount(page.Height(), cell_);
    cells_.assign(columns_ * rows_, 0);
}

// Cuts the segment a-b to the box (Liang and Barsky); false when it misses.
bool Clip(Px& a, Px& b, const Box& box) {
    double t0 = 0, t1 = 1, dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - box.x0, box.x1 - a.x, a.y - box.y0, box.y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
    }
    if (!(t0 <= t1)) return false;  // also NaN
    b = {a.x + t1 * dx, a.y + t1 * dy};
    a = {a.x + t0 * dx, a.y + t0 * dy};
    return true;
}

void Coverage::Add(std::span<const Px> points, bool closed) {
    const Box cells{page_.x0, page_.y0, page_.x0 + double(columns_) * cell_, page_.y0 + double(rows_) * cell_};
    auto mark = [&](Px a, Px b) {
        if (!Clip(a, b, cells)) return;
        double steps = std::ceil(std::hypot(b.x - a.x, b.y - a.y) / (cell_ / 2));
        for (double k = 0; k <= steps; ++k) {
            double t = steps > 0 ? k / steps : 0.0;
            double x = a.x + t * (b.x - a.x) - page_.x0, y = a.y + t * (b.y - a.y) - page_.y0;
            cells_[Index(y, cell_, rows_) * columns_ + Index(x, cell_, columns_)] = 1;
        }
    };
    for (std::size_t i = 1; i < points.size(); ++i) mark(points[i - 1], points[i]);
    if (closed && points.size() > 2) mark(points.back(), points.front());
}

void Coverage::Finish() {
    // Each cell becomes the count of marked cells above and left of it, itself included.
    for (std::size_t r = 0; r < rows_; ++r) {
        std::uint32_t row = 0;
        for (std::size_t c = 0; c < columns_; ++c) {
            row += cells_[r * columns_ + c];
            cells_[r * columns_ + c] = row + (r > 0 ? cells_[(r - 1) * columns_ + c] : 0);
        }
    }
}

double Coverage::Share(const Box& box) const {
    std::size_t c0 = Index(box.x0 - page_.x0, cell_, columns_), c1 = Index(box.x1 - page_.x0, cell_, columns_);
    std::size_t r0 = Index(box.y0 - page_.y0, cell_, rows_), r1 = Index(box.y1 - page_.y0, cell_, rows_);
    auto sum = [this](std::size_t r, std::size_t c) { return double(cells_[r * columns_ + c]); };
    double inside = sum(r1, c1) - (c0 > 0 ? sum(r1, c0 - 1) : 0) - (r0 > 0 ? sum(r0 - 1, c1) : 0) +
                    (c0 > 0 && r0 > 0 ? sum(r0 - 1, c0 - 1) : 0);
    return inside / double((c1 - c0 + 1) * (r1 - r0 + 1));
}

}  // namespace readdata14::chart14

#include "commands/chart_diff.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#include "readdata14/layers.hpp"

namespace readdata14::chart14 {
namespace {

using layers::LayerId;

bool SameBits(float a, float b) noexcept { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool SamePoint(Point a, Point b) noexcept { return SameBits(a.x, b.x) && SameBits(a.y, b.y); }

DiffValue Integer(std::int64_t v) { return {DiffValue::Kind::Integer, v, 0.0f, {}, {}}; }
DiffValue Boolean(bool v) { return {DiffValue::Kind::Boolean, v ? 1 : 0, 0.0f, {}, {}}; }
DiffValue Real(float v) { return {DiffValue::Kind::Real, 0, v, {}, {}}; }
DiffValue Label(float v) { return {DiffValue::Kind::Label, 0, v, {}, {}}; }
DiffValue Text(std::string_view v) { return {DiffValue::Kind::Text, 0, 0.0f, v, {}}; }

void Add(DiffElement& e, std::string_view name, DiffValue value) { e.fields[e.fieldCount++] = {name, value}; }
void AddPoints(DiffElement& e, std::string_view name, std::span<const Point> points) {
    e.lists[e.listCount++] = {name, points, false, {}};
}
void AddPosition(DiffElement& e, Point position) { e.lists[e.listCount++] = {"position", {}, true, position}; }

// A field's name as the layer schema has it, by its column: the numbered
// values ("value_1", ...) are named there once.
std::string_view SchemaName(LayerId layer, std::size_t at) { return layers::Layer(layer).fields[at].name; }

// A contour with its place in the block, met in file order.
struct FiledContour {
    ClosedContour contour;
    std::size_t nestingPosition;
};

DiffElement ToElement(const Line& r) {
    DiffElement e;
    Add(e, "code", Integer(r.code));
    Add(e, "label", Label(r.labelValue));
    AddPoints(e, "points", r.points);
    AddPoints(e, "label_points", r.labelPoints);
    return e;
}

DiffElement ToElement(const LineSymbol& r) {
    DiffElement e;
    Add(e, "code", Integer(r.code));
    AddPoints(e, "points", r.points);
    return e;
}

DiffElement ToElement(const Symbol& r) {
    DiffElement e;
    Add(e, "type", Integer(r.type));
    Add(e, "direction", Real(r.direction));
    Add(e, "text", Text(r.text));
    AddPosition(e, r.position);
    return e;
}

DiffElement ToElement(const FiledContour& r) {
    DiffElement e;
    Add(e, "code", Integer(r.contour.code));
    Add(e, "label", Label(r.contour.value));
    Add(e, "valued_closed", Boolean(r.contour.valuedClosed));
    Add(e, "level_index", Integer(r.contour.levelIndex));
    Add(e, "nesting_position", Integer(static_cast<std::int64_t>(r.nestingPosition)));
    AddPoints(e, "points", r.contour.points);
    AddPoints(e, "label_points", r.contour.labelPoints);
    return e;
}

DiffElement ToElement(const WeatherRegion& r) {
    DiffElement e;
    Add(e, "code", Integer(r.code));
    AddPoints(e, "points", r.points);
    return e;
}

DiffElement ToElement(const FillArea& r) {
    DiffElement e;
    Add(e, "code", Integer(r.code));
    // The sixteen values are floats in the block, whatever the schema makes of them.
    for (std::size_t i = 0; i < r.values.size(); ++i) Add(e, SchemaName(LayerId::FillAreas, 1 + i), Real(r.values[i]));
    AddPoints(e, "points", r.points);
    return e;
}

DiffElement ToElement(const Note& r) {
    DiffElement e;
    Add(e, "type", Integer(r.type));
    Add(e, "value", Real(r.value));
    for (std::size_t i = 0; i < r.values.size(); ++i) Add(e, SchemaName(LayerId::Notes, 2 + i), Real(r.values[i]));
    Add(e, "first_text", Text(r.firstText));
    Add(e, "second_text", Text(r.secondText));
    AddPosition(e, r.position);
    return e;
}

bool SamePoints(std::span<const Point> a, std::span<const Point> b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SamePoint);
}

bool SameElement(const DiffElement& a, const DiffElement& b) noexcept {
    for (std::size_t i = 0; i < a.fieldCount; ++i) {
        if (!SameValue(a.fields[i].value, b.fields[i].value)) return false;
    }
    for (std::size_t i = 0; i < a.listCount; ++i) {
        if (!SamePoints(a.lists[i].Points(), b.lists[i].Points())) return false;
    }
    return true;
}

bool Keep(std::size_t shown, std::size_t limit) noexcept { return limit == 0 || shown < limit; }

PointsChange ComparePoints(const DiffPoints& a, const DiffPoints& b, std::size_t limit) {
    const std::span<const Point> pa = a.Points(), pb = b.Points();
    PointsChange change{a.name, pa.size(), pb.size(), 0, {}};
    const std::size_t common = std::min(pa.size(), pb.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (SamePoint(pa[i], pb[i])) continue;
        ++change.moved;
        if (Keep(change.shown.size(), limit)) change.shown.push_back({i, pa[i], pb[i]});
    }
    return change;
}

ElementChange Changes(std::size_t index, const DiffElement& a, const DiffElement& b, std::size_t limit) {
    ElementChange change;
    change.index = index;
    for (std::size_t i = 0; i < a.fieldCount; ++i) {
        if (!SameValue(a.fields[i].value, b.fields[i].value)) {
            change.fields.push_back({a.fields[i].name, a.fields[i].value, b.fields[i].value});
        }
    }
    for (std::size_t i = 0; i < a.listCount; ++i) {
        if (!SamePoints(a.lists[i].Points(), b.lists[i].Points())) {
            change.points.push_back(ComparePoints(a.lists[i], b.lists[i], limit));
        }
    }
    return change;
}

template <class Record>
void CompareElements(const std::vector<Record>& a, const std::vector<Record>& b, std::size_t limit,
                     SectionDiff& out) {
    out.countA = a.size();
    out.countB = b.size();
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const DiffElement ea = ToElement(a[i]);
        const DiffElement eb = ToElement(b[i]);
        if (SameElement(ea, eb)) {
            ++out.identical;
            continue;
        }
        ++out.changed;
        if (Keep(out.shownChanged.size(), limit)) out.shownChanged.push_back(Changes(i, ea, eb, limit));
    }
    for (std::size_t i = common; i < b.size() && Keep(out.shownAdded.size(), limit); ++i) {
        out.shownAdded.push_back({i, ToElement(b[i])});
    }
    for (std::size_t i = common; i < a.size() && Keep(out.shownRemoved.size(), limit); ++i) {
        out.shownRemoved.push_back({i, ToElement(a[i])});
    }
}

template <class Range>
auto Records(const Range& range) {
    return std::vector(range.begin(), range.end());
}

// The contours in the order the file has them, each with its place in the
// block. Positions that do not make an order of the block's records (never
// from a read) leave the block's order.
std::vector<FiledContour> InFileOrder(const Chart& chart) {
    const auto block = Records(chart.ClosedContours());
    std::vector<FiledContour> filed(block.size());
    std::vector<bool> placed(block.size(), false);
    const readdata14_document* document = chart.Document();
    bool ordered = document != nullptr && document->contourFilePositionsSize == block.size();
    for (std::size_t i = 0; ordered && i < block.size(); ++i) {
        const std::uint32_t at = document->contourFilePositions[i];
        ordered = at < block.size() && !placed[at];
        if (ordered) {
            placed[at] = true;
            filed[at] = {block[i], i};
        }
    }
    if (!ordered) {
        for (std::size_t i = 0; i < block.size(); ++i) filed[i] = {block[i], i};
    }
    return filed;
}

bool SameArray(const void* a, std::size_t sizeA, const void* b, std::size_t sizeB, std::size_t unit) noexcept {
    if ((a == nullptr) != (b == nullptr) || sizeA != sizeB) return false;
    return a == nullptr || sizeA == 0 || std::memcmp(a, b, sizeA * unit) == 0;
}

bool SameFloats(const float* a, std::size_t sizeA, const float* b, std::size_t sizeB) noexcept {
    return SameArray(a, sizeA, b, sizeB, sizeof(float));
}

bool SameTextBlock(const FloatTextBlock& a, std::size_t valuesA, std::size_t lengthsA, std::size_t textA,
                   const FloatTextBlock& b, std::size_t valuesB, std::size_t lengthsB, std::size_t textB) noexcept {
    return SameFloats(a.values, valuesA, b.values, valuesB) &&
           SameArray(a.lengths, lengthsA, b.lengths, lengthsB, sizeof(std::int32_t)) &&
           SameArray(a.text, textA, b.text, textB, 1);
}

// Whether a section's block is the same, bit for bit, in both charts.
bool SameBlock(LayerId layer, const readdata14_chart& a, const readdata14_chart& b) noexcept {
    switch (layer) {
        case LayerId::Lines: return SameFloats(a.lines, a.linesSize, b.lines, b.linesSize);
        case LayerId::LineSymbols:
            return SameFloats(a.lineSymbols, a.lineSymbolsSize, b.lineSymbols, b.lineSymbolsSize);
        case LayerId::Symbols:
            return SameTextBlock(a.symbols, a.symbolValuesSize, a.symbolLengthsSize, a.symbolTextSize, b.symbols,
                                 b.symbolValuesSize, b.symbolLengthsSize, b.symbolTextSize);
        case LayerId::ClosedContours:
            return SameFloats(a.closedContours, a.closedContoursSize, b.closedContours, b.closedContoursSize);
        case LayerId::WeatherRegions:
            return SameFloats(a.weatherRegions, a.weatherRegionsSize, b.weatherRegions, b.weatherRegionsSize);
        case LayerId::FillAreas: return SameFloats(a.fillAreas, a.fillAreasSize, b.fillAreas, b.fillAreasSize);
        case LayerId::Notes:
            return SameTextBlock(a.notes, a.noteValuesSize, a.noteLengthsSize, a.noteTextSize, b.notes,
                                 b.noteValuesSize, b.noteLengthsSize, b.noteTextSize);
        case LayerId::LabelPoints: break;
    }
    return true;
}

struct SectionOf {
    LayerId layer;
    std::uint32_t presentBit;
};

constexpr SectionOf SECTIONS[] = {
    {LayerId::Lines, READDATA14_SECTION_LINES},
    {LayerId::LineSymbols, READDATA14_SECTION_LINE_SYMBOLS},
    {LayerId::Symbols, READDATA14_SECTION_SYMBOLS},
    {LayerId::ClosedContours, READDATA14_SECTION_CLOSED_CONTOURS},
    {LayerId::WeatherRegions, READDATA14_SECTION_WEATHER_REGIONS},
    {LayerId::FillAreas, READDATA14_SECTION_FILL_AREAS},
    {LayerId::Notes, READDATA14_SECTION_NOTES},
};

void CompareRecords(LayerId layer, const Chart& a, const Chart& b, std::size_t limit, SectionDiff& out) {
    switch (layer) {
        case LayerId::Lines: return CompareElements(Records(a.Lines()), Records(b.Lines()), limit, out);
        case LayerId::LineSymbols:
            return CompareElements(Records(a.LineSymbols()), Records(b.LineSymbols()), limit, out);
        case LayerId::Symbols: return CompareElements(Records(a.Symbols()), Records(b.Symbols()), limit, out);
        case LayerId::ClosedContours: return CompareElements(InFileOrder(a), InFileOrder(b), limit, out);
        case LayerId::WeatherRegions:
            return CompareElements(Records(a.WeatherRegions()), Records(b.WeatherRegions()), limit, out);
        case LayerId::FillAreas: return CompareElements(Records(a.FillAreas()), Records(b.FillAreas()), limit, out);
        case LayerId::Notes: return CompareElements(Records(a.Notes()), Records(b.Notes()), limit, out);
        case LayerId::LabelPoints: break;
    }
}

void CompareHeader(const Chart& a, const Chart& b, std::vector<FieldChange>& out) {
    const FieldChange fields[] = {
        {"first_token", Text(a.FirstToken()), Text(b.FirstToken())},
        {"description", Text(a.Description()), Text(b.Description())},
        {"header_integers",
         {DiffValue::Kind::Integers, 0, 0.0f, {}, a.HeaderIntegers()},
         {DiffValue::Kind::Integers, 0, 0.0f, {}, b.HeaderIntegers()}},
        {"fill_areas_read", Boolean(a.FillAreasRead()), Boolean(b.FillAreasRead())},
    };
    for (const FieldChange& field : fields) {
        if (!SameValue(field.a, field.b)) out.push_back(field);
    }
}

}  // namespace

bool SameValue(const DiffValue& a, const DiffValue& b) noexcept {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case DiffValue::Kind::Integer:
        case DiffValue::Kind::Boolean: return a.integer == b.integer;
        case DiffValue::Kind::Real:
        case DiffValue::Kind::Label: return SameBits(a.real, b.real);
        case DiffValue::Kind::Text: return a.text == b.text;
        case DiffValue::Kind::Integers:
            return std::equal(a.integers.begin(), a.integers.end(), b.integers.begin(), b.integers.end());
    }
    return false;
}

bool ChartDiff::Differs() const noexcept {
    return !header.empty() || levelsDiffer ||
           std::any_of(sections.begin(), sections.end(), [](const SectionDiff& s) { return s.Differs(); });
}

ChartDiff CompareCharts(const Chart& a, const Chart& b, std::size_t limit) {
    ChartDiff diff;
    CompareHeader(a, b, diff.header);
    diff.levelsA = a.Levels();
    diff.levelsB = b.Levels();
    diff.levelsDiffer = !std::equal(diff.levelsA.begin(), diff.levelsA.end(), diff.levelsB.begin(),
                                    diff.levelsB.end(), SameBits);
    for (const SectionOf& section : SECTIONS) {
        SectionDiff& out = diff.sections.emplace_back();
        out.name = layers::Layer(section.layer).name;
        out.presentA = a.SectionPresent(section.presentBit);
        out.presentB = b.SectionPresent(section.presentBit);
        CompareRecords(section.layer, a, b, limit, out);
        // What the elements do not show: their order in the block, slots
        // without a record, a block given for no elements.
        out.blockDiffers = !out.Differs() && !SameBlock(section.layer, a.Raw(), b.Raw()) &&
                           !(section.layer == LayerId::ClosedContours && diff.levelsDiffer);
    }
    return diff;
}

}  // namespace readdata14::chart14

// The mapping from blocks to features as the header-only C++ view had it
// before the library took it over: a second, independent walk of the
// blocks, kept so that the library's layer model can be tested against it
// (tests/layer_model_test.cpp).
#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/chart.hpp"

namespace readdata14::test::reference_layers {

// ---- the schema ---------------------------------------------------------------

enum class LayerId : std::uint8_t {
    Lines,
    LineSymbols,
    Symbols,
    ClosedContours,
    WeatherRegions,
    FillAreas,
    Notes,
    LabelPoints,
};
inline constexpr std::size_t LAYER_COUNT = 8;

// Isolines are lines in GIS: closed contours are LineStrings, closed or not.
enum class GeometryType { Point, LineString, Polygon };

// Boolean: an integer 0 or 1 (OGR's Integer with the Boolean subtype).
enum class FieldType { Integer, Boolean, Real, String };

struct FieldDefinition {
    std::string_view name;
    FieldType type;
    bool nullable;
};

struct LayerDefinition {
    LayerId id;
    std::string_view name;
    GeometryType geometry;
    std::span<const FieldDefinition> fields;
};

// The most fields a layer has (fill_areas: the code and sixteen values).
inline constexpr std::size_t MAX_FIELDS = 17;

namespace detail {

using enum FieldType;

// A label takes three fields: what it is, and its number in the field of
// its kind (null in the other).
inline constexpr FieldDefinition LINE_FIELDS[] = {
    {"code", Integer, false},       {"label_kind", String, false},        {"label_value", Real, true},
    {"label_code", Real, true},     {"label_point_count", Integer, false}};
inline constexpr FieldDefinition CODE_FIELDS[] = {{"code", Integer, false}};
inline constexpr FieldDefinition SYMBOL_FIELDS[] = {
    {"type", Integer, false}, {"direction", Real, true}, {"text", String, true}};
inline constexpr FieldDefinition CONTOUR_FIELDS[] = {
    {"code", Integer, false},          {"label_kind", String, false},   {"label_value", Real, true},
    {"label_code", Real, true},        {"closed", Boolean, false},      {"valued_closed", Boolean, false},
    {"level_index", Integer, true},    {"nesting_position", Integer, false}, {"label_point_count", Integer, false}};
// value_14 is the one float among the sixteen; the others are integers.
inline constexpr FieldDefinition FILL_AREA_FIELDS[] = {
    {"code", Integer, false},      {"value_1", Integer, false},  {"value_2", Integer, false},
    {"value_3", Integer, false},   {"value_4", Integer, false},  {"value_5", Integer, false},
    {"value_6", Integer, false},   {"value_7", Integer, false},  {"value_8", Integer, false},
    {"value_9", Integer, false},   {"value_10", Integer, false}, {"value_11", Integer, false},
    {"value_12", Integer, false},  {"value_13", Integer, false}, {"value_14", Real, false},
    {"value_15", Integer, false},  {"value_16", Integer, false}};
inline constexpr FieldDefinition NOTE_FIELDS[] = {
    {"type", Integer, false},    {"value", Real, false},      {"value_1", Real, false},
    {"value_2", Real, false},    {"value_3", Real, false},    {"value_4", Real, false},
    {"value_5", Real, false},    {"value_6", Real, false},    {"first_text", String, false},
    {"second_text", String, false}};
inline constexpr FieldDefinition LABEL_POINT_FIELDS[] = {
    {"parent_layer", String, false}, {"parent_fid", Integer, false}, {"index", Integer, false},
    {"label_kind", String, false},   {"label_value", Real, true},     {"label_code", Real, true}};

}  // namespace detail

// In LayerId order: LAYERS[size_t(id)].id == id.
inline constexpr std::array<LayerDefinition, LAYER_COUNT> LAYERS{{
    {LayerId::Lines, "lines", GeometryType::LineString, detail::LINE_FIELDS},
    {LayerId::LineSymbols, "line_symbols", GeometryType::LineString, detail::CODE_FIELDS},
    {LayerId::Symbols, "symbols", GeometryType::Point, detail::SYMBOL_FIELDS},
    {LayerId::ClosedContours, "closed_contours", GeometryType::LineString, detail::CONTOUR_FIELDS},
    {LayerId::WeatherRegions, "weather_regions", GeometryType::Polygon, detail::CODE_FIELDS},
    {LayerId::FillAreas, "fill_areas", GeometryType::Polygon, detail::FILL_AREA_FIELDS},
    {LayerId::Notes, "notes", GeometryType::Point, detail::NOTE_FIELDS},
    {LayerId::LabelPoints, "label_points", GeometryType::Point, detail::LABEL_POINT_FIELDS},
}};

constexpr const LayerDefinition& Layer(LayerId id) noexcept { return LAYERS[static_cast<std::size_t>(id)]; }

// ChartLayers::GetFeature fills the fields by position; these pin the places.
static_assert(detail::LINE_FIELDS[4].name == "label_point_count" && detail::SYMBOL_FIELDS[2].name == "text" &&
              detail::CONTOUR_FIELDS[1].name == "label_kind" && detail::CONTOUR_FIELDS[8].name == "label_point_count" &&
              detail::FILL_AREA_FIELDS[14].name == "value_14" && std::size(detail::FILL_AREA_FIELDS) == MAX_FIELDS &&
              detail::NOTE_FIELDS[9].name == "second_text" && detail::LABEL_POINT_FIELDS[3].name == "label_kind");

// ---- labels -------------------------------------------------------------------

enum class LabelKind { None, Code, Value };

// "NoLabel" is none; a three-character label in (0, 100) is a code; anything
// else is a value (NaN included: it was written as a number).
constexpr LabelKind ClassifyLabel(float value) noexcept {
    if (IsNoLabel(value)) return LabelKind::None;
    if (IsLabelCode(value)) return LabelKind::Code;
    return LabelKind::Value;
}

constexpr std::string_view LabelKindName(LabelKind kind) noexcept {
    switch (kind) {
        case LabelKind::None: return "none";
        case LabelKind::Code: return "code";
        case LabelKind::Value: return "value";
    }
    return "none";
}

// The code a label stands for: the stored sum minus the offset, in double, so
// that a code such as 5.5 comes back as near to 5.5 as the stored float allows.
constexpr double LabelCode(float value) noexcept { return double(value) - double(LABEL_CODE_OFFSET); }

// ---- features -----------------------------------------------------------------

// One field's value. A String field holds either Text, the file's bytes (see
// "Texts" above), or a Name of the schema's own ("none", "lines", ...), which
// is ASCII and is used as it is.
struct FieldValue {
    enum class Kind : std::uint8_t { Null, Integer, Real, Text, Name };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;  // Integer and Boolean fields
    double real = 0.0;
    std::string_view text;  // Text and Name

    static constexpr FieldValue Int(std::int64_t v) noexcept { return {Kind::Integer, v, 0.0, {}}; }
    static constexpr FieldValue Double(double v) noexcept { return {Kind::Real, 0, v, {}}; }
    static constexpr FieldValue Text(std::string_view v) noexcept { return {Kind::Text, 0, 0.0, v}; }
    static constexpr FieldValue Name(std::string_view v) noexcept { return {Kind::Name, 0, 0.0, v}; }
};

struct FeatureGeometry {
    GeometryType type = GeometryType::Point;
    // Too few points for a valid geometry (a line of fewer than 2, a ring of
    // fewer than 4 once closed): no geometry, but the feature is kept.
    bool isNull = false;
    Point point{};  // Point
    // LineString: its points. Polygon: the ring's points as stored; when
    // closeRing, the ring ends by repeating points.front().
    std::span<const Point> points;
    bool closeRing = false;
};

struct Feature {
    std::uint64_t fid = 0;
    FeatureGeometry geometry;
    std::array<FieldValue, MAX_FIELDS> values{};  // values[i] is Layer(id).fields[i]
};

class ChartLayers {
public:
    explicit ChartLayers(const Chart& chart) {
        Assign(lines_, chart.Lines());
        Assign(lineSymbols_, chart.LineSymbols());
        Assign(symbols_, chart.Symbols());
        Assign(contours_, chart.ClosedContours());
        Assign(regions_, chart.WeatherRegions());
        Assign(fillAreas_, chart.FillAreas());
        Assign(notes_, chart.Notes());
        // Weather regions are there when their tag was found, which is
        // exactly when fill areas are read; the label points when either
        // of their parents is.
        present_ = {chart.HasLines(),      chart.HasLineSymbols(), chart.HasSymbols(), chart.HasClosedContours(),
                    chart.FillAreasRead(), chart.FillAreasRead(),  chart.HasNotes(),
                    chart.HasLines() || chart.HasClosedContours()};
        labelStarts_.reserve(lines_.size() + contours_.size() + 1);
        std::uint64_t start = 0;
        for (const auto& line : lines_) start = AddParent(start, line.labelPoints.size());
        for (const auto& contour : contours_) start = AddParent(start, contour.labelPoints.size());
        labelStarts_.push_back(start);
    }
    explicit ChartLayers(const Chart&&) = delete;

    std::uint64_t FeatureCount(LayerId id) const noexcept {
        switch (id) {
            case LayerId::Lines: return lines_.size();
            case LayerId::LineSymbols: return lineSymbols_.size();
            case LayerId::Symbols: return symbols_.size();
            case LayerId::ClosedContours: return contours_.size();
            case LayerId::WeatherRegions: return regions_.size();
            case LayerId::FillAreas: return fillAreas_.size();
            case LayerId::Notes: return notes_.size();
            case LayerId::LabelPoints: return labelStarts_.back();
        }
        return 0;
    }

    bool SectionPresent(LayerId id) const noexcept { return present_[static_cast<std::size_t>(id)]; }

    // `fid` below FeatureCount(id).
    Feature GetFeature(LayerId id, std::uint64_t fid) const noexcept {
        Feature f;
        f.fid = fid;
        f.geometry.type = Layer(id).geometry;
        auto& v = f.values;
        const auto i = static_cast<std::size_t>(fid);
        switch (id) {
            case LayerId::Lines: {
                const Line& line = lines_[i];
                SetLine(f.geometry, line.points);
                v[0] = FieldValue::Int(line.code);
                SetLabel(v, 1, line.labelValue);
                v[4] = FieldValue::Int(static_cast<std::int64_t>(line.labelPoints.size()));
                break;
            }
            case LayerId::LineSymbols:
                SetLine(f.geometry, lineSymbols_[i].points);
                v[0] = FieldValue::Int(lineSymbols_[i].code);
                break;
            case LayerId::Symbols: {
                const Symbol& symbol = symbols_[i];
                const bool text = IsTextSymbolType(symbol.type);
                f.geometry.point = symbol.position;
                v[0] = FieldValue::Int(symbol.type);
                if (!text) v[1] = FieldValue::Double(symbol.direction);
                if (text) v[2] = FieldValue::Text(symbol.text);
                break;
            }
            case LayerId::ClosedContours: {
                const ClosedContour& contour = contours_[i];
                SetLine(f.geometry, contour.points);
                v[0] = FieldValue::Int(contour.code);
                SetLabel(v, 1, contour.value);
                v[4] = FieldValue::Int(contour.IsClosed() ? 1 : 0);
                v[5] = FieldValue::Int(contour.valuedClosed ? 1 : 0);
                if (contour.levelIndex != NO_LEVEL_INDEX) v[6] = FieldValue::Int(contour.levelIndex);
                v[7] = FieldValue::Int(static_cast<std::int64_t>(fid));
                v[8] = FieldValue::Int(static_cast<std::int64_t>(contour.labelPoints.size()));
                break;
            }
            case LayerId::WeatherRegions:
                SetRing(f.geometry, regions_[i].points);
                v[0] = FieldValue::Int(regions_[i].code);
                break;
            case LayerId::FillAreas: {
                const FillArea& area = fillAreas_[i];
                SetRing(f.geometry, area.points);
                v[0] = FieldValue::Int(area.code);
                for (std::size_t k = 0; k < 16; ++k) {
                    v[k + 1] = k == 13 ? FieldValue::Double(area.values[k]) : FieldValue::Int(IntegerSlot(area.values[k]));
                }
                break;
            }
            case LayerId::Notes: {
                const Note& note = notes_[i];
                f.geometry.point = note.position;
                v[0] = FieldValue::Int(note.type);
                v[1] = FieldValue::Double(note.value);
                for (std::size_t k = 0; k < 6; ++k) v[k + 2] = FieldValue::Double(note.values[k]);
                v[8] = FieldValue::Text(note.firstText);
                v[9] = FieldValue::Text(note.secondText);
                break;
            }
            case LayerId::LabelPoints: SetLabelPoint(f, fid); break;
        }
        return f;
    }

private:
    template <class Record, class Range>
    static void Assign(std::vector<Record>& records, const Range& range) {
        records.reserve(range.size());
        records.assign(range.begin(), range.end());
    }

    std::uint64_t AddParent(std::uint64_t start, std::size_t labelPoints) {
        labelStarts_.push_back(start);
        return start + labelPoints;
    }

    static void SetLabel(std::array<FieldValue, MAX_FIELDS>& v, std::size_t at, float value) noexcept {
        const LabelKind kind = ClassifyLabel(value);
        v[at] = FieldValue::Name(LabelKindName(kind));
        if (kind == LabelKind::Value) v[at + 1] = FieldValue::Double(value);
        if (kind == LabelKind::Code) v[at + 2] = FieldValue::Double(LabelCode(value));
    }

    static void SetLine(FeatureGeometry& geometry, std::span<const Point> points) noexcept {
        geometry.isNull = points.size() < 2;
        if (!geometry.isNull) geometry.points = points;
    }

    // The stored points, closed by repeating the first when the last differs.
    static void SetRing(FeatureGeometry& geometry, std::span<const Point> points) noexcept {
        const bool closed = !points.empty() && points.front() == points.back();
        geometry.isNull = points.size() + (closed ? 0 : 1) < 4;
        if (geometry.isNull) return;
        geometry.points = points;
        geometry.closeRing = !closed;
    }

    // Lines' label points first, then the contours', each parent's in order.
    void SetLabelPoint(Feature& f, std::uint64_t fid) const noexcept {
        const auto after = std::upper_bound(labelStarts_.begin(), labelStarts_.end() - 1, fid);
        const auto parent = static_cast<std::size_t>(after - labelStarts_.begin() - 1);
        const auto index = static_cast<std::size_t>(fid - labelStarts_[parent]);
        const bool ofLine = parent < lines_.size();
        const std::size_t parentFid = ofLine ? parent : parent - lines_.size();
        const Point point = ofLine ? lines_[parentFid].labelPoints[index] : contours_[parentFid].labelPoints[index];
        f.geometry.point = point;
        f.values[0] = FieldValue::Name(ofLine ? "lines" : "closed_contours");
        f.values[1] = FieldValue::Int(static_cast<std::int64_t>(parentFid));
        f.values[2] = FieldValue::Int(static_cast<std::int64_t>(index));
        SetLabel(f.values, 3, ofLine ? lines_[parentFid].labelValue : contours_[parentFid].value);
    }

    // What the Chart holds points into the library's arrays, which a move of
    // the Chart leaves where they are; so these stay valid across one.
    std::array<bool, LAYER_COUNT> present_{};
    std::vector<Line> lines_;
    std::vector<LineSymbol> lineSymbols_;
    std::vector<Symbol> symbols_;
    std::vector<ClosedContour> contours_;
    std::vector<WeatherRegion> regions_;
    std::vector<FillArea> fillAreas_;
    std::vector<Note> notes_;
    // Where each parent's label points start in the running index (lines,
    // then contours), and one past the last.
    std::vector<std::uint64_t> labelStarts_;
};

}  // namespace readdata14::test::reference_layers

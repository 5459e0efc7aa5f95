// readdata14/layers.hpp — the library's layer model (readdata14_layers.h)
// for C++ hosts: the schema as C++ values, and a chart's features one by one.
// A thin view: every layer, field and value comes from the library, which
// defines them once for every front end. C++20, header-only.
//
//   auto chart = readdata14::Chart::Open(path);
//   const readdata14::layers::ChartLayers layers(chart);
//   for (const auto& layer : readdata14::layers::AllLayers())
//       for (std::uint64_t fid = 0; fid < layers.FeatureCount(layer.id); ++fid) {
//           const auto feature = layers.GetFeature(layer.id, fid);
//           // feature.geometry; feature.values[i] belongs to layer.fields[i]
//       }
//
// Texts (symbol texts, note texts, the description, the first header token)
// come out as the file's bytes. Turn them into UTF-8 before handing them on:
// with the encoding the user named, or else with Utf8OrEscaped, which passes
// valid UTF-8 unchanged and writes every other byte as \xNN.
//
// Ownership: a ChartLayers points into the Chart's document; it must not
// outlive the Chart (a move of the Chart keeps it valid), and it cannot be
// built from a temporary Chart. Building it may throw std::bad_alloc (the
// library makes the layers on first request); every other call is noexcept.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/chart.hpp"
#include "readdata14/readdata14_layers.h"

namespace readdata14::layers {

// ---- the schema ---------------------------------------------------------------

enum class LayerId : std::uint8_t {
    Lines = READDATA14_LAYER_LINES,
    LineSymbols = READDATA14_LAYER_LINE_SYMBOLS,
    Symbols = READDATA14_LAYER_SYMBOLS,
    ClosedContours = READDATA14_LAYER_CLOSED_CONTOURS,
    WeatherRegions = READDATA14_LAYER_WEATHER_REGIONS,
    FillAreas = READDATA14_LAYER_FILL_AREAS,
    Notes = READDATA14_LAYER_NOTES,
    LabelPoints = READDATA14_LAYER_LABEL_POINTS,
};
inline constexpr std::size_t LAYER_COUNT = 8;

enum class GeometryType { Point = READDATA14_GEOMETRY_POINT, LineString = READDATA14_GEOMETRY_LINE_STRING,
                          Polygon = READDATA14_GEOMETRY_POLYGON };

// Boolean: an integer 0 or 1 (OGR's Integer with the Boolean subtype).
enum class FieldType { Integer = READDATA14_FIELD_INTEGER, Boolean = READDATA14_FIELD_BOOLEAN,
                       Real = READDATA14_FIELD_REAL, String = READDATA14_FIELD_STRING };

struct FieldDefinition {
    std::string_view name;
    FieldType type;
    bool nullable;
    std::string_view description;
};

// A layer's fields, in column order: indexable and iterable, by value.
class FieldList {
public:
    FieldList() = default;
    explicit FieldList(std::span<const readdata14_field_definition> fields) noexcept : fields_(fields) {}

    std::size_t size() const noexcept { return fields_.size(); }
    FieldDefinition operator[](std::size_t i) const noexcept {
        const readdata14_field_definition& f = fields_[i];
        return {f.name, static_cast<FieldType>(f.type), f.nullable != 0, f.description};
    }

    class iterator {
    public:
        using value_type = FieldDefinition;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(const FieldList* list, std::size_t at) noexcept : list_(list), at_(at) {}
        FieldDefinition operator*() const noexcept { return (*list_)[at_]; }
        iterator& operator++() noexcept { ++at_; return *this; }
        iterator operator++(int) noexcept { iterator before = *this; ++at_; return before; }
        friend bool operator==(const iterator& a, const iterator& b) noexcept { return a.at_ == b.at_; }

    private:
        const FieldList* list_ = nullptr;
        std::size_t at_ = 0;
    };
    iterator begin() const noexcept { return {this, 0}; }
    iterator end() const noexcept { return {this, size()}; }

private:
    std::span<const readdata14_field_definition> fields_;
};

struct LayerDefinition {
    LayerId id;
    std::string_view name;
    GeometryType geometry;
    FieldList fields;
    std::string_view description;
};

inline LayerDefinition Layer(LayerId id) noexcept {
    const readdata14_layer_definition& d = *readdata14_layer_definition_at(static_cast<std::uint32_t>(id));
    return {id, d.name, static_cast<GeometryType>(d.geometryType), FieldList({d.fields, d.fieldCount}), d.description};
}

// The eight layers in their order (the order of their ids).
inline std::array<LayerDefinition, LAYER_COUNT> AllLayers() noexcept {
    std::array<LayerDefinition, LAYER_COUNT> all{};
    for (std::size_t i = 0; i < LAYER_COUNT; ++i) all[i] = Layer(static_cast<LayerId>(i));
    return all;
}

// The most fields a layer has (fill_areas: the code, sixteen values and left_open).
inline constexpr std::size_t MAX_FIELDS = 18;

// ---- texts --------------------------------------------------------------------

// The length of the valid UTF-8 sequence that starts `bytes`, or 0 when none
// does (no overlong forms, no surrogates, nothing above U+10FFFF).
constexpr std::size_t Utf8SequenceLength(std::string_view bytes) noexcept {
    if (bytes.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    if (b0 < 0x80u) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80u, high = 0xBFu;  // the range of the second byte
    if (b0 >= 0xC2u && b0 <= 0xDFu) {
        length = 2;
    } else if (b0 >= 0xE0u && b0 <= 0xEFu) {
        length = 3;
        if (b0 == 0xE0u) low = 0xA0u;
        if (b0 == 0xEDu) high = 0x9Fu;
    } else if (b0 >= 0xF0u && b0 <= 0xF4u) {
        length = 4;
        if (b0 == 0xF0u) low = 0x90u;
        if (b0 == 0xF4u) high = 0x8Fu;
    } else {
        return 0;
    }
    if (bytes.size() < length) return 0;
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b1 < low || b1 > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((static_cast<unsigned char>(bytes[i]) & 0xC0u) != 0x80u) return 0;
    }
    return length;
}

constexpr bool IsUtf8(std::string_view bytes) noexcept {
    while (!bytes.empty()) {
        const std::size_t length = Utf8SequenceLength(bytes);
        if (length == 0) return false;
        bytes.remove_prefix(length);
    }
    return true;
}

inline void AppendEscapedByte(std::string& out, unsigned char byte) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    out += "\\x";
    out += HEX[byte >> 4];
    out += HEX[byte & 0x0Fu];
}

// Valid UTF-8 unchanged; every byte that does not start a valid sequence as
// \xNN (upper-case hex), so the result is always valid UTF-8. With
// `escapeBackslash`, a backslash becomes \\ too, so that the byte 0xFF and
// the four characters \xFF never give the same output (for exact dumps).
inline std::string Utf8OrEscaped(std::string_view bytes, bool escapeBackslash = false) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = Utf8SequenceLength(bytes);
        if (length == 0) {
            AppendEscapedByte(out, static_cast<unsigned char>(bytes[0]));
            bytes.remove_prefix(1);
        } else {
            if (escapeBackslash && bytes[0] == '\\') out += '\\';
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

// ---- features -----------------------------------------------------------------

// One field's value. A String field's text is bytes of the file (the model's
// own names are ASCII): decode it as "Texts" above says.
struct FieldValue {
    enum class Kind : std::uint8_t { Null, Integer, Real, Text };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;  // Integer and Boolean fields
    double real = 0.0;
    std::string_view text;

    static constexpr FieldValue Int(std::int64_t v) noexcept { return {Kind::Integer, v, 0.0, {}}; }
    static constexpr FieldValue Double(double v) noexcept { return {Kind::Real, 0, v, {}}; }
    static constexpr FieldValue Text(std::string_view v) noexcept { return {Kind::Text, 0, 0.0, v}; }
};

struct FeatureGeometry {
    GeometryType type = GeometryType::Point;
    // No geometry (too few points, or a coordinate that is not finite); the
    // feature and its fields are kept.
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

// The dataset's metadata. DESCRIPTION and FIRST_TOKEN are the file's bytes:
// decode them like the texts. LEVELS: each level in the shortest form that
// reads back to the same float, comma-separated; HEADER_INTEGERS likewise,
// the integers that stood in the file.
struct MetadataItem {
    std::string_view key;
    std::string value;
};

// Layer metadata key: "YES" when the section's tag stood where it was due,
// whatever its count.
inline constexpr std::string_view SECTION_PRESENT = "SECTION_PRESENT";

inline std::string FormatFloat(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

class ChartLayers {
public:
    // The layers of a chart that was read (Status() Read). Throws
    // std::bad_alloc when the library cannot make them.
    explicit ChartLayers(const Chart& chart) : document_(chart.Document()) {
        for (std::size_t i = 0; i < LAYER_COUNT; ++i) {
            tables_[i] = document_ ? readdata14_document_layer(document_, static_cast<std::uint32_t>(i)) : nullptr;
            if (document_ && tables_[i] == nullptr) throw std::bad_alloc();
        }
    }
    explicit ChartLayers(const Chart&&) = delete;

    // The library's table of a layer, for hosts that take whole columns;
    // null for a Chart that did not read.
    const readdata14_layer* Table(LayerId id) const noexcept { return tables_[static_cast<std::size_t>(id)]; }

    std::uint64_t FeatureCount(LayerId id) const noexcept { return Table(id) ? Table(id)->featureCount : 0; }
    bool SectionPresent(LayerId id) const noexcept { return Table(id) && Table(id)->present != 0; }

    // `fid` below FeatureCount(id).
    Feature GetFeature(LayerId id, std::uint64_t fid) const noexcept {
        const readdata14_layer& table = *Table(id);
        Feature f;
        f.fid = fid;
        f.geometry = Geometry(table, fid);
        for (std::uint32_t i = 0; i < table.definition->fieldCount; ++i) f.values[i] = Value(table.columns[i], fid);
        return f;
    }

    static FieldValue Value(const readdata14_column& column, std::uint64_t row) noexcept {
        if (column.nulls != nullptr && column.nulls[row] != 0) return {};
        switch (column.type) {
            case READDATA14_FIELD_REAL: return FieldValue::Double(column.reals[row]);
            case READDATA14_FIELD_STRING:
                return FieldValue::Text({column.texts + column.textStarts[row], column.textLengths[row]});
            default: return FieldValue::Int(column.integers[row]);
        }
    }

    static FeatureGeometry Geometry(const readdata14_layer& table, std::uint64_t fid) noexcept {
        FeatureGeometry g;
        g.type = static_cast<GeometryType>(table.definition->geometryType);
        g.isNull = (table.geometryFlags[fid] & READDATA14_GEOMETRY_NULL) != 0;
        if (g.isNull) return g;
        const auto* first = reinterpret_cast<const Point*>(table.coordinates + table.geometryStarts[fid]);
        g.points = {first, table.pointCounts[fid]};
        if (g.type == GeometryType::Point) g.point = *first;
        g.closeRing = (table.geometryFlags[fid] & READDATA14_RING_LEFT_OPEN) != 0;
        return g;
    }

    // The dataset's metadata (DocumentMetadata below).
    std::vector<MetadataItem> Metadata() const;

private:
    const readdata14_document* document_;
    std::array<const readdata14_layer*, LAYER_COUNT> tables_{};
};

// DESCRIPTION, FIRST_TOKEN, HEADER_INTEGERS, LEVELS, LEVEL_ORDER,
// FILL_AREAS_READ, ERRORS, WARNINGS of a document that read a chart: for
// hosts that hold the document itself (opened with their own options).
inline std::vector<MetadataItem> DocumentMetadata(const readdata14_document& d) {
    const readdata14_metadata_item* items = nullptr;
    const std::size_t count = readdata14_document_metadata(&d, &items);
    if (count == 0 && (d.status == READDATA14_READ || d.status == READDATA14_STOPPED)) throw std::bad_alloc();
    std::vector<MetadataItem> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) out.push_back({items[i].key, std::string(items[i].value, items[i].valueSize)});
    return out;
}

inline std::vector<MetadataItem> ChartLayers::Metadata() const {
    return document_ != nullptr ? DocumentMetadata(*document_) : std::vector<MetadataItem>{};
}

}  // namespace readdata14::layers

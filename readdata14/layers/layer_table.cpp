#include "layers/layer_table.hpp"

#include <cmath>
#include <limits>

#include "layers/schema.hpp"

namespace readdata14::layers {
namespace {

// A field's type against the column's: integers and booleans come as either,
// or as reals (whole ones, checked where read); reals as integers too.
bool Fits(std::int32_t field, std::int32_t column) noexcept {
    if (field == READDATA14_FIELD_STRING || column == READDATA14_FIELD_STRING) return field == column;
    return column == READDATA14_FIELD_INTEGER || column == READDATA14_FIELD_BOOLEAN || column == READDATA14_FIELD_REAL;
}

const char* TypeName(std::int32_t type) noexcept {
    switch (type) {
        case READDATA14_FIELD_INTEGER: return "integer";
        case READDATA14_FIELD_BOOLEAN: return "boolean";
        case READDATA14_FIELD_REAL: return "real";
        case READDATA14_FIELD_STRING: return "string";
        default: return "unknown";
    }
}

}  // namespace

LayerTable::LayerTable(const readdata14_layer_table& table, std::uint32_t flags)
    : table_(table), pointsAsGiven_((flags & READDATA14_TABLE_POINTS_AS_GIVEN) != 0) {
    definition_ = &Schema()[table.id];
    columns_.assign(definition_->fieldCount, nullptr);
    for (std::uint32_t i = 0; i < table.columnCount && !refusal_; ++i) CheckColumn(table.columns[i]);
}

const char* LayerTable::LayerName() const noexcept { return definition_->name; }

std::string_view LayerTable::FieldName(std::size_t field) const noexcept { return definition_->fields[field].name; }

void LayerTable::FailTable(std::string why) {
    if (!refusal_) refusal_ = InputRefusal{-1, std::string(LayerName()) + ": " + why};
}

std::nullopt_t LayerTable::Fail(std::size_t row, std::string why) {
    if (!refusal_) {
        refusal_ = InputRefusal{static_cast<std::int64_t>(row),
                                std::string(LayerName()) + " row " + std::to_string(row) + ": " + why};
    }
    return std::nullopt;
}

void LayerTable::CheckColumn(const readdata14_table_column& given) {
    const std::string_view name = given.name != nullptr ? given.name : "";
    std::size_t field = 0;
    while (field < columns_.size() && FieldName(field) != name) ++field;
    if (field == columns_.size()) return FailTable("a column names the field \"" + std::string(name) + "\", which the layer has not");
    if (columns_[field] != nullptr) return FailTable("two columns name the field " + std::string(name));
    const readdata14_column& column = given.column;
    const std::int32_t type = definition_->fields[field].type;
    if (!Fits(type, column.type)) {
        return FailTable("the column " + std::string(name) + " is " + TypeName(column.type) + "; the field is " +
                         TypeName(type));
    }
    const std::size_t rows = Rows();
    const bool string = column.type == READDATA14_FIELD_STRING;
    const bool real = column.type == READDATA14_FIELD_REAL;
    const bool missing = string ? (column.textStarts == nullptr || column.textLengths == nullptr ||
                                   (column.texts == nullptr && given.textSize != 0))
                                : (real ? column.reals == nullptr : column.integers == nullptr);
    if (rows > 0 && missing) return FailTable("the column " + std::string(name) + " has rows but no values");
    if (string) {
        for (std::size_t row = 0; row < rows; ++row) {
            if (IsNull(field, row)) continue;
            const std::uint64_t start = column.textStarts[row];
            if (start > given.textSize || column.textLengths[row] > given.textSize - start) {
                Fail(row, "its " + std::string(name) + " lies beyond the column's " + std::to_string(given.textSize) +
                              " bytes of text");
                return;
            }
        }
    }
    columns_[field] = &column;
}

bool LayerTable::IsNull(std::size_t field, std::size_t row) const noexcept {
    const readdata14_column* column = columns_[field];
    return column != nullptr && column->nulls != nullptr && column->nulls[row] != 0;
}

std::optional<double> LayerTable::Number(std::size_t field, std::size_t row) const noexcept {
    const readdata14_column* column = columns_[field];
    if (column == nullptr || IsNull(field, row)) return std::nullopt;
    if (column->type == READDATA14_FIELD_REAL) return column->reals[row];
    return static_cast<double>(column->integers[row]);
}

std::optional<std::string_view> LayerTable::Text(std::size_t field, std::size_t row) const noexcept {
    const readdata14_column* column = columns_[field];
    if (column == nullptr || IsNull(field, row)) return std::nullopt;
    const std::uint32_t length = column->textLengths[row];
    if (length == 0) return std::string_view();
    return std::string_view(column->texts + column->textStarts[row], length);
}

std::optional<std::span<const float>> LayerTable::Points(std::size_t row) {
    const std::uint32_t count = table_.pointCounts[row];
    const bool isNull = table_.geometryFlags != nullptr && (table_.geometryFlags[row] & READDATA14_GEOMETRY_NULL) != 0;
    if (isNull || count == 0) return std::span<const float>();
    const std::uint64_t start = table_.geometryStarts[row];
    const std::uint64_t floats = 2 * static_cast<std::uint64_t>(count);
    if (start > table_.coordinateCount || floats > table_.coordinateCount - start) {
        return Fail(row, "its " + std::to_string(count) + " points from " + std::to_string(start) + " lie beyond the " +
                             std::to_string(table_.coordinateCount) + " coordinates");
    }
    const std::span<const float> xy(table_.coordinates + start, static_cast<std::size_t>(floats));
    if (pointsAsGiven_) return xy;
    // One pass with no branch per coordinate; only a row with one not
    // finite is walked again to name it.
    bool finite = true;
    for (const float v : xy) finite &= std::fabs(v) <= std::numeric_limits<float>::max();
    if (finite) return xy;
    for (std::size_t i = 0; i < xy.size(); ++i) {
        if (!std::isfinite(xy[i])) {
            return Fail(row, "its point " + std::to_string(i / 2 + 1) + " has a coordinate that is not finite "
                             "(a geometry GIS cannot carry is null)");
        }
    }
    return xy;
}

}  // namespace readdata14::layers

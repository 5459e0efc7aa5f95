// A host's table read cell by cell, every offset checked against the sizes
// the table gives: the columns found by their field's name, a field without
// a column known as such, each geometry a run of coordinates inside the
// table's array.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layers/layer_input.hpp"

namespace readdata14::layers {

class LayerTable {
public:
    // The table's shape checked once (columns, types, text offsets): the
    // refusal, if any, is Refusal() afterwards. `flags` are the
    // READDATA14_TABLE_* bits that govern it: label points go by their
    // parents' table's.
    explicit LayerTable(const readdata14_layer_table& table) : LayerTable(table, table.flags) {}
    LayerTable(const readdata14_layer_table& table, std::uint32_t flags);

    const std::optional<InputRefusal>& Refusal() const noexcept { return refusal_; }
    std::size_t Rows() const noexcept { return static_cast<std::size_t>(table_.featureCount); }
    const char* LayerName() const noexcept;

    // Whether the field has a column; whether the row is null there.
    bool Has(std::size_t field) const noexcept { return columns_[field] != nullptr; }
    bool IsNull(std::size_t field, std::size_t row) const noexcept;
    // The value, or nothing for a field without a column or a null row.
    std::optional<double> Number(std::size_t field, std::size_t row) const noexcept;
    std::optional<std::string_view> Text(std::size_t field, std::size_t row) const noexcept;
    // The row's points (x, y pairs): empty for a null geometry; nothing (and
    // a refusal) for a run beyond the coordinates or a coordinate that is
    // not finite (unless the flags take points as given).
    std::optional<std::span<const float>> Points(std::size_t row);

    // Sets the refusal (the first one stays) for a row; returns nothing, so
    // that a reader can `return Fail(...)`.
    std::nullopt_t Fail(std::size_t row, std::string why);
    std::string_view FieldName(std::size_t field) const noexcept;

private:
    void CheckColumn(const readdata14_table_column& given);
    void FailTable(std::string why);

    const readdata14_layer_table& table_;
    bool pointsAsGiven_ = false;
    const readdata14_layer_definition* definition_ = nullptr;
    std::vector<const readdata14_column*> columns_;  // by field; null: no column
    std::optional<InputRefusal> refusal_;
};

}  // namespace readdata14::layers

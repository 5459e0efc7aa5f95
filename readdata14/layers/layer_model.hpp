// One read chart as its eight layers: for each, the feature count, the
// geometries as places in the chart's own blocks, and one typed column per
// field. Made once from a document and read-only afterwards, so that any
// number of threads and front ends can read it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "layers/schema.hpp"
#include "readdata14/point.hpp"
#include "readdata14/readdata14_layers.h"

namespace readdata14::layers {

// One field's rows, and the C record that points at them.
class Column {
public:
    explicit Column(const readdata14_field_definition& field) noexcept;
    void Reserve(std::size_t rows);

    void Integer(std::int64_t value) { Row(); integers_.push_back(value); }
    // A REAL value; one that is not finite is null (the fields that can hold
    // such a value are nullable).
    void Real(double value);
    // A STRING row: `text` lies in the bytes at `base`, which every row of
    // the column shares (the chart's joined texts, or the model's names).
    void Text(const char* base, std::string_view text);
    void Null();

    readdata14_column Record() const noexcept;

private:
    void Row() { nulls_.push_back(0); }

    std::int32_t type_;
    std::vector<std::int64_t> integers_;
    std::vector<double> reals_;
    const char* texts_ = nullptr;
    std::vector<std::uint64_t> textStarts_;
    std::vector<std::uint32_t> textLengths_;
    std::vector<std::uint8_t> nulls_;
    bool anyNull_ = false;
};

// One layer: its geometries and columns, and the C record over them.
class Table {
public:
    Table() = default;
    Table(readdata14_layer_id id, bool present);
    void Reserve(std::size_t features);

    // The feature's geometry, in the block at `base` (the points lie there).
    void Line(const float* base, std::span<const Point> points);
    // Returns whether the stored points leave the ring open (do not end with
    // the first point), which GIS closes and a writer needs to know.
    bool Ring(const float* base, std::span<const Point> points);
    void PointAt(const float* base, const Point* point);
    // Where the feature's record begins in its block (every layer but the
    // label points).
    void RecordAt(std::size_t start) { recordStarts_.push_back(start); }
    Column& operator[](std::size_t field) noexcept { return columns_[field]; }

    // After the last feature; `coordinates` is the block all geometries
    // point into. The record points into this table: it must not move after.
    void Finish(const float* coordinates);
    const readdata14_layer& Record() const noexcept { return record_; }

private:
    void Add(const float* base, std::span<const Point> points, std::uint8_t flags);

    readdata14_layer record_{};
    std::vector<std::uint64_t> starts_;
    std::vector<std::uint32_t> counts_;
    std::vector<std::uint8_t> flags_;
    std::vector<std::uint64_t> recordStarts_;
    bool hasRecords_ = false;
    std::vector<Column> columns_;
    std::vector<readdata14_column> columnRecords_;
    std::array<double, 4> extent_{};
};

class LayerModel {
public:
    // Builds every layer of a document that read a chart. May throw
    // std::bad_alloc.
    explicit LayerModel(const readdata14_document& document);
    LayerModel(const LayerModel&) = delete;
    LayerModel& operator=(const LayerModel&) = delete;

    const readdata14_layer& Layer(std::size_t id) const noexcept { return tables_[id].Record(); }

private:
    std::array<Table, LAYER_COUNT> tables_;
    std::vector<float> labelPoints_;  // the label points' own coordinates
};

}  // namespace readdata14::layers

// One read chart's records as stored, per layer: for each value a record
// holds, where every feature's lies in its block. The block layouts are
// walked here, once, so that no host walks them again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "layers/schema.hpp"
#include "readdata14/readdata14_layers.h"

namespace readdata14::layers {

// One value of every record: its items' starts and counts.
class StoredColumn {
public:
    StoredColumn(const char* name, std::uint32_t kind, const float* floats, std::size_t floatCount) noexcept;
    void Reserve(std::size_t features);
    void Add(std::size_t start, std::size_t count) {
        starts_.push_back(start);
        counts_.push_back(static_cast<std::uint32_t>(count));  // a count slot holds at most 2^24
    }
    readdata14_stored_column Record() const noexcept;

private:
    readdata14_stored_column record_{};
    std::vector<std::uint64_t> starts_;
    std::vector<std::uint32_t> counts_;
};

// One layer's columns, and the C record over them.
class StoredLayer {
public:
    StoredColumn& Add(const char* name, std::uint32_t kind, const float* floats, std::size_t floatCount);
    // After the last feature; the record points into this layer: it must not move after.
    StoredColumn& operator[](std::size_t column) noexcept { return columns_[column]; }
    void Finish(readdata14_layer_id id, std::size_t features);
    const readdata14_stored_layer& Record() const noexcept { return record_; }

private:
    readdata14_stored_layer record_{};
    std::vector<StoredColumn> columns_;
    std::vector<readdata14_stored_column> columnRecords_;
};

class StoredLayers {
public:
    // Walks every block of a document that read a chart. May throw std::bad_alloc.
    explicit StoredLayers(const readdata14_document& document);
    StoredLayers(const StoredLayers&) = delete;
    StoredLayers& operator=(const StoredLayers&) = delete;

    const readdata14_stored_layer& Layer(std::size_t id) const noexcept { return layers_[id].Record(); }

private:
    std::array<StoredLayer, LAYER_COUNT> layers_;
    std::vector<float> labelPoints_;  // x, y and the parent's label of each label point
};

}  // namespace readdata14::layers

// The way back: a layer handed back by a host (readdata14_layer_table, the
// shape of the layer model), resolved into the elements of its section:
// labels, codes, rings left open, the contours' file order, label points
// joined to their parents. One place for these rules, whichever host the
// table comes from (GDAL's writer, Python's frames, the tests).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/readdata14_layers.h"

namespace readdata14::layers {

// Why a table or one of its rows was refused: the whole message names the
// layer and the row ("lines row 3: code is null").
struct InputRefusal {
    std::int64_t row = -1;  // -1: the table as a whole
    std::string message;
};

struct LabelledElement {
    std::size_t row = 0;
    std::int32_t code = 0;
    std::span<const float> points;  // x, y pairs
    float label = 0.0f;
    std::span<const float> labelPoints;
};

struct ListElement {
    std::size_t row = 0;
    std::int32_t code = 0;
    std::span<const float> points;
    std::array<float, 16> values{};  // fill areas only
};

struct SymbolElement {
    std::size_t row = 0;
    std::int32_t type = 0;
    float x = 0.0f, y = 0.0f, direction = 0.0f;
    std::optional<std::string_view> text;
};

struct NoteElement {
    std::size_t row = 0;
    std::int32_t type = 0;
    float x = 0.0f, y = 0.0f, value = 0.0f;
    std::array<float, 6> trailing{};
    std::optional<std::string_view> firstText, secondText;
};

// One table's elements, in the order they go into the chart. The spans
// point into the host's table and into labelPointStore.
struct LayerElements {
    std::vector<LabelledElement> labelled;  // lines, closed contours (in file order)
    std::vector<ListElement> lists;         // line symbols, weather regions, fill areas
    std::vector<SymbolElement> symbols;
    std::vector<NoteElement> notes;
    std::vector<float> labelPointStore;
    std::vector<std::vector<float>> ringStore;  // contours closed here (each buffer stays put)
};

// The elements of `table` (not of the LABEL_POINTS layer, which goes with
// its parents' tables), or why not. Checks every offset against the sizes
// the table gives. May throw std::bad_alloc.
std::optional<InputRefusal> ResolveLayer(const readdata14_layer_table& table, const readdata14_layer_table* labelPoints,
                                         LayerElements& elements);

}  // namespace readdata14::layers

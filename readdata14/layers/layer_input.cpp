#include "layers/layer_input.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

#include "layers/label_room.hpp"
#include "layers/layer_table.hpp"
#include "layers/rings.hpp"
#include "layers/schema.hpp"
#include "readdata14/format.hpp"

namespace readdata14::layers {
namespace {

constexpr float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();

// A number as short as its double allows ("16777217", "1.5", "nan").
std::string Shown(double value) {
    if (std::isnan(value)) return "nan";
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The reads of one row's fields, with the rules every section shares; each
// refusal goes to the table with the row.
class RowReader {
public:
    RowReader(LayerTable& table, std::size_t row) : table_(table), row_(row) {}

    std::nullopt_t Fail(std::string why) { return table_.Fail(row_, std::move(why)); }
    std::string Name(std::size_t field) const { return std::string(table_.FieldName(field)); }

    // A field that may not be null: refused when its column holds a null.
    bool NotNull(std::size_t field) {
        if (!table_.IsNull(field, row_)) return true;
        Fail(Name(field) + " is null");
        return false;
    }

    // The number as the file's 32-bit float; a null is NaN, a number beyond
    // the float range refused.
    std::optional<float> Real(std::size_t field) {
        if (table_.IsNull(field, row_)) return NOT_A_NUMBER;
        return Single(field, table_.Number(field, row_).value_or(0.0));
    }

    std::optional<float> Single(std::size_t field, double value) {
        if (std::isnan(value)) return std::copysign(NOT_A_NUMBER, static_cast<float>(value));
        const auto single = static_cast<float>(value);
        if (std::isinf(single) && !std::isinf(value)) return Fail(Name(field) + " is " + Shown(value) + ", beyond the 32-bit float range");
        return single;
    }

    // An integer the file keeps in a float slot (a code, a type, a fill
    // area's value): whole, of 32 bits, and given back by its slot.
    std::optional<std::int32_t> Whole(std::size_t field) {
        if (!NotNull(field)) return std::nullopt;
        const double value = table_.Number(field, row_).value_or(0.0);
        if (!(value >= -2147483648.0 && value <= 2147483647.0) || value != std::floor(value)) {
            return Fail(Name(field) + " is " + Shown(value) + ", not a whole number of 32 bits");
        }
        const auto integer = static_cast<std::int32_t>(value);
        const std::int32_t read = IntegerSlot(static_cast<float>(integer));
        if (read != integer) {
            return Fail(Name(field) + " is " + std::to_string(integer) + ", which reads back as " + std::to_string(read) +
                        " (the file keeps integers in 32-bit floats)");
        }
        return integer;
    }

    bool Flag(std::size_t field) { return NotNull(field) && table_.Number(field, row_).value_or(0.0) != 0.0; }

    // The three label fields from `at` on: kind, value, code.
    std::optional<float> Label(std::size_t at) {
        std::string_view kind;
        if (table_.Has(at)) {
            if (!NotNull(at)) return std::nullopt;
            kind = *table_.Text(at, row_);
        } else {
            kind = table_.Number(at + 1, row_) ? "value" : "none";
        }
        if (kind == "none") return NO_LABEL_VALUE;
        if (kind == "code") {
            const auto code = table_.Number(at + 2, row_);
            if (!code) return Fail("label_code is null or missing, and label_kind is \"code\"");
            // label_code is the stored float less the offset, in double:
            // adding it back gives that float exactly.
            const auto label = static_cast<float>(*code + double(LABEL_CODE_OFFSET));
            if (!IsLabelCode(label)) return Fail("label_code is " + Shown(*code) + ", not a code (0 to 100)");
            return label;
        }
        if (kind != "value") return Fail("label_kind is \"" + std::string(kind) + "\", not none, code or value");
        // A null value is one that was not finite: NaN.
        const auto label = Real(at + 1);
        if (!label) return std::nullopt;
        if (IsNoLabel(*label) || IsLabelCode(*label)) {
            return Fail("label_value is " + Shown(*label) + ", which no label gives back: it reads back as " +
                        (IsNoLabel(*label) ? "NoLabel" : "a code"));
        }
        return label;
    }

    std::optional<std::string_view> Text(std::size_t field) { return table_.Text(field, row_); }

    // A point layer's one point: (NaN, NaN) for a null geometry.
    std::optional<std::array<float, 2>> Position(float whenNull) {
        const auto xy = table_.Points(row_);
        if (!xy) return std::nullopt;
        if (xy->empty()) return std::array<float, 2>{whenNull, whenNull};
        if (xy->size() != 2) return Fail("it has " + std::to_string(xy->size() / 2) + " points; a point has one");
        return std::array<float, 2>{(*xy)[0], (*xy)[1]};
    }

    std::optional<std::span<const float>> Points() { return table_.Points(row_); }

private:
    LayerTable& table_;
    std::size_t row_;
};

// A ring GIS closed by repeating its first point, which the file left open.
std::span<const float> Opened(std::span<const float> xy, bool leftOpen) {
    const std::size_t n = xy.size();
    if (leftOpen && n >= 4 && xy[0] == xy[n - 2] && xy[1] == xy[n - 1]) return xy.first(n - 2);
    return xy;
}

// ---- label points ------------------------------------------------------------------

struct Mark {
    std::size_t row;     // in the label points' table
    std::size_t parent;  // the parent's row
    double index;
    float x, y;
};

// The row each parent_fid names: the row's FID where the host gives them,
// else a contour's nesting_position where the table has it (its FID when
// read), else the row itself.
std::optional<std::map<std::int64_t, std::size_t>> ParentKeys(LayerTable& table, const std::int64_t* fids,
                                                              bool contours) {
    std::map<std::int64_t, std::size_t> keys;
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        const auto position = contours ? table.Number(field::CONTOUR_NESTING_POSITION, row) : std::nullopt;
        const auto key = fids != nullptr ? fids[row]
                         : position      ? static_cast<std::int64_t>(*position)
                                         : static_cast<std::int64_t>(row);
        if (!keys.emplace(key, row).second) {
            return table.Fail(row, "its FID " + std::to_string(key) + " is another row's too; label points could not "
                                   "tell their parent");
        }
    }
    return keys;
}

std::optional<InputRefusal> JoinLabelPoints(LayerTable& parents, const readdata14_layer_table& table,
                                            const readdata14_layer_table* given, bool contours, LayerElements& out) {
    const std::int64_t* fids = table.fids;
    std::vector<std::vector<Mark>> byParent(parents.Rows());
    if (given != nullptr && given->featureCount > 0) {
        LayerTable marks(*given, table.flags);
        if (marks.Refusal()) return marks.Refusal();
        const auto keys = ParentKeys(parents, fids, contours);
        if (!keys) return parents.Refusal();
        const std::size_t room = contours ? kContourLabelPoints : kLineLabelPoints;
        for (std::size_t row = 0; row < marks.Rows(); ++row) {
            RowReader reader(marks, row);
            if (!reader.NotNull(field::PARENT_LAYER) || !reader.NotNull(field::PARENT_FID)) return marks.Refusal();
            const std::string_view layer = reader.Text(field::PARENT_LAYER).value_or("");
            if (layer != "lines" && layer != "closed_contours") {
                reader.Fail("parent_layer is \"" + std::string(layer) + "\", not lines or closed_contours");
                return marks.Refusal();
            }
            if (layer != parents.LayerName()) continue;
            const double fid = marks.Number(field::PARENT_FID, row).value_or(-1.0);
            const auto parent = fid == std::floor(fid) && std::fabs(fid) < 9.0e15 ? keys->find(static_cast<std::int64_t>(fid))
                                                                                   : keys->end();
            if (parent == keys->end()) {
                reader.Fail("its parent, " + std::string(layer) + " FID " + Shown(fid) + ", is not in the layer");
                return marks.Refusal();
            }
            auto& list = byParent[parent->second];
            if (list.size() == room) {
                reader.Fail("its parent, " + std::string(layer) + " FID " + Shown(fid) + ", has " + std::to_string(room) +
                            " label points already, as many as its record holds");
                return marks.Refusal();
            }
            const auto xy = reader.Position(NOT_A_NUMBER);
            if (!xy) return marks.Refusal();
            // Ordered by index (a NaN after the others; without the column, in row order).
            const double index = marks.Number(field::LABEL_INDEX, row).value_or(0.0);
            list.push_back({row, parent->second, std::isnan(index) ? std::numeric_limits<double>::infinity() : index,
                            (*xy)[0], (*xy)[1]});
        }
    }
    // Every point's place first, then the spans: the store does not move after.
    std::size_t total = 0;
    for (auto& list : byParent) {
        std::stable_sort(list.begin(), list.end(), [](const Mark& a, const Mark& b) { return a.index < b.index; });
        total += list.size();
    }
    out.labelPointStore.reserve(2 * total);
    for (const auto& list : byParent) {
        for (const Mark& mark : list) {
            out.labelPointStore.push_back(mark.x);
            out.labelPointStore.push_back(mark.y);
        }
    }
    std::size_t at = 0;
    for (LabelledElement& element : out.labelled) {
        const std::size_t count = 2 * byParent[element.row].size();
        element.labelPoints = std::span<const float>(out.labelPointStore).subspan(at, count);
        at += count;
    }
    return std::nullopt;
}

// ---- the sections ------------------------------------------------------------------------

// Contours in file order: by file_position, the rows without one after them.
std::vector<std::size_t> FileOrder(const LayerTable& table, bool contours) {
    std::vector<std::size_t> order(table.Rows());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (!contours) return order;
    // A NaN (a real column's null) is no position either.
    const auto position = [&](std::size_t row) {
        const double at = table.Number(field::CONTOUR_FILE_POSITION, row).value_or(NOT_A_NUMBER);
        return std::isnan(at) ? std::numeric_limits<double>::infinity() : at;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return position(a) < position(b); });
    return order;
}

// A table of labels as stored has no label fields: two ways to say one
// label could disagree.
std::optional<InputRefusal> LabelsTwice(const LayerTable& table) {
    for (const std::size_t field : {field::LABEL_KIND, field::LABEL_VALUE, field::LABEL_CODE}) {
        if (!table.Has(field)) continue;
        return InputRefusal{-1, std::string(table.LayerName()) + ": it has labels as stored and the column " +
                                    std::string(table.FieldName(field)) + " too"};
    }
    return std::nullopt;
}

std::optional<InputRefusal> Labelled(LayerTable& table, const readdata14_layer_table& given,
                                     const readdata14_layer_table* labelPoints, bool contours, LayerElements& out) {
    const float* stored = given.storedLabels;
    if (stored != nullptr) {
        if (auto refusal = LabelsTwice(table)) return refusal;
    }
    const bool close = contours && (given.flags & READDATA14_TABLE_CLOSE_RINGS) != 0;
    // Label points are stored in the parents' row order, then each element
    // takes its run: the elements are made in row order, sorted after.
    out.labelled.reserve(table.Rows());
    if (close) out.ringStore.reserve(table.Rows());
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        RowReader reader(table, row);
        auto points = reader.Points();
        if (!points) return table.Refusal();
        const auto code = table.Has(field::CODE) ? reader.Whole(field::CODE) : std::optional<std::int32_t>(0);
        if (!code) return table.Refusal();
        const auto label = stored != nullptr ? std::optional<float>(stored[row]) : reader.Label(field::LABEL_KIND);
        if (!label) return table.Refusal();
        if (close) points = ClosedRing(*points, out.ringStore.emplace_back());
        out.labelled.push_back({row, *code, *points, *label, {}});
    }
    if (auto refusal = JoinLabelPoints(table, given, labelPoints, contours, out)) return refusal;
    const std::vector<std::size_t> order = FileOrder(table, contours);
    std::vector<LabelledElement> ordered;
    ordered.reserve(order.size());
    for (const std::size_t row : order) ordered.push_back(out.labelled[row]);
    out.labelled = std::move(ordered);
    return std::nullopt;
}

std::optional<InputRefusal> Lists(LayerTable& table, readdata14_layer_id id, LayerElements& out) {
    out.lists.reserve(table.Rows());
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        RowReader reader(table, row);
        ListElement element;
        element.row = row;
        const auto points = reader.Points();
        const auto code = points ? reader.Whole(field::CODE) : std::nullopt;
        if (!code) return table.Refusal();
        element.code = *code;
        element.points = *points;
        if (id == READDATA14_LAYER_WEATHER_REGIONS) element.points = Opened(*points, reader.Flag(field::REGION_LEFT_OPEN));
        if (id == READDATA14_LAYER_FILL_AREAS) {
            element.points = Opened(*points, reader.Flag(field::FILL_AREA_LEFT_OPEN));
            for (std::size_t k = 0; k < element.values.size(); ++k) {
                // The 14th value is the one float among the sixteen.
                const std::size_t at = k + 1;
                if (at == field::FILL_AREA_REAL_VALUE) {
                    element.values[k] = reader.Real(at).value_or(0.0f);
                } else {
                    element.values[k] = static_cast<float>(reader.Whole(at).value_or(0));
                }
            }
        }
        if (table.Refusal()) return table.Refusal();
        out.lists.push_back(element);
    }
    return std::nullopt;
}

std::optional<InputRefusal> Symbols(LayerTable& table, LayerElements& out) {
    out.symbols.reserve(table.Rows());
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        RowReader reader(table, row);
        const auto xy = reader.Position(NOT_A_NUMBER);
        const auto type = xy ? reader.Whole(field::SYMBOL_TYPE) : std::nullopt;
        if (!type) return table.Refusal();
        SymbolElement symbol{row, *type, (*xy)[0], (*xy)[1], 0.0f, reader.Text(field::SYMBOL_TEXT)};
        if (IsTextSymbolType(*type)) {
            if (!symbol.text) {
                reader.Fail("a symbol of type " + std::to_string(*type) + " carries a text, and it has none");
                return table.Refusal();
            }
        } else {
            const auto direction = reader.Real(field::SYMBOL_DIRECTION);
            if (!direction) return table.Refusal();
            symbol.direction = *direction;
        }
        out.symbols.push_back(symbol);
    }
    return std::nullopt;
}

std::optional<InputRefusal> Notes(LayerTable& table, LayerElements& out) {
    out.notes.reserve(table.Rows());
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        RowReader reader(table, row);
        const auto type = reader.Whole(field::NOTE_TYPE);
        if (!type) return table.Refusal();
        const bool texts = NoteHasTexts(*type);
        // A note of another type is its type alone, stored at (0, 0).
        const auto xy = reader.Position(texts ? NOT_A_NUMBER : 0.0f);
        const auto value = xy ? reader.Real(field::NOTE_VALUE) : std::nullopt;
        if (!value) return table.Refusal();
        NoteElement note{row, *type, (*xy)[0], (*xy)[1], *value, {}, {}, {}};
        for (std::size_t k = 0; k < note.trailing.size(); ++k) {
            const auto trailing = reader.Real(field::NOTE_VALUES + k);
            if (!trailing) return table.Refusal();
            note.trailing[k] = *trailing;
        }
        if (!reader.NotNull(field::NOTE_FIRST_TEXT) || !reader.NotNull(field::NOTE_SECOND_TEXT)) return table.Refusal();
        // The layer model shows a note without texts with empty ones.
        const auto text = [&](std::size_t field) -> std::optional<std::string_view> {
            const std::string_view given = reader.Text(field).value_or("");
            if (texts || !given.empty()) return given;
            return std::nullopt;
        };
        note.firstText = text(field::NOTE_FIRST_TEXT);
        note.secondText = text(field::NOTE_SECOND_TEXT);
        out.notes.push_back(note);
    }
    return std::nullopt;
}

}  // namespace

std::optional<InputRefusal> ResolveLayer(const readdata14_layer_table& given, const readdata14_layer_table* labelPoints,
                                         LayerElements& elements) {
    LayerTable table(given);
    if (table.Refusal()) return table.Refusal();
    const auto id = static_cast<readdata14_layer_id>(given.id);
    if (given.storedLabels != nullptr && id != READDATA14_LAYER_LINES && id != READDATA14_LAYER_CLOSED_CONTOURS) {
        return InputRefusal{-1, std::string(table.LayerName()) + ": it has labels as stored, which only lines and "
                                                                 "closed contours hold"};
    }
    switch (id) {
        case READDATA14_LAYER_LINES: return Labelled(table, given, labelPoints, false, elements);
        case READDATA14_LAYER_CLOSED_CONTOURS: return Labelled(table, given, labelPoints, true, elements);
        case READDATA14_LAYER_SYMBOLS: return Symbols(table, elements);
        case READDATA14_LAYER_NOTES: return Notes(table, elements);
        default: return Lists(table, id, elements);
    }
}

}  // namespace readdata14::layers

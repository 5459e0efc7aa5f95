// The chart's elements from the features. Each feature becomes a row of its
// section's table, which the library checks at once
// (readdata14_builder_check_layer): a row it refuses is not kept, and its
// feature fails with the library's reason. The tables are handed to
// readdata14_builder_add_layer when the chart is finished, in batches: the
// library resolves labels, codes, rings, the contours' file order and the
// label points. What only the whole chart shows (a label point that arrived
// before its parent) can still be refused there: that row is skipped (and
// reported by the dataset) and the batch handed again without it.
#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "ogr_chart14_write.hpp"
#include "readdata14/format.hpp"

namespace readdata14::ogr {
namespace {

// Rows handed to the library at once: few enough that a refusal near the
// end of a batch costs little to hand again.
constexpr std::size_t BATCH = 16384;

// Where each field stands in its layer (the layer model's schema, by name).
std::size_t FieldOf(readdata14_layer_id layer, const char* name) {
    const readdata14_layer_definition& definition = *readdata14_layer_definition_at(layer);
    for (std::size_t k = 0; k < definition.fieldCount; ++k) {
        if (EQUAL(definition.fields[k].name, name)) return k;
    }
    return definition.fieldCount;
}

const readdata14_field_definition& Field(readdata14_layer_id layer, std::size_t k) {
    return readdata14_layer_definition_at(layer)->fields[k];
}

// The library's reason without its place ("lines row 3: "), and the layer
// and row it names.
struct Place {
    std::string layer;
    std::size_t row = 0;
    std::string why;
};

Place PlaceOf(const readdata14_write_result& result) {
    const std::string message = result.message;
    const auto row = message.find(" row ");
    const auto colon = message.find(": ");
    if (row == std::string::npos || colon == std::string::npos || row > colon) return {"", 0, message};
    return {message.substr(0, row), static_cast<std::size_t>(std::strtoull(message.c_str() + row + 5, nullptr, 10)),
            message.substr(colon + 2)};
}

}  // namespace

// ---- the held table ------------------------------------------------------------------

HeldTable::Column& HeldTable::Given(std::size_t field) {
    if (columns_.size() <= field) columns_.resize(field + 1);
    Column& column = columns_[field];
    if (!column.given) {
        column.given = true;
        // The rows before this one had no such field: null.
        column.nulls.assign(Rows() - 1, 1);
        column.reals.assign(Rows() - 1, 0.0);
        column.starts.assign(Rows() - 1, 0);
        column.lengths.assign(Rows() - 1, 0);
    }
    return column;
}

void HeldTable::Pad(std::size_t rows) {
    for (Column& column : columns_) {
        if (!column.given) continue;
        column.nulls.resize(rows, 1);
        column.reals.resize(rows, 0.0);
        column.starts.resize(rows, 0);
        column.lengths.resize(rows, 0);
    }
}

void HeldTable::Add(std::int64_t fid, std::int64_t key, std::uint32_t source, const std::vector<float>& points) {
    Pad(Rows());
    starts_.push_back(xy_.size());
    counts_.push_back(static_cast<std::uint32_t>(points.size() / 2));
    xy_.insert(xy_.end(), points.begin(), points.end());
    fids_.push_back(fid);
    keys_.push_back(key);
    sources_.push_back(source);
}

void HeldTable::Number(std::size_t field, std::optional<double> value) {
    Column& column = Given(field);
    column.nulls.push_back(value ? 0 : 1);
    column.reals.push_back(value.value_or(0.0));
    column.starts.push_back(0);
    column.lengths.push_back(0);
}

void HeldTable::Text(std::size_t field, const std::optional<std::string>& text) {
    Column& column = Given(field);
    column.nulls.push_back(text ? 0 : 1);
    column.reals.push_back(0.0);
    column.starts.push_back(column.bytes.size());
    column.lengths.push_back(text ? static_cast<std::uint32_t>(text->size()) : 0);
    if (text) column.bytes += *text;
}

const readdata14_layer_table& HeldTable::Table(std::size_t from, std::size_t to) {
    Pad(Rows());
    given_.clear();
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        const Column& c = columns_[k];
        if (!c.given) continue;
        readdata14_column column{};
        const bool text = Field(id_, k).type == READDATA14_FIELD_STRING;
        column.type = text ? READDATA14_FIELD_STRING : READDATA14_FIELD_REAL;
        column.reals = c.reals.data() + from;
        column.texts = c.bytes.data();
        column.textStarts = c.starts.data() + from;
        column.textLengths = c.lengths.data() + from;
        column.nulls = c.nulls.data() + from;
        given_.push_back({Field(id_, k).name, column, c.bytes.size()});
    }
    table_ = READDATA14_LAYER_TABLE_INIT;
    table_.id = id_;
    table_.featureCount = to - from;
    table_.coordinates = xy_.data();
    table_.coordinateCount = xy_.size();
    table_.geometryStarts = starts_.data() + from;
    table_.pointCounts = counts_.data() + from;
    table_.columnCount = static_cast<std::uint32_t>(given_.size());
    table_.columns = given_.data();
    table_.fids = keys_.data() + from;
    return table_;
}

void HeldTable::Erase(std::size_t row) {
    Pad(Rows());
    const auto at = [row](auto& items) { items.erase(items.begin() + static_cast<std::ptrdiff_t>(row)); };
    at(starts_), at(counts_), at(fids_), at(keys_), at(sources_);
    for (Column& c : columns_) {
        if (!c.given) continue;
        at(c.nulls), at(c.reals), at(c.starts), at(c.lengths);
    }
}

HeldTable HeldTable::Pick(const std::vector<std::size_t>& rows) {
    Pad(Rows());
    HeldTable picked(id_);
    picked.columns_.resize(columns_.size());
    for (const std::size_t row : rows) {
        const auto first = xy_.begin() + static_cast<std::ptrdiff_t>(starts_[row]);
        picked.starts_.push_back(picked.xy_.size());
        picked.counts_.push_back(counts_[row]);
        picked.xy_.insert(picked.xy_.end(), first, first + 2 * static_cast<std::ptrdiff_t>(counts_[row]));
        picked.fids_.push_back(fids_[row]);
        picked.keys_.push_back(keys_[row]);
        picked.sources_.push_back(sources_[row]);
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            const Column& from = columns_[k];
            if (!from.given) continue;
            Column& to = picked.columns_[k];
            to.given = true;
            to.nulls.push_back(from.nulls[row]);
            to.reals.push_back(from.reals[row]);
            to.starts.push_back(to.bytes.size());
            to.lengths.push_back(from.lengths[row]);
            to.bytes.append(from.bytes, from.starts[row], from.lengths[row]);
        }
    }
    return picked;
}

// ---- features in ---------------------------------------------------------------------

ChartAssembly::ChartAssembly() {
    readdata14_builder* builder = nullptr;
    if (readdata14_builder_new(&builder) == READDATA14_WRITTEN) builder_.reset(builder);
    for (std::uint32_t id = 0; id < readdata14_layer_count(); ++id) tables_.emplace_back(static_cast<readdata14_layer_id>(id));
}

void ChartAssembly::Take(readdata14_layer_id section, FeatureReader& reader, Verdict& verdict) {
    const OGRFeature& feature = reader.Feature();
    const std::int64_t arrived = arrived_[section]++;
    const std::int64_t fid = feature.GetFID() != OGRNullFID ? feature.GetFID() : arrived;
    // The FID label points name: a contour's nesting position (its FID when
    // read from a chart), else the feature's place in its section.
    const std::int64_t key = section == READDATA14_LAYER_CLOSED_CONTOURS
                                 ? reader.OptionalInteger("nesting_position").value_or(arrived)
                                 : arrived;
    const char* source = feature.GetDefnRef()->GetName();
    if (sources_.empty() || sources_.back() != source) sources_.emplace_back(source);
    static constexpr OGRwkbGeometryType TYPES[] = {wkbLineString, wkbLineString, wkbPoint, wkbLineString,
                                                   wkbPolygon,    wkbPolygon,    wkbPoint, wkbPoint};
    const auto points = reader.Points(TYPES[section]);
    if (!points) return;
    HeldTable& table = tables_[section];
    table.Add(fid, key, static_cast<std::uint32_t>(sources_.size() - 1), *points);
    // A feature the mapping cannot read, or the library refuses, is taken
    // out again, with its reason.
    const std::size_t row = table.Rows() - 1;
    if (!TakeValues(section, reader, table)) {
        table.Erase(row);
        return;
    }
    if (auto why = Check(section, feature, table)) {
        verdict.refusal = std::move(why);
        table.Erase(row);
        return;
    }
    if (section == READDATA14_LAYER_LINES || section == READDATA14_LAYER_CLOSED_CONTOURS) parentRows_[{section, key}] = row;
}

std::optional<std::string> ChartAssembly::Check(readdata14_layer_id section, const OGRFeature& feature, HeldTable& table) {
    const std::size_t row = table.Rows() - 1;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    readdata14_status status = READDATA14_WRITTEN;
    if (section != READDATA14_LAYER_LABEL_POINTS) {
        status = readdata14_builder_check_layer(builder_.get(), &table.Table(row, row + 1), nullptr, &result);
    } else {
        // A label point goes with its parent, whose record holds so many:
        // checked with the parent and the parent's label points so far.
        const int layerField = feature.GetFieldIndex("parent_layer");
        const int fidField = feature.GetFieldIndex("parent_fid");
        if (layerField < 0 || fidField < 0 || !feature.IsFieldSetAndNotNull(layerField) ||
            !feature.IsFieldSetAndNotNull(fidField))
            return std::nullopt;  // the library names what is missing when the chart is finished
        const auto parentLayer = LayerOfName(feature.GetFieldAsString(layerField));
        if (!parentLayer) return std::nullopt;
        const ParentKey parent{*parentLayer, feature.GetFieldAsInteger64(fidField)};
        const auto found = parentRows_.find(parent);
        if (found == parentRows_.end()) return std::nullopt;
        std::vector<std::size_t>& rows = labelPointRows_[parent];
        rows.push_back(row);
        HeldTable picked = table.Pick(rows);
        status = readdata14_builder_check_layer(builder_.get(), &tables_[parent.first].Table(found->second, found->second + 1),
                                                &picked.Table(0, picked.Rows()), &result);
        if (status != READDATA14_WRITTEN) rows.pop_back();
    }
    if (status == READDATA14_WRITTEN) return std::nullopt;
    if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
    return PlaceOf(result).why;
}

bool ChartAssembly::TakeValues(readdata14_layer_id section, FeatureReader& reader, HeldTable& table) {
    const readdata14_layer_definition& definition = *readdata14_layer_definition_at(section);
    const LayerMapping& mapping = reader.Mapping();
    const bool labelled = section == READDATA14_LAYER_LINES || section == READDATA14_LAYER_CLOSED_CONTOURS;
    const bool typed = section == READDATA14_LAYER_SYMBOLS || section == READDATA14_LAYER_NOTES;
    // The code (or type) by the mapping; lines and contours default to 0
    // (isolines from gdal_contour have none).
    if (section != READDATA14_LAYER_LABEL_POINTS) {
        const auto code = reader.Code(typed ? "type" : "code", labelled ? std::optional<std::int32_t>(0) : std::nullopt);
        if (!code) return false;
        table.Number(0, *code);
    }
    for (std::size_t k = section == READDATA14_LAYER_LABEL_POINTS ? 0 : 1; k < definition.fieldCount; ++k) {
        const char* name = definition.fields[k].name;
        // VALUE_FIELD gives the label's number; the kind follows from it.
        if (labelled && !mapping.valueField.empty()) {
            if (k == FieldOf(section, "label_value")) {
                if (!reader.Has(mapping.valueField.c_str())) {
                    reader.Refuse("the layer has no field " + mapping.valueField + " (VALUE_FIELD)");
                    return false;
                }
                const auto value = reader.Number(mapping.valueField.c_str());
                if (!value) return false;
                table.Number(k, *value);
            }
            if (std::string_view(name).starts_with("label_")) continue;
        }
        const bool mappedText = (section == READDATA14_LAYER_SYMBOLS && EQUAL(name, "text")) ||
                                (section == READDATA14_LAYER_NOTES && EQUAL(name, "first_text"));
        if (definition.fields[k].type == READDATA14_FIELD_STRING) {
            if (!reader.Has(name) && !(mappedText && !mapping.textField.empty())) continue;
            const auto text = reader.Text(name, mappedText);
            if (!text) return false;
            table.Text(k, *text);
        } else if (reader.Has(name)) {
            const auto value = reader.Number(name);
            if (!value) return false;
            table.Number(k, *value);
        }
    }
    return true;
}

void ChartAssembly::DropSymbolsAt(const std::vector<std::uint64_t>& slots) {
    droppedSlots_.insert(droppedSlots_.end(), slots.begin(), slots.end());
    std::sort(droppedSlots_.begin(), droppedSlots_.end());
}

// ---- the chart -----------------------------------------------------------------------

std::size_t ChartAssembly::Hand(HeldTable& table, std::size_t from, std::size_t to, HeldTable* labelPoints) {
    while (from < to) {
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        const readdata14_layer_table* marks =
            labelPoints != nullptr ? &labelPoints->Table(0, labelPoints->Rows()) : nullptr;
        const readdata14_status status = readdata14_builder_add_layer(builder_.get(), &table.Table(from, to), marks, &result);
        if (status == READDATA14_WRITTEN) return to;
        if (status != READDATA14_NOT_WRITABLE) throw std::bad_alloc();
        // The refused row, skipped; the rest handed again.
        const Place place = PlaceOf(result);
        const bool ofMarks = labelPoints != nullptr && place.layer == "label_points";
        HeldTable& held = ofMarks ? *labelPoints : table;
        const std::size_t row = ofMarks ? place.row : from + place.row;
        if (result.element < 0 || row >= held.Rows()) throw std::runtime_error(result.message);
        Verdict verdict;
        verdict.refusal = place.why;
        skipped_.push_back({sources_[held.Source(row)], held.Fid(row), verdict});
        held.Erase(row);
        if (!ofMarks) --to;
    }
    return to;
}

void ChartAssembly::AddDropped() {
    readdata14_symbol dropped = READDATA14_SYMBOL_INIT;
    dropped.type = 48;
    dropped.dropped = 1;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_builder_add_symbol(builder_.get(), &dropped, &result) != READDATA14_WRITTEN) throw std::bad_alloc();
}

// The symbols in batches that end where a dropped symbol stood among them.
void ChartAssembly::HandSymbols() {
    HeldTable& symbols = tables_[READDATA14_LAYER_SYMBOLS];
    std::uint64_t slot = 0;
    std::size_t row = 0, next = 0;
    while (row < symbols.Rows() || next < droppedSlots_.size()) {
        if (next < droppedSlots_.size() && (droppedSlots_[next] <= slot || row == symbols.Rows())) {
            AddDropped();
            ++next;
            ++slot;
            continue;
        }
        std::size_t end = std::min(symbols.Rows(), row + BATCH);
        if (next < droppedSlots_.size()) end = std::min<std::size_t>(end, row + (droppedSlots_[next] - slot));
        const std::size_t handed = Hand(symbols, row, end, nullptr);
        slot += handed - row;
        row = handed;
    }
}

// Once every element is in: a section that holds one stays present (the
// builder refuses to leave it out, and says why).
void ChartAssembly::ApplyLeftOut() {
    for (std::uint32_t bit = READDATA14_SECTION_LINES; bit <= READDATA14_SECTION_NOTES; bit <<= 1) {
        if ((leftOut_ & bit) == 0) continue;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        const readdata14_status status = readdata14_builder_leave_out(builder_.get(), bit, &result);
        if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
        if (status != READDATA14_WRITTEN) keptPresent_.emplace_back(result.message);
    }
}

Document ChartAssembly::Finish(const Header& header, std::string& why, std::uint64_t& shortfalls) {
    shortfalls = 0;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    static constexpr std::int32_t DEFAULT_INTEGERS[5] = {0, 0, 0, 0, 0};
    const std::int32_t* integers = header.integers ? header.integers->data() : DEFAULT_INTEGERS;
    const std::size_t integerCount = header.integers ? header.integers->size() : 5;
    if (readdata14_builder_set_header(builder_.get(), header.firstToken ? header.firstToken->c_str() : nullptr,
                                      header.description ? header.description->c_str() : nullptr, integers,
                                      integerCount, &result) != READDATA14_WRITTEN) {
        why = result.message;
        return nullptr;
    }
    HeldTable& marks = tables_[READDATA14_LAYER_LABEL_POINTS];
    // Lines and contours whole: their label points join them, and the
    // contours' file order spans every one.
    for (const readdata14_layer_id id : {READDATA14_LAYER_LINES, READDATA14_LAYER_CLOSED_CONTOURS}) {
        HeldTable& table = tables_[id];
        Hand(table, 0, table.Rows(), &marks);
    }
    HandSymbols();
    for (const readdata14_layer_id id : {READDATA14_LAYER_LINE_SYMBOLS, READDATA14_LAYER_WEATHER_REGIONS,
                                         READDATA14_LAYER_FILL_AREAS, READDATA14_LAYER_NOTES}) {
        HeldTable& table = tables_[id];
        for (std::size_t row = 0; row < table.Rows();) row = Hand(table, row, std::min(table.Rows(), row + BATCH), nullptr);
    }
    ApplyLeftOut();
    readdata14_document* document = nullptr;
    const readdata14_status status = readdata14_builder_finish(builder_.get(), &document, &result);
    if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
    if (status != READDATA14_READ) {
        why = result.message;
        return nullptr;
    }
    return Document(document);
}

}  // namespace readdata14::ogr

// The chart's elements from the features. Each feature's values go to the
// library's builder, which refuses what the format cannot carry, with the
// reason. Lines and contours wait for their label points, which come in a
// later layer; a builder of their own checks each meanwhile, so that the
// chart's builder takes them all at the end. Contours are then added in
// their file order (file_position), from which the reader works out the
// nesting, the levels and the rise or fall again.
#include <algorithm>
#include <new>

#include "ogr_chart14_write.hpp"
#include "readdata14/format.hpp"

namespace readdata14::ogr {
namespace {

// The label points a line's and a contour's record hold.
constexpr std::size_t LINE_LABEL_POINTS = 48;
constexpr std::size_t CONTOUR_LABEL_POINTS = 47;

Builder NewBuilder() {
    readdata14_builder* builder = nullptr;
    if (readdata14_builder_new(&builder) != READDATA14_WRITTEN) throw std::bad_alloc();
    return Builder(builder);
}

// The builder's reason without its own place ("SYMBOLS, symbol 3: "): the
// driver names the feature instead.
std::string WhyRefused(const readdata14_write_result& result) {
    std::string_view message = result.message;
    const auto colon = message.find(": ");
    if (result.element >= 0 && colon != std::string_view::npos) message.remove_prefix(colon + 2);
    return std::string(message);
}

bool Took(readdata14_status status, const readdata14_write_result& result, Verdict& verdict) {
    if (status == READDATA14_WRITTEN) return true;
    if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
    verdict.refusal = WhyRefused(result);
    return false;
}

std::string Shown(readdata14_layer_id layer, std::int64_t fid) {
    return std::string(NameOfLayer(layer)) + " feature " + std::to_string(fid);
}

}  // namespace

ChartAssembly::ChartAssembly() {
    readdata14_builder* builder = nullptr;
    if (readdata14_builder_new(&builder) == READDATA14_WRITTEN) builder_.reset(builder);
}

void ChartAssembly::Take(readdata14_layer_id section, FeatureReader& reader, Verdict& verdict) {
    switch (section) {
        case READDATA14_LAYER_LINES: TakeLine(lines_, false, reader, verdict); break;
        case READDATA14_LAYER_CLOSED_CONTOURS: TakeLine(contours_, true, reader, verdict); break;
        case READDATA14_LAYER_LABEL_POINTS: TakeLabelPoint(reader, verdict); break;
        default: TakeElement(section, reader, verdict); break;
    }
}

void ChartAssembly::TakeLine(HeldSection& held, bool contour, FeatureReader& reader, Verdict& verdict) {
    // The FID its label points name: a contour's nesting position (its FID
    // when read from a chart), else its place among the section's features.
    const std::int64_t key = contour ? reader.OptionalInteger("nesting_position").value_or(held.arrived) : held.arrived;
    ++held.arrived;
    held.byKey[key] = std::nullopt;
    const auto points = reader.Points(wkbLineString, !contour);
    if (!points) return;
    // No reader looks at a line's or contour's code beyond keeping it: 0
    // where the source has none (isolines from gdal_contour, say).
    const auto code = reader.Code("code", 0);
    if (!code) return;
    const auto label = reader.Label();
    if (!label) return;

    readdata14_labelled_line record = READDATA14_LABELLED_LINE_INIT;
    record.code = *code;
    record.points = points->data();
    record.pointCount = points->size() / 2;
    record.label = *label;
    const Builder probe = NewBuilder();
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const auto add = contour ? readdata14_builder_add_contour : readdata14_builder_add_line;
    if (!Took(add(probe.get(), &record, &result), result, verdict)) return;

    HeldLine line;
    line.code = *code;
    line.label = *label;
    line.points = std::move(*points);
    if (contour) line.filePosition = reader.OptionalInteger("file_position");
    line.labelPointCount = reader.OptionalInteger("label_point_count");
    held.byKey[key] = held.lines.size();
    held.lines.push_back(std::move(line));
}

void ChartAssembly::TakeLabelPoint(FeatureReader& reader, Verdict&) {
    const auto xy = reader.Points(wkbPoint);
    if (!xy) return;
    const auto parentLayer = reader.Text("parent_layer", false);
    if (!parentLayer) return;
    const std::optional<readdata14_layer_id> layer = LayerOfName(parentLayer->value_or("").c_str());
    if (layer != READDATA14_LAYER_LINES && layer != READDATA14_LAYER_CLOSED_CONTOURS) {
        reader.Refuse("parent_layer is \"" + parentLayer->value_or("") + "\", not lines or closed_contours");
        return;
    }
    const auto fid = reader.Integer("parent_fid");
    if (!fid) return;
    const auto index = reader.Integer("index");
    if (!index) return;
    const bool ofLine = layer == READDATA14_LAYER_LINES;
    HeldSection& held = ofLine ? lines_ : contours_;
    const auto parent = held.byKey.find(*fid);
    if (parent == held.byKey.end()) {
        reader.Refuse("its parent, " + Shown(*layer, *fid) + ", is not among the features written before it");
        return;
    }
    if (!parent->second) {
        reader.Refuse("its parent, " + Shown(*layer, *fid) + ", was skipped");
        return;
    }
    HeldLine& line = held.lines[*parent->second];
    const std::size_t room = ofLine ? LINE_LABEL_POINTS : CONTOUR_LABEL_POINTS;
    if (line.labelPoints.size() >= room) {
        reader.Refuse("its parent, " + Shown(*layer, *fid) + ", has " + std::to_string(room) +
                      " label points already, as many as its record holds");
        return;
    }
    line.labelPoints.push_back({*index, {(*xy)[0], (*xy)[1]}});
}

void ChartAssembly::TakeElement(readdata14_layer_id section, FeatureReader& reader, Verdict& verdict) {
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (section == READDATA14_LAYER_SYMBOLS || section == READDATA14_LAYER_NOTES) {
        const auto xy = reader.Points(wkbPoint);
        if (!xy) return;
        const auto type = reader.Code("type");
        if (!type) return;
        const auto firstText = reader.Text(section == READDATA14_LAYER_SYMBOLS ? "text" : "first_text", true);
        if (!firstText) return;
        if (section == READDATA14_LAYER_SYMBOLS) {
            readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
            symbol.type = *type;
            symbol.x = (*xy)[0];
            symbol.y = (*xy)[1];
            if (*firstText) symbol.text = (*firstText)->c_str();  // the builder refuses one where the type has none
            if (IsTextSymbolType(*type) && !*firstText) {
                reader.Refuse("a symbol of type " + std::to_string(*type) + " carries a text, and it has none");
                return;
            }
            AddDroppedSymbols(false);
            if (!IsTextSymbolType(*type)) {
                if (!reader.Has("direction")) {
                    reader.Refuse("a symbol of type " + std::to_string(*type) +
                                  " has a direction, and the layer has no field direction");
                    return;
                }
                const auto direction = reader.Real("direction");
                if (!direction) return;
                symbol.direction = *direction;
            }
            if (Took(readdata14_builder_add_symbol(builder_.get(), &symbol, &result), result, verdict)) ++symbolSlots_;
            return;
        }
        readdata14_note note = READDATA14_NOTE_INIT;
        note.type = *type;
        note.x = (*xy)[0];
        note.y = (*xy)[1];
        const auto value = reader.Real("value");
        if (!value) return;
        note.value = *value;
        for (std::size_t k = 0; k < 6; ++k) {
            const auto trailing = reader.Real(("value_" + std::to_string(k + 1)).c_str());
            if (!trailing) return;
            note.trailing[k] = *trailing;
        }
        const auto secondText = reader.Text("second_text", false);
        if (!secondText) return;
        // A note with texts has two, empty where the source has none; a note
        // of another type has none, which the layer model shows as empty.
        const bool texts = NoteHasTexts(*type);
        const auto text = [texts](const std::optional<std::string>& t) -> const char* {
            if (texts) return t ? t->c_str() : "";
            return t && !t->empty() ? t->c_str() : nullptr;
        };
        note.firstText = text(*firstText);
        note.secondText = text(*secondText);
        Took(readdata14_builder_add_note(builder_.get(), &note, &result), result, verdict);
        return;
    }

    const bool line = section == READDATA14_LAYER_LINE_SYMBOLS;
    const auto points = reader.Points(line ? wkbLineString : wkbPolygon, true);
    if (!points) return;
    const auto code = reader.Code("code");
    if (!code) return;
    readdata14_point_list list = READDATA14_POINT_LIST_INIT;
    list.code = *code;
    list.points = points->data();
    list.pointCount = points->size() / 2;
    if (section == READDATA14_LAYER_FILL_AREAS) {
        // The 14th value is a float; the others are integers.
        for (std::size_t k = 0; k < 16; ++k) {
            const std::string name = "value_" + std::to_string(k + 1);
            const auto value = k == 13 ? reader.Real(name.c_str()) : reader.Whole(name.c_str());
            if (!value) return;
            list.values[k] = *value;
        }
    }
    const auto add = line                                          ? readdata14_builder_add_line_symbol
                     : section == READDATA14_LAYER_WEATHER_REGIONS ? readdata14_builder_add_weather_region
                                                                   : readdata14_builder_add_fill_area;
    Took(add(builder_.get(), &list, &result), result, verdict);
}

void ChartAssembly::DropSymbolsAt(const std::vector<std::uint64_t>& slots) {
    droppedSlots_.erase(droppedSlots_.begin(), droppedSlots_.begin() + static_cast<std::ptrdiff_t>(nextDropped_));
    nextDropped_ = 0;
    droppedSlots_.insert(droppedSlots_.end(), slots.begin(), slots.end());
    std::sort(droppedSlots_.begin(), droppedSlots_.end());
}

// The dropped symbols due before the next symbol (or all that are left).
void ChartAssembly::AddDroppedSymbols(bool all) {
    readdata14_symbol dropped = READDATA14_SYMBOL_INIT;
    dropped.type = 48;
    dropped.dropped = 1;
    for (; nextDropped_ < droppedSlots_.size() && (all || droppedSlots_[nextDropped_] <= symbolSlots_); ++nextDropped_) {
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        if (readdata14_builder_add_symbol(builder_.get(), &dropped, &result) != READDATA14_WRITTEN) throw std::bad_alloc();
        ++symbolSlots_;
    }
}

// ---- the chart -----------------------------------------------------------------------

bool ChartAssembly::AddHeld(const HeldSection& held, bool contour, std::string& why, std::uint64_t& shortfalls) {
    std::vector<const HeldLine*> order;
    order.reserve(held.lines.size());
    for (const HeldLine& line : held.lines) order.push_back(&line);
    // Contours with a file position first, in its order; the others as they came.
    if (contour) {
        std::stable_sort(order.begin(), order.end(), [](const HeldLine* a, const HeldLine* b) {
            if (!a->filePosition || !b->filePosition) return a->filePosition.has_value() && !b->filePosition;
            return *a->filePosition < *b->filePosition;
        });
    }
    for (const HeldLine* line : order) {
        auto labelPoints = line->labelPoints;
        std::stable_sort(labelPoints.begin(), labelPoints.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<float> xy;
        xy.reserve(2 * labelPoints.size());
        for (const auto& point : labelPoints) xy.insert(xy.end(), point.second.begin(), point.second.end());
        if (line->labelPointCount && *line->labelPointCount != static_cast<std::int64_t>(labelPoints.size())) ++shortfalls;

        readdata14_labelled_line record = READDATA14_LABELLED_LINE_INIT;
        record.code = line->code;
        record.points = line->points.data();
        record.pointCount = line->points.size() / 2;
        record.label = line->label;
        record.labelPoints = xy.data();
        record.labelPointCount = labelPoints.size();
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        const auto add = contour ? readdata14_builder_add_contour : readdata14_builder_add_line;
        const readdata14_status status = add(builder_.get(), &record, &result);
        if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
        if (status != READDATA14_WRITTEN) {
            why = result.message;
            return false;
        }
    }
    return true;
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
    AddDroppedSymbols(true);
    if (!AddHeld(lines_, false, why, shortfalls) || !AddHeld(contours_, true, why, shortfalls)) return nullptr;
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

#include "builder_program.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"
#include "readdata14/readdata14_write.h"
#include "support/document_compare.hpp"

namespace readdata14::fuzz {
namespace {

constexpr std::size_t kMostSteps = 32;
constexpr std::size_t kMostPoints = 24;
constexpr std::size_t kMostText = 24;

// The program's bytes, taken from the front; past the end every byte is 0.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Done() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    template <class T>
    T Raw() {
        std::array<std::uint8_t, sizeof(T)> bytes{};
        for (auto& b : bytes) b = Byte();
        T value;
        std::memcpy(&value, bytes.data(), sizeof value);
        return value;
    }

    // Mostly numbers a chart holds, sometimes any bits (NaN, inf, -0, subnormals).
    float Float() {
        const std::uint8_t how = Byte();
        if (how < 64) return Raw<float>();
        return static_cast<float>(static_cast<std::int8_t>(Byte())) * 1.25f + static_cast<float>(how % 8);
    }

    // A label as a block holds it: a value, NoLabel, a code, or any float.
    float Label() {
        switch (Byte() % 4) {
            case 0: return 999999.0f;
            case 1: return 3200000.0f + static_cast<float>(Byte());
            case 2: return static_cast<float>(Byte()) / 10.0f;
            default: return Float();
        }
    }

    // A zero-terminated text of any bytes but NUL, blanks, '#' and line breaks included.
    std::string Text() {
        std::string text;
        const std::size_t length = Byte() % (kMostText + 1);
        for (std::size_t i = 0; i < length && !Done(); ++i) {
            const std::uint8_t c = Byte();
            if (c == 0) break;
            text.push_back(static_cast<char>(c));
        }
        return text;
    }

    std::vector<float> Points() {
        std::vector<float> xy(2 * (Byte() % (kMostPoints + 1)));
        for (float& v : xy) v = Float();
        return xy;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A step taken or refused, with a message that says why when refused.
std::string Judge(const char* step, readdata14_status status, const readdata14_write_result& result) {
    if (status == READDATA14_WRITTEN) return {};
    if (status != READDATA14_NOT_WRITABLE && status != READDATA14_INVALID_ARGUMENT) {
        return std::string(step) + ": status " + readdata14_status_name(status);
    }
    if (result.status != status || result.message[0] == '\0') return std::string(step) + ": a refusal without its message";
    if (std::memchr(result.message, '\0', sizeof result.message) == nullptr) return std::string(step) + ": message not ended";
    return {};
}

std::string AddLabelled(readdata14_builder* builder, Bytes& in, bool contour) {
    const std::vector<float> points = in.Points();
    const std::vector<float> marks = in.Byte() < 200 ? std::vector<float>() : in.Points();
    readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
    line.code = in.Raw<std::int8_t>();
    line.points = points.data();
    line.pointCount = points.size() / 2;
    line.label = in.Label();
    line.labelPoints = marks.data();
    line.labelPointCount = marks.size() / 2;
    // Contours: closed on request, or given as a 1.2 host's record (no flags).
    const std::uint8_t form = in.Byte();
    line.flags = form & READDATA14_CLOSE_RING;
    if (form >= 250) line.size = offsetof(readdata14_labelled_line, labelPointCount) + sizeof(line.labelPointCount);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    return contour ? Judge("add_contour", readdata14_builder_add_contour(builder, &line, &result), result)
                   : Judge("add_line", readdata14_builder_add_line(builder, &line, &result), result);
}

std::string AddList(readdata14_builder* builder, Bytes& in, int which) {
    const std::vector<float> points = in.Points();
    readdata14_point_list list = READDATA14_POINT_LIST_INIT;
    list.code = in.Raw<std::int8_t>();
    list.points = points.data();
    list.pointCount = points.size() / 2;
    if (which == 2) {
        for (float& v : list.values) v = in.Byte() < 128 ? static_cast<float>(in.Byte()) : in.Float();
    }
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    switch (which) {
        case 0: return Judge("add_line_symbol", readdata14_builder_add_line_symbol(builder, &list, &result), result);
        case 1: return Judge("add_weather_region", readdata14_builder_add_weather_region(builder, &list, &result), result);
        default: return Judge("add_fill_area", readdata14_builder_add_fill_area(builder, &list, &result), result);
    }
}

std::string AddSymbol(readdata14_builder* builder, Bytes& in) {
    constexpr std::array<std::int32_t, 6> kTypes = {48, 60, 61, 62, 63, 7};
    readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
    const std::uint8_t type = in.Byte();
    symbol.type = type < 192 ? kTypes[type % kTypes.size()] : static_cast<std::int8_t>(in.Byte());
    symbol.x = in.Float();
    symbol.y = in.Float();
    symbol.direction = in.Float();
    const std::string text = in.Text();
    symbol.text = in.Byte() < 32 ? nullptr : text.c_str();
    symbol.dropped = in.Byte() > 240 ? 1 : 0;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    return Judge("add_symbol", readdata14_builder_add_symbol(builder, &symbol, &result), result);
}

std::string AddNote(readdata14_builder* builder, Bytes& in) {
    readdata14_note note = READDATA14_NOTE_INIT;
    if (in.Byte() >= 192) note.type = static_cast<std::int8_t>(in.Byte());
    note.x = in.Float();
    note.y = in.Float();
    note.value = in.Float();
    for (float& v : note.trailing) v = in.Float();
    const std::string first = in.Text(), second = in.Text();
    note.firstText = first.c_str();
    note.secondText = in.Byte() < 32 ? nullptr : second.c_str();
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    return Judge("add_note", readdata14_builder_add_note(builder, &note, &result), result);
}

std::string SetHeader(readdata14_builder* builder, Bytes& in) {
    const std::string first = in.Text(), description = in.Text();
    std::array<std::int32_t, 6> integers{};
    for (auto& v : integers) v = in.Raw<std::int32_t>();
    const std::size_t count = in.Byte() % 7;  // 6: one too many
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status status = readdata14_builder_set_header(
        builder, in.Byte() < 64 ? nullptr : first.c_str(), description.c_str(), integers.data(), count, &result);
    return Judge("set_header", status, result);
}

std::string LeaveOut(readdata14_builder* builder, Bytes& in) {
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    return Judge("leave_out", readdata14_builder_leave_out(builder, in.Byte(), &result), result);
}

// A layer handed back as a table: a few rows of any points, offsets and
// flags, and columns of the layer's fields (or none, or one that names no
// field) of any type, values and nulls. Taken whole or refused whole.
std::string AddLayer(readdata14_builder* builder, Bytes& in) {
    const auto id = static_cast<std::uint32_t>(in.Byte() % 7);
    const readdata14_layer_definition& definition = *readdata14_layer_definition_at(id);
    const std::size_t rows = in.Byte() % 5;
    std::vector<float> xy;
    std::vector<std::uint64_t> starts;
    std::vector<std::uint32_t> counts;
    std::vector<std::uint8_t> flags;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::vector<float> points = in.Points();
        starts.push_back(in.Byte() < 8 ? in.Byte() : xy.size());  // sometimes anywhere
        counts.push_back(static_cast<std::uint32_t>(points.size() / 2));
        flags.push_back(in.Byte() < 32 ? READDATA14_GEOMETRY_NULL : 0);
        xy.insert(xy.end(), points.begin(), points.end());
    }
    const std::string texts = in.Text();
    const std::size_t columnCount = in.Byte() % (definition.fieldCount + 2);
    std::vector<std::int64_t> integers(rows);
    std::vector<double> reals(rows);
    std::vector<std::uint64_t> textStarts(rows);
    std::vector<std::uint32_t> textLengths(rows);
    std::vector<std::uint8_t> nulls(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        integers[row] = in.Raw<std::int8_t>();
        reals[row] = in.Byte() < 128 ? static_cast<double>(in.Byte()) : static_cast<double>(in.Float());
        textStarts[row] = in.Byte() % (texts.size() + 2);
        textLengths[row] = in.Byte() % 4;
        nulls[row] = in.Byte() < 16 ? 1 : 0;
    }
    std::vector<readdata14_table_column> columns;
    for (std::size_t k = 0; k < columnCount; ++k) {
        const std::uint8_t pick = in.Byte();
        const std::size_t field = pick % (definition.fieldCount + 1);  // fieldCount: a name the layer has not
        readdata14_column column{};
        column.type = in.Byte() < 200 && field < definition.fieldCount ? definition.fields[field].type : 1 + in.Byte() % 4;
        column.integers = integers.data();
        column.reals = reals.data();
        column.texts = texts.data();
        column.textStarts = textStarts.data();
        column.textLengths = textLengths.data();
        column.nulls = pick & 0x80 ? nulls.data() : nullptr;
        columns.push_back({field < definition.fieldCount ? definition.fields[field].name : "none", column, texts.size()});
    }
    readdata14_layer_table table = READDATA14_LAYER_TABLE_INIT;
    table.id = id;
    table.featureCount = rows;
    table.coordinates = xy.data();
    table.coordinateCount = xy.size();
    table.geometryStarts = starts.data();
    table.pointCounts = counts.data();
    table.geometryFlags = flags.data();
    table.columnCount = static_cast<std::uint32_t>(columns.size());
    table.columns = columns.data();
    // Sometimes labels as stored (of any layer, beside label fields or
    // not), any flags (a bit no flag names too), or the record as first
    // defined, which ends at the FIDs.
    std::vector<float> stored(rows);
    for (float& label : stored) label = in.Float();
    const std::uint8_t extras = in.Byte();
    if ((extras & 1) != 0) table.storedLabels = stored.data();
    table.flags = (extras >> 1) & 7u;
    if (extras >= 240) table.size = offsetof(readdata14_layer_table, storedLabels);
    // Lines and contours sometimes with label points: parents of any FID,
    // and more of them than a record holds.
    const std::size_t marks = id == READDATA14_LAYER_LINES || id == READDATA14_LAYER_CLOSED_CONTOURS ? in.Byte() % 52 : 0;
    std::vector<float> markXy(2 * marks);
    std::vector<std::uint64_t> markStarts(marks);
    std::vector<std::uint32_t> markCounts(marks, 1);
    std::vector<std::int64_t> parents(marks), places(marks);
    for (std::size_t i = 0; i < marks; ++i) {
        markXy[2 * i] = in.Float();
        markXy[2 * i + 1] = in.Float();
        markStarts[i] = 2 * i;
        parents[i] = in.Byte() % 6;
        places[i] = in.Raw<std::int8_t>();
    }
    const std::string parentNames = std::string(definition.name) + "notes";
    std::vector<std::uint64_t> nameStarts(marks, 0);
    std::vector<std::uint32_t> nameLengths(marks, static_cast<std::uint32_t>(std::string_view(definition.name).size()));
    if (marks > 0 && in.Byte() < 16) {
        nameStarts[0] = nameLengths[0];  // "notes", a parent layer that is none
        nameLengths[0] = 5;
    }
    readdata14_column layerColumn{};
    layerColumn.type = READDATA14_FIELD_STRING;
    layerColumn.texts = parentNames.data();
    layerColumn.textStarts = nameStarts.data();
    layerColumn.textLengths = nameLengths.data();
    readdata14_column fidColumn{};
    fidColumn.type = READDATA14_FIELD_INTEGER;
    fidColumn.integers = parents.data();
    readdata14_column indexColumn = fidColumn;
    indexColumn.integers = places.data();
    const readdata14_table_column markColumns[] = {{"parent_layer", layerColumn, parentNames.size()},
                                                   {"parent_fid", fidColumn, 0},
                                                   {"index", indexColumn, 0}};
    readdata14_layer_table labelPoints = READDATA14_LAYER_TABLE_INIT;
    labelPoints.id = READDATA14_LAYER_LABEL_POINTS;
    labelPoints.featureCount = marks;
    labelPoints.coordinates = markXy.data();
    labelPoints.coordinateCount = markXy.size();
    labelPoints.geometryStarts = markStarts.data();
    labelPoints.pointCounts = markCounts.data();
    labelPoints.columnCount = 3;
    labelPoints.columns = markColumns;
    // The check first: it answers as the entry does, and takes nothing.
    readdata14_write_result checked = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status check = readdata14_builder_check_layer(builder, &table, marks > 0 ? &labelPoints : nullptr, &checked);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status status = readdata14_builder_add_layer(builder, &table, marks > 0 ? &labelPoints : nullptr, &result);
    if (check != status || std::string_view(checked.message) != result.message) return "check_layer: not add_layer's answer";
    return Judge("add_layer", status, result);
}

// What the builder finished reads back the same from its own file (with LF
// or CR LF: `crlf`).
std::string CheckFinished(const readdata14_builder* builder, bool crlf) {
    readdata14_document* built = nullptr;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const readdata14_status status = readdata14_builder_finish(builder, &built, &result);
    if (status != READDATA14_READ) {
        const bool told = built == nullptr && result.message[0] != '\0';
        return told ? std::string() : std::string("finish: a refusal without its message, or a document");
    }
    std::string problem;
    readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
    if (crlf) options.flags = READDATA14_WRITE_CRLF;
    void* written = nullptr;
    std::size_t writtenSize = 0;
    readdata14_write_result wrote = READDATA14_WRITE_RESULT_INIT;
    readdata14_document* again = nullptr;
    if (readdata14_write_memory(built, &options, &written, &writtenSize, &wrote) != READDATA14_WRITTEN) {
        problem = std::string("a finished chart is not written: ") + wrote.message;
    } else if (readdata14_open_memory(written, writtenSize, nullptr, &again) != READDATA14_READ) {
        problem = "a finished chart, written, does not read";
    } else {
        problem = readdata14::test::CompareDocuments(*built, *again);
    }
    readdata14_close(again);
    readdata14_write_release(written);
    readdata14_close(built);
    return problem;
}

}  // namespace

std::string RunBuilderProgram(const std::uint8_t* data, std::size_t size) {
    readdata14_builder* builder = nullptr;
    if (readdata14_builder_new(&builder) != READDATA14_WRITTEN) return "builder_new failed";
    Bytes in(data, size);
    std::string problem;
    bool finishedMidway = false;  // once: each finish writes and reads a chart
    for (std::size_t step = 0; step < kMostSteps && !in.Done() && problem.empty(); ++step) {
        switch (in.Byte() % 11) {
            case 0: problem = AddLabelled(builder, in, false); break;
            case 1: problem = AddLabelled(builder, in, true); break;
            case 2: problem = AddList(builder, in, 0); break;
            case 3: problem = AddList(builder, in, 1); break;
            case 4: problem = AddList(builder, in, 2); break;
            case 5: problem = AddSymbol(builder, in); break;
            case 6: problem = AddNote(builder, in); break;
            case 7: problem = LeaveOut(builder, in); break;
            case 8: problem = SetHeader(builder, in); break;
            case 10: problem = AddLayer(builder, in); break;
            default:  // and the builder goes on
                if (!std::exchange(finishedMidway, true)) problem = CheckFinished(builder, in.Byte() % 2 == 1);
                break;
        }
    }
    if (problem.empty()) problem = CheckFinished(builder, size % 2 == 1);
    readdata14_builder_free(builder);
    return problem;
}

}  // namespace readdata14::fuzz

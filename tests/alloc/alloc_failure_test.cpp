// Every allocation failure survived: each entry of the C API is called with
// its 1st, 2nd, ... allocation failing until it passes. A refused call must
// return READDATA14_OUT_OF_MEMORY (ReadZenparData14: let std::bad_alloc out),
// hand the host nothing to release, and the same call, made again, must pass.
// Leaks are LeakSanitizer's to find (the asan preset). Prints, per entry,
// the number of allocations the call makes: each was failed once.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "alloc/counting_allocator.hpp"
#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"
#include "readdata14/readdata14_write.h"

namespace {

using alloc_test::FailingWindow;

// What one attempt came to: the call passed, or was refused as it must be,
// or `wrong` says what it did instead.
struct Verdict {
    bool passed = false;
    std::string wrong;
};

std::vector<char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* const kSample = READDATA14_SAMPLE_CHART;
const std::vector<char> kSampleBytes = FileBytes(kSample);
// The sample cut short, with a token that is not a number: a chart whose
// read reports findings, each a message the library makes.
const std::vector<char> kBrokenBytes = [] {
    std::vector<char> bytes(kSampleBytes.begin(), kSampleBytes.begin() + static_cast<long>(kSampleBytes.size() / 2));
    const std::string bad = " 1O12 ";
    bytes.insert(bytes.begin() + static_cast<long>(bytes.size() / 3), bad.begin(), bad.end());
    return bytes;
}();
const std::string kOutput = (std::filesystem::temp_directory_path() /
                             ("readdata14_alloc_" + std::to_string(std::random_device{}()) + ".txt")).string();

// A status call: passed with `ok`; refused only with READDATA14_OUT_OF_MEMORY,
// leaving nothing (`clean`); and then `again`, without failures, gives `ok`.
Verdict Judge(readdata14_status got, readdata14_status ok, bool clean, const std::function<readdata14_status()>& again) {
    if (got == ok) return {true, ""};
    if (got != READDATA14_OUT_OF_MEMORY) return {false, std::string("refused with ") + readdata14_status_name(got)};
    if (!clean) return {false, "left outputs for the host"};
    if (const readdata14_status next = again(); next != ok) {
        return {false, std::string("the next call gave ") + readdata14_status_name(next)};
    }
    return {};
}

// A chart record that a refused read left: every pointer and size zero.
bool Empty(readdata14_chart chart) {
    chart.systemError = 0;
    chart.errors = 0;
    chart.warnings = 0;
    const readdata14_chart zero{};
    return std::memcmp(&chart, &zero, sizeof chart) == 0;
}

// A refused open hands back no document, or one that holds only its status.
bool Empty(const readdata14_document* document) {
    return document == nullptr || (document->status == READDATA14_OUT_OF_MEMORY && Empty(document->chart) &&
                                   document->firstToken == nullptr && document->contourFilePositions == nullptr &&
                                   document->levels == nullptr);
}

readdata14_document* OpenSample(std::uint32_t flags = 0) {
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.flags = flags;
    readdata14_document* document = nullptr;
    readdata14_open_memory(kSampleBytes.data(), kSampleBytes.size(), &options, &document);
    return document;
}

// The chart's bytes as the writer gives them, or empty.
std::vector<char> Written(const readdata14_document* document) {
    void* data = nullptr;
    std::size_t size = 0;
    if (readdata14_write_memory(document, nullptr, &data, &size, nullptr) != READDATA14_WRITTEN) return {};
    std::vector<char> bytes(static_cast<char*>(data), static_cast<char*>(data) + size);
    readdata14_write_release(data);
    return bytes;
}

// ---- the builder's steps: one element of every kind ---------------------------

const float kXy[] = {1.5f, 2.5f, 3.0f, 4.0f, 6.0f, 1.0f, 1.5f, 2.5f};
const float kLabelXy[] = {2.0f, 3.0f};

readdata14_status SetHeader(readdata14_builder* b) {
    const std::int32_t integers[] = {24, 1, 2, 0, 0};
    return readdata14_builder_set_header(b, "made", "Built_chart", integers, 5, nullptr);
}
readdata14_status AddLine(readdata14_builder* b) {
    readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
    line.points = kXy;
    line.pointCount = 3;
    line.label = 1012.0f;
    line.labelPoints = kLabelXy;
    line.labelPointCount = 1;
    return readdata14_builder_add_line(b, &line, nullptr);
}
readdata14_status AddLineSymbol(readdata14_builder* b) {
    readdata14_point_list front = READDATA14_POINT_LIST_INIT;
    front.code = 2;
    front.points = kXy;
    front.pointCount = 3;
    return readdata14_builder_add_line_symbol(b, &front, nullptr);
}
readdata14_status AddSymbol(readdata14_builder* b) {
    readdata14_symbol label = READDATA14_SYMBOL_INIT;
    label.type = 62;
    label.text = "Developing low";
    return readdata14_builder_add_symbol(b, &label, nullptr);
}
readdata14_status AddContour(readdata14_builder* b) {
    readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
    contour.points = kXy;
    contour.pointCount = 4;
    contour.label = 1008.0f;
    contour.labelPoints = kLabelXy;
    contour.labelPointCount = 1;
    return readdata14_builder_add_contour(b, &contour, nullptr);
}
readdata14_status AddRegion(readdata14_builder* b) {
    readdata14_point_list region = READDATA14_POINT_LIST_INIT;
    region.code = 3;
    region.points = kXy;
    region.pointCount = 4;
    return readdata14_builder_add_weather_region(b, &region, nullptr);
}
readdata14_status AddFillArea(readdata14_builder* b) {
    readdata14_point_list area = READDATA14_POINT_LIST_INIT;
    area.points = kXy;
    area.pointCount = 4;
    area.values[13] = 2.5f;
    return readdata14_builder_add_fill_area(b, &area, nullptr);
}
readdata14_status AddNote(readdata14_builder* b) {
    readdata14_note note = READDATA14_NOTE_INIT;
    note.firstText = "Gale warning";
    note.secondText = "ends here";
    return readdata14_builder_add_note(b, &note, nullptr);
}

struct Step {
    const char* name;
    readdata14_status (*take)(readdata14_builder*);
};
const Step kSteps[] = {{"builder_set_header", SetHeader},       {"builder_add_line", AddLine},
                       {"builder_add_line_symbol", AddLineSymbol}, {"builder_add_symbol", AddSymbol},
                       {"builder_add_contour", AddContour},     {"builder_add_weather_region", AddRegion},
                       {"builder_add_fill_area", AddFillArea},  {"builder_add_note", AddNote}};

// Takes steps [from, to) unfailed; false if one is refused.
bool TakeSteps(readdata14_builder* builder, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (kSteps[i].take(builder) != READDATA14_WRITTEN) return false;
    }
    return true;
}

// The file of the builder that took every step.
std::vector<char> BuiltBytes(const readdata14_builder* builder) {
    readdata14_document* document = nullptr;
    if (readdata14_builder_finish(builder, &document, nullptr) != READDATA14_READ) return {};
    std::vector<char> bytes = Written(document);
    readdata14_close(document);
    return bytes;
}

std::vector<char> ReferenceBuild() {
    readdata14_builder* builder = nullptr;
    readdata14_builder_new(&builder);
    TakeSteps(builder, 0, std::size(kSteps));
    std::vector<char> bytes = BuiltBytes(builder);
    readdata14_builder_free(builder);
    return bytes;
}

// Step `k` with the failAt-th allocation failing, the others unfailed; the
// builder must end as if no step had been refused.
Verdict BuilderStep(std::size_t k, std::uint64_t failAt) {
    static const std::vector<char> reference = ReferenceBuild();
    readdata14_builder* builder = nullptr;
    readdata14_builder_new(&builder);
    TakeSteps(builder, 0, k);
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = kSteps[k].take(builder);
    }
    Verdict verdict = Judge(got, READDATA14_WRITTEN, true, [&] { return kSteps[k].take(builder); });
    if (verdict.wrong.empty() && (!TakeSteps(builder, k + 1, std::size(kSteps)) || BuiltBytes(builder) != reference)) {
        verdict = {false, "a refused step changed the builder"};
    }
    readdata14_builder_free(builder);
    return verdict;
}

// ---- the entries -------------------------------------------------------------------

struct Entry {
    std::string name;
    std::function<Verdict(std::uint64_t failAt)> attempt;
};

// The host's finding callback and handler allocate nothing: they count.
void CountFinding(const readdata14_finding*, void* context) { ++*static_cast<int*>(context); }
int CountAndGoOn(const readdata14_finding*, void* context) {
    ++*static_cast<int*>(context);
    return READDATA14_GO_ON;
}

Verdict ReadEntry(bool fromMemory, std::uint64_t failAt) {
    const auto read = [&](readdata14_chart& chart) {
        return fromMemory ? readdata14_read_memory(kSampleBytes.data(), kSampleBytes.size(), &chart, nullptr, nullptr)
                          : readdata14_read(kSample, &chart, nullptr, nullptr);
    };
    readdata14_chart chart;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = read(chart);
    }
    const Verdict verdict = Judge(got, READDATA14_READ, Empty(chart), [&] { return read(chart); });
    readdata14_release(&chart);
    return verdict;
}

// A broken chart with every finding handed to the host.
Verdict FindingsEntry(bool handler, std::uint64_t failAt) {
    int findings = 0;
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.onFinding = CountAndGoOn;
    options.context = &findings;
    readdata14_chart chart;
    readdata14_document* document = nullptr;
    const auto read = [&] {
        if (handler) return readdata14_open_memory(kBrokenBytes.data(), kBrokenBytes.size(), &options, &document);
        return readdata14_read_memory(kBrokenBytes.data(), kBrokenBytes.size(), &chart, CountFinding, &findings);
    };
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = read();
    }
    const bool clean = handler ? Empty(document) : Empty(chart);
    const Verdict verdict = Judge(got, READDATA14_READ, clean, [&] {
        readdata14_close(document);
        findings = 0;
        const readdata14_status next = read();
        return next == READDATA14_READ && findings == 0 ? READDATA14_CALLBACK_FAILED : next;
    });
    if (!handler) readdata14_release(&chart);
    readdata14_close(document);
    return verdict;
}

Verdict OpenEntry(bool fromMemory, std::uint32_t flags, std::uint64_t failAt) {
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.flags = flags;
    const auto open = [&](readdata14_document*& document) {
        return fromMemory ? readdata14_open_memory(kSampleBytes.data(), kSampleBytes.size(), &options, &document)
                          : readdata14_open(kSample, &options, &document);
    };
    readdata14_document* document = nullptr;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = open(document);
    }
    const Verdict verdict = Judge(got, READDATA14_READ, Empty(document), [&] {
        readdata14_close(document);
        return open(document);
    });
    readdata14_close(document);
    return verdict;
}

// Out of memory, identify cannot tell: READDATA14_NEEDS_MORE with no reason.
Verdict IdentifyEntry(std::uint64_t failAt) {
    char reason[64] = "x";
    readdata14_identity got;
    {
        FailingWindow window(failAt);
        got = readdata14_identify(kSampleBytes.data(), kSampleBytes.size(), 1, reason, sizeof reason);
    }
    if (got == READDATA14_IS_CHART) return {true, ""};
    if (got != READDATA14_NEEDS_MORE || reason[0] != '\0') return {false, "refused with a verdict"};
    if (readdata14_identify(kSampleBytes.data(), kSampleBytes.size(), 1, nullptr, 0) != READDATA14_IS_CHART) {
        return {false, "the next call did not claim the chart"};
    }
    return {};
}

// The first request for a layer makes them all; a refused one leaves the
// document to make them on the next request.
Verdict LayerEntry(std::uint32_t layer, std::uint64_t failAt) {
    readdata14_document* document = OpenSample();
    const readdata14_layer* got;
    {
        FailingWindow window(failAt);
        got = readdata14_document_layer(document, layer);
    }
    Verdict verdict{got != nullptr, ""};
    if (!got && readdata14_document_layer(document, layer) == nullptr) verdict.wrong = "the next request failed too";
    readdata14_close(document);
    return verdict;
}

Verdict ReadZenparEntry(std::uint64_t failAt) {
    char* description = nullptr;
    float *lineSymbols = nullptr, *closedContours = nullptr, *weatherRegions = nullptr, *fillAreas = nullptr;
    FloatTextBlock symbols{nullptr, nullptr, nullptr}, notes{nullptr, nullptr, nullptr};
    const auto read = [&] {
        return ReadZenparData14(kSample, &description, &lineSymbols, &closedContours, &symbols, &weatherRegions,
                                &fillAreas, &notes);
    };
    float* lines = nullptr;
    try {
        FailingWindow window(failAt);
        lines = read();
    } catch (const std::bad_alloc&) {
        const bool untouched = !description && !lineSymbols && !closedContours && !weatherRegions && !fillAreas &&
                               !symbols.values && !symbols.lengths && !symbols.text && !notes.values &&
                               !notes.lengths && !notes.text;
        if (!untouched) return {false, "wrote outputs and threw"};
        lines = read();
        if (lines == nullptr) return {false, "the next call failed"};
        ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions, fillAreas,
                            &notes);
        return {};
    } catch (...) {
        return {false, "threw something other than std::bad_alloc"};
    }
    if (lines == nullptr) return {false, "read nothing"};
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions, fillAreas, &notes);
    return {true, ""};
}

Verdict WriteFileEntry(std::uint64_t failAt) {
    readdata14_document* document = OpenSample();
    std::filesystem::remove(kOutput);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_write(document, kOutput.c_str(), nullptr, &result);
    }
    const bool clean = result.status == got && !std::filesystem::exists(kOutput);
    Verdict verdict = Judge(got, READDATA14_WRITTEN, clean,
                            [&] { return readdata14_write(document, kOutput.c_str(), nullptr, nullptr); });
    if (verdict.wrong.empty() && FileBytes(kOutput) != Written(document)) verdict = {false, "wrote other bytes"};
    readdata14_close(document);
    return verdict;
}

Verdict WriteMemoryEntry(std::uint64_t failAt) {
    readdata14_document* document = OpenSample();
    void* data = &failAt;
    std::size_t size = 1;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_write_memory(document, nullptr, &data, &size, nullptr);
    }
    if (got == READDATA14_WRITTEN) readdata14_write_release(data);
    const Verdict verdict = Judge(got, READDATA14_WRITTEN, data == nullptr && size == 0, [&] {
        const readdata14_status next = readdata14_write_memory(document, nullptr, &data, &size, nullptr);
        readdata14_write_release(data);
        return next;
    });
    readdata14_close(document);
    return verdict;
}

// The host's sink allocates nothing: it only counts.
int CountBytes(const void*, size_t size, void* context) {
    *static_cast<std::size_t*>(context) += size;
    return 0;
}

Verdict WriteCallbackEntry(std::uint64_t failAt) {
    readdata14_document* document = OpenSample();
    std::size_t bytes = 0;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_write_callback(document, CountBytes, &bytes, nullptr, nullptr);
    }
    const Verdict verdict = Judge(got, READDATA14_WRITTEN, true, [&] {
        return readdata14_write_callback(document, CountBytes, &bytes, nullptr, nullptr);
    });
    readdata14_close(document);
    return verdict;
}

Verdict BuilderNewEntry(std::uint64_t failAt) {
    readdata14_builder* builder = nullptr;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_builder_new(&builder);
    }
    const Verdict verdict = Judge(got, READDATA14_WRITTEN, builder == nullptr, [&] { return readdata14_builder_new(&builder); });
    readdata14_builder_free(builder);
    return verdict;
}

Verdict BuilderLeaveOutEntry(std::uint64_t failAt) {
    readdata14_builder* builder = nullptr;
    readdata14_builder_new(&builder);
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_builder_leave_out(builder, READDATA14_SECTION_NOTES, nullptr);
    }
    const Verdict verdict = Judge(got, READDATA14_WRITTEN, true, [&] {
        return readdata14_builder_leave_out(builder, READDATA14_SECTION_NOTES, nullptr);
    });
    readdata14_builder_free(builder);
    return verdict;
}

// All of a section of the sample copied: on a failure, the builder takes
// none of it and a retry takes all.
Verdict BuilderCopyEntry(std::uint32_t section, std::uint64_t failAt) {
    readdata14_document* document = OpenSample();
    const std::size_t elements = section == READDATA14_SECTION_SYMBOLS
                                     ? document->chart.symbolLengthsSize
                                     : static_cast<std::size_t>(document->chart.closedContours[0]);
    readdata14_builder* builder = nullptr;
    readdata14_builder_new(&builder);
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_builder_copy_elements(builder, document, section, 0, elements, nullptr);
    }
    const Verdict verdict = Judge(got, READDATA14_WRITTEN, true, [&] {
        return readdata14_builder_copy_elements(builder, document, section, 0, elements, nullptr);
    });
    readdata14_builder_free(builder);
    readdata14_close(document);
    return verdict;
}

// A contour of the sample copied with two label points of its own: on a
// failure, the builder takes nothing and a retry takes it.
Verdict BuilderCopyRelabelledEntry(std::uint64_t failAt) {
    readdata14_document* document = OpenSample();
    static constexpr float kPoints[] = {1.0f, 2.0f, 3.0f, 4.0f};
    readdata14_builder* builder = nullptr;
    readdata14_builder_new(&builder);
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_builder_copy_relabelled(builder, document, READDATA14_SECTION_CLOSED_CONTOURS, 1, kPoints, 2,
                                                 nullptr);
    }
    const Verdict verdict = Judge(got, READDATA14_WRITTEN, true, [&] {
        return readdata14_builder_copy_relabelled(builder, document, READDATA14_SECTION_CLOSED_CONTOURS, 1, kPoints, 2,
                                                  nullptr);
    });
    readdata14_builder_free(builder);
    readdata14_close(document);
    return verdict;
}

Verdict BuilderFinishEntry(std::uint64_t failAt) {
    readdata14_builder* builder = nullptr;
    readdata14_builder_new(&builder);
    TakeSteps(builder, 0, std::size(kSteps));
    readdata14_document* document = nullptr;
    readdata14_status got;
    {
        FailingWindow window(failAt);
        got = readdata14_builder_finish(builder, &document, nullptr);
    }
    const Verdict verdict = Judge(got, READDATA14_READ, document == nullptr, [&] {
        return readdata14_builder_finish(builder, &document, nullptr);
    });
    readdata14_close(document);
    readdata14_builder_free(builder);
    return verdict;
}

// A layer of the sample's model handed back whole, every column by name.
struct LayerTable {
    explicit LayerTable(const readdata14_layer& layer) {
        for (std::uint32_t i = 0; i < layer.definition->fieldCount; ++i) {
            const readdata14_column& column = layer.columns[i];
            std::uint64_t textSize = 0;
            for (std::uint64_t row = 0; column.type == READDATA14_FIELD_STRING && row < layer.featureCount; ++row) {
                textSize = std::max(textSize, column.textStarts[row] + column.textLengths[row]);
            }
            columns.push_back({layer.definition->fields[i].name, column, textSize});
        }
        for (std::uint64_t row = 0; row < layer.featureCount; ++row) {
            table.coordinateCount = std::max(table.coordinateCount,
                                             layer.geometryStarts[row] + 2 * std::uint64_t{layer.pointCounts[row]});
        }
        table.id = layer.id;
        table.columnCount = static_cast<std::uint32_t>(columns.size());
        table.columns = columns.data();
        table.featureCount = layer.featureCount;
        table.coordinates = layer.coordinates;
        table.geometryStarts = layer.geometryStarts;
        table.pointCounts = layer.pointCounts;
        table.geometryFlags = layer.geometryFlags;
    }
    std::vector<readdata14_table_column> columns;
    readdata14_layer_table table = READDATA14_LAYER_TABLE_INIT;
};

// One layer of the sample back into a new builder, with its label points:
// a refused call leaves the builder as it was, so the chart it then makes
// is the one an unfailed call makes.
Verdict AddLayerEntry(std::uint32_t id, std::uint64_t failAt, bool asStored = false) {
    readdata14_document* sample = nullptr;
    readdata14_open(kSample, nullptr, &sample);
    LayerTable table(*readdata14_document_layer(sample, id));
    // As stored: labels as the blocks hold them instead of the label
    // fields, rings closed (each closed one a copy) and points as given.
    const std::vector<float> labels(static_cast<std::size_t>(table.table.featureCount), 1000.0f);
    if (asStored) {
        std::erase_if(table.columns, [](const readdata14_table_column& c) {
            return std::string_view(c.name).starts_with("label_");
        });
        table.table.columns = table.columns.data();
        table.table.columnCount = static_cast<std::uint32_t>(table.columns.size());
        table.table.storedLabels = labels.data();
        table.table.flags = READDATA14_TABLE_CLOSE_RINGS | READDATA14_TABLE_POINTS_AS_GIVEN;
    }
    const LayerTable marks(*readdata14_document_layer(sample, READDATA14_LAYER_LABEL_POINTS));
    const auto build = [&](std::uint64_t fail, readdata14_status& got) {
        readdata14_builder* builder = nullptr;
        readdata14_builder_new(&builder);
        {
            FailingWindow window(fail);
            got = readdata14_builder_add_layer(builder, &table.table, &marks.table, nullptr);
        }
        return builder;
    };
    readdata14_status unfailed;
    readdata14_builder* reference = build(0, unfailed);
    const std::vector<char> expected = BuiltBytes(reference);
    readdata14_builder_free(reference);
    readdata14_status got;
    readdata14_builder* builder = build(failAt, got);
    Verdict verdict = Judge(got, READDATA14_WRITTEN, true, [&] {
        return readdata14_builder_add_layer(builder, &table.table, &marks.table, nullptr);
    });
    if (verdict.wrong.empty() && BuiltBytes(builder) != expected) verdict = {false, "a refused call changed the builder"};
    readdata14_builder_free(builder);
    readdata14_close(sample);
    return verdict;
}

// The metadata items are made on the first request: a refusal is no items.
Verdict MetadataEntry(std::uint64_t failAt) {
    readdata14_document* sample = nullptr;
    readdata14_open(kSample, nullptr, &sample);
    const readdata14_metadata_item* items = nullptr;
    std::size_t count;
    {
        FailingWindow window(failAt);
        count = readdata14_document_metadata(sample, &items);
    }
    Verdict verdict{count > 0 && items != nullptr, ""};
    if (!verdict.passed && (items != nullptr || readdata14_document_metadata(sample, &items) == 0)) {
        verdict.wrong = "no items, and none the next time";
    }
    readdata14_close(sample);
    return verdict;
}

std::vector<Entry> Entries() {
    std::vector<Entry> entries = {
        {"ReadZenparData14", ReadZenparEntry},
        {"read", [](std::uint64_t n) { return ReadEntry(false, n); }},
        {"read_memory", [](std::uint64_t n) { return ReadEntry(true, n); }},
        {"open", [](std::uint64_t n) { return OpenEntry(false, 0, n); }},
        {"open_memory", [](std::uint64_t n) { return OpenEntry(true, 0, n); }},
        {"read_memory (findings to a callback)", [](std::uint64_t n) { return FindingsEntry(false, n); }},
        {"open_memory (findings to a handler)", [](std::uint64_t n) { return FindingsEntry(true, n); }},
        {"open_memory (header only)", [](std::uint64_t n) { return OpenEntry(true, READDATA14_HEADER_ONLY, n); }},
        {"identify", IdentifyEntry},
        {"document_metadata", MetadataEntry},
    };
    for (std::uint32_t layer = 0; layer < readdata14_layer_count(); ++layer) {
        entries.push_back({std::string("document_layer ") + readdata14_layer_definition_at(layer)->name,
                           [layer](std::uint64_t n) { return LayerEntry(layer, n); }});
    }
    entries.push_back({"builder_new", BuilderNewEntry});
    for (std::size_t k = 0; k < std::size(kSteps); ++k) {
        entries.push_back({kSteps[k].name, [k](std::uint64_t n) { return BuilderStep(k, n); }});
    }
    for (std::uint32_t id = 0; id < READDATA14_LAYER_LABEL_POINTS; ++id) {
        entries.push_back({std::string("builder_add_layer ") + readdata14_layer_definition_at(id)->name,
                           [id](std::uint64_t n) { return AddLayerEntry(id, n); }});
    }
    for (const std::uint32_t id : {READDATA14_LAYER_LINES, READDATA14_LAYER_CLOSED_CONTOURS}) {
        entries.push_back({std::string("builder_add_layer ") + readdata14_layer_definition_at(id)->name + " (as stored)",
                           [id](std::uint64_t n) { return AddLayerEntry(id, n, true); }});
    }
    entries.push_back({"builder_leave_out", BuilderLeaveOutEntry});
    entries.push_back({"builder_copy_elements (contours)",
                       [](std::uint64_t n) { return BuilderCopyEntry(READDATA14_SECTION_CLOSED_CONTOURS, n); }});
    entries.push_back({"builder_copy_elements (symbols)",
                       [](std::uint64_t n) { return BuilderCopyEntry(READDATA14_SECTION_SYMBOLS, n); }});
    entries.push_back({"builder_copy_relabelled", BuilderCopyRelabelledEntry});
    entries.push_back({"builder_finish", BuilderFinishEntry});
    entries.push_back({"write", WriteFileEntry});
    entries.push_back({"write_memory", WriteMemoryEntry});
    entries.push_back({"write_callback", WriteCallbackEntry});
    return entries;
}

// Fails the 1st, 2nd, ... allocation of the entry until it passes; the
// allocations it made when it passed, or -1 when it did something wrong.
std::int64_t Survive(const Entry& entry) {
    constexpr std::uint64_t kGiveUp = 1000000;
    for (std::uint64_t failAt = 1; failAt < kGiveUp; ++failAt) {
        Verdict verdict = entry.attempt(failAt);
        const bool injected = alloc_test::FailureInjected();
        if (verdict.wrong.empty() && !verdict.passed && !injected) verdict.wrong = "refused though nothing failed";
        if (!verdict.wrong.empty()) {
            std::printf("FAIL %s, allocation %llu failing: %s\n", entry.name.c_str(),
                        static_cast<unsigned long long>(failAt), verdict.wrong.c_str());
            return -1;
        }
        // Passing with a failure injected is fine (the call did without that
        // allocation); passing without one is the end: every allocation of
        // the call has been failed once.
        if (verdict.passed && !injected) return static_cast<std::int64_t>(failAt - 1);
    }
    std::printf("FAIL %s: still refused after %llu allocations\n", entry.name.c_str(),
                static_cast<unsigned long long>(kGiveUp));
    return -1;
}

}  // namespace

int main() {
    if (kSampleBytes.empty()) {
        std::printf("FAIL: cannot read %s\n", kSample);
        return 1;
    }
    int failures = 0;
    std::printf("%-36s %s\n", "entry", "allocations, each failed in turn");
    for (const Entry& entry : Entries()) {
        const std::int64_t allocations = Survive(entry);
        if (allocations < 0) {
            ++failures;
        } else {
            std::printf("%-36s %lld\n", entry.name.c_str(), static_cast<long long>(allocations));
        }
    }
    std::filesystem::remove(kOutput);
    std::printf(failures == 0 ? "every allocation failure survived\n" : "%d entries failed\n", failures);
    return failures == 0 ? 0 : 1;
}

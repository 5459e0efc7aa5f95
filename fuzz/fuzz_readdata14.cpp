// libFuzzer target: arbitrary bytes as a chart file. Every input is read
// three ways: through the in-memory driver (text mode, then ReadChart),
// through the original C export from a file, and through readdata14_read_memory
// with its findings. Every block is walked by an independent checker to
// exactly its end (the allocation's, and the size the C API reports), the
// three must agree, every finding must stand where its line and column say in
// the file's own bytes with a printable message, and everything is released
// (LeakSanitizer sees any leak). The closed contours handed back are nested
// again, through the index and along the list, which must agree.
//
// readdata14_open_memory reads each input again with a small findings limit
// and a handler that stops after N findings (N from the input): an unstopped
// read gives the blocks and exact counts of readdata14_read_memory, a stopped
// one sound blocks and exactly N findings counted. readdata14_identify is
// asked about the whole input and about prefixes: a claim must read, and a
// chart is never refused on a prefix.
//
// And every input that reads is written (with LF or CR LF) and read again:
// the two documents must agree. No state a full read leaves is one the
// writer refuses (only a header-only read is), so every write must succeed.
//
// Every input that reads is copied into a builder, element by element as
// read, and must give its blocks back (readdata14_builder_copy_elements);
// one line or contour is copied with label points of its bytes
// (readdata14_builder_copy_relabelled).
//
// The same bytes are then run as a program for the builder
// (builder_program.hpp): every step taken or refused with a message, and
// every chart it finishes written and read back the same. The short way of
// reading plain decimals is checked against the general conversion at every
// offset, and an input above a small size is read with two threads as well,
// which must give what one thread gives; the file is read mapped as well.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/nesting.hpp"
#include "driver/chart_reader.hpp"
#include "readdata14/readdata14_write.h"
#include "reading/numbers.hpp"
#include "reading/text_input.hpp"
#include "readdata14/readdata14_layers.h"
#include "builder_program.hpp"
#include "support/chart_check.hpp"
#include "support/document_compare.hpp"
#include "support/element_copy.hpp"

namespace {

using readdata14::test::ChartView;

[[noreturn]] void Fail(const char* path, const std::string& problem) {
    std::fprintf(stderr, "fuzz_readdata14: %s: %s\n", path, problem.c_str());
    std::abort();
}

// The export reads a path: an in-memory file keeps the disk out of the loop.
// Made once per process and rewritten for every input.
class InputFile {
public:
    InputFile() {
        fd_ = memfd_create("fuzz_readdata14_chart", 0);
        if (fd_ < 0) Fail("memfd_create", "cannot create the input file");
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    const char* Write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) Fail("ftruncate", "cannot empty the input file");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t wrote = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (wrote <= 0) Fail("pwrite", "cannot write the input file");
            done += static_cast<std::size_t>(wrote);
        }
        return path_.c_str();
    }

private:
    int fd_ = -1;
    std::string path_;
};

ChartView ReadInMemory(const std::uint8_t* data, std::size_t size, readdata14::ChartData& chart) {
    std::string text(reinterpret_cast<const char*>(data), size);
    readdata14::ApplyTextMode(text);
    readdata14::ReadChart(text, chart);
    return readdata14::test::ViewOf(chart);
}

// The short way for plain decimals against the general conversion at every
// offset of the input (the first bytes of a large one): the same characters
// taken, the same bits.
void CheckNumberReadings(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 4096));
    for (std::size_t at = 0; at < text.size(); ++at) {
        const readdata14::ParsedFloat general = readdata14::ParseFloatPrefixLongWay(text.substr(at));
        const readdata14::ParsedFloat plain = readdata14::ParsePlainDecimal(text.substr(at));
        if (plain.length == 0) continue;
        std::uint32_t plainBits = 0;
        std::uint32_t generalBits = 0;
        std::memcpy(&plainBits, &plain.value, sizeof plainBits);
        std::memcpy(&generalBits, &general.value, sizeof generalBits);
        if (plain.length != general.length || plainBits != generalBits) {
            Fail("ParsePlainDecimal", "differs from the general conversion at offset " + std::to_string(at));
        }
    }
}

// The parallel read against one thread: two threads and small chunks (so
// that tokens straddle their borders) give the same chart and the same
// findings in the same order, a stop after the second finding included.
struct ReadWithFindings {
    readdata14::ChartData chart;
    readdata14::ChartReadResult result;
    std::vector<std::string> findings;
};

ReadWithFindings ReadWithThreads(const readdata14::ChartSource& source, const readdata14::PreparedRead& prepared,
                                 std::uint64_t findingLimit, std::uint64_t mapFrom = UINT64_MAX) {
    ReadWithFindings read;
    readdata14::ReadOptions options;
    options.prepared = prepared;
    options.mapFrom = mapFrom;
    options.findingLimit = findingLimit;
    options.onFinding = [&read](readdata14::PlacedFinding& found) {
        read.findings.push_back(std::to_string(found.offset) + " " + found.message);
        return true;
    };
    read.result = readdata14::ReadChartSource(source, read.chart, options);
    return read;
}

void CompareReads(const ReadWithFindings& one, const ReadWithFindings& two, const char* what) {
    if (one.result.status != two.result.status || one.findings != two.findings ||
        one.result.errors != two.result.errors || one.result.warnings != two.result.warnings ||
        one.result.inputSize != two.result.inputSize || one.chart.sectionsPresent != two.chart.sectionsPresent ||
        one.chart.headerIntegers != two.chart.headerIntegers ||
        one.chart.contourFilePositions != two.chart.contourFilePositions) {
        Fail(what, "differs outside the blocks");
    }
    if (auto problem = readdata14::test::CompareCharts(readdata14::test::ViewOf(one.chart),
                                                       readdata14::test::ViewOf(two.chart));
        !problem.empty()) {
        Fail(what, problem);
    }
}

void CheckParallelRead(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSmallestParallel = 64;
    if (size < kSmallestParallel) return;
    readdata14::ChartSource source;
    source.bytes = std::string_view(reinterpret_cast<const char*>(data), size);
    for (const std::uint64_t limit : {UINT64_MAX, std::uint64_t{2}}) {
        CompareReads(ReadWithThreads(source, readdata14::PreparedRead{}, limit),
                     ReadWithThreads(source, readdata14::PreparedRead{2, 0, 1 + size % 61}, limit), "parallel read");
    }
}

// The file mapped rather than copied (text mode then changes the mapped
// bytes), read with two threads, against the bytes in memory read by one.
void CheckMappedRead(const char* path, const std::uint8_t* data, std::size_t size) {
    readdata14::ChartSource inMemory;
    inMemory.bytes = std::string_view(reinterpret_cast<const char*>(data), size);
    readdata14::ChartSource mapped;
    mapped.path = path;
    CompareReads(ReadWithThreads(inMemory, readdata14::PreparedRead{}, UINT64_MAX),
                 ReadWithThreads(mapped, readdata14::PreparedRead{2, 0, 1 + size % 61}, UINT64_MAX, 0), "mapped read");
}

// Each finding checked against the input's own bytes: its line and column
// follow from its offset, findings come in file order, and the message is
// printable ASCII whatever bytes the file holds.
struct FindingCheck {
    std::string_view bytes;
    std::uint64_t lastOffset = 0;
    std::uint32_t errors = 0;
    std::uint32_t warnings = 0;
};

void CheckPlacedFinding(const readdata14_finding* finding, FindingCheck& check);

void CheckFinding(const readdata14_finding* finding, void* context) {
    auto& check = *static_cast<FindingCheck*>(context);
    if (finding->offset < check.lastOffset) Fail("finding", "not in file order");
    check.lastOffset = finding->offset;
    CheckPlacedFinding(finding, check);
}

void CheckPlacedFinding(const readdata14_finding* finding, FindingCheck& check) {
    if (finding->offset > check.bytes.size()) Fail("finding", "offset past the end");
    const std::string_view before = check.bytes.substr(0, static_cast<std::size_t>(finding->offset));
    const std::size_t lastBreak = before.rfind('\n');
    const std::uint64_t line = 1 + static_cast<std::uint64_t>(std::count(before.begin(), before.end(), '\n'));
    const std::uint64_t column = before.size() - (lastBreak == std::string_view::npos ? 0 : lastBreak + 1) + 1;
    if (finding->line != line || finding->column != column) Fail("finding", "line or column off its offset");
    if (finding->kind < READDATA14_FINDING_NOT_TYPE_14 || finding->kind > READDATA14_FINDING_NON_FINITE) {
        Fail("finding", "unknown kind");
    }
    const bool error = finding->kind < READDATA14_FINDING_TEXT_CUT_SHORT;
    if (finding->severity != (error ? READDATA14_ERROR : READDATA14_WARNING)) Fail("finding", "wrong severity");
    (error ? check.errors : check.warnings) += 1;
    const std::string_view message(finding->message);
    if (message.empty()) Fail("finding", "empty message");
    for (const char c : message) {
        if (c < 0x20 || c > 0x7e) Fail("finding", "a message byte that is not printable ASCII");
    }
}

// The contours of a closed-contour block that CheckChart found sound, in
// the block's order (a reading order as good as any).
std::vector<readdata14::ContourNode> ContoursOfBlock(const float* block) {
    std::vector<readdata14::ContourNode> contours;
    std::size_t at = 1;
    for (std::size_t record = 0; record < static_cast<std::size_t>(block[0]); ++record) {
        readdata14::ContourNode& contour = contours.emplace_back();
        const auto n = static_cast<std::size_t>(block[at]);
        for (std::size_t k = 0; k < n; ++k) {
            const readdata14::Point point{block[at + 4 + 2 * k], block[at + 5 + 2 * k]};
            readdata14::ExtendBox(contour.box, point, k == 0);
            contour.points.push_back(point);
        }
        contour.value = block[at + 4 + 2 * n];
        at += 6 + 2 * n + 2 * static_cast<std::size_t>(block[at + 5 + 2 * n]);
    }
    return contours;
}

// The nesting through the index, with and without its first step along the
// list, against the walk along the list alone, which costs the square of the
// contours: sections of up to a thousand.
void CheckNesting(const float* block) {
    if (block == nullptr || block[0] > 1000.0f) return;
    const std::vector<readdata14::ContourNode> contours = ContoursOfBlock(block);
    const readdata14::Nesting alongTheList = readdata14::NestContoursOneByOne(contours);
    for (const std::size_t steps : {readdata14::kStepsAlongTheList, std::size_t{0}}) {
        const readdata14::Nesting indexed = readdata14::NestContours(contours, steps);
        if (indexed.order != alongTheList.order || indexed.directions != alongTheList.directions ||
            indexed.sectionDirection != alongTheList.sectionDirection) {
            Fail("NestContours", "the index and the walk along the list disagree");
        }
    }
}

// readdata14_open's handler: each finding placed as readdata14_read's are
// (their order is the readers', not sorted), and a stop after `stopAfter`.
struct StoppingCheck {
    FindingCheck findings;
    std::uint64_t stopAfter = 0;  // 0: never
    std::uint64_t heard = 0;
};

int CheckAndMaybeStop(const readdata14_finding* finding, void* context) {
    auto& check = *static_cast<StoppingCheck*>(context);
    CheckPlacedFinding(finding, check.findings);
    return ++check.heard == check.stopAfter ? READDATA14_STOP : READDATA14_GO_ON;
}

// The document's own fields: contour positions a permutation of the records,
// no section bit beyond the seven.
void CheckDocument(const readdata14_document& document) {
    if (document.size != sizeof document) Fail("readdata14_open_memory", "document size");
    if ((document.sectionsPresent & ~0x7fu) != 0) Fail("readdata14_open_memory", "unknown section bit");
    const float* contours = document.chart.closedContours;
    const std::size_t records = contours == nullptr ? 0 : static_cast<std::size_t>(contours[0]);
    if (document.contourFilePositionsSize != records) Fail("readdata14_open_memory", "contour positions' count");
    std::vector<std::uint32_t> positions(document.contourFilePositions,
                                         document.contourFilePositions + document.contourFilePositionsSize);
    std::sort(positions.begin(), positions.end());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] != i) Fail("readdata14_open_memory", "contour positions are not a permutation");
    }
}

// The layer model: every geometry inside its block, finite and with enough
// points for its type, every text inside its section's joined texts, every
// nullable Real that is not null finite.
void CheckLayers(const readdata14_document& document) {
    const readdata14_chart& c = document.chart;
    const std::pair<const void*, std::size_t> blocks[] = {
        {c.lines, c.linesSize},           {c.lineSymbols, c.lineSymbolsSize}, {c.symbols.values, c.symbolValuesSize},
        {c.closedContours, c.closedContoursSize}, {c.weatherRegions, c.weatherRegionsSize},
        {c.fillAreas, c.fillAreasSize},   {c.notes.values, c.noteValuesSize}};
    for (std::uint32_t id = 0; id < readdata14_layer_count(); ++id) {
        const readdata14_layer* layer = readdata14_document_layer(&document, id);
        if (layer == nullptr || layer->id != id) Fail("layers", "no layer");
        const bool labels = id == READDATA14_LAYER_LABEL_POINTS;
        const std::size_t floats = labels ? 2 * layer->featureCount : blocks[id].second;
        if (!labels && layer->featureCount > 0 && layer->coordinates != blocks[id].first) Fail("layers", "block");
        const std::int32_t geometry = layer->definition->geometryType;
        for (std::uint64_t f = 0; f < layer->featureCount; ++f) {
            if ((layer->geometryFlags[f] & READDATA14_GEOMETRY_NULL) != 0) continue;
            const std::uint64_t start = layer->geometryStarts[f], points = layer->pointCounts[f];
            if (start + 2 * points > floats) Fail("layers", "geometry beyond its block");
            const std::size_t least = geometry == READDATA14_GEOMETRY_POINT ? 1 : geometry == READDATA14_GEOMETRY_POLYGON ? 3 : 2;
            if (points < least) Fail("layers", "too few points for the geometry");
            for (std::uint64_t i = 0; i < 2 * points; ++i) {
                if (!std::isfinite(layer->coordinates[start + i])) Fail("layers", "a coordinate not finite");
            }
        }
        for (std::uint32_t k = 0; k < layer->definition->fieldCount; ++k) {
            const readdata14_column& column = layer->columns[k];
            for (std::uint64_t f = 0; f < layer->featureCount; ++f) {
                if (column.nulls != nullptr && column.nulls[f] != 0) continue;
                if (column.type == READDATA14_FIELD_REAL && !std::isfinite(column.reals[f])) Fail("layers", "a Real not finite");
                const char* text = column.texts;
                const bool ofSymbols = text != nullptr && text == c.symbols.text, ofNotes = text != nullptr && text == c.notes.text;
                const std::size_t size = ofSymbols ? c.symbolTextSize : ofNotes ? c.noteTextSize : SIZE_MAX;
                if (column.type == READDATA14_FIELD_STRING && column.textStarts[f] + column.textLengths[f] > size) {
                    Fail("layers", "a text beyond its section's texts");
                }
            }
        }
    }
}

// The stored layers: one row per feature of the layer, every item inside
// the floats its column names.
void CheckStored(const readdata14_document& document) {
    for (std::uint32_t id = 0; id < readdata14_layer_count(); ++id) {
        const readdata14_stored_layer* stored = readdata14_document_stored_layer(&document, id);
        if (stored == nullptr || stored->id != id) Fail("stored layers", "no layer");
        if (stored->featureCount != readdata14_document_layer(&document, id)->featureCount) {
            Fail("stored layers", "another feature count than the layer's");
        }
        for (std::uint32_t k = 0; k < stored->columnCount; ++k) {
            const readdata14_stored_column& column = stored->columns[k];
            const std::uint64_t width = column.kind == READDATA14_STORED_POINTS ? 2 : 1;
            for (std::uint64_t f = 0; f < stored->featureCount; ++f) {
                if (column.counts[f] == 0) continue;
                if (column.starts[f] + width * column.counts[f] > column.floatCount) {
                    Fail("stored layers", "an item beyond its floats");
                }
            }
        }
    }
}

// Reads the input through readdata14_open_memory with at most 3 findings
// handed on and a stop after the input's last byte mod 4 of them; `api` is
// the unbounded read of the same bytes.
void CheckOpen(const std::uint8_t* data, std::size_t size, const readdata14_chart& api, readdata14_status apiStatus) {
    constexpr std::uint64_t kLimit = 3;
    StoppingCheck check{FindingCheck{std::string_view(reinterpret_cast<const char*>(data), size)}};
    check.stopAfter = size == 0 ? 0 : data[size - 1] % 4;
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.onFinding = CheckAndMaybeStop;
    options.context = &check;
    options.maxFindings = kLimit;
    readdata14_document* document = nullptr;
    const readdata14_status status = readdata14_open_memory(data, size, &options, &document);
    if (document == nullptr || document->status != status) Fail("readdata14_open_memory", "no document");
    if (check.heard > kLimit) Fail("readdata14_open_memory", "more findings than the limit");
    const std::uint64_t counted = std::uint64_t{document->chart.errors} + document->chart.warnings;
    // A stop on a file that is not a chart keeps its status NOT_TYPE_14.
    const bool stopped = check.stopAfter != 0 && check.heard == check.stopAfter;
    if (status == READDATA14_STOPPED && !(stopped && apiStatus == READDATA14_READ)) {
        Fail("readdata14_open_memory", "stopped without the handler asking, or not a chart");
    }
    if (stopped) {
        if (counted != check.stopAfter || status != (apiStatus == READDATA14_READ ? READDATA14_STOPPED : apiStatus)) {
            Fail("readdata14_open_memory", "counts past the stop, or a status other than stopped");
        }
        if (auto problem = readdata14::test::CheckChart(readdata14::test::ViewOf(document->chart)); !problem.empty()) {
            Fail("readdata14_open_memory (stopped)", problem);
        }
    } else {
        if (status != apiStatus) Fail("readdata14_open_memory", "status differs from readdata14_read_memory");
        if (document->chart.errors != api.errors || document->chart.warnings != api.warnings) {
            Fail("readdata14_open_memory", "counts differ from readdata14_read_memory past the limit");
        }
        if (check.heard != std::min(counted, kLimit)) Fail("readdata14_open_memory", "findings withheld below the limit");
        if (auto problem = readdata14::test::CompareCharts(readdata14::test::ViewOf(document->chart),
                                                           readdata14::test::ViewOf(api));
            !problem.empty()) {
            Fail("readdata14_read_memory vs readdata14_open_memory", problem);
        }
    }
    if (status == READDATA14_READ || status == READDATA14_STOPPED) {
        CheckDocument(*document);
        CheckLayers(*document);
        CheckStored(*document);
    }

    // The header alone: the same fields, no blocks.
    readdata14_options headerOnly = READDATA14_OPTIONS_INIT;
    headerOnly.flags = READDATA14_HEADER_ONLY;
    readdata14_document* header = nullptr;
    const readdata14_status headerStatus = readdata14_open_memory(data, size, &headerOnly, &header);
    if ((headerStatus == READDATA14_READ) != (apiStatus == READDATA14_READ)) Fail("header only", "status");
    if (headerStatus == READDATA14_READ && status == READDATA14_READ) {
        if (header->chart.lines != nullptr || header->chart.weatherRegions != nullptr) Fail("header only", "blocks");
        if (header->firstTokenSize != document->firstTokenSize ||
            std::memcmp(header->firstToken, document->firstToken, header->firstTokenSize) != 0 ||
            std::memcmp(header->headerIntegers, document->headerIntegers, sizeof header->headerIntegers) != 0 ||
            std::memcmp(header->headerIntegerPresent, document->headerIntegerPresent,
                        sizeof header->headerIntegerPresent) != 0) {
            Fail("header only", "fields differ from the whole read");
        }
    }
    readdata14_close(header);
    readdata14_close(document);
}

readdata14_identity Identify(const std::uint8_t* data, std::size_t size, bool wholeFile) {
    char reason[128];
    const readdata14_identity identity = readdata14_identify(data, size, wholeFile ? 1 : 0, reason, sizeof reason);
    if ((identity == READDATA14_NOT_CHART) == (reason[0] == '\0')) Fail("readdata14_identify", "reason");
    return identity;
}

// A claim reads, a chart holding a tag is claimed, and no prefix of a chart
// is refused; the loader's early verdict on a prefix agrees with the read.
void CheckIdentify(const std::uint8_t* data, std::size_t size, readdata14_status status, bool holdsTag) {
    const readdata14_identity whole = Identify(data, size, true);
    if (whole == READDATA14_NEEDS_MORE) Fail("readdata14_identify", "needs more of a whole file");
    if (whole == READDATA14_IS_CHART && status != READDATA14_READ) Fail("readdata14_identify", "claims a non-chart");
    if (holdsTag && whole != READDATA14_IS_CHART) Fail("readdata14_identify", "refuses a chart with a tag");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Every cut within the header's usual bytes, and 16 spread over the rest.
    const std::size_t everyCut = std::min<std::size_t>(size, 64);
    for (std::size_t step = 0; step < everyCut + 16 && size > 0; ++step) {
        const std::size_t length = step < everyCut ? step : (size * (step - everyCut) / 16 + step * 7) % (size + 1);
        const readdata14_identity prefix = Identify(data, length, false);
        if (whole == READDATA14_IS_CHART && prefix == READDATA14_NOT_CHART) {
            Fail("readdata14_identify", "refuses a prefix of a chart");
        }
        if (prefix == READDATA14_IS_CHART && whole != READDATA14_IS_CHART) {
            Fail("readdata14_identify", "claims a prefix of a non-chart");
        }
        const readdata14::HeaderVerdict verdict = readdata14::JudgeHeader(bytes.substr(0, length), false);
        if ((verdict == readdata14::HeaderVerdict::NotType14 && status != READDATA14_NOT_TYPE_14) ||
            (verdict == readdata14::HeaderVerdict::Type14 && status != READDATA14_READ)) {
            Fail("JudgeHeader", "the verdict on a prefix differs from the read");
        }
    }
}

// Read, write, read: the same document. The line ends follow the input's
// size, so that both kinds are fuzzed.
void CheckWriteRoundTrip(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kNothing = 0;
    readdata14_document* read = nullptr;
    const readdata14_status status = readdata14_open_memory(size == 0 ? &kNothing : data, size, nullptr, &read);
    if (status == READDATA14_READ) {
        readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
        if (size % 2 == 1) options.flags = READDATA14_WRITE_CRLF;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        void* written = nullptr;
        std::size_t writtenSize = 0;
        if (readdata14_write_memory(read, &options, &written, &writtenSize, &result) != READDATA14_WRITTEN) {
            Fail("readdata14_write_memory", result.message);
        }
        readdata14_document* again = nullptr;
        if (readdata14_open_memory(written, writtenSize, nullptr, &again) != READDATA14_READ) {
            Fail("readdata14_write_memory", "the chart written does not read");
        }
        if (auto problem = readdata14::test::CompareDocuments(*read, *again); !problem.empty()) {
            Fail("read, write, read", problem);
        }
        readdata14_close(again);
        readdata14_write_release(written);
    }
    readdata14_close(read);
}

// A line or contour, chosen by the input's bytes, copied with label points
// made of its bytes (any bits: a NaN no file spells is refused): taken or
// refused as not writable, never anything else, and a chart that took it
// finishes with that one element.
void CheckCopyRelabelled(const readdata14_document& read, const std::uint8_t* data, std::size_t size, std::size_t seed) {
    const std::uint32_t section = seed % 2 == 0 ? READDATA14_SECTION_LINES : READDATA14_SECTION_CLOSED_CONTOURS;
    const std::size_t n = readdata14::test::ElementsOf(read, section);
    if (n == 0) return;
    std::vector<float> points((seed / 3) % 50 * 2, 0.0f);
    // No memcpy for no points: an empty vector's data may be null.
    if (!points.empty()) std::memcpy(points.data(), data, std::min(size, points.size() * sizeof(float)));
    readdata14_builder* builder = nullptr;
    readdata14_document* part = nullptr;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_builder_new(&builder) != READDATA14_WRITTEN) Fail("readdata14_builder_new", "no builder");
    const readdata14_status status =
        readdata14_builder_copy_relabelled(builder, &read, section, (seed / 5) % n, points.data(), points.size() / 2, &result);
    if (status != READDATA14_WRITTEN && status != READDATA14_NOT_WRITABLE) {
        Fail("readdata14_builder_copy_relabelled", result.message);
    }
    if (readdata14_builder_finish(builder, &part, &result) != READDATA14_READ) {
        Fail("readdata14_builder_copy_relabelled, finished", result.message);
    }
    if (readdata14::test::ElementsOf(*part, section) != (status == READDATA14_WRITTEN ? 1u : 0u)) {
        Fail("readdata14_builder_copy_relabelled", "the chart made holds another number of elements");
    }
    readdata14_close(part);
    readdata14_builder_free(builder);
}

// Copied into a builder, the chart's elements give its blocks back: all of
// them, each section in two runs cut where the input's bytes say; and a
// range of one section, chosen by them too, is taken whole, and copied
// again from the chart it made, gives that chart again.
void CheckCopyElements(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kNothing = 0;
    readdata14_document* read = nullptr;
    if (readdata14_open_memory(size == 0 ? &kNothing : data, size, nullptr, &read) == READDATA14_READ) {
        std::size_t seed = 0;
        for (std::size_t i = 0; i < std::min<std::size_t>(size, 4); ++i) seed = seed * 251 + data[size - 1 - i];
        const auto cut = [seed](std::size_t elements) { return seed % (elements + 1); };
        if (auto problem = readdata14::test::CopyAllProblem(*read, cut); !problem.empty()) {
            Fail("readdata14_builder_copy_elements, all", problem);
        }
        const std::uint32_t section = readdata14::test::kSectionBits[seed % 7];
        const std::size_t n = readdata14::test::ElementsOf(*read, section);
        const std::size_t first = (seed / 7) % (n + 1);
        const std::size_t count = (seed / 11) % (n - first + 1);
        readdata14_builder* builder = nullptr;
        readdata14_document* part = nullptr;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        if (readdata14_builder_new(&builder) != READDATA14_WRITTEN ||
            readdata14_builder_copy_elements(builder, read, section, first, count, &result) != READDATA14_WRITTEN ||
            readdata14_builder_finish(builder, &part, &result) != READDATA14_READ) {
            Fail("readdata14_builder_copy_elements, a range", result.message);
        }
        if (readdata14::test::ElementsOf(*part, section) != count) {
            Fail("readdata14_builder_copy_elements, a range", "the chart made holds another number of elements");
        }
        if (auto problem = readdata14::test::CopyAllProblem(*part); !problem.empty()) {
            Fail("readdata14_builder_copy_elements, a range copied again", problem);
        }
        readdata14_close(part);
        readdata14_builder_free(builder);
        CheckCopyRelabelled(*read, data, size, seed);
    }
    readdata14_close(read);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    readdata14::ChartData chart;
    const ChartView inMemory = ReadInMemory(data, size, chart);
    if (auto problem = readdata14::test::CheckChart(inMemory); !problem.empty()) Fail("ReadChart", problem);
    CheckNesting(inMemory.closedContours);
    CheckNumberReadings(data, size);
    CheckParallelRead(data, size);

    static InputFile file;
    const char* const path = file.Write(data, size);
    CheckMappedRead(path, data, size);
    auto exported = readdata14::test::ReadExported(path);
    const ChartView viaExport = readdata14::test::ViewOf(exported);
    if (auto problem = readdata14::test::CheckChart(viaExport); !problem.empty()) {
        Fail("ReadZenparData14", problem);
    }
    if (auto problem = readdata14::test::CompareCharts(inMemory, viaExport); !problem.empty()) {
        Fail("ReadChart vs ReadZenparData14", problem);
    }
    readdata14::test::ReleaseExported(exported);

    FindingCheck check{std::string_view(reinterpret_cast<const char*>(data), size)};
    readdata14_chart viaApi;
    const readdata14_status status = readdata14_read_memory(data, size, &viaApi, CheckFinding, &check);
    if (status != READDATA14_READ && status != READDATA14_NOT_TYPE_14) Fail("readdata14_read_memory", "status");
    if (check.errors != viaApi.errors || check.warnings != viaApi.warnings) {
        Fail("readdata14_read_memory", "finding counts differ from the findings");
    }
    const ChartView apiView = readdata14::test::ViewOf(viaApi);
    if (auto problem = readdata14::test::CheckChart(apiView); !problem.empty()) Fail("readdata14_read_memory", problem);
    if (auto problem = readdata14::test::CompareCharts(inMemory, apiView); !problem.empty()) {
        Fail("ReadChart vs readdata14_read_memory", problem);
    }
    CheckOpen(data, size, viaApi, status);
    // The LINES tag is the first token after the header: there the reader
    // and the identification see the same token. A later reader may find
    // its tag inside a token ("0SYMBOLS:" after a count read as "%d"),
    // which is no tag to the identification.
    CheckIdentify(data, size, status, (chart.sectionsPresent & 1u) != 0);
    readdata14_release(&viaApi);

    CheckWriteRoundTrip(data, size);
    CheckCopyElements(data, size);
    if (auto problem = readdata14::fuzz::RunBuilderProgram(data, size); !problem.empty()) Fail("builder", problem);
    return 0;
}

// The readdata14_ C API: the read driver behind a status, with the size of
// every array and the findings through a callback. Nothing thrown inside
// leaves it: an allocation failure becomes READDATA14_OUT_OF_MEMORY, and what
// the read had made is released on the way out (it is owned until the end).
#define READDATA14_BUILDING
#include "readdata14/readdata14.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <stdexcept>
#include <vector>

#include "api/document.hpp"
#include "readdata14/chart.hpp"
#include "driver/chart_reader.hpp"
#include "driver/identify.hpp"

#ifndef READDATA14_VERSION_STRING
#define READDATA14_VERSION_STRING "0.0.0"
#endif

namespace {

using readdata14::ChartData;
using readdata14::ChartReadResult;
using readdata14::ChartSource;
using readdata14::ChartStatus;
using readdata14::FloatBlock;
using readdata14::PlacedFinding;
using readdata14::ReadOptions;
using readdata14::Severity;
using readdata14::TextBlock;

// The finding callback threw: unwind to the read and report it there.
struct CallbackFailed {};

float* Hand(FloatBlock& block, std::size_t& size) noexcept {
    size = block.size();
    return block.release();
}

void Hand(TextBlock& block, FloatTextBlock& record, std::size_t& valuesSize, std::size_t& lengthsSize,
          std::size_t& textSize) noexcept {
    record.values = Hand(block.values, valuesSize);
    lengthsSize = block.lengths ? block.lengthCount : 0;
    textSize = block.text ? block.textSize : 0;
    record.lengths = block.lengths.release();
    record.text = block.text.release();
}

// Moves the blocks the read made into the caller's record; cannot fail.
void HandOver(ChartData& data, readdata14_chart& chart) noexcept {
    chart.lines = Hand(data.lines, chart.linesSize);
    chart.description = data.description.release();
    chart.lineSymbols = Hand(data.lineSymbols, chart.lineSymbolsSize);
    chart.closedContours = Hand(data.closedContours, chart.closedContoursSize);
    Hand(data.symbols, chart.symbols, chart.symbolValuesSize, chart.symbolLengthsSize, chart.symbolTextSize);
    chart.weatherRegions = Hand(data.weatherRegions, chart.weatherRegionsSize);
    if (data.fillAreasRead) chart.fillAreas = Hand(data.fillAreas, chart.fillAreasSize);
    Hand(data.notes, chart.notes, chart.noteValuesSize, chart.noteLengthsSize, chart.noteTextSize);
}

readdata14_status StatusOf(ChartStatus status) noexcept {
    switch (status) {
        case ChartStatus::Read: return READDATA14_READ;
        case ChartStatus::CannotOpen: return READDATA14_CANNOT_OPEN;
        case ChartStatus::NotType14: return READDATA14_NOT_TYPE_14;
        case ChartStatus::TooLarge: return READDATA14_TOO_LARGE;
        case ChartStatus::Stopped: return READDATA14_STOPPED;
    }
    return READDATA14_CANNOT_OPEN;
}

bool GaveChart(ChartStatus status) noexcept { return status == ChartStatus::Read || status == ChartStatus::Stopped; }

std::uint32_t Count32(std::uint64_t count) noexcept {
    return count > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(count);
}

readdata14_finding Public(const PlacedFinding& found) noexcept {
    return {found.offset, found.line, found.column, static_cast<std::int32_t>(found.kind),
            static_cast<std::int32_t>(found.severity), found.message.c_str()};
}

// Runs `read`, turning what may be thrown inside into a status.
template <class Read>
readdata14_status Guarded(Read&& read) noexcept {
    try {
        return read();
    } catch (const std::bad_alloc&) {
        return READDATA14_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        // A container refusing a size is the allocator's refusal too.
        return READDATA14_OUT_OF_MEMORY;
    } catch (const CallbackFailed&) {
        return READDATA14_CALLBACK_FAILED;
    } catch (...) {
        // Nothing else is thrown inside the read; were it, it still may not
        // leave a C call, and the only resource the read spends is memory.
        return READDATA14_OUT_OF_MEMORY;
    }
}

// The 1.0 read: every finding collected, then handed on in file order after
// the read; without a callback only counted.
readdata14_status Read(const ChartSource& source, readdata14_chart* chart, readdata14_finding_callback onFinding,
                       void* context) noexcept {
    if (chart == nullptr) return READDATA14_INVALID_ARGUMENT;
    std::memset(chart, 0, sizeof *chart);
    return Guarded([&] {
        ChartData data;
        std::vector<PlacedFinding> findings;
        ReadOptions options;
        options.maxInputSize = READDATA14_DEFAULT_MAX_INPUT;
        options.countFindings = true;
        if (onFinding != nullptr) {
            options.onFinding = [&findings](PlacedFinding& found) {
                findings.push_back(std::move(found));
                return true;
            };
        }
        const ChartReadResult result = readdata14::ReadChartSource(source, data, options);
        chart->systemError = result.systemError;
        chart->errors = Count32(result.errors);
        chart->warnings = Count32(result.warnings);
        std::stable_sort(findings.begin(), findings.end(),
                         [](const PlacedFinding& a, const PlacedFinding& b) { return a.offset < b.offset; });
        for (const PlacedFinding& found : findings) {
            const readdata14_finding finding = Public(found);
            try {
                onFinding(&finding, context);
            } catch (...) {
                throw CallbackFailed{};
            }
        }
        if (result.status == ChartStatus::Read) HandOver(data, *chart);
        return StatusOf(result.status);
    });
}

// ---- readdata14_open ----------------------------------------------------------

// The options a host passed, completed with the defaults for what an older
// host does not know; nothing when the record is too small to be one.
// More threads than this gain nothing on any machine a chart is read on.
constexpr std::uint64_t kMostThreads = 64;

// The record as 1.1 and 1.2 have it: everything before `threads`.
constexpr std::size_t kOptionsSize11 = offsetof(readdata14_options, threads);

std::optional<readdata14_options> OptionsOf(const readdata14_options* given) noexcept {
    readdata14_options options = READDATA14_OPTIONS_INIT;
    if (given == nullptr) return options;
    if (given->size < kOptionsSize11) {
        // 1.1 is the first version with options: no host has a smaller record.
        return std::nullopt;
    }
    // An older host's record ends before the later fields: they keep their
    // defaults (one thread).
    std::memcpy(&options, given, std::min<std::size_t>(given->size, sizeof options));
    options.size = sizeof options;
    return options;
}

ReadOptions ReadOptionsOf(const readdata14_options& given) {
    ReadOptions options;
    options.maxInputSize = given.maxInputSize == 0 ? READDATA14_DEFAULT_MAX_INPUT : given.maxInputSize;
    options.headerOnly = (given.flags & READDATA14_HEADER_ONLY) != 0;
    options.countFindings = true;
    options.findingLimit = given.maxFindings == 0 ? UINT64_MAX : given.maxFindings;
    options.prepared.threads = static_cast<unsigned>(std::min<std::uint64_t>(given.threads, kMostThreads));
    if (given.onFinding != nullptr) {
        options.onFinding = [handler = given.onFinding, context = given.context](PlacedFinding& found) {
            const readdata14_finding finding = Public(found);
            int verdict = READDATA14_GO_ON;
            try {
                verdict = handler(&finding, context);
            } catch (...) {
                throw CallbackFailed{};
            }
            return verdict == READDATA14_GO_ON;
        };
    }
    return options;
}

using readdata14::Document;

void Fill(Document& document, ChartData& data) noexcept {
    HandOver(data, document.chart);
    document.firstTokenStore = std::move(data.firstToken);
    document.firstToken = document.firstTokenStore.get();
    document.firstTokenSize = data.firstTokenSize;
    document.descriptionSize = data.descriptionSize;
    for (std::size_t i = 0; i < data.headerIntegerCount; ++i) {
        document.headerIntegers[i] = data.headerIntegers[i];
        document.headerIntegerPresent[i] = 1;
    }
    document.sectionsPresent = data.sectionsPresent;
    document.contourPositions = std::move(data.contourFilePositions);
    document.contourFilePositions = document.contourPositions.empty() ? nullptr : document.contourPositions.data();
    document.contourFilePositionsSize = document.contourPositions.size();
    const std::span<const float> levels =
        readdata14::detail::LevelsOf(document.chart.closedContours, document.chart.closedContoursSize);
    document.levels = levels.empty() ? nullptr : levels.data();
    document.levelCount = levels.size();
    document.levelOrder = levels.size() < 2 ? 0 : levels[0] < levels[1] ? 1 : 2;
}

}  // namespace

readdata14_status readdata14::OpenDocument(const ChartSource& source, const readdata14_options* given,
                                           readdata14_document** document) noexcept {
    if (document == nullptr) return READDATA14_INVALID_ARGUMENT;
    *document = nullptr;
    const std::optional<readdata14_options> options = OptionsOf(given);
    if (!options) return READDATA14_INVALID_ARGUMENT;
    Document* made = new (std::nothrow) Document();
    if (made == nullptr) return READDATA14_OUT_OF_MEMORY;
    std::unique_ptr<Document> opened(made);
    const readdata14_status status = Guarded([&] {
        ChartData data;
        const ChartReadResult result = readdata14::ReadChartSource(source, data, ReadOptionsOf(*options));
        opened->chart.systemError = result.systemError;
        opened->chart.errors = Count32(result.errors);
        opened->chart.warnings = Count32(result.warnings);
        // Set whatever the status: a file refused after its first bytes
        // shows that it was not read whole.
        opened->inputSize = result.inputSize;
        if (GaveChart(result.status)) Fill(*opened, data);
        return StatusOf(result.status);
    });
    if (status == READDATA14_OUT_OF_MEMORY || status == READDATA14_CALLBACK_FAILED) {
        const std::int32_t systemError = opened->chart.systemError;
        opened = std::unique_ptr<Document>(new (std::nothrow) Document());
        if (!opened) return status;
        opened->chart.systemError = systemError;
    }
    opened->status = status;
    *document = opened.release();
    return status;
}

namespace readdata14 {
namespace {

void ReleaseRecord(FloatTextBlock& record) noexcept {
    delete[] record.values;
    delete[] record.lengths;
    delete[] record.text;
}

}  // namespace

void ReleaseChart(readdata14_chart& chart) noexcept {
    delete[] chart.lines;
    delete[] chart.description;
    delete[] chart.lineSymbols;
    delete[] chart.closedContours;
    ReleaseRecord(chart.symbols);
    delete[] chart.weatherRegions;
    delete[] chart.fillAreas;
    ReleaseRecord(chart.notes);
    std::memset(&chart, 0, sizeof chart);
}

}  // namespace readdata14

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_read(const char* path, readdata14_chart* chart,
                                                                             readdata14_finding_callback onFinding,
                                                                             void* context) {
    if (path == nullptr) {
        if (chart != nullptr) std::memset(chart, 0, sizeof *chart);
        return READDATA14_INVALID_ARGUMENT;
    }
    ChartSource source;
    source.path = path;
    source.utf8Path = true;
    return Read(source, chart, onFinding, context);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_read_memory(
    const void* data, size_t size, readdata14_chart* chart, readdata14_finding_callback onFinding, void* context) {
    if (data == nullptr) {
        if (chart != nullptr) std::memset(chart, 0, sizeof *chart);
        return READDATA14_INVALID_ARGUMENT;
    }
    ChartSource source;
    source.bytes = std::string_view(static_cast<const char*>(data), size);
    return Read(source, chart, onFinding, context);
}

extern "C" READDATA14_API void READDATA14_CALL readdata14_release(readdata14_chart* chart) {
    if (chart != nullptr) readdata14::ReleaseChart(*chart);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_open(const char* path,
                                                                             const readdata14_options* options,
                                                                             readdata14_document** document) {
    if (path == nullptr) {
        if (document != nullptr) *document = nullptr;
        return READDATA14_INVALID_ARGUMENT;
    }
    ChartSource source;
    source.path = path;
    source.utf8Path = true;
    return readdata14::OpenDocument(source, options, document);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_open_memory(
    const void* data, size_t size, const readdata14_options* options, readdata14_document** document) {
    if (data == nullptr) {
        if (document != nullptr) *document = nullptr;
        return READDATA14_INVALID_ARGUMENT;
    }
    ChartSource source;
    source.bytes = std::string_view(static_cast<const char*>(data), size);
    return readdata14::OpenDocument(source, options, document);
}

extern "C" READDATA14_API void READDATA14_CALL readdata14_close(readdata14_document* document) {
    delete static_cast<readdata14::Document*>(document);
}

extern "C" READDATA14_API readdata14_identity READDATA14_CALL readdata14_identify(const void* data, size_t size,
                                                                                   int wholeFile, char* reason,
                                                                                   size_t reasonSize) {
    const auto tell = [&](readdata14_identity identity, std::string_view why) {
        if (reason != nullptr && reasonSize > 0) {
            const std::size_t n = std::min(why.size(), reasonSize - 1);
            std::memcpy(reason, why.data(), n);
            reason[n] = '\0';
        }
        return identity;
    };
    if (data == nullptr && size != 0) return tell(READDATA14_NOT_CHART, "no bytes were given");
    try {
        std::string why;
        const std::string_view bytes(static_cast<const char*>(data), size);
        switch (readdata14::Identify(bytes, wholeFile != 0, why)) {
            case readdata14::Identity::Chart: return tell(READDATA14_IS_CHART, "");
            case readdata14::Identity::NotChart: return tell(READDATA14_NOT_CHART, why);
            case readdata14::Identity::NeedsMore: return tell(READDATA14_NEEDS_MORE, "");
        }
    } catch (...) {
        // Only memory can fail here; without it nothing can be told.
    }
    return tell(READDATA14_NEEDS_MORE, "");
}

extern "C" READDATA14_API const char* READDATA14_CALL readdata14_status_name(readdata14_status status) {
    switch (status) {
        case READDATA14_READ: return "read";
        case READDATA14_CANNOT_OPEN: return "cannot be opened";
        case READDATA14_NOT_TYPE_14: return "not a type-14 chart";
        case READDATA14_OUT_OF_MEMORY: return "out of memory";
        case READDATA14_INVALID_ARGUMENT: return "invalid argument";
        case READDATA14_CALLBACK_FAILED: return "the finding callback failed";
        case READDATA14_STOPPED: return "stopped by the finding handler";
        case READDATA14_TOO_LARGE: return "larger than the read allows";
        case READDATA14_WRITTEN: return "written";
        case READDATA14_CANNOT_WRITE: return "cannot be written";
        case READDATA14_NOT_WRITABLE: return "holds what no type-14 file gives back";
    }
    return "unknown status";
}

extern "C" READDATA14_API const char* READDATA14_CALL readdata14_finding_kind_name(int32_t kind) {
    if (kind < 1 || kind > static_cast<int32_t>(readdata14::FindingKind::NonFinite)) return "finding";
    return readdata14::FindingKindName(static_cast<readdata14::FindingKind>(kind));
}

extern "C" READDATA14_API const char* READDATA14_CALL readdata14_version(void) { return READDATA14_VERSION_STRING; }

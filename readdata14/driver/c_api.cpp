// The readdata14_ C API: the read driver behind a status, with the size of
// every array and the findings through a callback. Nothing thrown inside
// leaves it: an allocation failure becomes READDATA14_OUT_OF_MEMORY, and what
// the read had made is released on the way out (it is owned until the end).
#define READDATA14_BUILDING
#include "readdata14/readdata14.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "driver/chart_reader.hpp"

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

// Moves everything the read made into the caller's record; cannot fail.
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

void Deliver(const std::vector<PlacedFinding>& findings, readdata14_chart& chart,
             readdata14_finding_callback onFinding, void* context) {
    for (const PlacedFinding& found : findings) {
        if (found.severity == Severity::Error) {
            ++chart.errors;
        } else {
            ++chart.warnings;
        }
        if (onFinding == nullptr) continue;
        const readdata14_finding finding{found.offset, found.line, found.column,
                                         static_cast<std::int32_t>(found.kind),
                                         static_cast<std::int32_t>(found.severity), found.message.c_str()};
        try {
            onFinding(&finding, context);
        } catch (...) {
            throw CallbackFailed{};
        }
    }
}

readdata14_status StatusOf(ChartStatus status) noexcept {
    switch (status) {
        case ChartStatus::Read: return READDATA14_READ;
        case ChartStatus::CannotOpen: return READDATA14_CANNOT_OPEN;
        case ChartStatus::NotType14: return READDATA14_NOT_TYPE_14;
    }
    return READDATA14_CANNOT_OPEN;
}

readdata14_status Read(const ChartSource& source, readdata14_chart* chart, readdata14_finding_callback onFinding,
                       void* context) noexcept {
    if (chart == nullptr) return READDATA14_INVALID_ARGUMENT;
    std::memset(chart, 0, sizeof *chart);
    try {
        ChartData data;
        // The counts of errors and warnings need the findings even without
        // a callback.
        ChartReadResult result = readdata14::ReadChartSource(source, data, true);
        chart->systemError = result.systemError;
        Deliver(result.findings, *chart, onFinding, context);
        if (result.status == ChartStatus::Read) HandOver(data, *chart);
        return StatusOf(result.status);
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

void ReleaseRecord(FloatTextBlock& record) noexcept {
    delete[] record.values;
    delete[] record.lengths;
    delete[] record.text;
}

}  // namespace

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_read(const char* path, readdata14_chart* chart,
                                                                             readdata14_finding_callback onFinding,
                                                                             void* context) {
    if (path == nullptr) {
        if (chart != nullptr) std::memset(chart, 0, sizeof *chart);
        return READDATA14_INVALID_ARGUMENT;
    }
    ChartSource source;
    source.path = path;
    return Read(source, chart, onFinding, context);
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_read_memory(
    const void* data, size_t size, readdata14_chart* chart, readdata14_finding_callback onFinding, void* context) {
    if (data == nullptr && size != 0) {
        if (chart != nullptr) std::memset(chart, 0, sizeof *chart);
        return READDATA14_INVALID_ARGUMENT;
    }
    ChartSource source;
    source.bytes = std::string_view(static_cast<const char*>(data), size);
    return Read(source, chart, onFinding, context);
}

extern "C" READDATA14_API void READDATA14_CALL readdata14_release(readdata14_chart* chart) {
    if (chart == nullptr) return;
    delete[] chart->lines;
    delete[] chart->description;
    delete[] chart->lineSymbols;
    delete[] chart->closedContours;
    ReleaseRecord(chart->symbols);
    delete[] chart->weatherRegions;
    delete[] chart->fillAreas;
    ReleaseRecord(chart->notes);
    std::memset(chart, 0, sizeof *chart);
}

extern "C" READDATA14_API const char* READDATA14_CALL readdata14_status_name(readdata14_status status) {
    switch (status) {
        case READDATA14_READ: return "read";
        case READDATA14_CANNOT_OPEN: return "cannot be opened";
        case READDATA14_NOT_TYPE_14: return "not a type-14 chart";
        case READDATA14_OUT_OF_MEMORY: return "out of memory";
        case READDATA14_INVALID_ARGUMENT: return "invalid argument";
        case READDATA14_CALLBACK_FAILED: return "the finding callback failed";
    }
    return "unknown status";
}

extern "C" READDATA14_API const char* READDATA14_CALL readdata14_finding_kind_name(int32_t kind) {
    if (kind < 1 || kind > static_cast<int32_t>(readdata14::FindingKind::IntegerRange)) return "finding";
    return readdata14::FindingKindName(static_cast<readdata14::FindingKind>(kind));
}

extern "C" READDATA14_API const char* READDATA14_CALL readdata14_version(void) { return READDATA14_VERSION_STRING; }

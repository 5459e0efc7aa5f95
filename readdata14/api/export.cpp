// The original C export: a thin shell that moves what the read driver built
// into the caller's locations. Allocation failure leaves it as std::bad_alloc,
// as it always has; readdata14_read (c_api.cpp) is the entry that never throws.
#define READDATA14_BUILDING
#include "readdata14/readdata14.h"

#include <new>
#include <stdexcept>

#include "driver/chart_reader.hpp"

namespace {

using readdata14::ChartData;
using readdata14::ChartStatus;
using readdata14::FloatBlock;
using readdata14::TextBlock;

void Deliver(std::unique_ptr<char[]>& owned, char** location) {
    if (location != nullptr) *location = owned.release();
}

void Deliver(FloatBlock& owned, float** location) {
    if (location != nullptr) *location = owned.release();
}

// All three fields of the caller's record are overwritten, null included.
void Deliver(TextBlock& owned, FloatTextBlock* record) {
    if (record == nullptr) return;
    record->values = owned.values.release();
    record->lengths = owned.lengths.release();
    record->text = owned.text.release();
}

void Release(FloatTextBlock* record) {
    if (record == nullptr) return;
    delete[] record->values;
    delete[] record->lengths;
    delete[] record->text;
    record->values = nullptr;
    record->lengths = nullptr;
    record->text = nullptr;
}

}  // namespace

extern "C" READDATA14_API float* READDATA14_CALL ReadZenparData14(
    const char* path, char** description, float** lineSymbols, float** closedContours,
    FloatTextBlock* symbols, float** weatherRegions, float** fillAreas, FloatTextBlock* notes) {
    ChartData chart;
    ChartStatus status;
    try {
        status = readdata14::ReadChartFile(path, chart);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::length_error&) {
        // A container refusing a size is the allocator's refusal too.
        throw std::bad_alloc();
    }
    if (status != ChartStatus::Read) return nullptr;

    Deliver(chart.description, description);
    Deliver(chart.lineSymbols, lineSymbols);
    Deliver(chart.symbols, symbols);
    Deliver(chart.closedContours, closedContours);
    Deliver(chart.weatherRegions, weatherRegions);
    if (chart.fillAreasRead) Deliver(chart.fillAreas, fillAreas);
    Deliver(chart.notes, notes);
    return chart.lines.release();
}

extern "C" READDATA14_API void READDATA14_CALL ReleaseZenparData14(
    float* lines, char* description, float* lineSymbols, float* closedContours,
    FloatTextBlock* symbols, float* weatherRegions, float* fillAreas, FloatTextBlock* notes) {
    delete[] lines;
    delete[] description;
    delete[] lineSymbols;
    delete[] closedContours;
    Release(symbols);
    delete[] weatherRegions;
    delete[] fillAreas;
    Release(notes);
}

#include "support/element_copy.hpp"

#include <cstring>
#include <memory>

#include "support/document_compare.hpp"

namespace readdata14::test {
namespace {

struct BuilderFree {
    void operator()(readdata14_builder* builder) const { readdata14_builder_free(builder); }
};
struct DocumentClose {
    void operator()(readdata14_document* document) const { readdata14_close(document); }
};

bool StoppedBeforeItsFirst(const readdata14_document& document, std::uint32_t section) {
    const bool symbols = section == READDATA14_SECTION_SYMBOLS;
    const FloatTextBlock& block = symbols ? document.chart.symbols : document.chart.notes;
    return block.values != nullptr && (symbols ? document.chart.symbolLengthsSize : document.chart.noteLengthsSize) == 0;
}

// `read` with the fields the copy does not carry taken from `built`.
readdata14_document Expected(const readdata14_document& read, const readdata14_document& built) {
    readdata14_document expected = read;
    std::memcpy(&expected.headerIntegers, &built.headerIntegers, sizeof expected.headerIntegers);
    std::memcpy(&expected.headerIntegerPresent, &built.headerIntegerPresent, sizeof expected.headerIntegerPresent);
    expected.firstToken = built.firstToken;
    expected.firstTokenSize = built.firstTokenSize;
    expected.chart.description = built.chart.description;
    expected.descriptionSize = built.descriptionSize;
    // A section whose tag stood without a count has no block, though it is
    // present: the builder gives the empty block of a section without elements.
    const auto tagAlone = [&](const float* block, std::uint32_t bit) { return block == nullptr && (read.sectionsPresent & bit) != 0; };
    if (tagAlone(read.chart.lines, READDATA14_SECTION_LINES)) {
        expected.chart.lines = built.chart.lines;
        expected.chart.linesSize = built.chart.linesSize;
    }
    if (tagAlone(read.chart.lineSymbols, READDATA14_SECTION_LINE_SYMBOLS)) {
        expected.chart.lineSymbols = built.chart.lineSymbols;
        expected.chart.lineSymbolsSize = built.chart.lineSymbolsSize;
    }
    if (tagAlone(read.chart.closedContours, READDATA14_SECTION_CLOSED_CONTOURS)) {
        expected.chart.closedContours = built.chart.closedContours;
        expected.chart.closedContoursSize = built.chart.closedContoursSize;
        expected.contourFilePositions = built.contourFilePositions;
        expected.contourFilePositionsSize = built.contourFilePositionsSize;
    }
    if (StoppedBeforeItsFirst(read, READDATA14_SECTION_SYMBOLS)) {
        expected.chart.symbols = built.chart.symbols;
        expected.chart.symbolValuesSize = built.chart.symbolValuesSize;
        expected.chart.symbolLengthsSize = built.chart.symbolLengthsSize;
        expected.chart.symbolTextSize = built.chart.symbolTextSize;
    }
    if (StoppedBeforeItsFirst(read, READDATA14_SECTION_NOTES)) {
        expected.chart.notes = built.chart.notes;
        expected.chart.noteValuesSize = built.chart.noteValuesSize;
        expected.chart.noteLengthsSize = built.chart.noteLengthsSize;
        expected.chart.noteTextSize = built.chart.noteTextSize;
    }
    return expected;
}

}  // namespace

std::size_t ElementsOf(const readdata14_document& document, std::uint32_t section) {
    const readdata14_chart& chart = document.chart;
    const auto count = [](const float* block) { return block == nullptr ? std::size_t{0} : static_cast<std::size_t>(block[0]); };
    switch (section) {
        case READDATA14_SECTION_LINES: return count(chart.lines);
        case READDATA14_SECTION_LINE_SYMBOLS: return count(chart.lineSymbols);
        case READDATA14_SECTION_SYMBOLS: return chart.symbols.values == nullptr ? 0 : chart.symbolLengthsSize;
        case READDATA14_SECTION_CLOSED_CONTOURS: return count(chart.closedContours);
        case READDATA14_SECTION_WEATHER_REGIONS: return count(chart.weatherRegions);
        case READDATA14_SECTION_FILL_AREAS: return count(chart.fillAreas);
        default: return count(chart.notes.values);
    }
}

std::string CopyAllProblem(const readdata14_document& read, const std::function<std::size_t(std::size_t)>& cut) {
    readdata14_builder* made = nullptr;
    if (readdata14_builder_new(&made) != READDATA14_WRITTEN) return "no builder";
    const std::unique_ptr<readdata14_builder, BuilderFree> builder(made);
    for (const std::uint32_t section : kSectionBits) {
        if ((read.sectionsPresent & section) == 0) readdata14_builder_leave_out(made, section, nullptr);
        const std::size_t n = ElementsOf(read, section);
        const std::size_t at = cut ? cut(n) % (n + 1) : n;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        if (readdata14_builder_copy_elements(made, &read, section, 0, at, &result) != READDATA14_WRITTEN ||
            readdata14_builder_copy_elements(made, &read, section, at, n - at, &result) != READDATA14_WRITTEN) {
            return "copy refused: " + std::string(result.message);
        }
    }
    readdata14_document* finished = nullptr;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_builder_finish(made, &finished, &result) != READDATA14_READ) {
        readdata14_close(finished);
        return "not finished: " + std::string(result.message);
    }
    const std::unique_ptr<readdata14_document, DocumentClose> built(finished);
    return CompareDocuments(Expected(read, *built), *built);
}

}  // namespace readdata14::test

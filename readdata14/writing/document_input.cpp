// A readdata14_document as the writer's input.
#include <algorithm>

#include "writing/chart_input.hpp"

namespace readdata14::writing {
namespace {

BlockView Block(const float* block, std::size_t size) noexcept {
    return block == nullptr ? BlockView{} : BlockView(block, size);
}

TextBlockView TextBlock(const FloatTextBlock& record, std::size_t valuesSize, std::size_t lengthsSize,
                        std::size_t textSize) noexcept {
    TextBlockView view;
    view.values = Block(record.values, valuesSize);
    if (record.lengths != nullptr) view.lengths = std::span<const std::int32_t>(record.lengths, lengthsSize);
    if (record.text != nullptr) view.text = std::string_view(record.text, textSize);
    return view;
}

std::string_view Text(const char* text, std::size_t size) noexcept {
    return text == nullptr ? std::string_view("", 0) : std::string_view(text, size);
}

// The integers that stood in the file: a file can only leave them out at
// the end of their line.
std::optional<Problem> TakeHeaderIntegers(const readdata14_document& document, ChartInput& input) {
    for (std::size_t i = 0; i < input.headerIntegers.size(); ++i) {
        if (document.headerIntegerPresent[i] == 0) continue;
        if (i != input.headerIntegerCount) {
            return Problem{0, -1,
                           "the header has integer " + std::to_string(i + 1) + " but not integer " +
                               std::to_string(input.headerIntegerCount + 1) +
                               ": a file can only leave the header's integers out at the end of their line"};
        }
        input.headerIntegers[i] = document.headerIntegers[i];
        ++input.headerIntegerCount;
    }
    return std::nullopt;
}

}  // namespace

InputOrProblem InputOf(const readdata14_document& document, const HeaderChoice& header) {
    InputOrProblem result;
    ChartInput& input = result.input;
    const readdata14_chart& chart = document.chart;
    if (document.status != READDATA14_READ && document.status != READDATA14_STOPPED) {
        result.problem = Problem{0, -1, "the document holds no chart: its read gave the status " +
                                            std::to_string(document.status)};
        return result;
    }
    if (chart.weatherRegions == nullptr) {
        // Every file that gets past its header gives the weather regions'
        // block, if only the empty one: null means the header alone was read.
        result.problem = Problem{0, -1,
                                 "the document holds only the header (read with READDATA14_HEADER_ONLY): a file "
                                 "always gives at least the weather regions' empty block"};
        return result;
    }
    input.firstToken = header.firstToken.value_or(Text(document.firstToken, document.firstTokenSize));
    input.description = header.description.value_or(Text(chart.description, document.descriptionSize));
    if (header.integers) {
        const std::span<const std::int32_t> integers = *header.integers;
        input.headerIntegerCount = std::min(integers.size(), input.headerIntegers.size());
        std::copy_n(integers.begin(), input.headerIntegerCount, input.headerIntegers.begin());
    } else if (auto problem = TakeHeaderIntegers(document, input)) {
        result.problem = std::move(problem);
        return result;
    }
    input.sectionsPresent = document.sectionsPresent;
    input.lines = Block(chart.lines, chart.linesSize);
    input.lineSymbols = Block(chart.lineSymbols, chart.lineSymbolsSize);
    input.symbols = TextBlock(chart.symbols, chart.symbolValuesSize, chart.symbolLengthsSize, chart.symbolTextSize);
    input.closedContours = Block(chart.closedContours, chart.closedContoursSize);
    if (document.contourFilePositions != nullptr) {
        input.contourFilePositions =
            std::span<const std::uint32_t>(document.contourFilePositions, document.contourFilePositionsSize);
    }
    input.weatherRegions = Block(chart.weatherRegions, chart.weatherRegionsSize);
    input.fillAreas = Block(chart.fillAreas, chart.fillAreasSize);
    input.notes = TextBlock(chart.notes, chart.noteValuesSize, chart.noteLengthsSize, chart.noteTextSize);
    return result;
}

}  // namespace readdata14::writing

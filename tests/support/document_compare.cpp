#include "support/document_compare.hpp"

#include <cstring>
#include <string_view>

namespace readdata14::test {
namespace {

// The same size and the same bytes (NaNs compare by their bits).
template <class T>
bool SameArray(const T* a, std::size_t aSize, const T* b, std::size_t bSize) {
    if ((a == nullptr) != (b == nullptr) || aSize != bSize) return false;
    return a == nullptr || aSize == 0 || std::memcmp(a, b, aSize * sizeof(T)) == 0;
}

}  // namespace

std::string CompareDocuments(const readdata14_document& a, const readdata14_document& b) {
    const readdata14_chart& x = a.chart;
    const readdata14_chart& y = b.chart;
    const struct {
        std::string_view name;
        bool same;
    } fields[] = {
        {"sectionsPresent", a.sectionsPresent == b.sectionsPresent},
        {"firstToken", SameArray(a.firstToken, a.firstTokenSize, b.firstToken, b.firstTokenSize)},
        {"description", SameArray(x.description, a.descriptionSize, y.description, b.descriptionSize)},
        {"headerIntegers", std::memcmp(a.headerIntegers, b.headerIntegers, sizeof a.headerIntegers) == 0 &&
                               std::memcmp(a.headerIntegerPresent, b.headerIntegerPresent, sizeof a.headerIntegerPresent) == 0},
        {"lines", SameArray(x.lines, x.linesSize, y.lines, y.linesSize)},
        {"lineSymbols", SameArray(x.lineSymbols, x.lineSymbolsSize, y.lineSymbols, y.lineSymbolsSize)},
        {"symbols.values", SameArray(x.symbols.values, x.symbolValuesSize, y.symbols.values, y.symbolValuesSize)},
        {"symbols.lengths", SameArray(x.symbols.lengths, x.symbolLengthsSize, y.symbols.lengths, y.symbolLengthsSize)},
        {"symbols.text", SameArray(x.symbols.text, x.symbolTextSize, y.symbols.text, y.symbolTextSize)},
        {"closedContours", SameArray(x.closedContours, x.closedContoursSize, y.closedContours, y.closedContoursSize)},
        {"contourFilePositions", SameArray(a.contourFilePositions, a.contourFilePositionsSize, b.contourFilePositions,
                                           b.contourFilePositionsSize)},
        {"weatherRegions", SameArray(x.weatherRegions, x.weatherRegionsSize, y.weatherRegions, y.weatherRegionsSize)},
        {"fillAreas", SameArray(x.fillAreas, x.fillAreasSize, y.fillAreas, y.fillAreasSize)},
        {"notes.values", SameArray(x.notes.values, x.noteValuesSize, y.notes.values, y.noteValuesSize)},
        {"notes.lengths", SameArray(x.notes.lengths, x.noteLengthsSize, y.notes.lengths, y.noteLengthsSize)},
        {"notes.text", SameArray(x.notes.text, x.noteTextSize, y.notes.text, y.noteTextSize)},
    };
    for (const auto& field : fields) {
        if (!field.same) return std::string(field.name) + " differs";
    }
    return {};
}

}  // namespace readdata14::test

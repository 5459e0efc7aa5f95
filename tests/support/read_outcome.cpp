#include "support/read_outcome.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "support/chart_check.hpp"

namespace readdata14::test {

ReadOutcome ReadOutcomeOf(const ChartSource& source, ReadOptions options, bool listen) {
    ReadOutcome outcome;
    if (listen) {
        options.onFinding = [&outcome](PlacedFinding& found) {
            outcome.findings.push_back(std::to_string(found.offset) + " " +
                                       std::to_string(static_cast<int>(found.kind)) + " " + found.message);
            return true;
        };
    }
    outcome.result = ReadChartSource(source, outcome.chart, options);
    return outcome;
}

std::string Differences(const ReadOutcome& one, const ReadOutcome& two) {
    if (one.result.status != two.result.status) return "status";
    if (one.result.systemError != two.result.systemError) return "system error";
    if (one.result.inputSize != two.result.inputSize) return "input size";
    if (one.result.errors != two.result.errors || one.result.warnings != two.result.warnings) return "counts";
    if (one.findings != two.findings) return "findings";
    if (one.chart.sectionsPresent != two.chart.sectionsPresent) return "sections present";
    if (one.chart.headerIntegers != two.chart.headerIntegers ||
        one.chart.headerIntegerCount != two.chart.headerIntegerCount) {
        return "header integers";
    }
    if (one.chart.contourFilePositions != two.chart.contourFilePositions) return "contour positions";
    return CompareCharts(ViewOf(one.chart), ViewOf(two.chart));
}

std::vector<std::string> Spoilt(const std::string& bytes, std::uint64_t seed) {
    std::vector<std::string> variants{bytes};
    std::mt19937_64 engine(seed);
    // size_t on every platform: 64-bit draws narrowed after the modulo.
    const auto random = [&engine] { return static_cast<std::size_t>(engine()); };
    for (int i = 0; i < 4 && !bytes.empty(); ++i) variants.push_back(bytes.substr(0, random() % bytes.size()));
    const char replacements[] = {' ', '\n', 'e', 'x', '.', '-', '0', '9', '\0', '\r', '#', 'n'};
    for (int i = 0; i < 6 && !bytes.empty(); ++i) {
        std::string changed = bytes;
        for (int k = 0; k < 8; ++k) changed[random() % changed.size()] = replacements[random() % sizeof replacements];
        variants.push_back(std::move(changed));
    }
    return variants;
}

std::vector<std::string> FilesIn(const char* folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
    return files;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace readdata14::test

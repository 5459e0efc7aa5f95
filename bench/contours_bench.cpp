// The closed contours: the nesting walk, literal (linked list, every point
// test in full) against the library's, on chart-like sections of 64-point
// rings; the library's walk through its index against the walk along the
// list, where no index can help; and whole contour-rich charts read through
// the export beside the floor (one fread and from_chars on every token) on
// the same file. Run:
//   cmake --preset bench && cmake --build --preset bench -j2
//   build/bench/bench/contours_bench
// (--benchmark_filter=Chart for the charts alone, Nest/ for the walks; the
// literal walk at 10,000 contours takes minutes.)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/contours.hpp"
#include "contours/nesting.hpp"
#include "floor_read.hpp"
#include "readdata14/readdata14.h"
#include "support/contour_sections.hpp"
#include "support/literal_contours.hpp"
#if defined(READDATA14_HAVE_MAKE_CHART)
#include "chart_generator.hpp"
#endif

namespace {

using namespace readdata14;

const std::vector<ContourNode>& Section(std::size_t count) {
    static std::vector<std::vector<ContourNode>> sections(2);
    std::vector<ContourNode>& section = sections[count > 1000 ? 1 : 0];
    if (section.empty()) {
        std::mt19937 rng(static_cast<std::uint32_t>(count));
        section = test::MakeContours(test::ChartLikeSection(rng, count));
    }
    return section;
}

void Report(benchmark::State& state, std::size_t count) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(count));
    state.counters["contours"] = static_cast<double>(count);
}

void BM_NestLiteral(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto& contours = Section(count);
    for (auto _ : state) benchmark::DoNotOptimize(test::LiteralNestContours(contours));
    Report(state, count);
}

void BM_NestOptimised(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto& contours = Section(count);
    for (auto _ : state) benchmark::DoNotOptimize(NestContours(contours));
    Report(state, count);
}

// The whole section from text: reading, nesting, levels and the block.
void BM_ReadSection(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::mt19937 rng(static_cast<std::uint32_t>(count));
    const std::string text = test::SectionText(test::ChartLikeSection(rng, count));
    for (auto _ : state) {
        Scanner in(text);
        benchmark::DoNotOptimize(ReadClosedContours(in));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

BENCHMARK(BM_NestLiteral)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_NestOptimised)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The nesting alone, through the index and along the list (the walk before
// the index), on sections where no index can help (every pair nested, every
// box holding every first point), on the rings read from the outside in
// (where the walk along the list ends every step at once) and on the tiny
// squares (too slow along the list: their index without a step along the
// list instead).
struct NestingCase {
    std::string name;
    std::vector<ContourNode> contours;
    bool alongTheList = true;
};

#if defined(READDATA14_HAVE_MAKE_CHART)
// The contours of a chart's CLOSED_CONTOURS section, as the reader holds them.
std::vector<ContourNode> ContoursOfChart(const std::string& chart) {
    Scanner in(std::string_view(chart).substr(chart.find("CLOSED_CONTOURS:")));
    const auto header = ReadSectionHeader(in, "CLOSED_CONTOURS:");
    std::vector<ContourNode> contours;
    std::vector<float> levels;
    for (std::int32_t i = 0; header && i < header->count; ++i) {
        ContourNode node;
        const ContourRead read = ReadContour(in, node, levels);
        if (!read.started || !read.end.IsWhole()) break;
        contours.push_back(std::move(node));
    }
    return contours;
}

std::string RingsChart(int count) {
    make_chart::ChartPlan plan;
    plan.seed = 14;
    plan.counts.contours = count;
    return make_chart::ChartText(plan);
}
#endif

std::vector<NestingCase> NestingCases() {
    std::mt19937 rng(14);
    std::vector<NestingCase> cases;
#if defined(READDATA14_HAVE_MAKE_CHART)
    cases.push_back({"Rings10000", ContoursOfChart(RingsChart(10000))});
    cases.push_back({"Rings40000", ContoursOfChart(RingsChart(40000))});
#endif
    NestingCase concentric{"Concentric2000", test::MakeContours(test::ConcentricRingsSection(rng, 2000))};
    NestingCase outsideIn{"Concentric2000OutsideIn", concentric.contours};
    cases.push_back(std::move(concentric));
    cases.push_back({"CommonFirstPoint4000", test::MakeContours(test::CommonFirstPointSection(rng, 4000))});
    std::sort(outsideIn.contours.begin(), outsideIn.contours.end(),
              [](const ContourNode& a, const ContourNode& b) { return BoxBefore(a.box, b.box); });
    cases.push_back(std::move(outsideIn));
    cases.push_back({"TinySquares40000",
                     test::MakeContours(test::TinySquaresSection(rng, 40000, test::LabelRun::Descending)), false});
    return cases;
}

void BM_Nest(benchmark::State& state, const NestingCase& c, std::size_t stepsAlongTheList) {
    for (auto _ : state) benchmark::DoNotOptimize(NestContours(c.contours, stepsAlongTheList));
    Report(state, c.contours.size());
}

void BM_NestAlongTheList(benchmark::State& state, const NestingCase& c) {
    for (auto _ : state) benchmark::DoNotOptimize(NestContoursOneByOne(c.contours));
    Report(state, c.contours.size());
}

void RegisterNesting(const std::vector<NestingCase>& cases) {
    for (const NestingCase& c : cases) {
        benchmark::RegisterBenchmark(("Nest/" + c.name + "/indexed").c_str(), BM_Nest, c, kStepsAlongTheList)
            ->Unit(benchmark::kMillisecond);
        if (c.alongTheList) {
            benchmark::RegisterBenchmark(("Nest/" + c.name + "/along_the_list").c_str(), BM_NestAlongTheList, c)
                ->Unit(benchmark::kMillisecond);
        } else {
            benchmark::RegisterBenchmark(("Nest/" + c.name + "/indexed_no_step_along_the_list").c_str(), BM_Nest, c,
                                         std::size_t{0})
                ->Unit(benchmark::kMillisecond);
        }
    }
}

// Contour-rich charts, each written once to a file of its own that lives as
// long as the program.
struct ChartFile {
    std::string name;
    std::filesystem::path path;
    std::uintmax_t bytes = 0;
    std::size_t contours = 0;
};

std::filesystem::path ChartDirectory() {
    static const std::filesystem::path directory = [] {
        auto path = std::filesystem::temp_directory_path() / ("readdata14_contours_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return directory;
}

struct RemoveChartDirectory {
    ~RemoveChartDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(ChartDirectory(), ignored);
    }
};

// The other sections empty, so that the file is its closed contours.
std::string ChartOfSection(const std::vector<test::FileContour>& contours) {
    return "readdata14 14 contour_rich\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\n" +
           test::SectionText(contours) + "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n";
}

ChartFile WriteChart(const std::string& name, const std::string& text, std::size_t contours) {
    std::string fileName = name + ".txt";
    std::replace(fileName.begin(), fileName.end(), '/', '_');
    ChartFile file{name, ChartDirectory() / fileName, text.size(), contours};
    std::ofstream(file.path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    return file;
}

void ReadWithLibrary(const char* path) {
    char* description = nullptr;
    float* lineSymbols = nullptr;
    float* closedContours = nullptr;
    FloatTextBlock symbols{};
    float* weatherRegions = nullptr;
    float* fillAreas = nullptr;
    FloatTextBlock notes{};
    float* lines = ReadZenparData14(path, &description, &lineSymbols, &closedContours, &symbols,
                                    &weatherRegions, &fillAreas, &notes);
    benchmark::DoNotOptimize(closedContours);
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions,
                        fillAreas, &notes);
}

void Describe(benchmark::State& state, const ChartFile& file) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.bytes));
    state.counters["file_MB"] = static_cast<double>(file.bytes) / 1e6;
    state.counters["contours"] = static_cast<double>(file.contours);
}

void BM_ChartLibrary(benchmark::State& state, const ChartFile& file) {
    for (auto _ : state) ReadWithLibrary(file.path.c_str());
    Describe(state, file);
}

void BM_ChartFloor(benchmark::State& state, const ChartFile& file) {
    for (auto _ : state) {
        bench::FloorTally tally;
        if (!bench::ReadFloor(file.path.c_str(), tally)) state.SkipWithError("floor read failed");
        benchmark::DoNotOptimize(tally);
    }
    Describe(state, file);
}

std::vector<ChartFile> ContourRichCharts() {
    std::vector<ChartFile> files;
    const std::pair<const char*, test::LabelRun> runs[] = {{"descending", test::LabelRun::Descending},
                                                           {"ascending", test::LabelRun::Ascending},
                                                           {"equal", test::LabelRun::Equal}};
    for (const auto& [name, run] : runs) {
        std::mt19937 rng(14);
        files.push_back(WriteChart(std::string("TinySquares40000/") + name,
                                   ChartOfSection(test::TinySquaresSection(rng, 40000, run)), 40000));
    }
#if defined(READDATA14_HAVE_MAKE_CHART)
    // The generator's isobars: five nested rings around each centre.
    for (const int count : {10000, 40000}) {
        files.push_back(WriteChart("Rings" + std::to_string(count), RingsChart(count), static_cast<std::size_t>(count)));
    }
#endif
    // Where no index can help: every pair nested, or every box holding every
    // first point.
    std::mt19937 rng(14);
    files.push_back(WriteChart("Concentric2000", ChartOfSection(test::ConcentricRingsSection(rng, 2000)), 2000));
    files.push_back(WriteChart("CommonFirstPoint4000", ChartOfSection(test::CommonFirstPointSection(rng, 4000)), 4000));
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const RemoveChartDirectory cleanup;
    const std::vector<NestingCase> nesting = NestingCases();
    RegisterNesting(nesting);
    const std::vector<ChartFile> charts = ContourRichCharts();
    for (const ChartFile& file : charts) {
        benchmark::RegisterBenchmark(("ChartLibrary/" + file.name).c_str(), BM_ChartLibrary, file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ChartFloor/" + file.name).c_str(), BM_ChartFloor, file)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

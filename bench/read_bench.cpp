// Whole-file reads of generated charts of about 1, 10 and 100 MB three ways:
// through ReadZenparData14, the literal fscanf way, and the from_chars floor.
// Before the timings, each file is read once in a child process of its own
// to record the peak resident memory of a read (in the JSON context).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "chart_files.hpp"
#include "floor_read.hpp"
#include "peak_memory.hpp"
#include "library_read.hpp"
#include "stdio_read.hpp"

namespace {

using readdata14::bench::ChartFile;
using readdata14::bench::LibraryRead;

// From 10 MB on, every chart holds the same 2,000 closed contours, so that
// reading time against size is a straight line when reading is linear (their
// nesting costs the same in every chart). The 1 MB chart holds 200, the same
// share of its bytes as in the 10 MB chart.
constexpr int kFixedContours = 2000;
constexpr int kFixedContoursFrom = 10;

std::vector<readdata14::bench::ChartPlan> Plans() {
    std::vector<readdata14::bench::ChartPlan> plans;
    for (int megabytes : readdata14::bench::BenchSizes()) {
        const int contours = megabytes >= kFixedContoursFrom ? kFixedContours
                                                             : kFixedContours * megabytes / kFixedContoursFrom;
        plans.push_back({megabytes, contours});
    }
    return plans;
}

void ReadWithLibrary(const char* path) {
    const LibraryRead read(path);
    benchmark::DoNotOptimize(read.Chart().lines);
}

void SetThroughput(benchmark::State& state, const ChartFile& file, std::size_t elements) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file.bytes));
    state.counters["elements/s"] = benchmark::Counter(static_cast<double>(elements),
                                                      benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_MB"] = static_cast<double>(file.bytes) / 1e6;
    state.counters["elements"] = static_cast<double>(elements);
    state.counters["contours"] = file.contours;
}

void BM_Reader(benchmark::State& state, const ChartFile& file, std::size_t elements) {
    for (auto _ : state) ReadWithLibrary(file.path.c_str());
    SetThroughput(state, file, elements);
}

void BM_Stdio(benchmark::State& state, const ChartFile& file, std::size_t elements) {
    for (auto _ : state) {
        readdata14::bench::StdioTally tally;
        if (!readdata14::bench::ReadWithStdio(file.path.c_str(), tally)) state.SkipWithError("stdio read failed");
        benchmark::DoNotOptimize(tally);
    }
    SetThroughput(state, file, elements);
}

void BM_Floor(benchmark::State& state, const ChartFile& file, std::size_t elements) {
    for (auto _ : state) {
        readdata14::bench::FloorTally tally;
        if (!readdata14::bench::ReadFloor(file.path.c_str(), tally)) state.SkipWithError("floor read failed");
        benchmark::DoNotOptimize(tally);
    }
    SetThroughput(state, file, elements);
}

// "file=… peak_growth=… blocks=… baseline=…" in bytes, for the table script.
void RecordMemory(const ChartFile& file) {
    const auto memory = readdata14::bench::MeasureRead(file.path.c_str());
    const std::string key = "memory_" + file.name;
    if (!memory) {
        benchmark::AddCustomContext(key, "failed");
        return;
    }
    const double size = static_cast<double>(file.bytes);
    const double growth = static_cast<double>(memory->peakBytes - memory->baselineBytes);
    char text[200];
    std::snprintf(text, sizeof text, "file=%.0f peak_growth=%.0f blocks=%.0f baseline=%.0f",
                  size, growth, static_cast<double>(memory->blockBytes),
                  static_cast<double>(memory->baselineBytes));
    benchmark::AddCustomContext(key, text);
}

void Register(const ChartFile& file) {
    const std::size_t elements = readdata14::bench::CountElements(file.path.c_str());
    const auto seconds = file.bytes > 50'000'000 ? 0.01 : 0.3;  // a 100 MB pass is long enough
    benchmark::RegisterBenchmark(("Reader/" + file.name).c_str(), BM_Reader, file, elements)
        ->Unit(benchmark::kMillisecond)->MinTime(seconds);
    benchmark::RegisterBenchmark(("Stdio/" + file.name).c_str(), BM_Stdio, file, elements)
        ->Unit(benchmark::kMillisecond)->MinTime(seconds);
    benchmark::RegisterBenchmark(("Floor/" + file.name).c_str(), BM_Floor, file, elements)
        ->Unit(benchmark::kMillisecond)->MinTime(seconds);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        const auto charts = readdata14::bench::ChartFiles::Generate(Plans());
        for (const ChartFile& file : charts.Files()) RecordMemory(file);
        for (const ChartFile& file : charts.Files()) Register(file);
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "read_bench: %s\n", error.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}

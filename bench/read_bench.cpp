// Whole-file reads of generated charts of about 1, 10 and 100 MB three ways:
// through ReadZenparData14, the literal fscanf way, and the from_chars floor.
// Before the timings, each file is read once in a child process of its own
// to record the peak resident memory of a read (in the JSON context).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <exception>
#include <string>

#include "chart_files.hpp"
#include "floor_read.hpp"
#include "peak_memory.hpp"
#include "readdata14/readdata14.h"
#include "stdio_read.hpp"

namespace {

using readdata14::bench::ChartFile;

// A few thousand closed contours in every chart, the same in all sizes, so
// that reading time against size is a straight line when reading is linear.
constexpr int kContours = 2000;

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
    benchmark::DoNotOptimize(lines);
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions,
                        fillAreas, &notes);
}

void SetThroughput(benchmark::State& state, const ChartFile& file, std::size_t elements) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file.bytes));
    state.counters["elements/s"] = benchmark::Counter(static_cast<double>(elements),
                                                      benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_MB"] = static_cast<double>(file.bytes) / 1e6;
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

// "peak 123.4 MB = 2.10 x file; blocks 40.0 MB (0.34 x file)", and the same
// figures as plain numbers for the table script.
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
    std::fprintf(stderr, "%s: peak growth %.1f MB = %.2f x file, blocks %.1f MB = %.2f x file\n",
                 file.name.c_str(), growth / 1e6, growth / size,
                 static_cast<double>(memory->blockBytes) / 1e6,
                 static_cast<double>(memory->blockBytes) / size);
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
        const auto charts = readdata14::bench::ChartFiles::Generate(readdata14::bench::BenchSizes(), kContours);
        benchmark::AddCustomContext("contours_per_chart", std::to_string(kContours));
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

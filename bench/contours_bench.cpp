// The contour nesting walk, literal (linked list, every point test in full)
// against the library's (index array, box checks), on chart-like sections of
// 64-point rings, nested and disjoint. Run:
//   cmake --preset bench && cmake --build --preset bench -j2
//   build/bench/bench/contours_bench
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "contours/contours.hpp"
#include "contours/nesting.hpp"
#include "support/contour_sections.hpp"
#include "support/literal_contours.hpp"

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

}  // namespace

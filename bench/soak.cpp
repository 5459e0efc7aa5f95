// A long-running host: reads, lays out (every layer) and writes 10,000
// generated charts in one process through the readdata14_ API, and prints
// its resident memory at the start, after the warm-up and then every
// thousand charts. Memory that keeps growing after the warm-up is memory a
// host would lose. Not a timed test; not run by CI.
//
//   soak [CHARTS [WARM_UP]]     (defaults 10000 and 1000)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "chart_generator.hpp"
#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"
#include "readdata14/readdata14_write.h"

namespace {

// The process's resident set in KiB (Linux), or 0 where it cannot be told.
long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    if (!(statm >> pages >> resident)) return 0;
    return resident * 4;
}

// Each chart of its own seed and size: 8 to 71 points a line, sections
// from a few elements to about twice the sample's.
std::string Generate(long i) {
    readdata14::make_chart::ChartPlan plan;
    plan.seed = static_cast<std::uint64_t>(i) + 1;
    plan.points = 8 + static_cast<int>(i % 64);
    const int scale = 1 + static_cast<int>(i % 7);
    plan.counts.lines = 1 + 2 * scale;
    plan.counts.symbols = 5 * scale;
    plan.counts.contours = 4 * scale;
    return readdata14::make_chart::ChartText(plan);
}

// Opens the chart, asks for every layer, writes it to memory; whether it
// came back as the same bytes.
bool RoundTrip(const std::string& text) {
    readdata14_document* document = nullptr;
    bool same = readdata14_open_memory(text.data(), text.size(), nullptr, &document) == READDATA14_READ;
    for (std::uint32_t layer = 0; same && layer < readdata14_layer_count(); ++layer) {
        same = readdata14_document_layer(document, layer) != nullptr;
    }
    void* data = nullptr;
    std::size_t size = 0;
    same = same && readdata14_write_memory(document, nullptr, &data, &size, nullptr) == READDATA14_WRITTEN &&
           std::string(static_cast<const char*>(data), size) == text;
    readdata14_write_release(data);
    readdata14_close(document);
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    const long charts = argc > 1 ? std::atol(argv[1]) : 10000;
    const long warmUp = argc > 2 ? std::atol(argv[2]) : 1000;
    std::printf("%8s %14s\n", "charts", "resident KiB");
    std::printf("%8d %14ld   start\n", 0, ResidentKiB());
    long failed = 0;
    unsigned long long bytes = 0;
    for (long i = 1; i <= charts; ++i) {
        const std::string text = Generate(i);
        bytes += text.size();
        if (!RoundTrip(text)) ++failed;
        if (i == warmUp || i % 1000 == 0 || i == charts) {
            std::printf("%8ld %14ld%s\n", i, ResidentKiB(), i == warmUp ? "   after warm-up" : i == charts ? "   end" : "");
            std::fflush(stdout);
        }
    }
    std::printf("%ld charts, %.1f MB of text, %ld did not come back the same\n", charts, static_cast<double>(bytes) / 1e6,
                failed);
    return failed == 0 ? 0 : 1;
}

// Writing against reading, side by side in one run: the generator's chart
// (make_chart --seed 1 --size-mb N, N = READDATA14_WRITE_BENCH_MB or 100) is
// read and written in turns, from and to a file and from and to memory, and
// the medians are reported with their ratio. A written chart must read back
// to the same document, which is checked once before the timings.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "readdata14/readdata14_write.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;

std::string MakeChartCommand() {
    if (const char* command = std::getenv("READDATA14_MAKE_CHART")) return command;
    return READDATA14_MAKE_CHART;
}

int Megabytes() {
    const char* given = std::getenv("READDATA14_WRITE_BENCH_MB");
    const int megabytes = given != nullptr ? std::atoi(given) : 100;
    return megabytes > 0 ? megabytes : 100;
}

double Median(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

template <class Step>
double Seconds(Step&& step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "write_bench: %s\n", why.c_str());
    std::exit(1);
}

readdata14_document* Open(const fs::path& path) {
    readdata14_document* document = nullptr;
    if (readdata14_open(path.string().c_str(), nullptr, &document) != READDATA14_READ) Fail("cannot read " + path.string());
    return document;
}

void Report(const char* what, double read, double write, double megabytes) {
    std::printf("| %s | %.3f s | %.0f MB/s | %.3f s | %.0f MB/s | %.2f× |\n", what, read, megabytes / read, write,
                megabytes / write, write / read);
}

}  // namespace

int main() {
    const int megabytes = Megabytes();
    const fs::path folder = fs::temp_directory_path() / ("readdata14_write_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path chart = folder / "chart.txt";
    const fs::path written = folder / "written.txt";
    const std::string command = MakeChartCommand() + " --seed 1 --size-mb " + std::to_string(megabytes) + " -o " +
                                chart.string();
    if (std::system(command.c_str()) != 0) Fail("make_chart failed: " + command);
    const double size = static_cast<double>(fs::file_size(chart)) / 1e6;
    std::ifstream in(chart, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    // The chart that is written, read once; and its round trip checked.
    readdata14_document* document = Open(chart);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    if (readdata14_write(document, written.string().c_str(), nullptr, &result) != READDATA14_WRITTEN) Fail(result.message);
    readdata14_close(Open(written));

    std::vector<double> readFile, writeFile, readMemory, writeMemory;
    for (int round = 0; round < kRounds; ++round) {
        readFile.push_back(Seconds([&] { readdata14_close(Open(chart)); }));
        writeFile.push_back(Seconds([&] {
            if (readdata14_write(document, written.string().c_str(), nullptr, nullptr) != READDATA14_WRITTEN) Fail("write");
        }));
        readMemory.push_back(Seconds([&] {
            readdata14_document* read = nullptr;
            readdata14_open_memory(bytes.data(), bytes.size(), nullptr, &read);
            readdata14_close(read);
        }));
        writeMemory.push_back(Seconds([&] {
            void* data = nullptr;
            std::size_t dataSize = 0;
            if (readdata14_write_memory(document, nullptr, &data, &dataSize, nullptr) != READDATA14_WRITTEN) Fail("write");
            readdata14_write_release(data);
        }));
    }
    std::printf("chart: make_chart --seed 1 --size-mb %d (%.1f MB; written back %.1f MB), medians of %d rounds\n\n",
                megabytes, size, static_cast<double>(fs::file_size(written)) / 1e6, kRounds);
    std::printf("| from / to | read | read MB/s | write | write MB/s | write ÷ read |\n|---|---:|---:|---:|---:|---:|\n");
    Report("file", Median(readFile), Median(writeFile), size);
    Report("memory", Median(readMemory), Median(writeMemory), size);
    readdata14_close(document);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

// The library against the floor on given chart files, side by side in one
// run: each round reads every file once each way, alternating, so that all
// meet the same machine state:
//   - the library with one thread (readdata14_open, threads 1);
//   - the library with two threads (readdata14_open, threads 2);
//   - the floor: one fread, std::from_chars on every token;
//   - the stdio way: one fscanf call per format, section by section.
// Prints the median CPU and wall time of each, and the library's speed as a
// share of the floor's: CPU time for one thread, wall time for two.
//   floor_ratio [--rounds N] FILE...      (N defaults to 7)
// bench/floor_ratio.sh makes the usual charts and runs it.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "floor_read.hpp"
#include "readdata14/readdata14.h"
#include "stdio_read.hpp"

namespace {

double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

struct Times {
    std::vector<double> cpu;
    std::vector<double> wall;
};

// The ways a file is read, in the order of a round.
enum Way { kLibrary1, kLibrary2, kFloor, kStdio, kWays };

struct FileTimes {
    std::string path;
    Times ways[kWays];
};

bool ReadWithLibrary(const char* path, unsigned threads) {
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.threads = threads;
    readdata14_document* document = nullptr;
    const readdata14_status status = readdata14_open(path, &options, &document);
    readdata14_close(document);
    return status == READDATA14_READ;
}

bool ReadOnce(const std::string& path, Way way) {
    switch (way) {
        case kLibrary1: return ReadWithLibrary(path.c_str(), 1);
        case kLibrary2: return ReadWithLibrary(path.c_str(), 2);
        case kFloor: {
            readdata14::bench::FloorTally tally;
            return readdata14::bench::ReadFloor(path.c_str(), tally);
        }
        case kStdio: {
            readdata14::bench::StdioTally tally;
            return readdata14::bench::ReadWithStdio(path.c_str(), tally);
        }
        case kWays: break;
    }
    return false;
}

// False when some way could not read the file.
bool TimeOnce(FileTimes& file) {
    for (int way = 0; way < kWays; ++way) {
        const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const double wall = Seconds(CLOCK_MONOTONIC);
        if (!ReadOnce(file.path, static_cast<Way>(way))) return false;
        file.ways[way].wall.push_back(Seconds(CLOCK_MONOTONIC) - wall);
        file.ways[way].cpu.push_back(Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu);
    }
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: floor_ratio [--rounds N] FILE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    std::vector<FileTimes> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (arg.starts_with("-")) {
            return Usage();
        } else {
            files.push_back({argv[i], {}});
        }
    }
    if (files.empty() || rounds < 1) return Usage();

    // One untimed read of each first, so that every timed read finds the
    // file in the page cache.
    for (FileTimes& file : files) {
        if (!TimeOnce(file)) {
            std::fprintf(stderr, "floor_ratio: cannot read %s as a chart\n", file.path.c_str());
            return 1;
        }
        for (Times& times : file.ways) times = {};
    }
    for (int round = 0; round < rounds; ++round) {
        for (FileTimes& file : files) TimeOnce(file);
    }

    std::printf("| chart | file MB | floor CPU s | library 1 thread CPU s | ÷ floor (CPU) | floor wall s "
                "| library 2 threads wall s | ÷ floor (wall) | library 2 threads CPU s | stdio way CPU s |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const FileTimes& file : files) {
        const double floorCpu = Median(file.ways[kFloor].cpu);
        const double floorWall = Median(file.ways[kFloor].wall);
        const double oneCpu = Median(file.ways[kLibrary1].cpu);
        const double twoWall = Median(file.ways[kLibrary2].wall);
        std::error_code ignored;
        const double megabytes = static_cast<double>(std::filesystem::file_size(file.path, ignored)) / 1e6;
        std::printf("| %s | %.1f | %.3f | %.3f | %.2f× | %.3f | %.3f | %.2f× | %.3f | %.3f |\n",
                    std::filesystem::path(file.path).filename().c_str(), megabytes, floorCpu, oneCpu,
                    floorCpu / oneCpu, floorWall, twoWall, floorWall / twoWall,
                    Median(file.ways[kLibrary2].cpu), Median(file.ways[kStdio].cpu));
    }
    std::printf("\nMedians of %d alternating rounds. \"÷ floor\": the library's speed as a share of the "
                "floor's (above 1: faster).\n",
                rounds);
    return 0;
}

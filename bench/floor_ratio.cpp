// The library against the floor on given chart files, side by side in one
// run: each round reads every file once through readdata14_read and once the
// floor's way (one fread, std::from_chars on every token), alternating, so
// that both meet the same machine state. Prints the median CPU time of each
// and the library's speed as a share of the floor's.
//   floor_ratio [--rounds N] FILE...      (N defaults to 7)
// bench/floor_ratio.sh makes the usual charts and runs it.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "floor_read.hpp"
#include "library_read.hpp"

namespace {

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

struct FileTimes {
    std::string path;
    std::vector<double> library;
    std::vector<double> floor;
};

// False when either way could not read the file.
bool TimeOnce(FileTimes& file) {
    double start = CpuSeconds();
    {
        const readdata14::bench::LibraryRead read(file.path.c_str());
        if (!read.Read()) return false;
    }
    file.library.push_back(CpuSeconds() - start);

    start = CpuSeconds();
    readdata14::bench::FloorTally tally;
    if (!readdata14::bench::ReadFloor(file.path.c_str(), tally)) return false;
    file.floor.push_back(CpuSeconds() - start);
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
            files.push_back({argv[i], {}, {}});
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
        file.library.clear();
        file.floor.clear();
    }
    for (int round = 0; round < rounds; ++round) {
        for (FileTimes& file : files) TimeOnce(file);
    }

    std::printf("| chart | file MB | library s | floor s | library speed ÷ floor speed |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const FileTimes& file : files) {
        const double library = Median(file.library);
        const double floor = Median(file.floor);
        std::error_code ignored;
        const double megabytes = static_cast<double>(std::filesystem::file_size(file.path, ignored)) / 1e6;
        std::printf("| %s | %.1f | %.3f | %.3f | %.2f× |\n",
                    std::filesystem::path(file.path).filename().c_str(), megabytes, library, floor,
                    floor / library);
    }
    std::printf("\nCPU time, medians of %d alternating rounds.\n", rounds);
    return 0;
}

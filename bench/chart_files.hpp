// The charts the benchmarks read: made at start-up by the project's sample
// generator into a temporary directory, which goes when the set goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace readdata14::bench {

struct ChartPlan {
    int megabytes = 1;
    int contours = 0;  // closed contours in the chart
};

struct ChartFile {
    std::string name;            // "1MB", "10MB", ...
    std::filesystem::path path;
    std::uintmax_t bytes = 0;
    int contours = 0;
};

class ChartFiles {
public:
    // One chart per plan. Throws std::runtime_error when generation fails.
    static ChartFiles Generate(const std::vector<ChartPlan>& plans);

    ChartFiles(ChartFiles&& other) noexcept;
    ChartFiles& operator=(ChartFiles&&) = delete;
    ~ChartFiles();

    const std::vector<ChartFile>& Files() const { return files_; }

private:
    ChartFiles() = default;
    std::filesystem::path directory_;
    std::vector<ChartFile> files_;
};

// The sizes to read: READDATA14_BENCH_SIZES ("1,10,100" when unset).
std::vector<int> BenchSizes();

}  // namespace readdata14::bench

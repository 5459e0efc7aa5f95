// Replays every file the fuzzer ever stopped on (fuzz/regressions) and its
// seed corpus (fuzz/corpus) through both read paths: each output walks to its
// end, both paths agree, and everything is released (LeakSanitizer in the
// sanitizer build reports anything that is not).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/chart_check_gtest.hpp"

namespace readdata14::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const auto name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.starts_with('.')) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ReplayFolder(const fs::path& folder) {
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    for (const auto& file : FilesIn(folder)) {
        SCOPED_TRACE(file.string());
        const std::string path = file.string();  // a wide path on Windows
        const BothReads read(path.c_str(), Bytes(file));
        read.ExpectSound();
    }
}

TEST(RegressionReplay, EveryFuzzFindingReadsSoundly) { ReplayFolder(READDATA14_FUZZ_DIR "/regressions"); }

TEST(RegressionReplay, EverySeedReadsSoundly) {
    const auto seeds = FilesIn(READDATA14_FUZZ_DIR "/corpus");
    ASSERT_FALSE(seeds.empty());
    ReplayFolder(READDATA14_FUZZ_DIR "/corpus");
    // A seed that does not even get past the header would seed nothing.
    for (const auto& seed : seeds) {
        ChartData chart;
        EXPECT_EQ(ReadText(Bytes(seed), chart), ChartStatus::Read) << seed;
        EXPECT_NE(chart.lines, nullptr) << seed;
    }
}

}  // namespace
}  // namespace readdata14::test

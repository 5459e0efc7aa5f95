// Memory follows the data: small files that declare 2,000,000,000 elements in
// every section, and as many points, label points and text characters, give
// blocks that hold only what the files contain, and reading them keeps the
// peak memory of a process small.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/block_walk.hpp"
#include "support/chart_check_gtest.hpp"

#if defined(__unix__)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define READDATA14_UNDER_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define READDATA14_UNDER_SANITIZER 1
#endif

namespace readdata14::test {
namespace {

// Each section declares 2e9 elements and starts one whose point count is 2e9
// too; the next section's tag ends it.
const std::string kHugePointCounts = Header("huge_point_counts") +
    "LINES: 2000000000\n1 2000000000\n1 2 0 3 4 0\n"
    "LINES_SYMBOL: 2000000000\n5 0 2000000000\n1 2 0 3 4 0\n"
    "SYMBOLS: 2000000000\n48 1 2 0 Low\n7 1 2 0 1.5\n"
    "CLOSED_CONTOURS: 2000000000\n3 2000000000\n0 0 0 1 0 0 1 1 0\n"
    "STATION_SITUATION\nWEATHER_REGION: 2000000000\n4 2000000000\n1 1 0 2 2 0\n"
    "FILLAREA: 2000000000\n6 2000000000\n1 1 0\n"
    "NOTES_SYMBOL: 2000000000\n48 1 2 0 2000000000\nfar fewer characters than declared\n";

// Complete points, then 2e9 label points (and a second note text of 2e9).
const std::string kHugeLabelCounts = Header("huge_label_counts") +
    "LINES: 2000000000\n1 1\n0 0 0\n5 2000000000\n1 1 0\n"
    "LINES_SYMBOL: 2000000000\n5 0 1\n1 2 0\nt 2000000000\n"
    "SYMBOLS: 2000000000\n60 1 2 0 Rain\n"
    "CLOSED_CONTOURS: 2000000000\n3 3\n0 0 0 1 0 0 1 1 0\n10 2000000000\n1 1 0\n"
    "STATION_SITUATION\nWEATHER_REGION: 2000000000\n4 1\n1 1 0\n"
    "FILLAREA: 2000000000\n6 1\n1 1 0\n1 2 3 4 5 6 7 8 9 10 11 12 13 2.5 14 15\n"
    "NOTES_SYMBOL: 2000000000\n48 1 2 0 3\nabc\n0.5 2000000000\nde\n";

// The largest count an int holds, and negative counts, everywhere.
const std::string kExtremeCounts = Header("extreme_counts") +
    "LINES: 2147483647\n1 -2147483647\n-5 -2147483648\n"
    "LINES_SYMBOL: -2000000000\nSYMBOLS: 2147483647\n48 1 2 0 x\n"
    "CLOSED_CONTOURS: 2147483647\n3 -1\nNoLabel -7\n1 2147483647\n"
    "STATION_SITUATION\nWEATHER_REGION: 2147483647\n4 -9\n"
    "FILLAREA: -1\nNOTES_SYMBOL: 2147483647\n48 1 2 0 -5\n0.5 2147483647\n";

const std::vector<const std::string*> kHugeFiles = {&kHugePointCounts, &kHugeLabelCounts,
                                                    &kExtremeCounts};

// Every float of every block and every text byte comes from at least one
// byte of the file; a block sized by a declared count would hold far more.
std::size_t StoredSize(const ChartData& c) {
    std::size_t floats = 0;
    const auto add = [&floats](Layout layout, const float* block) {
        if (block == nullptr) return;
        const auto walked = WalkBlock(layout, block);
        ASSERT_TRUE(walked.has_value());
        floats += *walked;
    };
    add(Layout::Lines, c.lines.get());
    add(Layout::PointList, c.lineSymbols.get());
    add(Layout::ClosedContours, c.closedContours.get());
    add(Layout::Symbols, c.symbols.values.get());
    add(Layout::PointList, c.weatherRegions.get());
    add(Layout::FillAreas, c.fillAreas.get());
    add(Layout::Notes, c.notes.values.get());
    std::size_t texts = 0;
    for (const char* text : {c.symbols.text.get(), c.notes.text.get()}) {
        if (text != nullptr) texts += std::strlen(text);
    }
    return floats + texts;
}

TEST(MemoryBounds, BlocksHoldOnlyWhatTheFileContains) {
    for (const std::string* file : kHugeFiles) {
        SCOPED_TRACE(file->substr(0, 40));
        const BothReads read(*file);
        read.ExpectSound();
        const ChartData& c = read.Chart();
        ASSERT_NE(c.description, nullptr);
        EXPECT_LE(StoredSize(c), file->size());
        for (const float* block : {c.lines.get(), c.lineSymbols.get(), c.closedContours.get(),
                                   c.symbols.values.get(), c.weatherRegions.get(),
                                   c.fillAreas.get(), c.notes.values.get()}) {
            if (block != nullptr) {
                EXPECT_LE(block[0], 2.0f);
            }
        }
    }
}

#if defined(__unix__) && !defined(READDATA14_UNDER_SANITIZER)

constexpr long kPeakLimitKb = 64 * 1024;

// Reads every huge file through the export in a child process, with the
// address space capped so that even a reservation that is never touched
// (invisible in the resident size) fails; returns the child's peak resident
// size in KB, or -1 when the child did not finish cleanly.
long PeakKbOfReadingHugeFiles() {
    std::vector<std::unique_ptr<TempFile>> files;
    for (const std::string* bytes : kHugeFiles) files.push_back(std::make_unique<TempFile>(*bytes));

    const pid_t child = fork();
    if (child == 0) {
        const rlim_t cap = rlim_t{1} << 30;
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        try {
            for (const auto& file : files) {
                ExportedChart chart = ReadExported(file->Path());
                const bool read = chart.description != nullptr;
                ReleaseExported(chart);
                if (!read) _exit(2);
            }
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

TEST(MemoryBounds, PeakMemoryStaysSmall) {
    const long peakKb = PeakKbOfReadingHugeFiles();
    ASSERT_GE(peakKb, 0) << "the child failed: an allocation by a declared count?";
    RecordProperty("peak_kb", std::to_string(peakKb));
    std::printf("peak resident size reading the 2e9 files: %ld KB\n", peakKb);
    EXPECT_LT(peakKb, kPeakLimitKb);
}

#else

TEST(MemoryBounds, PeakMemoryStaysSmall) {
    GTEST_SKIP() << "resident size means nothing under a sanitizer or off POSIX";
}

#endif

}  // namespace
}  // namespace readdata14::test

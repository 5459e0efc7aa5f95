// A read with numbers prepared on other threads gives what one thread gives:
// the same blocks bit for bit, the same header, sections and contour
// positions, and the same findings at the same places. Over the test charts,
// the fuzz corpus, generated charts, and those spoilt (cut short, bytes
// changed), with chunks small enough that tokens straddle their borders.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "driver/chart_reader.hpp"
#include "readdata14/readdata14.h"
#include "support/chart_check.hpp"
#include "support/read_outcome.hpp"

#ifdef READDATA14_HAVE_MAKE_CHART
#include "chart_generator.hpp"
#endif

namespace readdata14 {
namespace {

using test::Differences;
using test::FileBytes;
using test::FilesIn;
using test::ReadOutcome;
using test::Spoilt;

ReadOutcome ReadWith(const std::string& bytes, const PreparedRead& prepared, std::uint64_t findingLimit) {
    ChartSource source;
    source.bytes = bytes;
    ReadOptions options;
    options.prepared = prepared;
    options.findingLimit = findingLimit;
    return test::ReadOutcomeOf(source, options);
}

constexpr std::size_t kSmallChunks[] = {1, 7, 64, 4096, std::size_t{1} << 20};
constexpr std::size_t kLargeChunks[] = {64, 4096, std::size_t{1} << 20};

void ExpectSameAsOneThread(const std::string& bytes, const std::string& name,
                           std::span<const std::size_t> chunkSizes = kSmallChunks) {
    const ReadOutcome single = ReadWith(bytes, PreparedRead{}, UINT64_MAX);
    for (const std::size_t chunkBytes : chunkSizes) {
        for (const unsigned threads : {2u, 3u}) {
            const ReadOutcome parallel = ReadWith(bytes, PreparedRead{threads, 0, chunkBytes}, UINT64_MAX);
            EXPECT_EQ(Differences(single, parallel), "")
                << name << ", " << threads << " threads, chunks of " << chunkBytes;
        }
    }
    // A listener that stops the read after its third finding.
    const ReadOutcome stopped = ReadWith(bytes, PreparedRead{}, 3);
    EXPECT_EQ(Differences(stopped, ReadWith(bytes, PreparedRead{2, 0, 64}, 3)), "") << name << ", stopped";
}

TEST(ParallelRead, TestChartsReadAsWithOneThread) {
    std::vector<std::string> files = FilesIn(READDATA14_TEST_DATA);
    files.push_back(READDATA14_SAMPLE_CHART);
    for (const auto& path : FilesIn(READDATA14_FUZZ_DIR "/corpus")) files.push_back(path);
    std::uint64_t seed = 1;
    for (const auto& path : files) {
        const std::vector<std::string> variants = Spoilt(FileBytes(path), seed++);
        for (std::size_t i = 0; i < variants.size(); ++i) {
            ExpectSameAsOneThread(variants[i], std::filesystem::path(path).filename().string() + " variant " +
                                                   std::to_string(i));
        }
    }
}

#ifdef READDATA14_HAVE_MAKE_CHART
TEST(ParallelRead, GeneratedChartsReadAsWithOneThread) {
    for (const std::uint64_t seed : {1u, 2u, 14u}) {
        make_chart::ChartPlan plan;
        plan.seed = seed;
        plan.points = seed == 14 ? 300 : 32;  // long lists are thinned
        plan.counts = make_chart::CountsForSize(plan, 400'000);
        const std::vector<std::string> variants = Spoilt(make_chart::ChartText(plan), seed);
        for (std::size_t i = 0; i < variants.size(); ++i) {
            ExpectSameAsOneThread(variants[i], "seed " + std::to_string(seed) + " variant " + std::to_string(i),
                                  kLargeChunks);
        }
    }
}

// Through the C API: a chart above the size where threads start, read with
// two threads, one, and a record as a 1.1 host passes it (no threads field,
// whatever lies past its end), gives the same chart each way.
TEST(ParallelRead, TheOptionsThreadsAndAnOlderRecord) {
    make_chart::ChartPlan plan;
    plan.seed = 6;
    plan.points = 32;
    plan.counts = make_chart::CountsForSize(plan, 10'000'000);
    const std::string bytes = make_chart::ChartText(plan);
    ASSERT_GE(bytes.size(), PreparedRead{}.minBytes);
    struct Record {
        readdata14_options options;
        std::uint64_t past;  // what a 1.1 host's memory holds after its record
    };
    std::vector<readdata14_document*> documents;
    for (const int way : {1, 2, 11}) {
        Record record{READDATA14_OPTIONS_INIT, 0xfeedfacecafebeefu};
        if (way == 2) record.options.threads = 2;
        if (way == 11) {
            record.options.size = offsetof(readdata14_options, threads);
            record.options.threads = 0xfeedfacecafebeefu;
        }
        readdata14_document* document = nullptr;
        EXPECT_EQ(readdata14_open_memory(bytes.data(), bytes.size(), &record.options, &document), READDATA14_READ)
            << way;
        documents.push_back(document);
    }
    for (std::size_t i = 1; i < documents.size(); ++i) {
        if (documents[0] == nullptr || documents[i] == nullptr) continue;
        EXPECT_EQ(test::CompareCharts(test::ViewOf(documents[0]->chart), test::ViewOf(documents[i]->chart)), "") << i;
        EXPECT_EQ(documents[0]->chart.warnings, documents[i]->chart.warnings);
    }
    for (readdata14_document* document : documents) readdata14_close(document);
}
#endif

// The default settings leave a small chart to one thread, and a read asked
// for many threads on a chart of a few chunks still reads it all.
TEST(ParallelRead, ManyThreadsOnFewChunks) {
    const std::string bytes = FileBytes(READDATA14_SAMPLE_CHART);
    const ReadOutcome single = ReadWith(bytes, PreparedRead{}, UINT64_MAX);
    EXPECT_EQ(Differences(single, ReadWith(bytes, PreparedRead{64, 0, bytes.size() / 3 + 1}, UINT64_MAX)), "");
    EXPECT_EQ(Differences(single, ReadWith(bytes, PreparedRead{2}, UINT64_MAX)), "");
}

}  // namespace
}  // namespace readdata14

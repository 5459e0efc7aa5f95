// A chart file mapped into memory reads as the same file copied, and as its
// bytes handed over in memory: the same chart bit for bit, the same status,
// input size and findings. Over the test charts, the fuzz corpus and their
// spoilt variants, each also with CR LF line breaks and with Ctrl-Z bytes
// (text mode changes mapped bytes in place), whole and header only, with
// and without a listener; and the header's early verdict (a file that is no
// chart, a header-only read) ends a mapped load where a copied one ends.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "driver/chart_reader.hpp"
#include "reading/text_input.hpp"
#include "support/chart_text.hpp"
#include "support/read_outcome.hpp"

namespace readdata14 {
namespace {

constexpr std::uint64_t kAlwaysMap = 0;
constexpr std::uint64_t kNeverMap = UINT64_MAX;

// The text-mode variants of a file: as it is, with CR LF line breaks, with
// a Ctrl-Z in the middle followed by the rest, and with one at the end.
std::vector<std::string> TextModeVariants(const std::string& bytes) {
    std::string crlf;
    for (const char c : bytes) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::string ctrlZ = bytes;
    ctrlZ.insert(ctrlZ.size() / 2, 1, '\x1a');
    return {bytes, crlf, ctrlZ, bytes + "\x1a\r\n"};
}

struct Way {
    const char* name;
    bool fromFile;
    std::uint64_t mapFrom;
};
constexpr Way kWays[] = {{"bytes in memory", false, kNeverMap},
                         {"file copied", true, kNeverMap},
                         {"file mapped", true, kAlwaysMap}};

void ExpectSameEveryWay(const std::string& bytes, const std::string& name) {
    const test::TempFile file(bytes);
    for (const bool headerOnly : {false, true}) {
        for (const bool listen : {true, false}) {
            std::vector<test::ReadOutcome> outcomes;
            for (const Way& way : kWays) {
                ChartSource source;
                if (way.fromFile) {
                    source.path = file.Path();
                } else {
                    source.bytes = bytes;
                }
                ReadOptions options;
                options.headerOnly = headerOnly;
                options.mapFrom = way.mapFrom;
                outcomes.push_back(test::ReadOutcomeOf(source, options, listen));
            }
            for (std::size_t i = 1; i < outcomes.size(); ++i) {
                EXPECT_EQ(test::Differences(outcomes[0], outcomes[i]), "")
                    << name << ": " << kWays[i].name << " against " << kWays[0].name
                    << (headerOnly ? ", header only" : "") << (listen ? ", listening" : "");
            }
        }
    }
}

TEST(MappedRead, TestChartsReadAsCopied) {
    std::vector<std::string> files = test::FilesIn(READDATA14_TEST_DATA);
    files.push_back(READDATA14_SAMPLE_CHART);
    for (const auto& path : test::FilesIn(READDATA14_FUZZ_DIR "/corpus")) files.push_back(path);
    std::uint64_t seed = 1;
    for (const auto& path : files) {
        const std::string name = std::filesystem::path(path).filename().string();
        const std::vector<std::string> spoilt = test::Spoilt(test::FileBytes(path), seed++);
        for (std::size_t i = 0; i < spoilt.size(); ++i) {
            const std::vector<std::string> variants = TextModeVariants(spoilt[i]);
            for (std::size_t k = 0; k < variants.size(); ++k) {
                ExpectSameEveryWay(variants[k], name + " variant " + std::to_string(i) + "/" + std::to_string(k));
            }
        }
    }
}

// The sizes `enough` is asked about and what is kept, mapped and copied,
// for files around the loading's piece sizes and an `enough` that says yes
// at its n-th question (0: never).
TEST(MappedRead, EnoughIsAskedAboutTheSamePrefixes) {
    constexpr std::size_t k64 = std::size_t{1} << 16;
    const std::size_t sizes[] = {k64 - 1, k64, k64 + 1, 3 * k64, 3 * k64 + 7, std::size_t{1} << 20,
                                 (std::size_t{31} << 16) + 1, std::size_t{3} << 20};
    for (const std::size_t size : sizes) {
        std::string bytes(size, 'a');
        for (std::size_t i = 0; i < size; i += 97) bytes[i] = '\n';
        const test::TempFile file(bytes);
        for (const std::size_t yesAt : {0u, 1u, 2u, 5u}) {
            std::vector<std::size_t> asked[2];
            std::string kept[2];
            for (const int mapped : {0, 1}) {
                LoadLimits limits;
                limits.mapFrom = mapped == 1 ? kAlwaysMap : kNeverMap;
                limits.enough = [&asked, mapped, yesAt](std::string_view so) {
                    asked[mapped].push_back(so.size());
                    return asked[mapped].size() == yesAt;
                };
                const auto loaded = LoadChartBytes(file.Path(), nullptr, limits);
                ASSERT_TRUE(loaded.has_value()) << size;
                EXPECT_EQ(loaded->Mapped(), mapped == 1) << size;
                kept[mapped] = std::string(loaded->View());
            }
            EXPECT_EQ(asked[0], asked[1]) << size << " bytes, yes at " << yesAt;
            EXPECT_EQ(kept[0], kept[1]) << size << " bytes, yes at " << yesAt;
        }
    }
}

// Files past the loading's first pieces: a large file that is no chart,
// one whose header is all a header-only read takes, one that is exactly as
// large as the bound allows and one a byte larger, a directory, a missing
// file, and a stream that never ends (never mapped).
TEST(MappedRead, LargeFilesBoundsAndStreamsAsCopied) {
    const std::string notChart = "x y z\n" + std::string(std::size_t{3} << 20, 'q');
    std::string chart = "CHART 14 description\n1 2 3 4 5\nLINES:\n0\n";
    chart += std::string(std::size_t{2} << 20, ' ');
    const test::TempFile notChartFile(notChart);
    const test::TempFile chartFile(chart);
    struct Case {
        const char* name;
        const char* path;
        std::uint64_t maxInputSize;
        bool headerOnly;
    };
    const Case cases[] = {
        {"no chart", notChartFile.Path(), UINT64_MAX, false},
        {"chart", chartFile.Path(), UINT64_MAX, false},
        {"chart, header only", chartFile.Path(), UINT64_MAX, true},
        {"chart at the bound", chartFile.Path(), chart.size(), false},
        {"chart past the bound", chartFile.Path(), chart.size() - 1, false},
        {"directory", ".", UINT64_MAX, false},
        {"missing", "/nonexistent/readdata14/chart.txt", UINT64_MAX, false},
#ifdef __linux__
        {"endless stream", "/dev/zero", std::uint64_t{1} << 20, false},
#endif
    };
    for (const Case& c : cases) {
        ChartSource source;
        source.path = c.path;
        ReadOptions options;
        options.maxInputSize = c.maxInputSize;
        options.headerOnly = c.headerOnly;
        options.mapFrom = kNeverMap;
        const test::ReadOutcome copied = test::ReadOutcomeOf(source, options);
        options.mapFrom = kAlwaysMap;
        const test::ReadOutcome mapped = test::ReadOutcomeOf(source, options);
        EXPECT_EQ(test::Differences(copied, mapped), "") << c.name;
    }
}

}  // namespace
}  // namespace readdata14

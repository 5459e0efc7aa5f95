// The readdata14_ C API: statuses with the system's error number, sizes that
// are the blocks' exact ends, findings placed in the file's own bytes with the
// first cause standing for its echoes, and no abort when memory runs out.
#include "readdata14/readdata14.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/chart_check.hpp"
#include "support/chart_text.hpp"

namespace readdata14::test {
namespace {

struct Seen {
    std::uint64_t offset, line, column;
    std::int32_t kind, severity;
    std::string message;
};

void Keep(const readdata14_finding* f, void* context) {
    static_cast<std::vector<Seen>*>(context)->push_back(
        {f->offset, f->line, f->column, f->kind, f->severity, f->message});
}

struct Read {
    readdata14_status status;
    readdata14_chart chart;
    std::vector<Seen> findings;

    explicit Read(const char* path) { status = readdata14_read(path, &chart, Keep, &findings); }
    explicit Read(std::string_view bytes) {
        status = readdata14_read_memory(bytes.data(), bytes.size(), &chart, Keep, &findings);
    }
    ~Read() { readdata14_release(&chart); }
};

// What the C runtime says of opening a directory.
#if defined(_WIN32)
constexpr int kDirectoryErrno = EACCES;
#else
constexpr int kDirectoryErrno = EISDIR;
#endif

TEST(ReadStatus, TellsEveryFailureApart) {
    const std::string directory = std::filesystem::temp_directory_path().string();
    TempFile type15("readdata14 15 x\n1 2 3 4 5\nLINES: 0\n");
    TempFile empty("");
    TempFile chart(Header() + EmptySections());
    struct Case {
        const char* name;
        const char* path;
        readdata14_status status;
        int systemError;
    };
    const Case cases[] = {
        {"missing file", "/nonexistent/readdata14/chart.txt", READDATA14_CANNOT_OPEN, ENOENT},
        {"directory", directory.c_str(), READDATA14_CANNOT_OPEN, kDirectoryErrno},
        {"type 15", type15.Path(), READDATA14_NOT_TYPE_14, 0},
        {"empty file", empty.Path(), READDATA14_NOT_TYPE_14, 0},
        {"chart", chart.Path(), READDATA14_READ, 0},
        {"null path", nullptr, READDATA14_INVALID_ARGUMENT, 0},
    };
    for (const Case& c : cases) {
        Read read(c.path);
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.chart.systemError, c.systemError) << c.name;
        EXPECT_EQ(read.chart.description != nullptr, c.status == READDATA14_READ) << c.name;
        EXPECT_STRNE(readdata14_status_name(c.status), "unknown status") << c.name;
    }
    EXPECT_EQ(readdata14_read(chart.Path(), nullptr, nullptr, nullptr), READDATA14_INVALID_ARGUMENT);
    readdata14_release(nullptr);
}

TEST(ReadStatus, NamesAndVersion) {
    EXPECT_STREQ(readdata14_version(), READDATA14_VERSION_STRING);
    // The library says the version its header says.
    EXPECT_EQ(std::string(readdata14_version()), std::to_string(READDATA14_VERSION_MAJOR) + "." +
                                                     std::to_string(READDATA14_VERSION_MINOR) + "." +
                                                     std::to_string(READDATA14_VERSION_PATCH));
    EXPECT_STREQ(readdata14_finding_kind_name(READDATA14_FINDING_TAG_MISMATCH), "tag-mismatch");
    EXPECT_STREQ(readdata14_finding_kind_name(READDATA14_FINDING_INTEGER_RANGE), "integer-range");
    EXPECT_STREQ(readdata14_finding_kind_name(0), "finding");
    EXPECT_STREQ(readdata14_finding_kind_name(99), "finding");
    for (const readdata14_status status : {READDATA14_READ, READDATA14_STOPPED, READDATA14_TOO_LARGE}) {
        EXPECT_STRNE(readdata14_status_name(status), "unknown status") << status;
    }
    EXPECT_STREQ(readdata14_finding_kind_name(READDATA14_FINDING_NON_FINITE), "non-finite");
}

// The record the C API fills agrees with the original export float for float,
// and every size it reports is the exact end of its array.
TEST(ReadResult, SizesAreExactAndTheBlocksThoseOfTheExport) {
    for (const char* path : {READDATA14_SAMPLE_CHART, READDATA14_TEST_DATA "/dropped_symbol.txt",
                             READDATA14_TEST_DATA "/no_station_situation.txt",
                             READDATA14_TEST_DATA "/texts_and_thinning.txt"}) {
        Read read(path);
        ASSERT_EQ(read.status, READDATA14_READ) << path;
        const ChartView api = ViewOf(read.chart);
        EXPECT_EQ(CheckChart(api), "") << path;
        ExportedChart exported = ReadExported(path);
        EXPECT_EQ(CompareCharts(api, ViewOf(exported)), "") << path;
        ReleaseExported(exported);
    }
    Read dropped(READDATA14_TEST_DATA "/dropped_symbol.txt");
    EXPECT_EQ(dropped.chart.symbols.values[0], 3.0f);
    EXPECT_EQ(dropped.chart.symbolLengthsSize, 4u);  // one slot per symbol read, the dropped one too
    EXPECT_EQ(dropped.chart.noteLengthsSize, 2u);
}

// Each broken file: how many findings of each severity, and the first one's
// kind and place. Lines 1 and 2 are the header.
TEST(ReadFindings, StandAtTheirCauseWithLineAndColumn) {
    const std::string h = Header();
    struct Case {
        const char* name;
        std::string text;
        std::uint32_t errors, warnings;
        std::int32_t kind;
        std::uint64_t line, column;
        const char* says;
    };
    const Case cases[] = {
        {"clean", h + EmptySections(), 0, 0, 0, 0, 0, ""},
        {"not type 14", "readdata14 15 x\n", 1, 0, READDATA14_FINDING_NOT_TYPE_14, 1, 1, "'15'"},
        // One bad token: one error, however many sections then miss their tags.
        {"bad point", h + "LINES: 1\n2 2\n0 0 0 x 1 0\nNoLabel 0\n" + EmptySections().substr(9), 1, 0,
         READDATA14_FINDING_BAD_TOKEN, 5, 7, "expected a point (x y z), found 'x'; out of step"},
        // A count the file does not back is the cause, not the end it runs into.
        {"huge count", h + "LINES: 1000000\n2 1\n0 0 0\nNoLabel 0\n", 1, 0, READDATA14_FINDING_INPUT_ENDED, 3, 8,
         "LINES declares 1000000 lines, but the input ends in line 2"},
        {"one line declared", h + "LINES: 1\n2 2\n0 0 0\n", 1, 0, READDATA14_FINDING_INPUT_ENDED, 3, 8,
         "LINES declares 1 line, but"},
        {"misspelt tag", h + "LINES: 0\nLINES_SYMBOL: 0\nSYMBOL: 0\nCLOSED_CONTOURS: 0\n" +
                             EmptySections().substr(EmptySections().find("STATION")),
         1, 0, READDATA14_FINDING_TAG_MISMATCH, 5, 1, "expected the section tag 'SYMBOLS:', found 'SYMBOL:'"},
        {"trailing content", h + EmptySections() + "  extra\n", 1, 0, READDATA14_FINDING_TRAILING_CONTENT, 11, 3,
         "'extra'"},
        {"label", h + "LINES: 1\n2 1\n0 0 0\nnone 0\n" + EmptySections().substr(9), 0, 1,
         READDATA14_FINDING_LABEL_NOT_NUMBER, 6, 1, "'none'"},
        {"label with more after its number", h + "LINES: 1\n2 1\n0 0 0\n1O12 0\n" + EmptySections().substr(9), 0, 1,
         READDATA14_FINDING_LABEL_NOT_NUMBER, 6, 1, "read as the number '1'"},
        {"negative count", h + "LINES: -2\n" + EmptySections().substr(9), 0, 1, READDATA14_FINDING_NEGATIVE_COUNT,
         3, 8, "-2"},
        {"saturated", h + "LINES: 1\n99999999999 0\nNoLabel 0\n" + EmptySections().substr(9), 0, 1,
         READDATA14_FINDING_INTEGER_RANGE, 4, 1, "2147483647"},
        {"nul in a token", "readdata14 14 te" + std::string(1, '\0') + "st\n1 2 3 4 5\n" + EmptySections(), 0, 1,
         READDATA14_FINDING_CONTROL_BYTE, 1, 17, "NUL"},
        {"ctrl-z before the end", h + EmptySections() + "\x1a more\n", 0, 1, READDATA14_FINDING_CONTROL_BYTE, 11, 1,
         "Ctrl-Z"},
        {"long label", h + "LINES: 1\n2 1\n0 0 0\n0." + std::string(118, '0') + " 0\n" + EmptySections().substr(9), 0,
         1, READDATA14_FINDING_LONG_TOKEN, 6, 1, "120 characters"},
        {"label beyond the float range", h + "LINES: 1\n2 1\n0 0 0\n-1e39 0\n" + EmptySections().substr(9), 0, 1,
         READDATA14_FINDING_FLOAT_RANGE, 6, 1, "'-1e39' lies beyond the range of a 32-bit float: read as -inf"},
        {"point beyond the float range", h + "LINES: 1\n2 1\n0 1e39 0\nNoLabel 0\n" + EmptySections().substr(9), 0,
         1, READDATA14_FINDING_FLOAT_RANGE, 5, 3, "read as inf"},
        {"nan written out", h + "LINES: 1\n2 1\n0 0 0\nnan 0\n" + EmptySections().substr(9), 0, 1,
         READDATA14_FINDING_NON_FINITE, 6, 1, "'nan' is not a finite number"},
    };
    for (const Case& c : cases) {
        for (const bool crlf : {false, true}) {
            std::string bytes = c.text;
            if (crlf) {
                for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 2)) {
                    bytes.insert(at, 1, '\r');
                }
            }
            const Read read{std::string_view(bytes)};
            const std::string what = std::string(c.name) + (crlf ? " (CR LF)" : "");
            EXPECT_EQ(read.chart.errors, c.errors) << what;
            EXPECT_EQ(read.chart.warnings, c.warnings) << what;
            ASSERT_EQ(read.findings.size(), c.errors + c.warnings) << what;
            if (read.findings.empty()) continue;
            const Seen& first = read.findings.front();
            EXPECT_EQ(first.kind, c.kind) << what << ": " << first.message;
            EXPECT_EQ(first.severity, c.errors > 0 ? READDATA14_ERROR : READDATA14_WARNING) << what;
            EXPECT_EQ(first.line, c.line) << what << ": " << first.message;
            EXPECT_EQ(first.column, c.column) << what << ": " << first.message;
            EXPECT_NE(first.message.find(c.says), std::string::npos) << what << ": " << first.message;
            // The offset is the file's own: the line and column follow from it.
            const std::string before = bytes.substr(0, static_cast<std::size_t>(first.offset));
            EXPECT_EQ(first.line, 1 + static_cast<std::uint64_t>(std::count(before.begin(), before.end(), '\n')))
                << what;
        }
    }
}

TEST(ReadFindings, ACallbackThatThrowsFailsTheRead) {
    TempFile file(Header() + EmptySections() + "extra\n");
    readdata14_chart chart;
    const auto thrower = [](const readdata14_finding*, void*) { throw std::runtime_error("no"); };
    EXPECT_EQ(readdata14_read(file.Path(), &chart, thrower, nullptr), READDATA14_CALLBACK_FAILED);
    EXPECT_EQ(chart.lines, nullptr);
    readdata14_release(&chart);
}

#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
#define READDATA14_NO_MEMORY_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READDATA14_NO_MEMORY_LIMIT 1
#endif
#endif

// A child process with little address space left reads a chart that needs
// more: the read reports it and the process lives on to say so. Both where
// the file itself does not fit and where the blocks outgrow the memory left.
TEST(ReadStatus, OutOfMemoryIsAStatusNotAnAbort) {
#if defined(READDATA14_NO_MEMORY_LIMIT)
    GTEST_SKIP() << "needs fork and an address-space limit, which AddressSanitizer (and Windows) do not give";
#else
    constexpr std::size_t kMiB = 1 << 20;
    for (const std::size_t fileMiB : {64, 8}) {
        std::string text = Header() + "LINES: 1\n1 " + std::to_string(fileMiB * kMiB / 6) + "\n";
        while (text.size() < fileMiB * kMiB) text += "0 0 0\n";
        TempFile file(text);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::ifstream statm("/proc/self/statm");
            std::size_t pages = 0;
            statm >> pages;
            const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + 16 * kMiB;
            const rlimit cap{limit, limit};
            if (setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(100);
            readdata14_chart chart;
            const readdata14_status status = readdata14_read(file.Path(), &chart, nullptr, nullptr);
            readdata14_release(&chart);
            std::_Exit(static_cast<int>(status));
        }
        int wstatus = 0;
        ASSERT_EQ(waitpid(child, &wstatus, 0), child);
        ASSERT_TRUE(WIFEXITED(wstatus)) << fileMiB << " MiB: the child did not exit (signal "
                                        << (WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0) << ")";
        EXPECT_EQ(WEXITSTATUS(wstatus), READDATA14_OUT_OF_MEMORY) << fileMiB << " MiB";
    }
#endif
}

}  // namespace
}  // namespace readdata14::test

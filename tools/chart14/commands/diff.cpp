// chart14 diff A B: what differs between two charts, element by element
// (chart_diff.hpp says how elements are matched, diff_report.hpp how it is
// shown). Exit status as cmp and diff give it: 0 the same blocks, 1 they
// differ, 2 trouble (a file that does not read as a chart, a failed write).
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "commands/chart14.hpp"
#include "commands/chart_diff.hpp"
#include "commands/common.hpp"
#include "commands/diff_report.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

constexpr int EXIT_SAME = 0;
constexpr int EXIT_DIFFERENT = 1;
constexpr int EXIT_TROUBLE = 2;

// The elements shown per section when --max is not given, for people; a
// program (--json) gets them all.
constexpr std::size_t TEXT_LIMIT = 20;

constexpr const char* DIFF_EXIT_HELP =
    "Exit status:\n"
    "  0      the charts hold the same blocks (header, sections, elements, levels)\n"
    "  1      they differ\n"
    "  2      a file cannot be read as a type-14 chart, the output cannot be written,\n"
    "         or the command is wrong\n"
    "  128+N  ended by signal N\n";

struct DiffOptions {
    std::string a, b;
    bool json = false;
    bool quiet = false;
    std::optional<std::size_t> max;
};

std::optional<std::string> ReadStandardInput() {
    std::string bytes;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes.append(buffer, n);
    if (std::ferror(stdin)) return std::nullopt;
    return bytes;
}

// Reads one side; on failure says why on standard error. The findings of the
// read are the check command's business: here a file with errors is compared
// as far as it reads, with a note.
bool OpenSide(const Input& input, Chart& chart, bool quiet) {
    FileResult result;
    if (!OpenChart(input, chart, result)) {
        std::fputs(result.err.c_str(), stderr);
        return false;
    }
    if (chart.Errors() > 0 && !quiet) {
        std::fprintf(stderr, "chart14: %s: the file has %u error%s; compared as far as it reads\n",
                     input.name.c_str(), chart.Errors(), chart.Errors() == 1 ? "" : "s");
    }
    return true;
}

bool WriteOut(const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0 &&
        std::fclose(stdout) == 0) {
        return true;
    }
    std::fprintf(stderr, "chart14: cannot write standard output: %s\n",
                 errno != 0 ? std::strerror(errno) : "unknown error");
    return false;
}

int RunDiff(const DiffOptions& options) {
    if (options.a == "-" && options.b == "-") {
        std::fputs("chart14 diff: standard input (\"-\") can be read once\n", stderr);
        return EXIT_TROUBLE;
    }
    std::string stdinBytes;
    if (options.a == "-" || options.b == "-") {
        auto bytes = ReadStandardInput();
        if (!bytes) {
            std::fprintf(stderr, "chart14: cannot read standard input: %s\n", std::strerror(errno));
            return EXIT_TROUBLE;
        }
        stdinBytes = std::move(*bytes);
    }
    const auto input = [&stdinBytes](const std::string& path) {
        return path == "-" ? Input{path, "<stdin>", stdinBytes} : Input{path, DisplayText(path), {}};
    };
    const Input inputA = input(options.a), inputB = input(options.b);
    Chart a, b;
    // Both are opened, so that each one that does not read says why.
    const bool readA = OpenSide(inputA, a, options.quiet);
    const bool readB = OpenSide(inputB, b, options.quiet);
    if (!readA || !readB) return EXIT_TROUBLE;

    const std::size_t limit = options.max.value_or(options.json ? 0 : TEXT_LIMIT);
    const ChartDiff diff = CompareCharts(a, b, limit);
    const int status = diff.Differs() ? EXIT_DIFFERENT : EXIT_SAME;
    if (options.quiet) return status;
    const std::string report = options.json ? JsonReport(diff, options.a, options.b) : TextReport(diff);
    return WriteOut(report) ? status : EXIT_TROUBLE;
}

}  // namespace

void RegisterDiff(CLI::App& app, int& status) {
    auto options = std::make_shared<DiffOptions>();
    CLI::App* command = app.add_subcommand(
        "diff", "Compare two charts element by element: header, sections, elements added, removed and changed");
    command->add_option("a", options->a, "The first chart (\"-\": standard input)")->required();
    command->add_option("b", options->b, "The second chart (\"-\": standard input)")->required();
    command->add_flag("--json", options->json, "Write the differences as JSON, for programs");
    command->add_option("--max", options->max,
                        "Show at most N changed, added and removed elements per section, and moved points per "
                        "element; 0: all (default: 20, with --json all); the counts stay whole")
        ->check(CLI::NonNegativeNumber);
    command->add_flag("-q,--quiet", options->quiet, "Print nothing; the exit status says whether they differ");
    command->footer(DIFF_EXIT_HELP);
    command->callback([options, &status] { status = RunDiff(*options); });
}

}  // namespace readdata14::chart14

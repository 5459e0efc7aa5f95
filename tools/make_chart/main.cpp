// make_chart: writes a synthetic type-14 surface-analysis chart, built
// element by element through the library's builder and written by its writer.
//
// The bundled sample examples/sample_chart.txt is made with
//   make_chart --seed 3 --points 32 -o examples/sample_chart.txt
// (the default counts; see SectionCounts).
#include <charconv>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "chart_generator.hpp"

namespace {

using readdata14::make_chart::ChartPlan;

constexpr const char* USAGE =
    "usage: make_chart [options] -o FILE\n"
    "  -o FILE            where to write the chart (\"-\": standard output)\n"
    "  --seed N           random seed (default 1); the same seed gives the same bytes\n"
    "  --size-mb X        scale every section so the chart comes to about X megabytes\n"
    "  --points N         points of a line or isobar (default 64); long fronts and\n"
    "                     regions get at least 4N and more than 250\n"
    "  --description TOK  the header's description token (no blanks)\n"
    "  per-section counts, applied after --size-mb:\n"
    "  --lines N  --line-symbols N  --symbols N  --contours N\n"
    "  --regions N  --fill-areas N  --notes N\n";

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct Options {
    ChartPlan plan;
    std::optional<double> sizeMb;
    std::string output;
    // Explicit counts, laid over the scaled ones.
    std::optional<int> lines, lineSymbols, symbols, contours, regions, fillAreas, notes;
};

bool Fail(const std::string& message) {
    std::fprintf(stderr, "make_chart: %s\n%s", message.c_str(), USAGE);
    return false;
}

bool ParseCount(std::string_view name, std::string_view value, std::optional<int>& count) {
    auto n = ParseNumber<int>(value);
    if (!n || *n < 0) return Fail(std::string(name) + " needs a count of 0 or more");
    count = *n;
    return true;
}

bool ParseOption(std::string_view name, std::string_view value, Options& options) {
    if (name == "-o") {
        options.output = value;
        return true;
    }
    if (name == "--seed") {
        auto seed = ParseNumber<std::uint64_t>(value);
        if (!seed) return Fail("--seed needs a whole number");
        options.plan.seed = *seed;
        return true;
    }
    if (name == "--size-mb") {
        auto size = ParseNumber<double>(value);
        if (!size || !(*size > 0.0) || *size > 100000.0) return Fail("--size-mb needs a size above 0");
        options.sizeMb = *size;
        return true;
    }
    if (name == "--points") {
        auto points = ParseNumber<int>(value);
        if (!points || *points < 2 || *points > 1000000) return Fail("--points needs 2 to 1000000");
        options.plan.points = *points;
        return true;
    }
    if (name == "--description") {
        if (value.empty() || value.size() > 99 || value.find_first_of(" \t\r\n") != std::string_view::npos)
            return Fail("--description needs one token of at most 99 characters");
        options.plan.description = value;
        return true;
    }
    if (name == "--lines") return ParseCount(name, value, options.lines);
    if (name == "--line-symbols") return ParseCount(name, value, options.lineSymbols);
    if (name == "--symbols") return ParseCount(name, value, options.symbols);
    if (name == "--contours") return ParseCount(name, value, options.contours);
    if (name == "--regions") return ParseCount(name, value, options.regions);
    if (name == "--fill-areas") return ParseCount(name, value, options.fillAreas);
    if (name == "--notes") return ParseCount(name, value, options.notes);
    return Fail("unknown option " + std::string(name));
}

std::optional<Options> ParseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view name = argv[i];
        if (name == "-h" || name == "--help") {
            std::fputs(USAGE, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            Fail(std::string(name) + " needs a value");
            return std::nullopt;
        }
        if (!ParseOption(name, argv[++i], options)) return std::nullopt;
    }
    if (options.output.empty()) {
        Fail("no output file (-o FILE)");
        return std::nullopt;
    }
    return options;
}

void ApplyCounts(Options& options) {
    auto& counts = options.plan.counts;
    if (options.sizeMb) counts = CountsForSize(options.plan, static_cast<std::uint64_t>(*options.sizeMb * 1e6));
    auto lay = [](std::optional<int> given, int& count) {
        if (given) count = *given;
    };
    lay(options.lines, counts.lines);
    lay(options.lineSymbols, counts.lineSymbols);
    lay(options.symbols, counts.symbols);
    lay(options.contours, counts.contours);
    lay(options.regions, counts.weatherRegions);
    lay(options.fillAreas, counts.fillAreas);
    lay(options.notes, counts.notes);
}

}  // namespace

int main(int argc, char** argv) {
    auto options = ParseArguments(argc, argv);
    if (!options) return 2;
    ApplyCounts(*options);
    try {
        const readdata14::make_chart::DocumentPtr chart = readdata14::make_chart::MakeChart(options->plan);
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        readdata14_status status = READDATA14_WRITTEN;
        if (options->output == "-") {
            const auto toStdout = [](const void* bytes, std::size_t size, void*) {
                return std::fwrite(bytes, 1, size, stdout) == size ? 0 : EIO;
            };
            status = readdata14_write_callback(chart.get(), toStdout, nullptr, nullptr, &result);
            if (std::fflush(stdout) != 0 && status == READDATA14_WRITTEN) status = READDATA14_CANNOT_WRITE;
        } else {
            status = readdata14_write(chart.get(), options->output.c_str(), nullptr, &result);
        }
        if (status != READDATA14_WRITTEN) {
            std::fprintf(stderr, "make_chart: cannot write %s: %s%s%s\n", options->output.c_str(),
                         readdata14_status_name(status), result.systemError != 0 ? ": " : "",
                         result.systemError != 0 ? std::strerror(result.systemError) : result.message);
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_chart: %s\n", error.what());
        return 1;
    }
    return 0;
}

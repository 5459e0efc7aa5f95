#include "commands/common.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>

#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

// Whether iconv knows the encoding; when not, says so on standard error.
bool KnownEncoding(const std::string& encoding) {
    std::string error;
    if (TextDecoder::Open(encoding, error)) return true;
    std::fputs(("chart14: " + DisplayText(error) + "\n").c_str(), stderr);
    return false;
}

}  // namespace

Chart OpenInput(const Input& input, const FindingHandler& onFinding) {
    return input.IsStdin() ? Chart::FromMemory(input.stdinBytes, onFinding, input.threads)
                           : Chart::Open(input.path, onFinding, input.threads);
}

std::string DescribeFailure(const Chart& chart) {
    switch (chart.Status()) {
        case OpenStatus::Read: return "read";
        case OpenStatus::CannotOpen:
            return std::string("cannot be opened: ") +
                   (chart.SystemError() != 0 ? std::strerror(chart.SystemError()) : "unknown error");
        case OpenStatus::NotType14: return "is not a type-14 chart (its header does not name type 14)";
        case OpenStatus::OutOfMemory: return "cannot be read: out of memory";
        case OpenStatus::HandlerFailed: return "was not read: the finding handler failed";
        case OpenStatus::TooLarge: return "is larger than a chart may be (1 GiB)";
        case OpenStatus::NotOpened: break;
    }
    return "was not read";
}

bool OpenChart(const Input& input, Chart& chart, FileResult& result) {
    chart = OpenInput(input);
    if (chart) return true;
    result.err += "chart14: " + input.name + ": " + DescribeFailure(chart) + "\n";
    result.status = EXIT_UNREADABLE;
    result.produced = false;
    result.unreadable = true;
    return false;
}

std::uint64_t CountElements(const Chart& chart) {
    return chart.Lines().size() + chart.LineSymbols().size() + chart.Symbols().size() +
           chart.ClosedContours().size() + chart.WeatherRegions().size() + chart.FillAreas().size() +
           chart.Notes().size();
}

void NoteFindings(const Input& input, const Chart& chart, FileResult& result, bool quiet) {
    result.elements = CountElements(chart);
    result.errors = chart.Errors();
    result.warnings = chart.Warnings();
    if (chart.Errors() == 0) return;
    result.status = std::max(result.status, EXIT_FINDINGS);
    if (quiet) return;
    const std::string count = std::to_string(chart.Errors()) + (chart.Errors() == 1 ? " error" : " errors");
    result.err += "chart14: " + input.name + ": the file has " + count +
                  "; written as far as it reads (chart14 check shows them)\n";
}

void AddEncodingOption(CLI::App& command, std::string& encoding) {
    command.add_option("--encoding", encoding,
                       "Code page of the chart's texts (an iconv name such as CP1252 or GBK); default UTF-8");
}

int RunDecodingOverFiles(const std::string& command, const RunOptions& options, const std::string& encoding,
                         const OutputKind& kind, const FileTask& task) {
    if (!KnownEncoding(encoding)) return EXIT_UNREADABLE;
    return RunOverFiles(command, options, kind, task);
}

std::string EscapedTextsNote(const Input& input, const std::string& encoding) {
    std::string note = "chart14: " + input.name + ": some text bytes are not ";
    note += encoding.empty() ? "UTF-8" : DisplayText(encoding);
    note += "; they are written as \\xNN";
    if (encoding.empty()) note += " (name the file's code page with --encoding)";
    return note + "\n";
}

const char* LevelOrderName(LevelOrder order) {
    switch (order) {
        case LevelOrder::Rising: return "rising";
        case LevelOrder::Falling: return "falling";
        case LevelOrder::Unknown: break;
    }
    return "unknown";
}

}  // namespace readdata14::chart14

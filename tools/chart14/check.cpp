// chart14 check FILE…: whether each file is well-formed, and where not, what
// departs from the format, as FILE:LINE:COLUMN: kind: message. Lines and
// columns count in the text as read (a CR LF line end is one line break).
// Exit status: 0 every file clean, 1 findings, 2 a file that cannot be read.
#include <CLI/CLI.hpp>

#include "chart14.hpp"
#include "common.hpp"
#include "driver/chart_reader.hpp"
#include "file_runner.hpp"

namespace chart14 {
namespace {

using readdata14::Finding;
using readdata14::FindingKind;

const char* KindName(FindingKind kind) {
    switch (kind) {
        case FindingKind::TagMismatch: return "tag-mismatch";
        case FindingKind::SectionStoppedEarly: return "section-stopped-early";
        case FindingKind::MissingStationSituation: return "missing-station-situation";
        case FindingKind::TextCutShort: return "text-cut-short";
        case FindingKind::TrailingContent: return "trailing-content";
    }
    return "finding";
}

class CollectingSink final : public readdata14::DiagnosticSink {
public:
    void Report(const Finding& finding) override { findings.push_back(finding); }
    std::vector<Finding> findings;
};

std::string FormatFinding(const std::string& path, const Finding& finding) {
    return path + ':' + std::to_string(finding.line) + ':' + std::to_string(finding.column) + ": " +
           KindName(finding.kind) + ": " + finding.message + '\n';
}

FileResult Check(const std::string& path, bool quiet) {
    FileResult result;
    CollectingSink sink;
    readdata14::ChartData chart;
    const auto status = readdata14::ReadChartFile(path.c_str(), chart, &sink);
    if (status == readdata14::ChartStatus::CannotOpen) {
        result.out = path + ": cannot be opened\n";
        result.status = EXIT_UNREADABLE;
        return result;
    }
    for (const auto& finding : sink.findings) result.out += FormatFinding(path, finding);
    if (status == readdata14::ChartStatus::NotType14) {
        if (sink.findings.empty()) result.out += path + ":1:1: not a type-14 chart\n";
        result.status = EXIT_UNREADABLE;
    } else if (!sink.findings.empty()) {
        result.status = EXIT_FINDINGS;
    } else if (!quiet) {
        result.out = path + ": well-formed\n";
    }
    return result;
}

}  // namespace

void RegisterCheck(CLI::App& app, int& status) {
    struct Options {
        std::vector<std::string> files;
        bool quiet = false;
        RunOptions run;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "check", "Check that charts are well-formed; report what departs from the format, with line and column");
    command->add_option("files", options->files, "Chart files")->required();
    command->add_flag("-q,--quiet", options->quiet, "Say nothing about files that are well-formed");
    AddJobsOption(*command, options->run);
    command->callback([options, &status] {
        status = RunOverFiles(options->files, options->run,
                              [quiet = options->quiet](const std::string& path) { return Check(path, quiet); });
    });
}

}  // namespace chart14

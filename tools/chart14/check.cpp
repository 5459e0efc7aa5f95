// chart14 check FILE…: whether each file is well-formed, and where not, what
// departs from the format, as FILE:LINE:COLUMN: kind: message. Lines and
// columns count in the text as read (a CR LF line end is one line break).
// Exit status: 0 every file clean, 1 findings, 2 a file that cannot be read.
#include <CLI/CLI.hpp>

#include "chart14.hpp"
#include "common.hpp"
#include "readdata14/readdata14.h"
#include "file_runner.hpp"

namespace chart14 {
namespace {

struct CheckOutput {
    const std::string& path;
    std::string& out;
};

void PrintFinding(const readdata14_finding* finding, void* context) {
    auto& output = *static_cast<CheckOutput*>(context);
    output.out += output.path + ':' + std::to_string(finding->line) + ':' + std::to_string(finding->column) + ": " +
                  (finding->severity == READDATA14_ERROR ? "error: " : "warning: ") +
                  readdata14_finding_kind_name(finding->kind) + ": " + finding->message + '\n';
}

FileResult Check(const std::string& path, bool quiet) {
    FileResult result;
    CheckOutput output{path, result.out};
    readdata14_chart chart;
    const readdata14_status status = readdata14_read(path.c_str(), &chart, PrintFinding, &output);
    const std::uint32_t findings = chart.errors + chart.warnings;
    readdata14_release(&chart);
    if (status != READDATA14_READ && status != READDATA14_NOT_TYPE_14) {
        result.out += path + ": " + readdata14_status_name(status) + '\n';
        result.status = EXIT_UNREADABLE;
    } else if (status == READDATA14_NOT_TYPE_14) {
        result.status = EXIT_UNREADABLE;
    } else if (findings > 0) {
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

// chart14 check FILE…: whether each file is well-formed, and where not, what
// departs from the format, as FILE:LINE:COLUMN: severity: kind: message.
// Lines and columns count in the text as read (a CR LF line end is one line
// break). Exit status: 0 no errors (warnings allowed), 1 errors (--strict:
// or warnings), 2 a file that cannot be read as a type-14 chart.
#include <CLI/CLI.hpp>
#include <memory>

#include "commands/chart14.hpp"
#include "commands/common.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

struct CheckOptions {
    RunOptions run;
    bool strict = false;
};

const char* SeverityName(std::int32_t severity) { return severity == READDATA14_ERROR ? "error" : "warning"; }

FileResult Check(const Input& input, const CheckOptions& options) {
    FileResult result;
    // The core escapes the file's bytes in its messages; the path is ours to escape.
    const auto print = [&](const readdata14_finding& finding) {
        result.out += input.name + ':' + std::to_string(finding.line) + ':' + std::to_string(finding.column) +
                      ": " + SeverityName(finding.severity) + ": " + readdata14_finding_kind_name(finding.kind) +
                      ": " + DisplayText(finding.message) + '\n';
    };
    const Chart chart = OpenInput(input, print);
    if (chart.Status() == OpenStatus::NotType14) {
        result.status = EXIT_UNREADABLE;  // its finding says why
        result.unreadable = true;
    } else if (!chart) {
        result.out += input.name + ": error: " + DescribeFailure(chart) + '\n';
        result.status = EXIT_UNREADABLE;
        result.unreadable = true;
    } else {
        // Counted as every subcommand counts them (see FileResult): the
        // findings of a chart that was read.
        result.errors = chart.Errors();
        result.warnings = chart.Warnings();
        result.elements = CountElements(chart);
        if (chart.Errors() > 0 || (options.strict && chart.Warnings() > 0)) result.status = EXIT_FINDINGS;
        if (chart.Errors() + chart.Warnings() == 0 && !options.run.quiet) result.out += input.name + ": well-formed\n";
    }
    return result;
}

}  // namespace

void RegisterCheck(CLI::App& app, int& status) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check", "Check that charts are well-formed; report what departs from the format, with line and column");
    AddRunOptions(*command, options->run);
    command->add_flag("--strict", options->strict, "Exit 1 on warnings too");
    command->callback([options, &status] {
        status = RunOverFiles("check", options->run, {".check.txt", true},
                              [options](const Input& input) { return Check(input, *options); });
    });
}

}  // namespace readdata14::chart14

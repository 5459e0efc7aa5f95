// Running one subcommand over many files, the same way for all of them:
// worker threads read in parallel, each file's output goes to standard
// output or to a file of its own, and results and messages come out in input
// order as soon as each is ready. A failed write ends the run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace readdata14::chart14 {

// Exit statuses shared by the subcommands.
inline constexpr int EXIT_CLEAN = 0;
inline constexpr int EXIT_FINDINGS = 1;    // the file has errors (check --strict: or warnings)
inline constexpr int EXIT_UNREADABLE = 2;  // cannot be opened, not type 14, bad usage, a failed write

// One file to work on.
struct Input {
    std::string path;         // as given; "-" is standard input
    std::string name;         // for messages: the path escaped (see DisplayText), or "<stdin>"
    std::string_view stdinBytes;  // standard input's bytes, when path is "-"
    unsigned threads = 1;         // threads the read of one large chart may use (--threads)

    bool IsStdin() const noexcept { return path == "-"; }
};

struct FileResult {
    std::string out;  // the file's output (standard output or its output file)
    std::string err;  // messages for standard error
    int status = EXIT_CLEAN;
    bool produced = true;  // false: nothing to write, not even an empty output file
    // For the summary, which every subcommand counts alike: the elements and
    // findings of a chart that was read; an input that could not be read as
    // a chart counts as unreadable and nothing else (its one message says
    // why), an output that could not be written as not written.
    bool unreadable = false;
    std::uint64_t elements = 0;
    std::uint64_t errors = 0;
    std::uint64_t warnings = 0;
};

using FileTask = std::function<FileResult(const Input& input)>;

// The options every subcommand takes.
struct RunOptions {
    std::vector<std::string> files;
    unsigned jobs = 0;   // 0: one per core
    std::string output;  // empty or "-": standard output; else a file (one input) or a directory
    bool quiet = false;  // no notes, progress or summary; the exit status stays
    unsigned threads = 1;  // threads each read may use (readdata14_options.threads)
};

// What --help ends with, for the tool and each subcommand.
inline constexpr const char* EXIT_STATUS_HELP =
    "Exit status:\n"
    "  0      every file read without errors (warnings alone allowed)\n"
    "  1      some file has errors (check --strict: or warnings); what was read is written\n"
    "  2      a file cannot be read as a type-14 chart, an output cannot be written\n"
    "         (a full disk, a closed pipe: the run stops there), or the command is wrong\n"
    "  128+N  ended by signal N (130: SIGINT, 143: SIGTERM); no output file is left\n"
    "         half-written, and no temporary file behind\n";

// What a subcommand writes.
struct OutputKind {
    const char* extension;  // of the files written into an output directory
    bool concatenates;      // several inputs may share standard output
    // A document (a picture, a page) that a terminal would only scroll past:
    // not written to one unless the user insists with -o -.
    bool document = false;
};

// FILE…, -j, -o and -q.
void AddRunOptions(CLI::App& command, RunOptions& options);

// Runs `task` on every file and delivers the results in input order; returns
// the highest status. A task that throws counts as unreadable.
int RunOverFiles(const std::string& command, const RunOptions& options, const OutputKind& kind,
                 const FileTask& task);

// Where the output of `input` goes in directory `dir`: the input's file name
// with its last extension replaced by `extension` ("stdin" for standard input).
std::string OutputPathIn(const std::string& dir, const Input& input, const char* extension);

}  // namespace readdata14::chart14

// Running one subcommand over many files: worker threads read in parallel,
// the results are written in input order as soon as each is ready.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace chart14 {

// Exit statuses shared by the subcommands.
inline constexpr int EXIT_CLEAN = 0;
inline constexpr int EXIT_FINDINGS = 1;     // check: the file departs from the format
inline constexpr int EXIT_UNREADABLE = 2;   // cannot be opened, not type 14, bad usage

struct FileResult {
    std::string out;  // for standard output
    std::string err;  // for standard error
    int status = EXIT_CLEAN;
};

using FileTask = std::function<FileResult(const std::string& path)>;

struct RunOptions {
    unsigned jobs = 0;  // 0: one per core
};

// Adds -j/--jobs to a subcommand that takes several files.
void AddJobsOption(CLI::App& command, RunOptions& options);

// Runs `task` on every file and writes the results in input order; returns
// the highest status. A task that throws counts as unreadable. A progress bar
// goes to standard error when it is a terminal and there are many files.
int RunOverFiles(const std::vector<std::string>& files, const RunOptions& options, const FileTask& task);

}  // namespace chart14

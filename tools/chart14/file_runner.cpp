#include "file_runner.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

#include "text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

namespace fs = std::filesystem;

unsigned WorkerCount(const RunOptions& options, std::size_t files) {
    unsigned jobs = options.jobs;
    if (jobs == 0) jobs = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(files, 1)));
}

FileResult RunGuarded(const FileTask& task, const Input& input) {
    try {
        return task(input);
    } catch (const std::exception& error) {
        FileResult result;
        result.err = "chart14: " + input.name + ": " + DisplayText(error.what()) + "\n";
        result.status = EXIT_UNREADABLE;
        result.produced = false;
        return result;
    }
}

std::string SystemMessage(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

// Writes `bytes` to the file at `path`. A regular file that could not be
// written whole is removed, so that no truncated output is left looking
// complete; anything else (a device, a pipe, a link) is never removed.
std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return SystemMessage(errno);
    int error = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fflush(file) != 0) error = errno;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error == 0) return std::nullopt;
    std::error_code ignored;
    if (fs::is_regular_file(fs::symlink_status(path, ignored))) fs::remove(path, ignored);
    return SystemMessage(error);
}

// An output file must not be one of the inputs: it would be truncated
// before it is read (or while).
bool IsSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

std::optional<std::string> ReadStandardInput(std::string& bytes) {
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes.append(buffer, n);
    if (std::ferror(stdin)) return SystemMessage(errno);
    return std::nullopt;
}

class ProgressBar {
public:
    ProgressBar(std::size_t total, bool shown) : total_(total), shown_(shown) {}

    void Clear() {
        if (shown_) std::fputs("\r\033[K", stderr);
    }
    void Draw(std::size_t done) {
        if (!shown_) return;
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = total_ == 0 ? kWidth : done * kWidth / total_;
        std::string bar(filled, '#');
        bar.resize(kWidth, '.');
        std::fprintf(stderr, "\r[%s] %zu/%zu", bar.c_str(), done, total_);
        std::fflush(stderr);
    }

private:
    std::size_t total_;
    bool shown_;
};

struct Summary {
    std::size_t files = 0, unreadable = 0;
    std::uint64_t elements = 0, errors = 0, warnings = 0;

    void Add(const FileResult& result) {
        ++files;
        if (result.status == EXIT_UNREADABLE) ++unreadable;
        elements += result.elements;
        errors += result.errors;
        warnings += result.warnings;
    }

    std::string Line(const std::string& command, double seconds) const {
        const auto count = [](std::uint64_t n, const char* one, const char* many) {
            return std::to_string(n) + ' ' + (n == 1 ? one : many);
        };
        std::string line = "chart14 " + command + ": " + count(files, "file", "files") + ", " +
                           count(elements, "element", "elements") + ", " + count(errors, "error", "errors") + ", " +
                           count(warnings, "warning", "warnings");
        if (unreadable > 0) line += ", " + std::to_string(unreadable) + " unreadable";
        char time[32];
        const auto end = std::to_chars(time, time + sizeof time, seconds, std::chars_format::fixed, 2).ptr;
        return line + ", " + std::string(time, end) + " s\n";
    }
};

std::optional<std::string> UsageError(const std::string& command, const std::string& message) {
    return "chart14 " + command + ": " + message + "\n";
}

// Where each input's output goes: nothing (standard output) or one path per
// input. A usage error when the files and -o do not go together.
std::optional<std::string> PlanOutputs(const std::string& command, const RunOptions& options,
                                       const OutputKind& kind, const std::vector<Input>& inputs,
                                       std::vector<std::string>& outputs) {
    const std::string& output = options.output;
    if (output.empty() || output == "-") {
        if (inputs.size() > 1 && !kind.concatenates) {
            return UsageError(command, "several files make one output each: name a directory for them with -o DIR");
        }
        return std::nullopt;
    }
    std::error_code error;
    const bool isDirectory = fs::is_directory(output, error);
    if (inputs.size() == 1 && !isDirectory && output.back() != '/') {
        outputs.push_back(output);
        return std::nullopt;
    }
    if (!isDirectory) {
        fs::create_directories(output, error);
        if (error) return UsageError(command, "cannot create " + DisplayText(output) + ": " + error.message());
    }
    std::map<std::string, std::size_t> taken;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        outputs.push_back(OutputPathIn(output, inputs[i], kind.extension));
        const auto [at, added] = taken.emplace(outputs.back(), i);
        if (!added) {
            return UsageError(command, inputs[at->second].name + " and " + inputs[i].name + " would both write " +
                                           DisplayText(outputs.back()));
        }
    }
    return std::nullopt;
}

}  // namespace

void AddRunOptions(CLI::App& command, RunOptions& options) {
    command.add_option("files", options.files, "Chart files (\"-\": standard input)")->required();
    command.add_option("-j,--jobs", options.jobs, "Files read at once (default: the number of cores)")
        ->check(CLI::NonNegativeNumber);
    command.add_option("-o,--output", options.output,
                       "Write to this file (one input) or into this directory, one file per input named after "
                       "it (default: standard output)");
    command.add_flag("-q,--quiet", options.quiet,
                     "No notes on standard error, no progress and no summary; the exit status stays");
}

std::string OutputPathIn(const std::string& dir, const Input& input, const char* extension) {
    fs::path name = input.IsStdin() ? fs::path("stdin") : fs::path(input.path).filename();
    if (name.empty() || name == "." || name == "..") name = "chart";
    if (name.has_stem()) name = name.stem();
    return (fs::path(dir) / name).string() + extension;
}

int RunOverFiles(const std::string& command, const RunOptions& options, const OutputKind& kind,
                 const FileTask& task) {
    const auto start = std::chrono::steady_clock::now();
    if (std::count(options.files.begin(), options.files.end(), "-") > 1) {
        std::fputs(UsageError(command, "standard input (\"-\") can be read once")->c_str(), stderr);
        return EXIT_UNREADABLE;
    }
    std::string stdinBytes;
    if (std::find(options.files.begin(), options.files.end(), "-") != options.files.end()) {
        if (const auto error = ReadStandardInput(stdinBytes)) {
            std::fputs(("chart14: cannot read standard input: " + *error + "\n").c_str(), stderr);
            return EXIT_UNREADABLE;
        }
    }
    std::vector<Input> inputs;
    for (const std::string& path : options.files) {
        if (path == "-") {
            inputs.push_back({path, "<stdin>", stdinBytes});
        } else {
            inputs.push_back({path, DisplayText(path), {}});
        }
    }
    std::vector<std::string> outputs;
    if (const auto error = PlanOutputs(command, options, kind, inputs, outputs)) {
        std::fputs(error->c_str(), stderr);
        return EXIT_UNREADABLE;
    }
    const bool toFiles = !outputs.empty();

    std::vector<std::optional<FileResult>> results(inputs.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};

    const auto work = [&] {
        for (std::size_t i = next++; i < inputs.size() && !stop; i = next++) {
            FileResult result;
            if (toFiles && !inputs[i].IsStdin() && IsSameFile(outputs[i], inputs[i].path)) {
                result.err = "chart14: " + inputs[i].name + ": the output " + DisplayText(outputs[i]) +
                             " is the input itself; not written\n";
                result.status = EXIT_UNREADABLE;
                result.produced = false;
            } else {
                result = RunGuarded(task, inputs[i]);
            }
            if (toFiles && result.produced) {
                if (const auto error = WriteWholeFile(outputs[i], result.out)) {
                    result.err += "chart14: cannot write " + DisplayText(outputs[i]) + ": " + *error + "\n";
                    result.status = EXIT_UNREADABLE;
                }
                result.out.clear();
            }
            const std::lock_guard lock(mutex);
            results[i] = std::move(result);
            ready.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const unsigned count = WorkerCount(options, inputs.size());
    for (unsigned i = 0; i < count; ++i) workers.emplace_back(work);

    const bool terminal = isatty(STDERR_FILENO) != 0;
    ProgressBar progress(inputs.size(), terminal && inputs.size() > 1 && !options.quiet);
    Summary summary;
    int status = EXIT_CLEAN;
    bool outputFailed = false;
    for (std::size_t i = 0; i < inputs.size() && !outputFailed; ++i) {
        FileResult result;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results[i].has_value(); });
            result = std::move(*results[i]);
            results[i].reset();
        }
        status = std::max(status, result.status);
        summary.Add(result);
        progress.Clear();
        if (!result.out.empty() &&
            (std::fwrite(result.out.data(), 1, result.out.size(), stdout) != result.out.size() ||
             std::fflush(stdout) != 0)) {
            result.err += "chart14: cannot write standard output: " + SystemMessage(errno) + "\n";
            outputFailed = true;
        }
        std::fwrite(result.err.data(), 1, result.err.size(), stderr);
        progress.Draw(i + 1);
    }
    stop = true;
    progress.Clear();
    for (auto& worker : workers) worker.join();
    // A write can also fail when the stream is closed (a full disk under a
    // buffered pipe, a file system that reports errors late).
    if (!outputFailed && !toFiles && std::fclose(stdout) != 0) {
        std::fprintf(stderr, "chart14: cannot write standard output: %s\n", SystemMessage(errno).c_str());
        outputFailed = true;
    }
    if (outputFailed) return EXIT_UNREADABLE;
    if (!options.quiet && (inputs.size() > 1 || terminal)) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::fputs(summary.Line(command, seconds.count()).c_str(), stderr);
    }
    return status;
}

}  // namespace readdata14::chart14

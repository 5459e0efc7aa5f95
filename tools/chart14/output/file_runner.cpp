#include "output/file_runner.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

#include "output/output_file.hpp"
#include "output/temporary_files.hpp"
#include "support/text_encoding.hpp"

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
        result.unreadable = true;
        return result;
    }
}

std::string SystemMessage(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

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
    std::size_t files = 0, unreadable = 0, notWritten = 0;
    std::uint64_t elements = 0, errors = 0, warnings = 0;

    void Add(const FileResult& result, bool written) {
        ++files;
        if (result.unreadable) ++unreadable;
        if (!written) ++notWritten;
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
        if (notWritten > 0) line += ", " + std::to_string(notWritten) + " not written";
        char time[32];
        const auto end = std::to_chars(time, time + sizeof time, seconds, std::chars_format::fixed, 2).ptr;
        return line + ", " + std::string(time, end) + " s\n";
    }
};

std::optional<std::string> UsageError(const std::string& command, const std::string& message) {
    return "chart14 " + command + ": " + message + "\n";
}

// Whether `path` names a folder to write into. A name ending in "/" is one
// and is made when missing; a regular file in its place is not one.
std::optional<std::string> PrepareDirectory(const std::string& command, const std::string& path, bool& isDirectory) {
    std::error_code error;
    isDirectory = fs::is_directory(path, error);
    if (isDirectory || path.back() != '/') return std::nullopt;
    // "file/" does not stat as a file: the name without its slashes does.
    const std::string named = path.substr(0, path.find_last_not_of('/') + 1);
    if (!named.empty() && fs::exists(fs::status(named, error))) {
        return UsageError(command, "cannot write into " + DisplayText(path) + ": " + std::strerror(ENOTDIR));
    }
    fs::create_directories(path, error);
    if (error) return UsageError(command, "cannot create " + DisplayText(path) + ": " + error.message());
    isDirectory = true;
    return std::nullopt;
}

// Where each input's output goes: nothing (standard output) or one path per
// input. A usage error when the files and -o do not go together.
std::optional<std::string> PlanOutputs(const std::string& command, const RunOptions& options,
                                       const OutputKind& kind, const std::vector<Input>& inputs,
                                       std::vector<std::string>& outputs) {
    const std::string& output = options.output;
    if (output.empty() && kind.document && isatty(STDOUT_FILENO) != 0) {
        return UsageError(command, std::string("the output is a document, not for a terminal: name a file with -o "
                                               "(\"-o out") + kind.extension + "\"), or write it there anyway with -o -");
    }
    if (output.empty() || output == "-") {
        if (inputs.size() > 1 && !kind.concatenates) {
            return UsageError(command, "several files make one output each: name a directory for them with -o DIR/");
        }
        return std::nullopt;
    }
    bool isDirectory = false;
    if (const auto error = PrepareDirectory(command, output, isDirectory)) return error;
    if (!isDirectory && inputs.size() == 1) {
        outputs.push_back(output);
        return std::nullopt;
    }
    if (!isDirectory) {
        // Several outputs under one name that is no folder yet: a typing
        // slip as often as a wish for a folder, so the user says which.
        return UsageError(command, "several files make one output each, and " + DisplayText(output) +
                                       " is not a directory: name one that exists, or end the name with \"/\" "
                                       "to make it");
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

// Whether an input's output reached its file.
enum class Delivery {
    Written,     // or nothing to write (an input that does not read)
    NotWritten,  // the file could not be opened, or is the input
    Failed,      // a write failed (a full disk): later files would fail too
};

// One input's work when its output goes to a file: the file is opened (as a
// temporary) before the input is read, so that an output that cannot be
// written costs no reading, and it is put in place only once written whole.
FileResult RunIntoFile(const FileTask& task, const Input& input, const std::string& output,
                       TemporaryFiles& temporaries, Delivery& delivery) {
    delivery = Delivery::NotWritten;
    FileResult result;
    result.status = EXIT_UNREADABLE;
    result.produced = false;
    if (!input.IsStdin() && IsSameFile(output, input.path)) {
        result.err = "chart14: " + input.name + ": the output " + DisplayText(output) +
                     " is the input itself; not written\n";
        return result;
    }
    std::string error;
    auto file = OutputFile::Open(output, temporaries, error);
    if (!file) {
        result.err = "chart14: cannot write " + DisplayText(output) + ": " + error + "\n";
        return result;
    }
    delivery = Delivery::Written;
    result = RunGuarded(task, input);
    const std::string bytes = std::move(result.out);
    result.out.clear();
    if (!result.produced) return result;
    if (const auto failed = file->Write(bytes)) {
        result.err += "chart14: cannot write " + DisplayText(output) + ": " + *failed + "\n";
        result.status = EXIT_UNREADABLE;
        delivery = Delivery::Failed;
    }
    return result;
}

// Standard output closed under a pipeline's reader, or full: nothing more
// can be delivered. The message goes out and the process ends at once, as
// it would by SIGPIPE, without waiting for the files still being read (no
// output file is open: with -o nothing goes to standard output).
[[noreturn]] void EndForFailedStandardOutput(int error, const std::string& messages) {
    std::fwrite(messages.data(), 1, messages.size(), stderr);
    std::fprintf(stderr, "chart14: cannot write standard output: %s\n", SystemMessage(error).c_str());
    std::fflush(stderr);
    std::_Exit(EXIT_UNREADABLE);
}

}  // namespace

void AddRunOptions(CLI::App& command, RunOptions& options) {
    command.add_option("files", options.files, "Chart files (\"-\": standard input)")->required();
    command.add_option("-j,--jobs", options.jobs, "Files read at once (default: the number of cores)")
        ->check(CLI::NonNegativeNumber);
    command.add_option("-o,--output", options.output,
                       "Write to this file (one input), or into this directory (an existing one, or a name "
                       "ending in /), one file per input named after it (default: standard output); each file "
                       "appears whole or not at all");
    command.add_option("--threads", options.threads,
                       "Threads the read of one large chart may use (default 1; -j reads files side by side)")
        ->check(CLI::PositiveNumber);
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
            inputs.push_back({path, "<stdin>", stdinBytes, options.threads});
        } else {
            inputs.push_back({path, DisplayText(path), {}, options.threads});
        }
    }
    std::vector<std::string> outputs;
    if (const auto error = PlanOutputs(command, options, kind, inputs, outputs)) {
        std::fputs(error->c_str(), stderr);
        return EXIT_UNREADABLE;
    }
    const bool toFiles = !outputs.empty();
    // Made before the workers start, so that they inherit its signal mask.
    TemporaryFiles temporaries;

    struct Done {
        FileResult result;
        Delivery delivery = Delivery::Written;
    };
    std::vector<std::optional<Done>> results(inputs.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};

    const auto work = [&] {
        for (std::size_t i = next++; i < inputs.size() && !stop; i = next++) {
            Done done;
            if (toFiles) {
                done.result = RunIntoFile(task, inputs[i], outputs[i], temporaries, done.delivery);
            } else {
                done.result = RunGuarded(task, inputs[i]);
            }
            const std::lock_guard lock(mutex);
            results[i] = std::move(done);
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
        Done done;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results[i].has_value(); });
            done = std::move(*results[i]);
            results[i].reset();
        }
        FileResult& result = done.result;
        status = std::max(status, result.status);
        summary.Add(result, done.delivery == Delivery::Written);
        progress.Clear();
        if (!result.out.empty() &&
            (std::fwrite(result.out.data(), 1, result.out.size(), stdout) != result.out.size() ||
             std::fflush(stdout) != 0)) {
            EndForFailedStandardOutput(errno, result.err);
        }
        std::fwrite(result.err.data(), 1, result.err.size(), stderr);
        progress.Draw(i + 1);
        outputFailed = done.delivery == Delivery::Failed;
    }
    stop = true;
    progress.Clear();
    for (auto& worker : workers) worker.join();
    // A write can also fail when the stream is closed (a full disk under a
    // buffered pipe, a file system that reports errors late).
    if (!toFiles && std::fclose(stdout) != 0) EndForFailedStandardOutput(errno, "");
    if (outputFailed) return EXIT_UNREADABLE;
    if (!options.quiet && (inputs.size() > 1 || terminal)) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::fputs(summary.Line(command, seconds.count()).c_str(), stderr);
    }
    return status;
}

}  // namespace readdata14::chart14

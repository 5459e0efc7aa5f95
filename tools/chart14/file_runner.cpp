#include "file_runner.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

namespace chart14 {
namespace {

// Below this many files a run is short enough not to need a progress bar.
constexpr std::size_t kProgressFromFiles = 16;

unsigned WorkerCount(const RunOptions& options, std::size_t files) {
    unsigned jobs = options.jobs;
    if (jobs == 0) jobs = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(files, 1)));
}

FileResult RunGuarded(const FileTask& task, const std::string& path) {
    try {
        return task(path);
    } catch (const std::exception& error) {
        return {"", path + ": " + error.what() + "\n", EXIT_UNREADABLE};
    }
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

void Write(const FileResult& result, ProgressBar& progress, std::size_t done) {
    progress.Clear();
    std::fwrite(result.out.data(), 1, result.out.size(), stdout);
    std::fflush(stdout);
    std::fwrite(result.err.data(), 1, result.err.size(), stderr);
    progress.Draw(done);
}

}  // namespace

void AddJobsOption(CLI::App& command, RunOptions& options) {
    command.add_option("-j,--jobs", options.jobs, "Files read at once (default: the number of cores)")
        ->check(CLI::NonNegativeNumber);
}

int RunOverFiles(const std::vector<std::string>& files, const RunOptions& options, const FileTask& task) {
    std::vector<std::optional<FileResult>> results(files.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};

    const auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            FileResult result = RunGuarded(task, files[i]);
            const std::lock_guard lock(mutex);
            results[i] = std::move(result);
            ready.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const unsigned count = WorkerCount(options, files.size());
    for (unsigned i = 0; i < count; ++i) workers.emplace_back(work);

    ProgressBar progress(files.size(), files.size() >= kProgressFromFiles && isatty(STDERR_FILENO) != 0);
    int status = EXIT_CLEAN;
    for (std::size_t i = 0; i < files.size(); ++i) {
        FileResult result;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results[i].has_value(); });
            result = std::move(*results[i]);
            results[i].reset();
        }
        status = std::max(status, result.status);
        Write(result, progress, i + 1);
    }
    progress.Clear();
    for (auto& worker : workers) worker.join();
    return status;
}

}  // namespace chart14

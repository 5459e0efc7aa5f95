// The temporary files of a run, removed whatever ends it. An output is
// written under a temporary name and renamed onto its own name once whole;
// an interrupt (SIGINT, SIGTERM, SIGHUP) must not leave a temporary behind
// either. The signals are taken by a thread of their own (they are blocked
// in every other thread of the run): it removes every temporary still
// registered, then ends the process by the same signal, so that the shell
// sees an interrupted run (exit status 128 + the signal's number).
//
// Signal dispositions and masks belong to the whole process: one
// TemporaryFiles at a time, made by the thread that starts the workers,
// before it starts them.
#pragma once

#include <atomic>
#include <csignal>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>

namespace readdata14::chart14 {

class TemporaryFiles {
public:
    TemporaryFiles();
    ~TemporaryFiles();
    TemporaryFiles(const TemporaryFiles&) = delete;
    TemporaryFiles& operator=(const TemporaryFiles&) = delete;

    // Creates a new file under a name of its own in `directory`, made from
    // `base`, for writing with `mode` (as open(2) takes it); the descriptor,
    // or -1 with errno set. `path` receives the name.
    int Create(const std::string& directory, const std::string& base, mode_t mode, std::string& path);
    // Renames the temporary onto `target`: false with errno set when it fails
    // (the temporary stays registered).
    bool Keep(const std::string& path, const std::string& target);
    // Removes the temporary.
    void Remove(const std::string& path);

private:
    void Watch(sigset_t waited);

    std::mutex mutex_;
    std::set<std::string> paths_;
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned> counter_{0};
    sigset_t handled_{}, previous_{};
    std::thread watcher_;
};

}  // namespace readdata14::chart14

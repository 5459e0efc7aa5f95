#include "output/temporary_files.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace readdata14::chart14 {

TemporaryFiles::TemporaryFiles() {
    sigemptyset(&handled_);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // One the process was started to ignore (nohup, a background job)
        // stays ignored.
        struct sigaction action {};
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
        sigaddset(&handled_, signal);
    }
    // The watcher is stopped by a SIGTERM of its own, handled or not.
    sigset_t blocked = handled_;
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
    watcher_ = std::thread([this, blocked] { Watch(blocked); });
}

TemporaryFiles::~TemporaryFiles() {
    stopping_ = true;
    pthread_kill(watcher_.native_handle(), SIGTERM);
    watcher_.join();
    // A signal that came while the watcher was stopping is delivered here, as
    // to any process, once every output is whole.
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void TemporaryFiles::Watch(sigset_t waited) {
    int signal = 0;
    for (;;) {
        if (sigwait(&waited, &signal) != 0) continue;
        if (stopping_) return;
        if (sigismember(&handled_, signal) == 1) break;
    }
    // Held to the end: no temporary is made or renamed after this.
    mutex_.lock();
    for (const std::string& path : paths_) unlink(path.c_str());
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
}

int TemporaryFiles::Create(const std::string& directory, const std::string& base, mode_t mode, std::string& path) {
    const std::lock_guard lock(mutex_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Hidden, and named after the output and this process, so that a
        // person who finds one (after a power cut) knows what it was.
        path = directory + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(counter_++) + ".part";
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            paths_.insert(path);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

bool TemporaryFiles::Keep(const std::string& path, const std::string& target) {
    const std::lock_guard lock(mutex_);
    if (std::rename(path.c_str(), target.c_str()) != 0) return false;
    paths_.erase(path);
    return true;
}

void TemporaryFiles::Remove(const std::string& path) {
    const std::lock_guard lock(mutex_);
    unlink(path.c_str());
    paths_.erase(path);
}

}  // namespace readdata14::chart14

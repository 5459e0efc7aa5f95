#include "output/output_file.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace readdata14::chart14 {
namespace {

std::string SystemMessage(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

// The folder part of a path with its slash ("" for a bare name), and the rest.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The file a path names, through any symbolic links: replacing the link
// itself would cut it from the file it points at.
std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// 0 once every byte is written, else the errno.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

}  // namespace

std::optional<OutputFile> OutputFile::Open(const std::string& target, TemporaryFiles& temporaries,
                                           std::string& error) {
    struct stat status {};
    std::string file = target;
    mode_t mode = 0666;
    bool replaces = false;
    if (stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            error = SystemMessage(EISDIR);
            return std::nullopt;
        }
        if (!S_ISREG(status.st_mode)) {
            const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) {
                error = SystemMessage(errno);
                return std::nullopt;
            }
            return OutputFile(temporaries, fd, "", target);
        }
        file = RealPath(target);
        mode = status.st_mode & 07777;
        replaces = true;
    } else if (errno != ENOENT) {
        error = SystemMessage(errno);
        return std::nullopt;
    }
    const auto [folder, name] = SplitPath(file);
    std::string temporary;
    const int fd = temporaries.Create(folder, name, replaces ? 0600 : mode, temporary);
    if (fd < 0) {
        error = SystemMessage(errno);
        return std::nullopt;
    }
    // The file it replaces keeps its permissions (the mask would narrow them).
    if (replaces) fchmod(fd, mode);
    return OutputFile(temporaries, fd, temporary, file);
}

OutputFile::OutputFile(TemporaryFiles& temporaries, int fd, std::string temporary, std::string target)
    : temporaries_(&temporaries), fd_(fd), temporary_(std::move(temporary)), target_(std::move(target)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : temporaries_(other.temporaries_), fd_(other.fd_), temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)) {
    other.fd_ = -1;
    other.temporary_.clear();
}

OutputFile::~OutputFile() { Discard(); }

std::optional<std::string> OutputFile::Write(std::string_view bytes) {
    int error = WriteAll(fd_, bytes);
    // A file system may report a failed write only when the file is closed.
    if (close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error == 0 && !temporary_.empty() && !temporaries_->Keep(temporary_, target_)) error = errno;
    if (error == 0) {
        temporary_.clear();
        return std::nullopt;
    }
    Discard();
    return SystemMessage(error);
}

void OutputFile::Discard() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) temporaries_->Remove(temporary_);
    temporary_.clear();
}

}  // namespace readdata14::chart14

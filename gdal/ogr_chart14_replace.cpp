// The chart's file as a save sees it: its stamp (size, modification time,
// a hash of its bytes), whether it can be replaced, and the replacement
// itself. A save writes an unnamed file in the chart's folder (O_TMPFILE)
// and gives it a name only once it is whole, so that a process killed while
// it writes leaves nothing behind; the name is then renamed over the chart,
// which a reader sees either before or after, never half-written.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "ogr_chart14_update.hpp"

namespace readdata14::ogr {
namespace {

std::string SystemReason(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// 64-bit FNV-1a: enough to tell that the bytes changed; no one forges a
// chart against it.
void HashInto(std::uint64_t& hash, const unsigned char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ULL;
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// A name in the folder for the whole temporary file: hidden, and naming the
// chart, so that a user who finds one (after a power cut) knows whose it is.
bool LinkTemporary(int fd, const std::string& path, std::string& temporary, std::string& why) {
    const std::string folder = FolderOf(path);
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "/." + base + ".saving-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) break;
    }
    why = "cannot name the temporary file " + temporary + ": " + SystemReason(errno);
    temporary.clear();
    return false;
}

// An unnamed file in the folder, or, where the file system has none, a
// named one (then `temporary` is set at once).
int OpenTemporary(const std::string& path, mode_t mode, std::string& temporary, std::string& why) {
    const std::string folder = FolderOf(path);
    int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        why = "cannot write in " + folder + ": " + SystemReason(errno);
        return -1;
    }
    std::string name = path + ".saving-XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        why = "cannot write in " + folder + ": " + SystemReason(errno);
        return -1;
    }
    temporary = name;
    return fd;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path, std::string& why) {
    const Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (fd.get() < 0 || fstat(fd.get(), &status) != 0) {
        why = SystemReason(errno);
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modifiedSeconds = status.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
    stamp.hash = 0xcbf29ce484222325ULL;
    unsigned char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            why = SystemReason(errno);
            return std::nullopt;
        }
        if (got == 0) break;
        HashInto(stamp.hash, buffer, static_cast<std::size_t>(got));
    }
    return stamp;
}

std::optional<std::string> WhyNotWritable(const std::string& path) {
    // access() answers for the caller's rights, root's included: a
    // read-only mount (EROFS) and an immutable file or folder (EPERM) refuse
    // root too.
    if (access(path.c_str(), W_OK) != 0) return path + ": " + SystemReason(errno);
    const std::string folder = FolderOf(path);
    if (access(folder.c_str(), W_OK) != 0) return "its folder " + folder + ": " + SystemReason(errno);
    return std::nullopt;
}

bool EndsLinesWithCrLf(const std::string& path) {
    const Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    char buffer[4096];
    char before = '\0';
    for (;;) {
        const ssize_t got = read(fd.get(), buffer, sizeof buffer);
        if (got <= 0) return false;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') return before == '\r';
            before = buffer[i];
        }
    }
}

bool ReplaceFile(const std::string& path, ChartBytesWriter write, void* context, std::string& why) {
    struct stat original {};
    if (stat(path.c_str(), &original) != 0) {
        why = SystemReason(errno);
        return false;
    }
    std::string temporary;
    Descriptor fd(OpenTemporary(path, original.st_mode & 07777, temporary, why));
    if (fd.get() < 0) return false;
    const auto fail = [&](std::string reason) {
        why = std::move(reason);
        if (!temporary.empty()) unlink(temporary.c_str());
        return false;
    };
    if (!write(fd.get(), context, why)) return fail("the chart could not be written: " + why);
    // The chart keeps its permissions (O_TMPFILE's mode passes the umask).
    if (fchmod(fd.get(), original.st_mode & 07777) != 0 || fsync(fd.get()) != 0)
        return fail("the chart could not be written: " + SystemReason(errno));
    if (temporary.empty() && !LinkTemporary(fd.get(), path, temporary, why)) return false;
    if (close(fd.release()) != 0) return fail("the chart could not be written: " + SystemReason(errno));
    if (rename(temporary.c_str(), path.c_str()) != 0)
        return fail("cannot rename " + temporary + " over the chart: " + SystemReason(errno));
    // The rename itself lasts once the folder is on disk.
    const Descriptor folder(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) fsync(folder.get());
    return true;
}

}  // namespace readdata14::ogr

// Bringing a chart file into memory the way a Windows host's C runtime reads
// a file opened in text mode, on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reading/mapped_file.hpp"

namespace readdata14 {

// A file that could not be loaded, with the C runtime's errno; or one that
// holds more than the bytes the caller allows (a stream that does not end
// is one of those).
struct LoadError {
    int systemError = 0;
    bool tooLarge = false;
};

// Windows maps a regular file of 1 MB or more: it refuses to truncate a
// file while a view of it is mapped. POSIX systems truncate it, and a read
// of a page the truncation took away raises SIGBUS, which ends the host: a
// chart rewritten in place (opened with "w") while a forecaster's tool reads
// it would crash that tool. There a file is copied, and a torn file reads
// as one with findings.
#ifdef _WIN32
inline constexpr std::uint64_t kMapFromByDefault = std::uint64_t{1} << 20;
#else
inline constexpr std::uint64_t kMapFromByDefault = UINT64_MAX;
#endif

// The bytes a read gets: at most `maxBytes`. `enough`, when set, is asked
// with the bytes read so far after each of the first pieces (up to
// DECIDE_WITHIN bytes): true ends the loading there, as when the header
// already tells that the file is not a chart, or is all that is wanted.
struct LoadLimits {
    std::uint64_t maxBytes = UINT64_MAX;
    // Windows: the path is UTF-8 (the readdata14_ entries), not the system's
    // ANSI code page (the original export). Elsewhere a path is bytes.
    bool utf8Path = false;
    std::function<bool(std::string_view)> enough;
    // LoadChartBytes maps a regular file of at least this many bytes rather
    // than copying it (where the system can). Below it a copy costs less
    // than setting up the mapping; tests set 0 or UINT64_MAX to compare.
    std::uint64_t mapFrom = kMapFromByDefault;
};

// The bytes within which `enough` is asked: a header longer than this is
// read whole before it is judged.
inline constexpr std::size_t DECIDE_WITHIN = std::size_t{1} << 20;

// Reads the file front to back (no seeking): a regular file, a FIFO, a
// character device or a pipe alike, each as a stream up to the limit; a
// regular file's size only sizes the buffer. On failure, why: a path that
// does not exist, cannot be read, is a directory, or gives too many bytes.
std::optional<std::string> LoadFile(const char* path, LoadError* error = nullptr, const LoadLimits& limits = {});

class TextModeChanges;

// The bytes a read works on: a buffer of their own, a mapped file, or the
// caller's bytes, borrowed. Text mode changes them where they lie, and
// copies them first only when they cannot be changed there.
class ChartBytes {
public:
    ChartBytes() noexcept = default;
    explicit ChartBytes(std::string bytes) noexcept;
    // The first `size` bytes of the mapping.
    ChartBytes(MappedFile mapped, std::size_t size) noexcept;
    // The caller's bytes, which must outlive this object; never written.
    static ChartBytes Borrowed(std::string_view bytes) noexcept;

    std::string_view View() const noexcept { return {Data(), size_}; }
    std::size_t size() const noexcept { return size_; }
    bool Mapped() const noexcept { return kind_ == Kind::Mapped; }

    // Text mode, as ApplyTextMode below. May throw std::bad_alloc when the
    // bytes must be copied to be changed.
    void ApplyTextMode(TextModeChanges* changes = nullptr);
    // The bytes as a string of their own (copied unless they are already).
    std::string TakeString() &&;

private:
    enum class Kind { Owned, Mapped, Borrowed };
    const char* Data() const noexcept;
    // Where the bytes can be changed, copying them there if need be.
    char* Writable();
    void Resize(std::size_t size);
    // Drops the CR of every CR LF pair from `firstCr` on; the new size.
    static std::size_t DropCarriageReturns(char* data, std::size_t size, std::size_t firstCr,
                                           TextModeChanges* changes) noexcept;

    Kind kind_ = Kind::Owned;
    std::string owned_;
    MappedFile mapped_;
    const char* borrowed_ = nullptr;
    std::size_t size_ = 0;
};

// As LoadFile, the file as ChartBytes: a regular file of at least
// `limits.mapFrom` bytes is mapped rather than copied where the system can
// map it, with the same bound and the same answers to `enough` as a copy.
std::optional<ChartBytes> LoadChartBytes(const char* path, LoadError* error = nullptr, const LoadLimits& limits = {});

// What text mode changed, for placing findings in the file as it is on disk.
class TextModeChanges {
public:
    // How many of the first `lineBreaks` line breaks of the text were CR LF
    // in the file (text mode drops their CR).
    std::size_t CarriageReturnsBefore(std::size_t lineBreaks) const noexcept;

    // Where a Ctrl-Z ended the input, when something other than white space
    // stood after it; the offset is in the file.
    std::optional<std::size_t> ctrlZBeforeContent;

private:
    friend class ChartBytes;
    struct Run {
        std::size_t firstBreak;  // index of the first CR LF line break of the run
        std::size_t count;       // consecutive CR LF line breaks
        std::size_t before;      // CR LF line breaks in earlier runs
    };
    void AddCrLf(std::size_t lineBreak);
    std::vector<Run> runs_;
};

// Text mode: a CR LF pair reads as LF and a 0x1A byte (Ctrl-Z) ends the
// input, so a file gives the same results on Linux as under Windows. With
// `changes`, also notes what it changed (memory in proportion to the number
// of runs of CR LF lines: one for a file written on one platform).
void ApplyTextMode(std::string& bytes, TextModeChanges* changes = nullptr);

}  // namespace readdata14

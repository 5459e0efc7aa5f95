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

namespace readdata14 {

// A file that could not be loaded, with the C runtime's errno; or one that
// holds more than the bytes the caller allows (a stream that does not end
// is one of those).
struct LoadError {
    int systemError = 0;
    bool tooLarge = false;
};

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
};

// The bytes within which `enough` is asked: a header longer than this is
// read whole before it is judged.
inline constexpr std::size_t DECIDE_WITHIN = std::size_t{1} << 20;

// Reads the file front to back (no seeking): a regular file, a FIFO, a
// character device or a pipe alike, each as a stream up to the limit; a
// regular file's size only sizes the buffer. On failure, why: a path that
// does not exist, cannot be read, is a directory, or gives too many bytes.
std::optional<std::string> LoadFile(const char* path, LoadError* error = nullptr, const LoadLimits& limits = {});

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
    friend void ApplyTextMode(std::string& bytes, TextModeChanges* changes);
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

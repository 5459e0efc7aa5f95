// Bringing a chart file into memory the way a Windows host's C runtime reads
// a file opened in text mode, on every platform.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace readdata14 {

// A file that could not be loaded, with the C runtime's errno.
struct LoadError {
    int systemError;
};

// Reads the whole file in one pass (no seeking). On failure, why: a path
// that does not exist, cannot be read, or is a directory.
std::optional<std::string> LoadFile(const char* path, LoadError* error = nullptr);

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

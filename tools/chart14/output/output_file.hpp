// An output file that appears whole or not at all. It is written under a
// temporary name in the target's own folder (so that the rename stays on one
// file system) and renamed onto the target once every byte is written: a
// reader never sees half a file, and a run that fails or is interrupted
// leaves the target as it was (absent, or the file of an earlier run) and no
// temporary behind. A target that is not a regular file (a device such as
// /dev/null, a FIFO) is written in place: it cannot be replaced.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "output/temporary_files.hpp"

namespace readdata14::chart14 {

class OutputFile {
public:
    // Opens the output for `target`; nullopt, with the system's reason in
    // `error`, when it cannot be written there.
    static std::optional<OutputFile> Open(const std::string& target, TemporaryFiles& temporaries, std::string& error);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    ~OutputFile();  // Discard() unless written

    // Writes the bytes and puts the file in place; the system's reason when
    // that fails (the temporary is removed then).
    std::optional<std::string> Write(std::string_view bytes);
    // Removes the temporary: the target stays as it was.
    void Discard();

private:
    OutputFile(TemporaryFiles& temporaries, int fd, std::string temporary, std::string target);

    TemporaryFiles* temporaries_;
    int fd_;
    std::string temporary_;  // empty: written in place
    std::string target_;
};

}  // namespace readdata14::chart14

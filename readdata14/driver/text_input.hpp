// Bringing a chart file into memory the way a Windows host's C runtime reads
// a file opened in text mode, on every platform.
#pragma once

#include <optional>
#include <string>

namespace readdata14 {

// Reads the whole file in one pass (no seeking). Empty when it cannot be opened.
std::optional<std::string> LoadFile(const char* path);

// Text mode: a CR LF pair reads as LF and a 0x1A byte (Ctrl-Z) ends the
// input, so a file gives the same results on Linux as under Windows.
void ApplyTextMode(std::string& bytes);

}  // namespace readdata14

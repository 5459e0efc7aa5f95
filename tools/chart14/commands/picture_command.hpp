// What `svg` and `html` do for each file: decode its texts, draw it, and say
// what did not decode and what the file's findings were.
#pragma once

#include <functional>
#include <string>

#include "commands/common.hpp"
#include "picture/map_text.hpp"

namespace readdata14::chart14 {

// Draws a chart whose texts `toUtf8` turns into UTF-8.
using Drawing = std::function<std::string(const Chart& chart, const TextToUtf8& toUtf8)>;

// The drawing of one input as the file task's result: an encoding iconv does
// not know is EXIT_UNREADABLE, as is a file that does not read.
FileResult DrawFile(const Input& input, const RunOptions& run, const std::string& encoding, const Drawing& draw);

}  // namespace readdata14::chart14

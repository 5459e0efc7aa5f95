// What the subcommands share: opening a chart with the message when it does
// not read, and the --encoding option with its note on escaped bytes.
#pragma once

#include <string>

#include "file_runner.hpp"
#include "readdata14/chart.hpp"

namespace CLI {
class App;
}

namespace chart14 {

// Opens `path`; when it cannot be read as a type-14 chart, `result` gets the
// reason on standard error and EXIT_UNREADABLE, and the result is false.
bool OpenChart(const std::string& path, readdata14::Chart& chart, FileResult& result);

// A one-line reason for a chart that did not read.
std::string DescribeStatus(readdata14::OpenStatus status);

// --encoding NAME: the code page of the chart's texts (iconv names).
void AddEncodingOption(CLI::App& command, std::string& encoding);

// A subcommand that writes one chart file to standard output in some form:
// FILE, --encoding, and `write` run on the file.
using ChartWriter = FileResult (*)(const std::string& path, const std::string& encoding);
void RegisterChartWriter(CLI::App& app, int& status, const std::string& name, const std::string& description,
                         ChartWriter write);

// The note for standard error when some text bytes did not decode.
std::string EscapedTextsNote(const std::string& path, const std::string& encoding);

}  // namespace chart14

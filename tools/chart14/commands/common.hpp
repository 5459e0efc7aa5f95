// What the subcommands share: opening an input with the reason when it does
// not read, the note on a file with errors, the --encoding option.
#pragma once

#include <cstdint>
#include <string>

#include "output/file_runner.hpp"
#include "readdata14/chart.hpp"

namespace CLI {
class App;
}

namespace readdata14::chart14 {

// Reads the input: the named file, or the bytes of standard input.
Chart OpenInput(const Input& input, const FindingHandler& onFinding = {});

// Why a chart did not read, in a few words; for a file that cannot be
// opened, the system's own reason ("No such file or directory", "Is a
// directory").
std::string DescribeFailure(const Chart& chart);

// Opens the input; when it cannot be read as a type-14 chart, `result` gets
// the reason on standard error and EXIT_UNREADABLE, and the result is false.
bool OpenChart(const Input& input, Chart& chart, FileResult& result);

// Records and points read, over every section.
std::uint64_t CountElements(const Chart& chart);

// After a conversion has written what was read: the counts for the summary
// and, when the file has errors, EXIT_FINDINGS with a note on standard error
// (unless quiet) saying how many and where to see them.
void NoteFindings(const Input& input, const Chart& chart, FileResult& result, bool quiet);

// --encoding NAME: the code page of the chart's texts (iconv names).
void AddEncodingOption(CLI::App& command, std::string& encoding);

// RunOverFiles for a command that decodes texts: an encoding iconv does not
// know is refused (EXIT_UNREADABLE) before any file is read.
int RunDecodingOverFiles(const std::string& command, const RunOptions& options, const std::string& encoding,
                         const OutputKind& kind, const FileTask& task);

// The note for standard error when some text bytes did not decode.
std::string EscapedTextsNote(const Input& input, const std::string& encoding);

// "rising", "falling" or "unknown".
const char* LevelOrderName(LevelOrder order);

}  // namespace readdata14::chart14

#include "commands/picture_command.hpp"

#include "support/text_encoding.hpp"

namespace readdata14::chart14 {

FileResult DrawFile(const Input& input, const RunOptions& run, const std::string& encoding, const Drawing& draw) {
    FileResult result;
    std::string error;
    auto texts = TextDecoder::Open(encoding, error);
    if (!texts) return {"", "chart14: " + DisplayText(error) + "\n", EXIT_UNREADABLE, false};
    Chart chart;
    if (!OpenChart(input, chart, result)) return result;
    result.out = draw(chart, [&texts](std::string_view text) { return texts->ToUtf8(text); });
    if (texts->Escaped() && !run.quiet) result.err += EscapedTextsNote(input, encoding);
    NoteFindings(input, chart, result, run.quiet);
    return result;
}

}  // namespace readdata14::chart14

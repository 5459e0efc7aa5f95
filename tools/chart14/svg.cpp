// chart14 svg FILE… [-o OUT.svg | -o DIR]: a picture of each chart (see
// svg_render.hpp).
#include <CLI/CLI.hpp>
#include <memory>

#include "chart14.hpp"
#include "common.hpp"
#include "svg_render.hpp"
#include "text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

struct SvgCommand {
    RunOptions run;
    std::string encoding;
    double width = SvgOptions{}.widthPx;
};

FileResult DrawChart(const Input& input, const SvgCommand& command) {
    FileResult result;
    std::string error;
    auto texts = TextDecoder::Open(command.encoding, error);
    if (!texts) return {"", "chart14: " + DisplayText(error) + "\n", EXIT_UNREADABLE, false};
    Chart chart;
    if (!OpenChart(input, chart, result)) return result;
    result.out = RenderSvg(
        chart, [&texts](std::string_view text) { return texts->ToUtf8(text); }, SvgOptions{command.width});
    if (texts->Escaped() && !command.run.quiet) result.err += EscapedTextsNote(input, command.encoding);
    NoteFindings(input, chart, result, command.run.quiet);
    return result;
}

}  // namespace

void RegisterSvg(CLI::App& app, int& status) {
    auto command = std::make_shared<SvgCommand>();
    CLI::App* svg = app.add_subcommand("svg", "Draw each chart as an SVG picture");
    AddRunOptions(*svg, command->run);
    svg->add_option("--width", command->width, "Width of the picture in pixels")
        ->capture_default_str()
        ->check(CLI::Range(16.0, 100000.0));
    AddEncodingOption(*svg, command->encoding);
    svg->callback([command, &status] {
        status = RunDecodingOverFiles("svg", command->run, command->encoding, {".svg", false},
                                      [command](const Input& input) { return DrawChart(input, *command); });
    });
}

}  // namespace readdata14::chart14

// chart14 svg FILE… [-o OUT.svg | -o DIR]: a picture of each chart (see
// svg_render.hpp).
#include <CLI/CLI.hpp>
#include <memory>

#include "commands/chart14.hpp"
#include "commands/common.hpp"
#include "svg/render.hpp"
#include "commands/picture_command.hpp"

namespace readdata14::chart14 {
namespace {

struct SvgCommand {
    RunOptions run;
    std::string encoding;
    double width = SvgOptions{}.widthPx;
};

FileResult DrawChart(const Input& input, const SvgCommand& command) {
    return DrawFile(input, command.run, command.encoding, [&command](const Chart& chart, const TextToUtf8& toUtf8) {
        return RenderSvg(chart, toUtf8, SvgOptions{command.width});
    });
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
        status = RunDecodingOverFiles("svg", command->run, command->encoding, {".svg", false, true},
                                      [command](const Input& input) { return DrawChart(input, *command); });
    });
}

}  // namespace readdata14::chart14

// chart14 svg FILE -o OUT.svg: a picture of the chart (see svg_render.hpp).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "chart14.hpp"
#include "common.hpp"
#include "svg_render.hpp"
#include "text_encoding.hpp"

namespace chart14 {
namespace {

struct SvgCommand {
    std::string file;
    std::string output = "-";
    std::string encoding;
    double width = SvgOptions{}.widthPx;
};

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

FileResult DrawChart(const SvgCommand& command) {
    FileResult result;
    std::string error;
    auto texts = TextDecoder::Open(command.encoding, error);
    if (!texts) return {"", "chart14: " + error + "\n", EXIT_UNREADABLE};
    readdata14::Chart chart;
    if (!OpenChart(command.file, chart, result)) return result;

    std::string svg = RenderSvg(
        chart, [&texts](std::string_view text) { return texts->ToUtf8(text); }, SvgOptions{command.width});
    if (texts->Escaped()) result.err += EscapedTextsNote(command.file, command.encoding);
    if (command.output == "-") {
        result.out = std::move(svg);
    } else if (!WriteWholeFile(command.output, svg)) {
        result.err += "chart14: cannot write " + command.output + "\n";
        result.status = EXIT_UNREADABLE;
    }
    return result;
}

}  // namespace

void RegisterSvg(CLI::App& app, int& status) {
    auto command = std::make_shared<SvgCommand>();
    CLI::App* svg = app.add_subcommand("svg", "Draw the chart as an SVG picture");
    svg->add_option("file", command->file, "Chart file")->required();
    svg->add_option("-o,--output", command->output, "The SVG file to write (\"-\": standard output)");
    svg->add_option("--width", command->width, "Width of the picture in pixels")
        ->capture_default_str()
        ->check(CLI::Range(16.0, 100000.0));
    AddEncodingOption(*svg, command->encoding);
    svg->callback([command, &status] {
        status = RunOverFiles({command->file}, {1}, [&](const std::string&) { return DrawChart(*command); });
    });
}

}  // namespace chart14

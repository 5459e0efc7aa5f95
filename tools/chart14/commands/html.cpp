// chart14 html FILE… [-o OUT.html | -o DIR/]: each chart as a page that pans
// and zooms in a browser (see html_render.hpp).
#include <CLI/CLI.hpp>
#include <memory>

#include "commands/chart14.hpp"
#include "commands/common.hpp"
#include "html/render.hpp"
#include "commands/picture_command.hpp"

namespace readdata14::chart14 {
namespace {

struct HtmlCommand {
    RunOptions run;
    std::string encoding;
};

FileResult WritePage(const Input& input, const HtmlCommand& command) {
    return DrawFile(input, command.run, command.encoding, [](const Chart& chart, const TextToUtf8& toUtf8) {
        return RenderHtml(chart, toUtf8);
    });
}

}  // namespace

void RegisterHtml(CLI::App& app, int& status) {
    auto command = std::make_shared<HtmlCommand>();
    CLI::App* html = app.add_subcommand(
        "html", "Write each chart as one HTML page that pans and zooms in a browser, offline");
    AddRunOptions(*html, command->run);
    AddEncodingOption(*html, command->encoding);
    html->callback([command, &status] {
        status = RunDecodingOverFiles("html", command->run, command->encoding, {".html", false, true},
                                      [command](const Input& input) { return WritePage(input, *command); });
    });
}

}  // namespace readdata14::chart14

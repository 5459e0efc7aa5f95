// chart14: look at, check and convert type-14 chart files. Each subcommand
// lives in a file of its own and adds itself to the command line through one
// Register function; main.cpp lists them. A subcommand's callback stores the
// process's exit status in `status`.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace readdata14::chart14 {

void RegisterInfo(CLI::App& app, int& status);
void RegisterJson(CLI::App& app, int& status);
void RegisterGeojson(CLI::App& app, int& status);
void RegisterCheck(CLI::App& app, int& status);
void RegisterSvg(CLI::App& app, int& status);
void RegisterHtml(CLI::App& app, int& status);
void RegisterLayers(CLI::App& app, int& status);
void RegisterDiff(CLI::App& app, int& status);

}  // namespace readdata14::chart14

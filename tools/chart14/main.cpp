#include <CLI/CLI.hpp>

#include "chart14.hpp"
#include "file_runner.hpp"
#include "readdata14/readdata14.h"

namespace {

using Register = void (*)(CLI::App&, int&);

// One entry per subcommand, in the order `chart14 --help` lists them.
constexpr Register kSubcommands[] = {
    readdata14::chart14::RegisterInfo,
    readdata14::chart14::RegisterJson,
    readdata14::chart14::RegisterGeojson,
    readdata14::chart14::RegisterCheck,
    readdata14::chart14::RegisterSvg,
    readdata14::chart14::RegisterLayers,
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"chart14 — look at, check and convert type-14 weather chart files", "chart14"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("chart14 " READDATA14_VERSION " (readdata14 library ") +
                                          readdata14_version() + ")");
    int status = readdata14::chart14::EXIT_CLEAN;
    for (const Register add : kSubcommands) add(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? readdata14::chart14::EXIT_CLEAN : readdata14::chart14::EXIT_UNREADABLE;
    }
    return status;
}

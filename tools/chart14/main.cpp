#include <CLI/CLI.hpp>

#include "chart14.hpp"
#include "file_runner.hpp"

namespace {

using Register = void (*)(CLI::App&, int&);

// One entry per subcommand, in the order `chart14 --help` lists them.
constexpr Register kSubcommands[] = {
    chart14::RegisterInfo,
    chart14::RegisterJson,
    chart14::RegisterGeojson,
    chart14::RegisterCheck,
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"chart14 — look at, check and convert type-14 weather chart files", "chart14"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "chart14 " READDATA14_VERSION);
    int status = chart14::EXIT_CLEAN;
    for (const Register add : kSubcommands) add(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? chart14::EXIT_CLEAN : chart14::EXIT_UNREADABLE;
    }
    return status;
}

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "commands/chart14.hpp"
#include "output/file_runner.hpp"
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
    readdata14::chart14::RegisterHtml,
    readdata14::chart14::RegisterLayers,
    readdata14::chart14::RegisterDiff,
};

// Help, the version or a usage error, written where CLI11 would have put
// them; a help that cannot be written (a full disk, a closed pipe) is a
// failed write like any other output.
int FinishParse(const CLI::App& app, const CLI::ParseError& error) {
    std::ostringstream out, err;
    const int code = app.exit(error, out, err);
    const std::string text = out.str(), messages = err.str();
    std::fwrite(messages.data(), 1, messages.size(), stderr);
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0 ||
        std::fclose(stdout) != 0) {
        std::fprintf(stderr, "chart14: cannot write standard output: %s\n",
                     errno != 0 ? std::strerror(errno) : "unknown error");
        return readdata14::chart14::EXIT_UNREADABLE;
    }
    return code == 0 ? readdata14::chart14::EXIT_CLEAN : readdata14::chart14::EXIT_UNREADABLE;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed pipe or a file grown past its limit is a failed write, said
    // as such (exit 2), not a death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"chart14 — look at, check and convert type-14 weather chart files", "chart14"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("chart14 " READDATA14_VERSION " (readdata14 library ") +
                                          readdata14_version() + ")");
    // Set before the subcommands are added: they take it over.
    app.footer(readdata14::chart14::EXIT_STATUS_HELP);
    int status = readdata14::chart14::EXIT_CLEAN;
    for (const Register add : kSubcommands) add(app, status);
    // Nothing asked: what can be asked, as --help says it, and the status of
    // a command line that is wrong.
    if (argc <= 1) {
        const std::string help = app.help();
        std::fwrite(help.data(), 1, help.size(), stderr);
        return readdata14::chart14::EXIT_UNREADABLE;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return FinishParse(app, error);
    }
    return status;
}

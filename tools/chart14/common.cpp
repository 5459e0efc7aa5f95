#include "common.hpp"

#include <CLI/CLI.hpp>
#include <cstring>
#include <memory>

namespace chart14 {

std::string DescribeStatus(readdata14::OpenStatus status) {
    switch (status) {
        case readdata14::OpenStatus::Read: return "read";
        case readdata14::OpenStatus::CannotOpen: return "cannot be opened";
        case readdata14::OpenStatus::NotType14: return "is not a type-14 chart (its header does not name type 14)";
        case readdata14::OpenStatus::OutOfMemory: return "cannot be read: out of memory";
        case readdata14::OpenStatus::HandlerFailed: return "was not read: the finding handler failed";
        case readdata14::OpenStatus::NotOpened: return "was not read";
    }
    return "was not read";
}

bool OpenChart(const std::string& path, readdata14::Chart& chart, FileResult& result) {
    chart = readdata14::Chart::Open(path);
    if (chart) return true;
    std::string reason = DescribeStatus(chart.Status());
    if (chart.Status() == readdata14::OpenStatus::CannotOpen && chart.SystemError() != 0) {
        reason += std::string(" (") + std::strerror(chart.SystemError()) + ")";
    }
    result.err += "chart14: " + path + ": " + reason + "\n";
    result.status = EXIT_UNREADABLE;
    return false;
}

void AddEncodingOption(CLI::App& command, std::string& encoding) {
    command.add_option("--encoding", encoding,
                       "Code page of the chart's texts (an iconv name such as CP1252 or GBK); default UTF-8");
}

std::string EscapedTextsNote(const std::string& path, const std::string& encoding) {
    std::string note = "chart14: " + path + ": some text bytes are not ";
    note += encoding.empty() ? "UTF-8" : encoding;
    note += "; they are written as \\xNN";
    if (encoding.empty()) note += " (name the file's code page with --encoding)";
    return note + "\n";
}

void RegisterChartWriter(CLI::App& app, int& status, const std::string& name, const std::string& description,
                         ChartWriter write) {
    struct Options {
        std::string file;
        std::string encoding;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("file", options->file, "Chart file")->required();
    AddEncodingOption(*command, options->encoding);
    command->callback([options, write, &status] {
        status = RunOverFiles({options->file}, {1},
                              [&](const std::string& path) { return write(path, options->encoding); });
    });
}

}  // namespace chart14

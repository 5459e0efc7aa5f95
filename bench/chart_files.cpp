#include "chart_files.hpp"

#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace readdata14::bench {
namespace {

// The generator is the project's own; its path comes from the build. Setting
// READDATA14_MAKE_CHART runs another command with the same arguments.
std::string GeneratorCommand() {
    if (const char* override = std::getenv("READDATA14_MAKE_CHART")) return override;
    return READDATA14_MAKE_CHART;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''"; else quoted += c;
    }
    return quoted + "'";
}

void MakeChart(const std::filesystem::path& path, int megabytes, int contours) {
    std::ostringstream command;
    command << Quoted(GeneratorCommand()) << " --size-mb " << megabytes << " --contours " << contours
            << " --seed 14 -o " << Quoted(path.string());
    if (std::system(command.str().c_str()) != 0 || !std::filesystem::exists(path)) {
        throw std::runtime_error("chart generation failed: " + command.str());
    }
}

}  // namespace

ChartFiles ChartFiles::Generate(const std::vector<int>& megabytes, int contours) {
    ChartFiles set;
    set.directory_ = std::filesystem::temp_directory_path() /
                     ("readdata14_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(set.directory_);
    for (int size : megabytes) {
        ChartFile file;
        file.name = std::to_string(size) + "MB";
        file.path = set.directory_ / ("chart_" + file.name + ".txt");
        MakeChart(file.path, size, contours);
        file.bytes = std::filesystem::file_size(file.path);
        set.files_.push_back(std::move(file));
    }
    return set;
}

ChartFiles::ChartFiles(ChartFiles&& other) noexcept
    : directory_(std::move(other.directory_)), files_(std::move(other.files_)) {
    other.directory_.clear();
}

ChartFiles::~ChartFiles() {
    if (directory_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::vector<int> BenchSizes() {
    const char* listed = std::getenv("READDATA14_BENCH_SIZES");
    std::istringstream in(listed != nullptr ? listed : "1,10,100");
    std::vector<int> sizes;
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) sizes.push_back(std::stoi(item));
    }
    return sizes;
}

}  // namespace readdata14::bench

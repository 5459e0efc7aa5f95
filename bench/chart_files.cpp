#include "chart_files.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
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

// Isobars and ordinary lines of 32 points; the generator still gives long
// fronts and rings their hundreds of points, so the bulk of a chart is long
// lines, weather regions and fill areas.
constexpr int kPoints = 32;

std::uintmax_t MakeChart(const std::filesystem::path& path, double scale, int contours) {
    std::ostringstream command;
    command.precision(6);
    command << Quoted(GeneratorCommand()) << " --seed 14 --points " << kPoints << " --size-mb "
            << std::fixed << scale << " --contours " << contours << " -o " << Quoted(path.string());
    if (std::system(command.str().c_str()) != 0 || !std::filesystem::exists(path)) {
        throw std::runtime_error("chart generation failed: " + command.str());
    }
    return std::filesystem::file_size(path);
}

// The generator scales every section with --size-mb, then sets the contour
// count, which adds a roughly fixed amount. Two small probes estimate both
// parts; the chart is then made at the scale they give and remade once or
// twice, rescaled by what it came to, until it lies within 5% of the plan.
std::uintmax_t MakeChartOfSize(const std::filesystem::path& path, const ChartPlan& plan) {
    const double one = static_cast<double>(MakeChart(path, 1.0, plan.contours));
    const double two = static_cast<double>(MakeChart(path, 2.0, plan.contours));
    const double perScale = two - one;
    const double fixed = one - perScale;
    if (!(perScale > 0.0)) throw std::runtime_error("the generator's charts do not grow with --size-mb");
    const double target = plan.megabytes * 1e6;
    double scale = std::max(0.05, (target - fixed) / perScale);
    std::uintmax_t bytes = MakeChart(path, scale, plan.contours);
    for (int retry = 0; retry < 2 && std::fabs(static_cast<double>(bytes) / target - 1.0) > 0.05; ++retry) {
        const double grown = static_cast<double>(bytes) - fixed;
        if (!(grown > 0.0)) break;
        scale = std::max(0.05, scale * (target - fixed) / grown);
        bytes = MakeChart(path, scale, plan.contours);
    }
    return bytes;
}

}  // namespace

ChartFiles ChartFiles::Generate(const std::vector<ChartPlan>& plans) {
    ChartFiles set;
    set.directory_ = std::filesystem::temp_directory_path() /
                     ("readdata14_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(set.directory_);
    for (const ChartPlan& plan : plans) {
        ChartFile file;
        file.name = std::to_string(plan.megabytes) + "MB";
        file.path = set.directory_ / ("chart_" + file.name + ".txt");
        file.contours = plan.contours;
        file.bytes = MakeChartOfSize(file.path, plan);
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

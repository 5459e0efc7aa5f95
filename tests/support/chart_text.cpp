#include "support/chart_text.hpp"

#include <atomic>
#include <cstdio>
#include <fstream>

#include "reading/text_input.hpp"

namespace readdata14::test {

std::string Header(std::string_view description) {
    return "readdata14 14 " + std::string(description) + "\n1 2 3 4 5\n";
}

std::string EmptySections() {
    return "LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\n"
           "STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n";
}

ChartStatus ReadText(std::string_view text, ChartData& chart, DiagnosticSink* sink) {
    // The scanner reads from the buffer; keep it alive for the read only.
    std::string bytes(text);
    ApplyTextMode(bytes);
    return ReadChart(bytes, chart, sink);
}

std::vector<float> Floats(const float* block, std::size_t count) {
    return block ? std::vector<float>(block, block + count) : std::vector<float>{};
}

TempFile::TempFile(std::string_view bytes) {
    static std::atomic<int> counter{0};
    path_ = (std::filesystem::temp_directory_path() /
             ("readdata14_test_" + std::to_string(counter++) + "_" +
              std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".txt"))
                .string();
    std::ofstream out(path_, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

}  // namespace readdata14::test

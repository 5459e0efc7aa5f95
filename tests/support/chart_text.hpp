// Small chart files for tests: builders for the header and sections, and
// reading a text through the driver.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "driver/chart_reader.hpp"

namespace readdata14::test {

// "readdata14 14 DESCRIPTION" and the line of five integers.
std::string Header(std::string_view description = "test_chart");

// Every section with the count 0, in file order, STATION_SITUATION included.
std::string EmptySections();

// The text of `text` after text mode, read through the driver.
ChartStatus ReadText(std::string_view text, ChartData& chart, DiagnosticSink* sink = nullptr);

// The first `count` floats of a block, for comparing with an expected list.
std::vector<float> Floats(const float* block, std::size_t count);

// A file that lives as long as the object, for tests of the C export.
class TempFile {
public:
    explicit TempFile(std::string_view bytes);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* Path() const { return path_.c_str(); }

private:
    std::string path_;
};

}  // namespace readdata14::test

// Reading a chart both ways (in memory and through the C export) in a test,
// with every output checked and the export's outputs released.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/chart_check.hpp"
#include "support/chart_text.hpp"

namespace readdata14::test {

// Reads `bytes` through the in-memory driver and the export, checks both
// and compares them; the export's outputs are released on destruction.
class BothReads {
public:
    explicit BothReads(std::string_view bytes) {
        ReadText(bytes, chart_);
        const TempFile file(bytes);
        exported_ = ReadExported(file.Path());
    }
    explicit BothReads(const char* path, std::string_view bytes) {
        ReadText(bytes, chart_);
        exported_ = ReadExported(path);
    }
    ~BothReads() { ReleaseExported(exported_); }
    BothReads(const BothReads&) = delete;
    BothReads& operator=(const BothReads&) = delete;

    const ChartData& Chart() const { return chart_; }

    void ExpectSound() const {
        EXPECT_EQ(CheckChart(ViewOf(chart_)), "") << "in memory";
        EXPECT_EQ(CheckChart(ViewOf(exported_)), "") << "through the export";
        EXPECT_EQ(CompareCharts(ViewOf(chart_), ViewOf(exported_)), "");
    }

private:
    ChartData chart_;
    ExportedChart exported_;
};

}  // namespace readdata14::test

// A read as a host sees it (the chart, the status and counts, every finding
// with its place), two of them compared, and the spoilt variants of a chart
// that reads taken two ways are compared over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/chart_reader.hpp"

namespace readdata14::test {

struct ReadOutcome {
    ChartData chart;
    ChartReadResult result;
    std::vector<std::string> findings;  // offset, kind and message of each
};

// Reads `source`; with `listen`, every finding is kept (options.onFinding is
// replaced by one that keeps them).
ReadOutcome ReadOutcomeOf(const ChartSource& source, ReadOptions options, bool listen = true);

// Empty when the two reads agree in everything a host can see.
std::string Differences(const ReadOutcome& one, const ReadOutcome& two);

// The chart as it is, cut short at a few places, and with bytes changed to
// ones that end, extend or break a number.
std::vector<std::string> Spoilt(const std::string& bytes, std::uint64_t seed);

// The files of a folder.
std::vector<std::string> FilesIn(const char* folder);
std::string FileBytes(const std::string& path);

}  // namespace readdata14::test

// The writer: a chart as a type-14 text that reads back to the same blocks,
// the header's fields and the sections present. The chart is checked whole
// before its first byte goes to the sink.
#pragma once

#include <cstdint>
#include <optional>

#include "writing/chart_input.hpp"
#include "writing/text_output.hpp"

namespace readdata14::writing {

struct WriteSettings {
    bool crlf = false;  // line ends CR LF
};

enum class WriteEnd {
    Written,
    NotWritable,  // `problem` says what
    SinkFailed,   // the sink refused bytes; it knows why
};

struct WriteOutcome {
    WriteEnd end = WriteEnd::Written;
    std::optional<Problem> problem;
    std::uint64_t bytesWritten = 0;
};

// Nothing when every value of the chart has a spelling; else the first problem.
std::optional<Problem> FindUnwritable(const ChartInput& chart);

// FindUnwritable, then the chart to the sink when it found nothing.
WriteOutcome WriteChart(const ChartInput& chart, const WriteSettings& settings, ByteSink& sink);

// The chart to the sink, for a chart FindUnwritable found nothing in.
WriteOutcome WriteCheckedChart(const ChartInput& chart, const WriteSettings& settings, ByteSink& sink);

}  // namespace readdata14::writing

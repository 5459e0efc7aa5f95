// Buffered text output for generated charts: numbers go through
// std::to_chars, so the bytes never depend on the locale and writing a
// hundred megabytes stays fast.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace readdata14::make_chart {

class ChartWriter {
public:
    // With a file, the buffer is flushed to it whenever it grows past a
    // megabyte; without one, everything stays in memory (see Text).
    explicit ChartWriter(std::FILE* out = nullptr);

    // A writer that only counts the bytes, for sizing a chart.
    static ChartWriter Counter();

    void Token(std::string_view token);  // the token and a blank
    void Int(std::int64_t value);        // the number and a blank
    void Fixed(double value, int decimals);  // the number and a blank
    void Point(double x, double y);      // "x y 0 ", two decimals
    void Raw(std::string_view text);     // as it stands, nothing after it
    void Newline();  // turns a trailing blank into the line break

    // Everything written so far, when there is no file.
    const std::string& Text() const { return buffer_; }
    std::uint64_t BytesWritten() const { return flushed_ + buffer_.size(); }

    // Writes what is buffered; false when the file refused a write.
    bool Flush();

private:
    void MaybeFlush();

    std::FILE* out_;
    std::string buffer_;
    std::uint64_t flushed_ = 0;
    bool failed_ = false;
    bool countOnly_ = false;
};

}  // namespace readdata14::make_chart

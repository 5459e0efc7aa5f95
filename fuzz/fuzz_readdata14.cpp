// libFuzzer target: arbitrary bytes as a chart file. Every input is read
// through the in-memory driver (text mode, then ReadChart) and through the C
// export from a file; every block either path hands back is walked by an
// independent checker to exactly the end of its allocation, both paths must
// agree, and everything is released (LeakSanitizer sees any leak).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/chart_reader.hpp"
#include "reading/text_input.hpp"
#include "support/chart_check.hpp"

namespace {

using readdata14::test::ChartView;

[[noreturn]] void Fail(const char* path, const std::string& problem) {
    std::fprintf(stderr, "fuzz_readdata14: %s: %s\n", path, problem.c_str());
    std::abort();
}

// The export reads a path: an in-memory file keeps the disk out of the loop.
// Made once per process and rewritten for every input.
class InputFile {
public:
    InputFile() {
        fd_ = memfd_create("fuzz_readdata14_chart", 0);
        if (fd_ < 0) Fail("memfd_create", "cannot create the input file");
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    const char* Write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) Fail("ftruncate", "cannot empty the input file");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t wrote = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (wrote <= 0) Fail("pwrite", "cannot write the input file");
            done += static_cast<std::size_t>(wrote);
        }
        return path_.c_str();
    }

private:
    int fd_ = -1;
    std::string path_;
};

ChartView ReadInMemory(const std::uint8_t* data, std::size_t size, readdata14::ChartData& chart) {
    std::string text(reinterpret_cast<const char*>(data), size);
    readdata14::ApplyTextMode(text);
    readdata14::ReadChart(text, chart);
    return readdata14::test::ViewOf(chart);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    readdata14::ChartData chart;
    const ChartView inMemory = ReadInMemory(data, size, chart);
    if (auto problem = readdata14::test::CheckChart(inMemory); !problem.empty()) Fail("ReadChart", problem);

    static InputFile file;
    auto exported = readdata14::test::ReadExported(file.Write(data, size));
    const ChartView viaExport = readdata14::test::ViewOf(exported);
    if (auto problem = readdata14::test::CheckChart(viaExport); !problem.empty()) {
        Fail("ReadZenparData14", problem);
    }
    if (auto problem = readdata14::test::CompareCharts(inMemory, viaExport); !problem.empty()) {
        Fail("ReadChart vs ReadZenparData14", problem);
    }
    readdata14::test::ReleaseExported(exported);
    return 0;
}

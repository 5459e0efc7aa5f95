// libFuzzer target: arbitrary bytes as a chart file. Every input is read
// through the in-memory driver (text mode, then ReadChart) and through the C
// export from a file; every block either path hands back is walked by an
// independent checker to exactly the end of its allocation, both paths must
// agree, and everything is released (LeakSanitizer sees any leak). The
// closed contours handed back are nested again, through the index and along
// the list, which must agree.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/nesting.hpp"
#include "driver/chart_reader.hpp"
#include "driver/text_input.hpp"
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

// The contours of a closed-contour block that CheckChart found sound, in
// the block's order (a reading order as good as any).
std::vector<readdata14::ContourNode> ContoursOfBlock(const float* block) {
    std::vector<readdata14::ContourNode> contours;
    std::size_t at = 1;
    for (std::size_t record = 0; record < static_cast<std::size_t>(block[0]); ++record) {
        readdata14::ContourNode& contour = contours.emplace_back();
        const auto n = static_cast<std::size_t>(block[at]);
        for (std::size_t k = 0; k < n; ++k) {
            const readdata14::Point point{block[at + 4 + 2 * k], block[at + 5 + 2 * k]};
            readdata14::ExtendBox(contour.box, point, k == 0);
            contour.points.push_back(point);
        }
        contour.value = block[at + 4 + 2 * n];
        at += 6 + 2 * n + 2 * static_cast<std::size_t>(block[at + 5 + 2 * n]);
    }
    return contours;
}

// The nesting through the index, with and without its first step along the
// list, against the walk along the list alone, which costs the square of the
// contours: sections of up to a thousand.
void CheckNesting(const float* block) {
    if (block == nullptr || block[0] > 1000.0f) return;
    const std::vector<readdata14::ContourNode> contours = ContoursOfBlock(block);
    const readdata14::Nesting alongTheList = readdata14::NestContoursOneByOne(contours);
    for (const std::size_t steps : {readdata14::kStepsAlongTheList, std::size_t{0}}) {
        const readdata14::Nesting indexed = readdata14::NestContours(contours, steps);
        if (indexed.order != alongTheList.order || indexed.directions != alongTheList.directions ||
            indexed.sectionDirection != alongTheList.sectionDirection) {
            Fail("NestContours", "the index and the walk along the list disagree");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    readdata14::ChartData chart;
    const ChartView inMemory = ReadInMemory(data, size, chart);
    if (auto problem = readdata14::test::CheckChart(inMemory); !problem.empty()) Fail("ReadChart", problem);
    CheckNesting(inMemory.closedContours);

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

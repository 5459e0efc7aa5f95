// libFuzzer target: arbitrary bytes as a chart file. Every input is read
// three ways: through the in-memory driver (text mode, then ReadChart),
// through the original C export from a file, and through readdata14_read_memory
// with its findings. Every block is walked by an independent checker to
// exactly its end (the allocation's, and the size the C API reports), the
// three must agree, every finding must stand where its line and column say in
// the file's own bytes with a printable message, and everything is released
// (LeakSanitizer sees any leak). The closed contours handed back are nested
// again, through the index and along the list, which must agree. And every
// input that reads is written (with LF or CR LF) and read again: the two
// documents must agree. No state a full read leaves is one the writer
// refuses (only a header-only read is), so every write must succeed.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/nesting.hpp"
#include "driver/chart_reader.hpp"
#include "readdata14/readdata14_write.h"
#include "reading/text_input.hpp"
#include "support/chart_check.hpp"
#include "support/document_compare.hpp"

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

// Each finding checked against the input's own bytes: its line and column
// follow from its offset, findings come in file order, and the message is
// printable ASCII whatever bytes the file holds.
struct FindingCheck {
    std::string_view bytes;
    std::uint64_t lastOffset = 0;
    std::uint32_t errors = 0;
    std::uint32_t warnings = 0;
};

void CheckFinding(const readdata14_finding* finding, void* context) {
    auto& check = *static_cast<FindingCheck*>(context);
    if (finding->offset > check.bytes.size()) Fail("finding", "offset past the end");
    if (finding->offset < check.lastOffset) Fail("finding", "not in file order");
    check.lastOffset = finding->offset;
    const std::string_view before = check.bytes.substr(0, static_cast<std::size_t>(finding->offset));
    const std::size_t lastBreak = before.rfind('\n');
    const std::uint64_t line = 1 + static_cast<std::uint64_t>(std::count(before.begin(), before.end(), '\n'));
    const std::uint64_t column = before.size() - (lastBreak == std::string_view::npos ? 0 : lastBreak + 1) + 1;
    if (finding->line != line || finding->column != column) Fail("finding", "line or column off its offset");
    if (finding->kind < READDATA14_FINDING_NOT_TYPE_14 || finding->kind > READDATA14_FINDING_NON_FINITE) {
        Fail("finding", "unknown kind");
    }
    const bool error = finding->kind < READDATA14_FINDING_TEXT_CUT_SHORT;
    if (finding->severity != (error ? READDATA14_ERROR : READDATA14_WARNING)) Fail("finding", "wrong severity");
    (error ? check.errors : check.warnings) += 1;
    const std::string_view message(finding->message);
    if (message.empty()) Fail("finding", "empty message");
    for (const char c : message) {
        if (c < 0x20 || c > 0x7e) Fail("finding", "a message byte that is not printable ASCII");
    }
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

// Read, write, read: the same document. The line ends follow the input's
// size, so that both kinds are fuzzed.
void CheckWriteRoundTrip(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kNothing = 0;
    readdata14_document* read = nullptr;
    const readdata14_status status = readdata14_open_memory(size == 0 ? &kNothing : data, size, nullptr, &read);
    if (status == READDATA14_READ) {
        readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
        if (size % 2 == 1) options.flags = READDATA14_WRITE_CRLF;
        readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
        void* written = nullptr;
        std::size_t writtenSize = 0;
        if (readdata14_write_memory(read, &options, &written, &writtenSize, &result) != READDATA14_WRITTEN) {
            Fail("readdata14_write_memory", result.message);
        }
        readdata14_document* again = nullptr;
        if (readdata14_open_memory(written, writtenSize, nullptr, &again) != READDATA14_READ) {
            Fail("readdata14_write_memory", "the chart written does not read");
        }
        if (auto problem = readdata14::test::CompareDocuments(*read, *again); !problem.empty()) {
            Fail("read, write, read", problem);
        }
        readdata14_close(again);
        readdata14_write_release(written);
    }
    readdata14_close(read);
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

    FindingCheck check{std::string_view(reinterpret_cast<const char*>(data), size)};
    readdata14_chart viaApi;
    const readdata14_status status = readdata14_read_memory(data, size, &viaApi, CheckFinding, &check);
    if (status != READDATA14_READ && status != READDATA14_NOT_TYPE_14) Fail("readdata14_read_memory", "status");
    if (check.errors != viaApi.errors || check.warnings != viaApi.warnings) {
        Fail("readdata14_read_memory", "finding counts differ from the findings");
    }
    const ChartView apiView = readdata14::test::ViewOf(viaApi);
    if (auto problem = readdata14::test::CheckChart(apiView); !problem.empty()) Fail("readdata14_read_memory", problem);
    if (auto problem = readdata14::test::CompareCharts(inMemory, apiView); !problem.empty()) {
        Fail("ReadChart vs readdata14_read_memory", problem);
    }
    readdata14_release(&viaApi);

    CheckWriteRoundTrip(data, size);
    return 0;
}

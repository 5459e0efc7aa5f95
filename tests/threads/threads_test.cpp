// Four threads share documents, for ThreadSanitizer (the tsan preset): the
// first requests of a document's layers from every thread at once, reads
// and writes of different charts and of one shared document, builders side
// by side, and large reads that take threads of their own. Each thread's
// results must equal those made on one thread.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"
#include "readdata14/readdata14_write.h"

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 25;

using Bytes = std::vector<char>;

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The sample and every chart of the test data.
std::vector<Bytes> Charts() {
    std::vector<Bytes> charts{FileBytes(READDATA14_SAMPLE_CHART)};
    for (const auto& entry : std::filesystem::directory_iterator(READDATA14_TEST_DATA)) {
        if (entry.path().extension() == ".txt") charts.push_back(FileBytes(entry.path()));
    }
    return charts;
}

readdata14_document* Open(const Bytes& bytes) {
    readdata14_document* document = nullptr;
    readdata14_open_memory(bytes.data(), bytes.size(), nullptr, &document);
    return document;
}

// The file the writer makes of `document`, or empty.
Bytes Written(const readdata14_document* document) {
    void* data = nullptr;
    std::size_t size = 0;
    if (readdata14_write_memory(document, nullptr, &data, &size, nullptr) != READDATA14_WRITTEN) return {};
    Bytes bytes(static_cast<char*>(data), static_cast<char*>(data) + size);
    readdata14_write_release(data);
    return bytes;
}

// Every layer's feature count and first coordinate, as a thread sees them,
// asked for from layer `first` on.
std::vector<double> LayerPrint(const readdata14_document* document, std::uint32_t first) {
    const std::uint32_t count = readdata14_layer_count();
    std::vector<double> print(2 * count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = (first + i) % count;
        const readdata14_layer* layer = readdata14_document_layer(document, id);
        if (layer == nullptr) return {};
        print[2 * id] = static_cast<double>(layer->featureCount);
        print[2 * id + 1] = layer->featureCount > 0 && layer->pointCounts[0] > 0 ? layer->coordinates[0] : 0.0;
    }
    return print;
}

std::atomic<int> failures{0};

void Expect(bool good, const char* what) {
    if (!good) {
        std::printf("FAIL %s\n", what);
        ++failures;
    }
}

// Runs `work(thread)` on four threads let go at the same moment.
void Together(const std::function<void(int)>& work) {
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            work(t);
        });
    }
    for (std::thread& thread : threads) thread.join();
}

// Every thread's first request for layers of a fresh document, each from a
// different layer, while the others read its blocks and write it.
void SharedDocuments(const std::vector<Bytes>& charts) {
    for (int round = 0; round < kRounds; ++round) {
        const Bytes& chart = charts[static_cast<std::size_t>(round) % charts.size()];
        readdata14_document* reference = Open(chart);
        const std::vector<double> expectedLayers = LayerPrint(reference, 0);
        const Bytes expectedFile = Written(reference);
        readdata14_document* shared = Open(chart);
        Together([&](int t) {
            if (t % 2 == 0) {
                Expect(LayerPrint(shared, static_cast<std::uint32_t>(t) * 3) == expectedLayers, "shared layers");
            } else {
                Expect(Written(shared) == expectedFile, "shared document written");
                Expect(LayerPrint(shared, static_cast<std::uint32_t>(t)) == expectedLayers, "shared layers late");
            }
        });
        readdata14_close(shared);
        readdata14_close(reference);
    }
}

// Each thread reads, lays out and writes charts of its own.
void DifferentCharts(const std::vector<Bytes>& charts) {
    std::vector<Bytes> expected;
    for (const Bytes& chart : charts) {
        readdata14_document* document = Open(chart);
        expected.push_back(Written(document));
        readdata14_close(document);
    }
    Together([&](int t) {
        for (int round = 0; round < kRounds; ++round) {
            const std::size_t i = static_cast<std::size_t>(t + round) % charts.size();
            readdata14_chart read;
            Expect(readdata14_read_memory(charts[i].data(), charts[i].size(), &read, nullptr, nullptr) ==
                       READDATA14_READ, "read");
            readdata14_release(&read);
            readdata14_document* document = Open(charts[i]);
            Expect(!LayerPrint(document, 0).empty(), "layers");
            Expect(Written(document) == expected[i], "written");
            readdata14_close(document);
        }
    });
}

// One builder per thread, each making the same chart.
Bytes Build(int elements) {
    readdata14_builder* builder = nullptr;
    if (readdata14_builder_new(&builder) != READDATA14_WRITTEN) return {};
    for (int i = 0; i < elements; ++i) {
        const float f = static_cast<float>(i);
        const float ring[] = {f, 0, f + 10, 0, f + 10, 10, f, 0};
        readdata14_labelled_line contour = READDATA14_LABELLED_LINE_INIT;
        contour.points = ring;
        contour.pointCount = 4;
        contour.label = 1000.0f + f;
        readdata14_builder_add_contour(builder, &contour, nullptr);
        readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
        symbol.type = 62;
        symbol.x = f;
        symbol.text = "Low";
        readdata14_builder_add_symbol(builder, &symbol, nullptr);
    }
    readdata14_document* document = nullptr;
    readdata14_builder_finish(builder, &document, nullptr);
    readdata14_builder_free(builder);
    Bytes bytes = Written(document);
    Expect(!LayerPrint(document, 3).empty(), "built layers");
    readdata14_close(document);
    return bytes;
}

void Builders() {
    const Bytes expected = Build(20);
    Expect(!expected.empty(), "built on one thread");
    Together([&](int) {
        for (int round = 0; round < kRounds / 5; ++round) Expect(Build(20) == expected, "built");
    });
}

// A chart above the size where a read takes threads: squares side by side,
// every tenth with a smaller one inside, so that the nesting has work.
Bytes LargeChart() {
    std::string text = "large 14 Squares\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\n";
    std::string contours;
    int count = 0;
    const auto square = [&](int x, int y, const char* low, const char* high, int value) {
        const std::string x0 = std::to_string(x) + low, x1 = std::to_string(x) + high;
        const std::string y0 = std::to_string(y) + low, y1 = std::to_string(y) + high;
        contours += "10 5 " + x0 + " " + y0 + " 0 " + x1 + " " + y0 + " 0 " + x1 + " " + y1 + " 0 " + x0 + " " +
                    y1 + " 0 " + x0 + " " + y0 + " 0 " + std::to_string(value) + " 0\n";
        ++count;
    };
    for (int i = 0; contours.size() < (std::size_t{9} << 20); ++i) {
        square(i % 400, i / 400, ".1", ".9", 1000 + i % 7 * 4);
        if (i % 10 == 0) square(i % 400, i / 400, ".3", ".7", 1004 + i % 7 * 4);
    }
    text += "CLOSED_CONTOURS: " + std::to_string(count) + "\n" + contours;
    return Bytes(text.begin(), text.end());
}

// Reads with threads of their own (numbers converted ahead, the nesting
// handed to a worker) on four threads at once, each as one thread reads it.
void ParallelReads() {
    const Bytes chart = LargeChart();
    readdata14_document* reference = Open(chart);
    const Bytes expected = Written(reference);
    readdata14_close(reference);
    Expect(!expected.empty(), "large chart written");
    Together([&](int t) {
        readdata14_options options = READDATA14_OPTIONS_INIT;
        options.threads = 2 + static_cast<std::uint64_t>(t % 2);
        readdata14_document* document = nullptr;
        Expect(readdata14_open_memory(chart.data(), chart.size(), &options, &document) == READDATA14_READ,
               "parallel read");
        Expect(Written(document) == expected, "parallel read written");
        readdata14_close(document);
    });
}

}  // namespace

int main() {
    const std::vector<Bytes> charts = Charts();
    SharedDocuments(charts);
    DifferentCharts(charts);
    Builders();
    ParallelReads();
    std::printf(failures == 0 ? "threads: every result equals the one-thread result\n" : "threads: %d failures\n",
                failures.load());
    return failures == 0 ? 0 : 1;
}

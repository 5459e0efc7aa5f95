#include "stdio_read.hpp"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "readdata14/format.hpp"

namespace readdata14::bench {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What every literal section reader does with what it converts: keeps it in
// a scratch array until the section ends.
class Sink {
public:
    explicit Sink(StdioTally& tally) : tally_(tally) {}
    void Number(double v) {
        values_.push_back(static_cast<float>(v));
        ++tally_.numbers;
    }
    void Text(const char* text) {
        tally_.checksum += static_cast<double>(std::strlen(text));
        ++tally_.tokens;
    }
    void EndSection() {
        for (float v : values_) tally_.checksum += static_cast<double>(v);
        values_.clear();
    }

private:
    StdioTally& tally_;
    std::vector<float> values_;
};

// "%s %d" and friends: the tag and the count, tested as the readers test them.
bool Header(std::FILE* f, const char* format, const char* tag, int& count) {
    char token[220];
    if (std::fscanf(f, format, token, &count) != 2) return false;
    return std::strcmp(token, tag) == 0;
}

void Points(std::FILE* f, Sink& sink, int count, const char* format) {
    for (int i = 0; i < count; ++i) {
        float x = 0, y = 0, z = 0;
        std::fscanf(f, format, &x, &y, &z);
        sink.Number(x);
        sink.Number(y);
    }
}

void Label(std::FILE* f, Sink& sink) {
    char label[100];
    std::fscanf(f, "%99s ", label);
    float v = 0;
    std::sscanf(label, "%f", &v);
    sink.Number(v);
}

void Lines(std::FILE* f, Sink& sink) {
    int n = 0;
    if (!Header(f, "%219s %d ", "LINES:", n)) return;
    for (int i = 0; i < n; ++i) {
        int code = 0, p = 0, m = 0;
        std::fscanf(f, " %d %d ", &code, &p);
        sink.Number(code);
        Points(f, sink, p, "%f %f %f ");
        Label(f, sink);
        std::fscanf(f, "%d ", &m);
        Points(f, sink, m, "%f %f %f");
    }
    sink.EndSection();
}

void LineSymbols(std::FILE* f, Sink& sink) {
    int n = 0;
    if (!Header(f, "%219s %d", "LINES_SYMBOL:", n)) return;
    char text[100];
    for (int i = 0; i < n; ++i) {
        int code = 0, dropped = 0, p = 0;
        std::fscanf(f, "%d %d %d", &code, &dropped, &p);
        sink.Number(code);
        Points(f, sink, p, "%f %f %f");
        std::fscanf(f, "%99s %d", text, &dropped);
    }
    sink.EndSection();
}

void Symbols(std::FILE* f, Sink& sink) {
    int n = 0;
    if (!Header(f, "%219s %d", "SYMBOLS:", n)) return;
    char text[180];
    for (int i = 0; i < n; ++i) {
        int type = 0;
        float x = 0, y = 0, z = 0, angle = 0;
        std::fscanf(f, "%d", &type);
        if (IsTextSymbolType(type)) {
            std::fscanf(f, "%f %f %f %179s", &x, &y, &z, text);
            sink.Text(text);
        } else {
            std::fscanf(f, "%f %f %f %f", &x, &y, &z, &angle);
            sink.Number(angle);
        }
        sink.Number(type);
        sink.Number(x);
        sink.Number(y);
    }
    sink.EndSection();
}

void ClosedContours(std::FILE* f, Sink& sink) {
    int n = 0;
    if (!Header(f, "%219s %d ", "CLOSED_CONTOURS:", n)) return;
    for (int i = 0; i < n; ++i) {
        int code = 0, p = 0, m = 0;
        std::fscanf(f, " %d %d ", &code, &p);
        sink.Number(code);
        Points(f, sink, p, "%f %f %f ");
        Label(f, sink);
        std::fscanf(f, "%d ", &m);
        Points(f, sink, m, "%f %f %f");
    }
    sink.EndSection();
}

void Regions(std::FILE* f, Sink& sink, int count) {
    for (int i = 0; i < count; ++i) {
        int code = 0, p = 0;
        std::fscanf(f, "%d %d", &code, &p);
        sink.Number(code);
        Points(f, sink, p, "%f %f %f");
    }
}

// True when the STATION_SITUATION marker and the WEATHER_REGION tag were found.
bool WeatherRegions(std::FILE* f, Sink& sink) {
    char token[20];
    if (std::fscanf(f, "%19s ", token) != 1 || std::strcmp(token, "STATION_SITUATION") != 0) return false;
    for (;;) {
        if (std::fscanf(f, "%19s ", token) != 1) return false;
        if (std::strcmp(token, "WEATHER_REGION:") == 0) break;
        sink.Text(token);
    }
    int n = 0;
    std::fscanf(f, "%d ", &n);
    Regions(f, sink, n);
    sink.EndSection();
    return true;
}

void FillAreas(std::FILE* f, Sink& sink) {
    int n = 0;
    char token[20];
    if (std::fscanf(f, "%19s %d ", token, &n) != 2 || std::strcmp(token, "FILLAREA:") != 0) return;
    for (int i = 0; i < n; ++i) {
        int code = 0, p = 0;
        std::fscanf(f, "%d %d", &code, &p);
        sink.Number(code);
        Points(f, sink, p, "%f %f %f");
        int v[15] = {};
        float f14 = 0;
        std::fscanf(f, "%d ", &v[0]);
        for (int k = 0; k < 3; ++k) {
            std::fscanf(f, "%d %d %d %d ", &v[1 + 4 * k], &v[2 + 4 * k], &v[3 + 4 * k], &v[4 + 4 * k]);
        }
        std::fscanf(f, "%f %d %d ", &f14, &v[13], &v[14]);
        for (int value : v) sink.Number(value);
        sink.Number(f14);
    }
    sink.EndSection();
}

void NoteText(std::FILE* f, Sink& sink, int length) {
    char text[200];
    if (length < 0 || length > 199) length = 0;
    text[0] = '\0';
    std::fgets(text, length + 1, f);
    sink.Text(text);
}

void Notes(std::FILE* f, Sink& sink) {
    int n = 0;
    if (!Header(f, "%219s %d", "NOTES_SYMBOL:", n)) return;
    for (int i = 0; i < n; ++i) {
        int type = 0;
        std::fscanf(f, "%d", &type);
        sink.Number(type);
        if (type != 48) continue;
        float x = 0, y = 0, z = 0, before = 0, six[6] = {};
        int first = 0, second = 0;
        std::fscanf(f, "%f %f %f %d ", &x, &y, &z, &first);
        NoteText(f, sink, first);
        std::fscanf(f, "%f  %d ", &before, &second);
        NoteText(f, sink, second);
        std::fscanf(f, "%f %f %f %f %f %f ", &six[0], &six[1], &six[2], &six[3], &six[4], &six[5]);
        sink.Number(x);
        sink.Number(y);
        sink.Number(before);
        for (float v : six) sink.Number(v);
    }
    sink.EndSection();
}

}  // namespace

bool ReadWithStdio(const char* path, StdioTally& tally) {
    File file(std::fopen(path, "r"));
    if (!file) return false;
    std::FILE* f = file.get();
    char first[100], description[100];
    int type = 0;
    if (std::fscanf(f, "%99s %d %99s  ", first, &type, description) != 3 || type != 14) return false;
    int skipped[5];
    std::fscanf(f, "%d %d %d %d %d ", &skipped[0], &skipped[1], &skipped[2], &skipped[3], &skipped[4]);

    Sink sink(tally);
    sink.Text(description);
    Lines(f, sink);
    LineSymbols(f, sink);
    Symbols(f, sink);
    ClosedContours(f, sink);
    if (WeatherRegions(f, sink)) FillAreas(f, sink);
    Notes(f, sink);
    return true;
}

}  // namespace readdata14::bench

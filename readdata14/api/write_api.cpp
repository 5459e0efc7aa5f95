// The C exports of readdata14_write.h: the writer behind a status and a
// result record, the three outputs (a path, memory, the host's sink) and the
// builder. Nothing thrown inside leaves a call.
#define READDATA14_BUILDING
#include "readdata14/readdata14_write.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

#include "api/document.hpp"
#include "driver/chart_reader.hpp"
#include "reading/reading_rules.hpp"
#include "writing/chart_builder.hpp"
#include "writing/chart_writer.hpp"

struct readdata14_builder {
    readdata14::writing::ChartBuilder chart;
};

namespace {

using readdata14::writing::ByteSink;
using readdata14::writing::ChartInput;
using readdata14::writing::Problem;
using readdata14::writing::WriteEnd;
using readdata14::writing::WriteOutcome;

// The host's sink threw: unwind to the call and report it there.
struct SinkThrew {};

// What a call came to, put into the host's record (no more of it than its
// `size` says).
struct Report {
    readdata14_status status = READDATA14_WRITTEN;
    int systemError = 0;
    const Problem* problem = nullptr;
    std::uint64_t bytes = 0;
    std::string_view message;
};

readdata14_status Tell(readdata14_write_result* result, const Report& report) noexcept {
    if (result == nullptr || result->size < sizeof result->size) return report.status;
    readdata14_write_result full = READDATA14_WRITE_RESULT_INIT;
    full.status = report.status;
    full.systemError = report.systemError;
    full.bytesWritten = report.bytes;
    std::string_view message = report.message;
    if (report.problem != nullptr) {
        full.section = report.problem->section;
        full.element = report.problem->element;
        message = report.problem->message;
    }
    const std::size_t shown = std::min(message.size(), sizeof full.message - 1);
    std::memcpy(full.message, message.data(), shown);
    full.message[shown] = '\0';
    const std::size_t size = result->size;
    std::memcpy(result, &full, std::min(size, sizeof full));
    result->size = size;
    return report.status;
}

readdata14_status Refuse(readdata14_write_result* result, readdata14_status status, std::string_view why) noexcept {
    Report report;
    report.status = status;
    report.message = why;
    return Tell(result, report);
}

// Runs `call`, turning what may be thrown inside into a status.
template <class Call>
readdata14_status Guarded(readdata14_write_result* result, Call&& call) noexcept {
    try {
        return call();
    } catch (const SinkThrew&) {
        return Refuse(result, READDATA14_CALLBACK_FAILED, "a C++ exception left the sink");
    } catch (...) {
        // Memory is all the writer spends: std::bad_alloc, or a container
        // refusing a size.
        return Refuse(result, READDATA14_OUT_OF_MEMORY, "out of memory");
    }
}

// The host's options with the defaults; nothing for a record too small to be one.
std::optional<readdata14_write_options> OptionsOf(const readdata14_write_options* given) noexcept {
    readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
    if (given == nullptr) return options;
    if (given->size < sizeof options) return std::nullopt;
    std::memcpy(&options, given, sizeof options);
    return options;
}

// The chart to write: the document with the options' header laid over it.
struct Prepared {
    ChartInput input;
    readdata14::writing::WriteSettings settings;
    std::optional<Problem> problem;
};

std::optional<Prepared> Prepare(const readdata14_document* document, const readdata14_write_options* given,
                                readdata14_write_result* result, readdata14_status& refused) {
    const auto options = OptionsOf(given);
    if (document == nullptr || !options) {
        refused = Refuse(result, READDATA14_INVALID_ARGUMENT, "a null document, or options whose size is not set");
        return std::nullopt;
    }
    if ((options->flags & READDATA14_WRITE_HEADER_INTEGERS) != 0 && options->headerIntegerCount > 5) {
        refused = Refuse(result, READDATA14_INVALID_ARGUMENT, "headerIntegerCount is above 5");
        return std::nullopt;
    }
    readdata14::writing::HeaderChoice header;
    if (options->firstToken != nullptr) header.firstToken = std::string_view(options->firstToken);
    if (options->description != nullptr) header.description = std::string_view(options->description);
    if ((options->flags & READDATA14_WRITE_HEADER_INTEGERS) != 0) {
        header.integers = std::span<const std::int32_t>(given->headerIntegers, options->headerIntegerCount);
    }
    auto [input, problem] = readdata14::writing::InputOf(*document, header);
    Prepared prepared{input, {}, std::move(problem)};
    prepared.settings.crlf = (options->flags & READDATA14_WRITE_CRLF) != 0;
    return prepared;
}

// Writes to `sink`; `systemError` says why a sink refused.
readdata14_status Write(const Prepared& prepared, ByteSink& sink, const int& systemError,
                        readdata14_write_result* result, bool checked = false) {
    Report report;
    if (prepared.problem) {
        report.status = READDATA14_NOT_WRITABLE;
        report.problem = &*prepared.problem;
        return Tell(result, report);
    }
    const WriteOutcome outcome = checked ? readdata14::writing::WriteCheckedChart(prepared.input, prepared.settings, sink)
                                         : readdata14::writing::WriteChart(prepared.input, prepared.settings, sink);
    report.bytes = outcome.bytesWritten;
    report.problem = outcome.problem ? &*outcome.problem : nullptr;
    switch (outcome.end) {
        case WriteEnd::Written: report.status = READDATA14_WRITTEN; break;
        case WriteEnd::NotWritable: report.status = READDATA14_NOT_WRITABLE; break;
        case WriteEnd::SinkFailed:
            report.status = READDATA14_CANNOT_WRITE;
            report.systemError = systemError;
            report.message = "the output refused the bytes";
            break;
    }
    return Tell(result, report);
}

// ---- the three outputs ------------------------------------------------------

class FileSink final : public ByteSink {
public:
    explicit FileSink(std::FILE* file) noexcept : file_(file) {}
    bool Put(std::string_view bytes) override {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return true;
        error = errno != 0 ? errno : EIO;
        return false;
    }
    int error = 0;

private:
    std::FILE* file_;
};

#ifdef _WIN32
std::wstring WideName(const char* path) {
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring name(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, name.data(), wide);
    return name;
}
#endif

std::FILE* CreateFile(const char* path) {
    errno = 0;
#ifdef _WIN32
    const std::wstring name = WideName(path);
    if (name.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return _wfopen(name.c_str(), L"wb");
#else
    return std::fopen(path, "wb");
#endif
}

void RemoveFile(const char* path) {
#ifdef _WIN32
    const std::wstring name = WideName(path);
    if (!name.empty()) _wremove(name.c_str());
#else
    std::remove(path);
#endif
}

// A buffer of the library's own (malloc), handed to the host whole.
class MemorySink final : public ByteSink {
public:
    ~MemorySink() override { std::free(data_); }
    bool Put(std::string_view bytes) override {
        if (bytes.size() > capacity_ - size_) {
            const std::size_t wanted = std::max(size_ + bytes.size(), capacity_ * 2);
            void* grown = std::realloc(data_, wanted);
            if (grown == nullptr) throw std::bad_alloc();
            data_ = static_cast<char*>(grown);
            capacity_ = wanted;
        }
        std::memcpy(data_ + size_, bytes.data(), bytes.size());
        size_ += bytes.size();
        return true;
    }
    void HandOver(void** data, std::size_t* size) noexcept {
        // An empty chart still gets a buffer the host can release.
        *data = data_ != nullptr ? data_ : std::malloc(1);
        *size = size_;
        data_ = nullptr;
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

class CallbackSink final : public ByteSink {
public:
    CallbackSink(readdata14_write_sink sink, void* context) noexcept : sink_(sink), context_(context) {}
    bool Put(std::string_view bytes) override {
        int verdict = 0;
        try {
            verdict = sink_(bytes.data(), bytes.size(), context_);
        } catch (...) {
            throw SinkThrew{};
        }
        if (verdict == 0) return true;
        error = verdict;
        return false;
    }
    int error = 0;

private:
    readdata14_write_sink sink_;
    void* context_;
};

// An in-memory file for the builder's finish.
class StringSink final : public ByteSink {
public:
    bool Put(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// ---- the builder --------------------------------------------------------------

readdata14_status Took(const std::optional<Problem>& problem, readdata14_write_result* result) {
    Report report;
    if (problem) {
        report.status = READDATA14_NOT_WRITABLE;
        report.problem = &*problem;
    }
    return Tell(result, report);
}

// The host's element record: not null, and at least as large as 1.2's.
template <class Record>
bool Usable(readdata14_builder* builder, const Record* record) noexcept {
    return builder != nullptr && record != nullptr && record->size >= sizeof(Record);
}

// `count` x, y pairs at `xy` (null only with no points).
std::optional<std::span<const float>> Pairs(const float* xy, std::size_t count) noexcept {
    if (count == 0) return std::span<const float>();
    if (xy == nullptr || count > SIZE_MAX / 2) return std::nullopt;
    return std::span<const float>(xy, 2 * count);
}

template <class Add>
readdata14_status AddElement(readdata14_builder* builder, bool usable, readdata14_write_result* result, Add&& add) {
    if (!usable) return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder or element, or an element whose size is not set");
    return Guarded(result, [&] { return add(builder->chart); });
}

std::optional<readdata14::writing::LabelledLine> LineOf(const readdata14_labelled_line& line) {
    const auto points = Pairs(line.points, line.pointCount);
    const auto labelPoints = Pairs(line.labelPoints, line.labelPointCount);
    if (!points || !labelPoints) return std::nullopt;
    return readdata14::writing::LabelledLine{line.code, *points, line.label, *labelPoints};
}

std::optional<readdata14::writing::PointList> ListOf(const readdata14_point_list& list) {
    const auto points = Pairs(list.points, list.pointCount);
    if (!points) return std::nullopt;
    readdata14::writing::PointList made{list.code, *points, {}};
    std::copy(std::begin(list.values), std::end(list.values), made.values.begin());
    return made;
}

std::optional<std::string_view> TextOf(const char* text) {
    return text == nullptr ? std::nullopt : std::optional<std::string_view>(text);
}

constexpr std::string_view kNullPoints = "points that are null while their count is not 0";

}  // namespace

// ---- writing a document -------------------------------------------------------

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_write(const readdata14_document* document,
                                                                              const char* path,
                                                                              const readdata14_write_options* options,
                                                                              readdata14_write_result* result) {
    if (path == nullptr) return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null path");
    return Guarded(result, [&] {
        readdata14_status refused = READDATA14_INVALID_ARGUMENT;
        const auto prepared = Prepare(document, options, result, refused);
        if (!prepared) return refused;
        // Checked before the file is touched: a chart that cannot be written
        // leaves whatever stood at the path.
        if (auto problem = prepared->problem ? prepared->problem : readdata14::writing::FindUnwritable(prepared->input)) {
            Report report;
            report.status = READDATA14_NOT_WRITABLE;
            report.problem = &*problem;
            return Tell(result, report);
        }
        std::FILE* file = CreateFile(path);
        if (file == nullptr) {
            Report report;
            report.status = READDATA14_CANNOT_WRITE;
            report.systemError = errno != 0 ? errno : ENOENT;
            report.message = "the file could not be created";
            return Tell(result, report);
        }
        FileSink sink(file);
        readdata14_status status = READDATA14_CANNOT_WRITE;
        try {
            status = Write(*prepared, sink, sink.error, result, true);
        } catch (...) {
            std::fclose(file);
            RemoveFile(path);
            throw;
        }
        errno = 0;
        const bool closed = std::fclose(file) == 0;
        if (status == READDATA14_WRITTEN && !closed) {
            Report report;
            report.status = READDATA14_CANNOT_WRITE;
            report.systemError = errno != 0 ? errno : EIO;
            report.message = "the file could not be closed";
            status = Tell(result, report);
        }
        if (status != READDATA14_WRITTEN) RemoveFile(path);
        return status;
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_write_memory(
    const readdata14_document* document, const readdata14_write_options* options, void** data, size_t* size,
    readdata14_write_result* result) {
    if (data == nullptr || size == nullptr) return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null data or size");
    *data = nullptr;
    *size = 0;
    return Guarded(result, [&] {
        readdata14_status refused = READDATA14_INVALID_ARGUMENT;
        const auto prepared = Prepare(document, options, result, refused);
        if (!prepared) return refused;
        MemorySink sink;
        const int noError = 0;
        const readdata14_status status = Write(*prepared, sink, noError, result);
        if (status == READDATA14_WRITTEN) sink.HandOver(data, size);
        if (status == READDATA14_WRITTEN && *data == nullptr) throw std::bad_alloc();
        return status;
    });
}

extern "C" READDATA14_API void READDATA14_CALL readdata14_write_release(void* data) { std::free(data); }

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_write_callback(
    const readdata14_document* document, readdata14_write_sink sink, void* context,
    const readdata14_write_options* options, readdata14_write_result* result) {
    if (sink == nullptr) return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null sink");
    return Guarded(result, [&] {
        readdata14_status refused = READDATA14_INVALID_ARGUMENT;
        const auto prepared = Prepare(document, options, result, refused);
        if (!prepared) return refused;
        CallbackSink host(sink, context);
        return Write(*prepared, host, host.error, result);
    });
}

extern "C" READDATA14_API float READDATA14_CALL readdata14_direction_from_angle(float angle) {
    return readdata14::DirectionFromAngle(angle);
}

// ---- the builder --------------------------------------------------------------

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_new(readdata14_builder** builder) {
    if (builder == nullptr) return READDATA14_INVALID_ARGUMENT;
    try {
        *builder = new readdata14_builder();
    } catch (...) {
        *builder = nullptr;
        return READDATA14_OUT_OF_MEMORY;
    }
    return READDATA14_WRITTEN;
}

extern "C" READDATA14_API void READDATA14_CALL readdata14_builder_free(readdata14_builder* builder) { delete builder; }

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_set_header(
    readdata14_builder* builder, const char* firstToken, const char* description, const int32_t* integers,
    size_t integerCount, readdata14_write_result* result) {
    if (builder == nullptr || (integers == nullptr && integerCount != 0)) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder, or null integers while their count is not 0");
    }
    return Guarded(result, [&] {
        const std::span<const std::int32_t> given(integers, integers == nullptr ? 0 : integerCount);
        return Took(builder->chart.SetHeader(TextOf(firstToken), TextOf(description), given), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_line(
    readdata14_builder* builder, const readdata14_labelled_line* line, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, line), result, [&](readdata14::writing::ChartBuilder& chart) {
        const auto made = LineOf(*line);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        return Took(chart.AddLine(*made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_contour(
    readdata14_builder* builder, const readdata14_labelled_line* contour, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, contour), result, [&](readdata14::writing::ChartBuilder& chart) {
        const auto made = LineOf(*contour);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        return Took(chart.AddContour(*made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_line_symbol(
    readdata14_builder* builder, const readdata14_point_list* lineSymbol, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, lineSymbol), result, [&](readdata14::writing::ChartBuilder& chart) {
        const auto made = ListOf(*lineSymbol);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        return Took(chart.AddLineSymbol(*made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_weather_region(
    readdata14_builder* builder, const readdata14_point_list* region, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, region), result, [&](readdata14::writing::ChartBuilder& chart) {
        const auto made = ListOf(*region);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        return Took(chart.AddWeatherRegion(*made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_fill_area(
    readdata14_builder* builder, const readdata14_point_list* area, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, area), result, [&](readdata14::writing::ChartBuilder& chart) {
        const auto made = ListOf(*area);
        if (!made) return Refuse(result, READDATA14_INVALID_ARGUMENT, kNullPoints);
        return Took(chart.AddFillArea(*made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_symbol(
    readdata14_builder* builder, const readdata14_symbol* symbol, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, symbol), result, [&](readdata14::writing::ChartBuilder& chart) {
        const readdata14::writing::Symbol made{symbol->type, symbol->x, symbol->y, symbol->direction,
                                               TextOf(symbol->text), symbol->dropped != 0};
        return Took(chart.AddSymbol(made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_note(
    readdata14_builder* builder, const readdata14_note* note, readdata14_write_result* result) {
    return AddElement(builder, Usable(builder, note), result, [&](readdata14::writing::ChartBuilder& chart) {
        readdata14::writing::Note made;
        made.type = note->type;
        made.x = note->x;
        made.y = note->y;
        made.value = note->value;
        std::copy(std::begin(note->trailing), std::end(note->trailing), made.trailing.begin());
        made.firstText = TextOf(note->firstText);
        made.secondText = TextOf(note->secondText);
        return Took(chart.AddNote(made), result);
    });
}

extern "C" READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_finish(
    const readdata14_builder* builder, readdata14_document** document, readdata14_write_result* result) {
    if (document != nullptr) *document = nullptr;
    if (builder == nullptr || document == nullptr) {
        return Refuse(result, READDATA14_INVALID_ARGUMENT, "a null builder or document");
    }
    return Guarded(result, [&] {
        // The chart goes through its file: the document is what a reader of
        // that file gets, nesting and levels worked out by the reader.
        StringSink file;
        const WriteOutcome outcome = readdata14::writing::WriteChart(builder->chart.Input(), {}, file);
        if (outcome.end != WriteEnd::Written) {
            Report report;
            report.status = READDATA14_NOT_WRITABLE;
            report.problem = outcome.problem ? &*outcome.problem : nullptr;
            return Tell(result, report);
        }
        readdata14::ChartSource source;
        source.bytes = file.text;
        const readdata14_status status = readdata14::OpenDocument(source, nullptr, document);
        if (status != READDATA14_READ) {
            // Only memory can fail a read of the builder's own file.
            readdata14_close(*document);
            *document = nullptr;
            throw std::bad_alloc();
        }
        Report report;
        report.status = status;
        report.bytes = file.text.size();
        Tell(result, report);
        return status;
    });
}

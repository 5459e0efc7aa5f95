// The C exports of readdata14_write.h that write a document: the writer
// behind a status and a result record, to a path, to memory or to the
// host's sink. Nothing thrown inside leaves a call.
#define READDATA14_BUILDING
#include "readdata14/readdata14_write.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

#include "api/write_results.hpp"
#include "reading/reading_rules.hpp"
#include "writing/chart_writer.hpp"

namespace {

using readdata14::api::Guarded;
using readdata14::api::Refuse;
using readdata14::api::Report;
using readdata14::api::SinkThrew;
using readdata14::api::Tell;
using readdata14::writing::ByteSink;
using readdata14::writing::ChartInput;
using readdata14::writing::Problem;
using readdata14::writing::WriteEnd;
using readdata14::writing::WriteOutcome;

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

std::FILE* CreateOutputFile(const char* path) {
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
        std::FILE* file = CreateOutputFile(path);
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


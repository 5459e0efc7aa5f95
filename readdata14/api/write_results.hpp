// What a call of the writer's C API came to, put into the host's result
// record, and the guard that keeps what is thrown inside from leaving a call.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "readdata14/readdata14_write.h"
#include "writing/chart_input.hpp"

namespace readdata14::api {

using writing::Problem;

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

inline readdata14_status Tell(readdata14_write_result* result, const Report& report) noexcept {
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
    if (shown > 0) std::memcpy(full.message, message.data(), shown);
    full.message[shown] = '\0';
    const std::size_t size = result->size;
    std::memcpy(result, &full, std::min(size, sizeof full));
    result->size = size;
    return report.status;
}

inline readdata14_status Refuse(readdata14_write_result* result, readdata14_status status, std::string_view why) noexcept {
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

}  // namespace readdata14::api

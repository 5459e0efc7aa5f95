// The writer's round trip, for tests: a chart read, written, and read again
// must give the same document; and writing that again gives the same bytes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "readdata14/readdata14_write.h"

namespace readdata14::test {

struct DocumentCloser {
    void operator()(readdata14_document* document) const { readdata14_close(document); }
};
using DocumentPtr = std::unique_ptr<readdata14_document, DocumentCloser>;

// The document of `bytes`; null when they are not a type-14 chart.
DocumentPtr OpenBytes(std::string_view bytes);

// What a write to memory came to.
struct Written {
    readdata14_status status = READDATA14_WRITTEN;
    std::string bytes;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
};
Written WriteToMemory(const readdata14_document& document, bool crlf = false,
                      const readdata14_write_options* options = nullptr);

// Empty when `document` comes back whole through the writer with both line
// ends, and the second write gives the first's bytes; else what went wrong.
std::string RoundTripProblem(const readdata14_document& document);

}  // namespace readdata14::test

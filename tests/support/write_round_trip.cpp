#include "support/write_round_trip.hpp"

#include "support/document_compare.hpp"

namespace readdata14::test {

DocumentPtr OpenBytes(std::string_view bytes) {
    readdata14_document* document = nullptr;
    const readdata14_status status = readdata14_open_memory(bytes.empty() ? "" : bytes.data(), bytes.size(), nullptr, &document);
    DocumentPtr owned(document);
    if (status != READDATA14_READ) owned.reset();
    return owned;
}

Written WriteToMemory(const readdata14_document& document, bool crlf, const readdata14_write_options* options) {
    readdata14_write_options defaults = READDATA14_WRITE_OPTIONS_INIT;
    if (options == nullptr) options = &defaults;
    readdata14_write_options chosen = *options;
    if (crlf) chosen.flags |= READDATA14_WRITE_CRLF;
    Written written;
    void* data = nullptr;
    std::size_t size = 0;
    written.status = readdata14_write_memory(&document, &chosen, &data, &size, &written.result);
    if (data != nullptr) written.bytes.assign(static_cast<const char*>(data), size);
    readdata14_write_release(data);
    return written;
}

std::string RoundTripProblem(const readdata14_document& document) {
    for (const bool crlf : {false, true}) {
        const std::string ends = crlf ? " (CR LF)" : " (LF)";
        const Written first = WriteToMemory(document, crlf);
        if (first.status != READDATA14_WRITTEN) return "not written" + ends + ": " + first.result.message;
        const DocumentPtr again = OpenBytes(first.bytes);
        if (!again) return "the written chart does not read" + ends;
        if (std::string problem = CompareDocuments(document, *again); !problem.empty()) return problem + ends;
        const Written second = WriteToMemory(*again, crlf);
        if (second.bytes != first.bytes) return "a second write gives other bytes" + ends;
    }
    return {};
}

}  // namespace readdata14::test

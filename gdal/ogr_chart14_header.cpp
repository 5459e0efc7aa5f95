// The header of a chart being written, item by item: each is checked by a
// builder of its own as it is set, so that the chart's builder takes it at
// the end.
#include <cstdlib>

#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {
namespace {

// "1,2,3": up to five integers of 32 bits; "" for none.
std::optional<std::vector<std::int32_t>> ParseIntegers(const char* text) {
    std::vector<std::int32_t> integers;
    const CPLStringList items(CSLTokenizeString2(text, ",", CSLT_STRIPLEADSPACES | CSLT_STRIPENDSPACES));
    for (int i = 0; i < items.size(); ++i) {
        char* end = nullptr;
        const long long value = std::strtoll(items[i], &end, 10);
        if (end == items[i] || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
        integers.push_back(static_cast<std::int32_t>(value));
    }
    if (integers.size() > 5) return std::nullopt;
    return integers;
}

// Takes `set` into `header` when a builder of its own takes it: nothing, or why not.
std::optional<std::string> TakeHeader(Header& header, Header set) {
    readdata14_builder* probe = nullptr;
    if (readdata14_builder_new(&probe) != READDATA14_WRITTEN) throw std::bad_alloc();
    const Builder owned(probe);
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    const std::int32_t none[1] = {0};
    const readdata14_status status = readdata14_builder_set_header(
        probe, set.firstToken ? set.firstToken->c_str() : nullptr, set.description ? set.description->c_str() : nullptr,
        set.integers ? set.integers->data() : none, set.integers ? set.integers->size() : 0, &result);
    if (status == READDATA14_OUT_OF_MEMORY) throw std::bad_alloc();
    if (status != READDATA14_WRITTEN) return std::string(result.message);
    if (set.firstToken) header.firstToken = std::move(set.firstToken);
    if (set.description) header.description = std::move(set.description);
    if (set.integers) header.integers = std::move(set.integers);
    return std::nullopt;
}

}  // namespace

bool IsHeaderItem(const char* key) {
    for (const char* item : HEADER_ITEMS) {
        if (EQUAL(key, item)) return true;
    }
    return false;
}

std::optional<std::string> SetHeaderItem(Header& header, const char* key, const char* value,
                                         const std::string& encoding) {
    Header set;
    if (EQUAL(key, "HEADER_INTEGERS")) {
        set.integers = ParseIntegers(value);
        if (!set.integers) return "up to five integers of 32 bits, comma-separated";
    } else {
        auto text = EncodeText(encoding, value);
        if (!text) return "it has a character that " + encoding + " has not";
        (EQUAL(key, "FIRST_TOKEN") ? set.firstToken : set.description) = std::move(*text);
    }
    return TakeHeader(header, std::move(set));
}

std::optional<std::string> SetHeaderBytes(Header& header, const char* key, const char* hex) {
    auto bytes = BytesOfHex(hex);
    if (!bytes) return "hexadecimal digits, two to a byte";
    if (bytes->find('\0') != std::string::npos) return "a NUL byte, which the header's texts cannot take here";
    Header set;
    (EQUAL(key, "FIRST_TOKEN") ? set.firstToken : set.description) = std::move(*bytes);
    return TakeHeader(header, std::move(set));
}

}  // namespace readdata14::ogr

#include "layers/metadata.hpp"

#include <array>
#include <charconv>
#include <string_view>

#include "readdata14/layers.hpp"

namespace readdata14::layers {
namespace {

// The shortest text that reads back to the same float.
std::string Shortest(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string Bytes(const char* bytes, std::size_t size) { return bytes != nullptr ? std::string(bytes, size) : std::string(); }

}  // namespace

Metadata::Metadata(const readdata14_document& d) {
    std::string integers;
    for (std::size_t i = 0; i < 5 && d.headerIntegerPresent[i]; ++i) {
        if (i > 0) integers += ',';
        integers += std::to_string(d.headerIntegers[i]);
    }
    std::string levels;
    for (std::size_t i = 0; i < d.levelCount; ++i) {
        if (i > 0) levels += ',';
        levels += Shortest(d.levels[i]);
    }
    static constexpr std::array<const char*, 8> KEYS = {"DESCRIPTION", "FIRST_TOKEN", "HEADER_INTEGERS", "LEVELS",
                                                        "LEVEL_ORDER", "FILL_AREAS_READ", "ERRORS", "WARNINGS"};
    values_ = {Bytes(d.chart.description, d.descriptionSize),
               Bytes(d.firstToken, d.firstTokenSize),
               std::move(integers),
               std::move(levels),
               d.levelOrder == 1 ? "rising" : d.levelOrder == 2 ? "falling" : "unknown",
               d.chart.fillAreas != nullptr ? "YES" : "NO",
               std::to_string(d.chart.errors),
               std::to_string(d.chart.warnings)};
    items_.reserve(KEYS.size());
    for (std::size_t i = 0; i < KEYS.size(); ++i) items_.push_back({KEYS[i], values_[i].c_str(), values_[i].size()});
}

// The rule itself is the public header's, which chart14 and GDAL use too.
std::string EscapeText(std::string_view bytes, bool escapeBackslash) { return Utf8OrEscaped(bytes, escapeBackslash); }

}  // namespace readdata14::layers

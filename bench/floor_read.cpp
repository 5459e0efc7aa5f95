#include "floor_read.hpp"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace readdata14::bench {
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsIntChar(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+'; }

bool LoadWhole(const char* path, std::string& bytes) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return false;
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "rb"));
    if (!file) return false;
    bytes.resize(size);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    return true;
}

void Convert(const char* begin, const char* end, bool integral, FloorTally& tally) {
    if (integral) {
        int value = 0;
        if (std::from_chars(begin + (*begin == '+'), end, value).ec == std::errc{}) {
            tally.checksum += value;
            ++tally.numbers;
            return;
        }
    } else {
        float value = 0;
        if (std::from_chars(begin, end, value).ec == std::errc{}) {
            tally.checksum += static_cast<double>(value);
            ++tally.numbers;
            return;
        }
    }
    ++tally.skipped;
}

}  // namespace

bool ReadFloor(const char* path, FloorTally& tally) {
    std::string bytes;
    if (!LoadWhole(path, bytes)) return false;
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at < end) {
        while (at < end && IsSpace(*at)) ++at;
        if (at == end) break;
        const char* const start = at;
        bool integral = true;
        while (at < end && !IsSpace(*at)) {
            integral = integral && IsIntChar(*at);
            ++at;
        }
        Convert(start, at, integral, tally);
    }
    return true;
}

}  // namespace readdata14::bench

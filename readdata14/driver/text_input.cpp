#include "driver/text_input.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace readdata14 {

std::optional<std::string> LoadFile(const char* path) {
    if (path == nullptr) return std::nullopt;
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "rb"));
    if (!file) return std::nullopt;

    // The size the file has now is only a hint (it may still grow or shrink
    // while we read), but it lets a whole file land in one allocation rather
    // than in doublings that hold up to three times the file at a time.
    std::string bytes;
    std::size_t chunk = 1 << 16;
    std::error_code unknown;
    if (const auto size = std::filesystem::file_size(path, unknown); !unknown && size < SIZE_MAX) {
        chunk = std::max(chunk, static_cast<std::size_t>(size) + 1);
    }
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + chunk);
        const std::size_t got = std::fread(bytes.data() + used, 1, chunk, file.get());
        bytes.resize(used + got);
        if (got < chunk) break;
        chunk = std::min<std::size_t>(chunk * 2, std::size_t{1} << 26);
    }
    // A directory opens on some platforms but reads nothing and fails.
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

void ApplyTextMode(std::string& bytes) {
    if (const auto eof = bytes.find('\x1a'); eof != std::string::npos) bytes.resize(eof);
    const auto firstCr = bytes.find('\r');
    if (firstCr == std::string::npos) return;
    std::size_t out = firstCr;
    for (std::size_t in = firstCr; in < bytes.size(); ++in) {
        if (bytes[in] == '\r' && in + 1 < bytes.size() && bytes[in + 1] == '\n') continue;
        bytes[out++] = bytes[in];
    }
    bytes.resize(out);
}

}  // namespace readdata14

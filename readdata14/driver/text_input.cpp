#include "driver/text_input.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace readdata14 {

std::optional<std::string> LoadFile(const char* path) {
    if (path == nullptr) return std::nullopt;
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "rb"));
    if (!file) return std::nullopt;

    std::string bytes;
    std::size_t chunk = 1 << 16;
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

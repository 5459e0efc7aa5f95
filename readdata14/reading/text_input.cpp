#include "reading/text_input.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace readdata14 {
namespace {

bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<std::string> LoadFile(const char* path, LoadError* error) {
    const auto fail = [error](int systemError) -> std::optional<std::string> {
        if (error != nullptr) error->systemError = systemError;
        return std::nullopt;
    };
    if (path == nullptr) return fail(EINVAL);
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    errno = 0;
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "rb"));
    if (!file) return fail(errno != 0 ? errno : ENOENT);

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
    if (std::ferror(file.get())) {
        std::error_code directory;
        return fail(std::filesystem::is_directory(path, directory) ? EISDIR : (errno != 0 ? errno : EIO));
    }
    return bytes;
}

void TextModeChanges::AddCrLf(std::size_t lineBreak) {
    if (!runs_.empty() && runs_.back().firstBreak + runs_.back().count == lineBreak) {
        ++runs_.back().count;
        return;
    }
    const std::size_t before = runs_.empty() ? 0 : runs_.back().before + runs_.back().count;
    runs_.push_back({lineBreak, 1, before});
}

std::size_t TextModeChanges::CarriageReturnsBefore(std::size_t lineBreaks) const noexcept {
    // The last run that starts before that many line breaks.
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), lineBreaks,
                                        [](std::size_t n, const Run& run) { return n <= run.firstBreak; });
    if (after == runs_.begin()) return 0;
    const Run& run = *(after - 1);
    return run.before + std::min(run.count, lineBreaks - run.firstBreak);
}

void ApplyTextMode(std::string& bytes, TextModeChanges* changes) {
    if (const auto eof = bytes.find('\x1a'); eof != std::string::npos) {
        if (changes != nullptr) {
            const auto content = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(eof) + 1, bytes.end(),
                                              [](char c) { return !IsSpace(c) && c != '\x1a'; });
            if (content != bytes.end()) changes->ctrlZBeforeContent = eof;
        }
        bytes.resize(eof);
    }
    const auto firstCr = bytes.find('\r');
    if (firstCr == std::string::npos) return;
    std::size_t out = firstCr;
    std::size_t lineBreaks = changes != nullptr ? static_cast<std::size_t>(std::count(
                                                      bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(firstCr), '\n'))
                                                : 0;
    for (std::size_t in = firstCr; in < bytes.size(); ++in) {
        if (bytes[in] == '\r' && in + 1 < bytes.size() && bytes[in + 1] == '\n') {
            if (changes != nullptr) changes->AddCrLf(lineBreaks);
            continue;
        }
        if (changes != nullptr && bytes[in] == '\n') ++lineBreaks;
        bytes[out++] = bytes[in];
    }
    bytes.resize(out);
}

}  // namespace readdata14

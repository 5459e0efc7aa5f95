#include "reading/text_input.hpp"

#include "reading/huge_pages.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace readdata14 {
namespace {

bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, Closer>;

#ifdef _WIN32
// A UTF-8 path opened through its UTF-16 name, so that a folder named in
// any script opens whatever the system's code page is.
std::FILE* OpenUtf8(const char* path) {
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (wide <= 0) {
        errno = ENOENT;
        return nullptr;
    }
    std::wstring name(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, name.data(), wide);
    return _wfopen(name.c_str(), L"rb");
}
#endif

File OpenForReading(const char* path, bool utf8Path) {
    errno = 0;
#ifdef _WIN32
    if (utf8Path) return File(OpenUtf8(path));
#else
    (void)utf8Path;
#endif
    return File(std::fopen(path, "rb"));
}

// What the open file is: a directory is refused before reading; a regular
// file's size sizes the buffer. FIFOs, devices and pipes have no size.
struct FileKind {
    bool directory = false;
    std::optional<std::uint64_t> regularSize;
};

FileKind KindOf(std::FILE* file) {
    FileKind kind;
#ifdef _WIN32
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0) return kind;
    kind.directory = (status.st_mode & _S_IFMT) == _S_IFDIR;
    if ((status.st_mode & _S_IFMT) == _S_IFREG) kind.regularSize = static_cast<std::uint64_t>(status.st_size);
#else
    struct stat status {};
    if (fstat(fileno(file), &status) != 0) return kind;
    kind.directory = S_ISDIR(status.st_mode);
    if (S_ISREG(status.st_mode)) kind.regularSize = static_cast<std::uint64_t>(status.st_size);
#endif
    return kind;
}

// Room for `size` bytes, in huge pages for a large file.
void ReserveForFile(std::string& bytes, std::size_t size) {
    if (bytes.capacity() >= size) return;
    bytes.reserve(size);
    AdviseHugePages(bytes.data(), bytes.capacity());
}

// Appends up to `want` bytes; the number read (fewer at the end or on error).
std::size_t ReadPiece(std::FILE* file, std::string& bytes, std::size_t want) {
    const std::size_t used = bytes.size();
    bytes.resize(used + want);
    const std::size_t got = std::fread(bytes.data() + used, 1, want, file);
    bytes.resize(used + got);
    return got;
}

// Where the first CR or Ctrl-Z byte stands, or `size`: one pass over a
// file that holds neither (nearly every file written on Linux), where a
// search for each would read it twice. Sixty-four bytes a step where the
// compiler has vector types.
std::size_t FirstCrOrCtrlZ(const char* data, std::size_t size) noexcept {
    std::size_t at = 0;
#if defined(__GNUC__)
    using Lanes = unsigned char __attribute__((vector_size(16)));
    Lanes cr;
    Lanes ctrlZ;
    std::memset(&cr, '\r', sizeof cr);
    std::memset(&ctrlZ, '\x1a', sizeof ctrlZ);
    constexpr std::size_t kStep = 4 * sizeof(Lanes);
    for (; size - at >= kStep; at += kStep) {
        Lanes lanes[4];
        std::memcpy(lanes, data + at, kStep);
        const auto hits = (lanes[0] == cr) | (lanes[0] == ctrlZ) | (lanes[1] == cr) | (lanes[1] == ctrlZ) |
                          (lanes[2] == cr) | (lanes[2] == ctrlZ) | (lanes[3] == cr) | (lanes[3] == ctrlZ);
        std::uint64_t halves[2];
        std::memcpy(halves, &hits, sizeof halves);
        if ((halves[0] | halves[1]) != 0) break;
    }
#endif
    while (at < size && data[at] != '\r' && data[at] != '\x1a') ++at;
    return at;
}

constexpr std::size_t kFirstPiece = std::size_t{1} << 16;
constexpr std::size_t kLargestPiece = std::size_t{1} << 26;

// The rest of a stream (a FIFO, a pipe, a device), appended to `bytes` once
// its end is seen; false when it runs to `cap` bytes in all. It is read in
// pieces of growing size, none filled before it is read into, and joined at
// the end: a stream that does not end (/dev/zero) costs the bound in memory
// and no more, where growing one buffer would hold the old and the new copy
// at each doubling; one that ends costs its size and a piece.
bool ReadStreamRest(std::FILE* file, std::string& bytes, std::uint64_t cap, std::size_t piece) {
    struct Piece {
        std::unique_ptr<char[]> data;
        std::size_t size;
    };
    std::vector<Piece> pieces;
    std::uint64_t total = bytes.size();
    for (;;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece, cap - total));
        if (want == 0) return false;
        std::unique_ptr<char[]> data(new char[want]);
        const std::size_t got = std::fread(data.get(), 1, want, file);
        total += got;
        if (got > 0) pieces.push_back({std::move(data), got});
        if (got < want) break;
        piece = std::min(piece * 2, kLargestPiece);
    }
    bytes.reserve(static_cast<std::size_t>(total));
    for (Piece& read : pieces) {
        bytes.append(read.data.get(), read.size);
        read.data.reset();
    }
    return true;
}


// The file opened and judged: a directory is refused, and so is a regular
// file larger than the bound, before a byte is read.
struct OpenedFile {
    File file;
    FileKind kind;
};

std::optional<OpenedFile> OpenChecked(const char* path, LoadError* error, const LoadLimits& limits) {
    const auto fail = [error](int systemError, bool tooLarge = false) -> std::optional<OpenedFile> {
        if (error != nullptr) *error = LoadError{systemError, tooLarge};
        return std::nullopt;
    };
    if (path == nullptr) return fail(EINVAL);
    File file = OpenForReading(path, limits.utf8Path);
    if (!file) return fail(errno != 0 ? errno : ENOENT);
    const FileKind kind = KindOf(file.get());
    if (kind.directory) return fail(EISDIR);
    if (kind.regularSize && *kind.regularSize > limits.maxBytes) return fail(0, true);
    return OpenedFile{std::move(file), kind};
}

std::optional<std::string> ReadOpened(std::FILE* file, const FileKind& kind, LoadError* error,
                                      const LoadLimits& limits) {
    const auto fail = [error](int systemError, bool tooLarge = false) -> std::optional<std::string> {
        if (error != nullptr) *error = LoadError{systemError, tooLarge};
        return std::nullopt;
    };
    // One byte beyond the limit tells a file that is too large.
    const std::uint64_t cap = limits.maxBytes == UINT64_MAX ? UINT64_MAX : limits.maxBytes + 1;
    const auto capped = [cap](std::uint64_t n) { return static_cast<std::size_t>(std::min<std::uint64_t>(n, cap)); };
    std::string bytes;
    // The first pieces are small, so that `enough` can end the read of a
    // large file that is not a chart after its first bytes; then a regular
    // file lands in one allocation, a stream in pieces joined at its end.
    // DecidedPrefix follows the same steps over a mapped file.
    std::size_t piece = kFirstPiece;
    bool deciding = static_cast<bool>(limits.enough);
    for (;;) {
        if (!deciding && !kind.regularSize) {
            if (!ReadStreamRest(file, bytes, cap, piece)) return fail(0, true);
            break;
        }
        std::size_t want = capped(bytes.size() + piece) - bytes.size();
        if (!deciding && kind.regularSize) {
            want = std::max(want, capped(*kind.regularSize + 1) - bytes.size());
            ReserveForFile(bytes, bytes.size() + want);
        }
        if (want == 0) break;
        const std::size_t got = ReadPiece(file, bytes, want);
        if (bytes.size() > limits.maxBytes) return fail(0, true);
        if (got < want) break;
        if (deciding) {
            if (limits.enough(bytes)) return bytes;
            deciding = bytes.size() < DECIDE_WITHIN;
        }
        piece = std::min(piece * 2, kLargestPiece);
    }
    if (std::ferror(file)) return fail(errno != 0 ? errno : EIO);
    return bytes;
}

// The bytes ReadOpened keeps of a regular file that holds `whole`: it asks
// `enough` with the same growing prefixes (each one a piece that came back
// full) and stops where it says yes.
std::size_t DecidedPrefix(std::string_view whole, const LoadLimits& limits) {
    if (!limits.enough) return whole.size();
    std::size_t have = 0;
    std::size_t piece = kFirstPiece;
    // A file within the bound never reaches the cap, so it plays no part.
    while (whole.size() - have >= piece) {
        have += piece;
        if (limits.enough(whole.substr(0, have))) return have;
        if (have >= DECIDE_WITHIN) break;
        piece = std::min(piece * 2, kLargestPiece);
    }
    return whole.size();
}

}  // namespace

std::optional<std::string> LoadFile(const char* path, LoadError* error, const LoadLimits& limits) {
    const std::optional<OpenedFile> opened = OpenChecked(path, error, limits);
    if (!opened) return std::nullopt;
    return ReadOpened(opened->file.get(), opened->kind, error, limits);
}

std::optional<ChartBytes> LoadChartBytes(const char* path, LoadError* error, const LoadLimits& limits) {
    const std::optional<OpenedFile> opened = OpenChecked(path, error, limits);
    if (!opened) return std::nullopt;
    const std::optional<std::uint64_t> size = opened->kind.regularSize;
    if (size && *size >= limits.mapFrom) {
        MappedFile mapped = MappedFile::Map(opened->file.get(), *size);
        if (mapped) {
            const std::size_t kept = DecidedPrefix({mapped.data(), mapped.size()}, limits);
            return ChartBytes(std::move(mapped), kept);
        }
    }
    std::optional<std::string> copied = ReadOpened(opened->file.get(), opened->kind, error, limits);
    if (!copied) return std::nullopt;
    return ChartBytes(std::move(*copied));
}

ChartBytes::ChartBytes(std::string bytes) noexcept : owned_(std::move(bytes)), size_(owned_.size()) {}

ChartBytes::ChartBytes(MappedFile mapped, std::size_t size) noexcept
    : kind_(Kind::Mapped), mapped_(std::move(mapped)), size_(std::min(size, mapped_.size())) {}

ChartBytes ChartBytes::Borrowed(std::string_view bytes) noexcept {
    ChartBytes borrowed;
    borrowed.kind_ = Kind::Borrowed;
    borrowed.borrowed_ = bytes.data();
    borrowed.size_ = bytes.size();
    return borrowed;
}

const char* ChartBytes::Data() const noexcept {
    switch (kind_) {
        case Kind::Mapped: return mapped_.data();
        case Kind::Borrowed: return borrowed_;
        case Kind::Owned: break;
    }
    return owned_.data();
}

char* ChartBytes::Writable() {
    if (kind_ == Kind::Mapped && mapped_.MakeWritable()) return mapped_.data();
    if (kind_ != Kind::Owned) {
        owned_.assign(Data(), size_);
        kind_ = Kind::Owned;
        mapped_ = MappedFile();
    }
    return owned_.data();
}

void ChartBytes::Resize(std::size_t size) {
    size_ = size;
    if (kind_ == Kind::Owned) owned_.resize(size);
}

std::string ChartBytes::TakeString() && {
    if (kind_ == Kind::Owned) return std::move(owned_);
    return std::string(View());
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

void ChartBytes::ApplyTextMode(TextModeChanges* changes) {
    const std::string_view bytes = View();
    const std::size_t first = FirstCrOrCtrlZ(bytes.data(), bytes.size());
    std::size_t eof = std::string_view::npos;
    std::size_t firstCr = std::string_view::npos;
    if (first < bytes.size()) {
        if (bytes[first] == '\x1a') {
            eof = first;
        } else {
            firstCr = first;
            eof = bytes.find('\x1a', first);
        }
    }
    if (eof != std::string_view::npos) {
        if (changes != nullptr) {
            const auto content = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(eof) + 1, bytes.end(),
                                              [](char c) { return !IsSpace(c) && c != '\x1a'; });
            if (content != bytes.end()) changes->ctrlZBeforeContent = eof;
        }
        Resize(eof);
    }
    // A CR is looked for before the Ctrl-Z only.
    if (firstCr == std::string_view::npos) return;
    // Only a file with CR LF line breaks is written to (or copied).
    const std::size_t size = size_;
    Resize(DropCarriageReturns(Writable(), size, firstCr, changes));
}

std::size_t ChartBytes::DropCarriageReturns(char* data, std::size_t size, std::size_t firstCr,
                                            TextModeChanges* changes) noexcept {
    std::size_t out = firstCr;
    std::size_t lineBreaks =
        changes != nullptr ? static_cast<std::size_t>(std::count(data, data + firstCr, '\n')) : 0;
    for (std::size_t in = firstCr; in < size; ++in) {
        if (data[in] == '\r' && in + 1 < size && data[in + 1] == '\n') {
            if (changes != nullptr) changes->AddCrLf(lineBreaks);
            continue;
        }
        if (changes != nullptr && data[in] == '\n') ++lineBreaks;
        data[out++] = data[in];
    }
    return out;
}

void ApplyTextMode(std::string& bytes, TextModeChanges* changes) {
    ChartBytes text(std::move(bytes));
    text.ApplyTextMode(changes);
    bytes = std::move(text).TakeString();
}

}  // namespace readdata14

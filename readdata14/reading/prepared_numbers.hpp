// The numbers of a large chart converted ahead, on other threads, while the
// reading walks the sections on its own. The text is cut into chunks; a
// worker finds the tokens that start in a chunk and converts each one the
// short way (ParsePlainDecimal) would take. The reading asks at the offset
// where it reads a number and takes the prepared value when there is one:
// the very value and length the short way gives there, since it was made by
// the same function from the same bytes. Everything else (a read inside a
// token, a number the short way leaves, a chunk no worker had started on
// when the reading got there) finds nothing and is converted where it
// stands, as with one thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "reading/numbers.hpp"

namespace readdata14 {

struct PreparedRead {
    // Threads in all, the reading's own included; 1: nothing is prepared.
    unsigned threads = 1;
    // Below this many bytes the threads cost more than they save (measured:
    // no gain at 8 MB, a gain from 16 MB on).
    std::size_t minBytes = std::size_t{8} << 20;
    // The bytes of one chunk: at most 2^24, as offsets within a chunk are
    // kept in 24 bits.
    std::size_t chunkBytes = std::size_t{1} << 20;
};

class PreparedNumbers {
public:
    // Starts the workers; the text must outlive this object. With fewer
    // threads than asked for (none could be started), or workers that lag
    // behind, the reading reads the chunks no worker has started on as one
    // thread does; it waits only for a chunk a worker is preparing.
    PreparedNumbers(std::string_view text, const PreparedRead& settings);
    ~PreparedNumbers();
    PreparedNumbers(const PreparedNumbers&) = delete;
    PreparedNumbers& operator=(const PreparedNumbers&) = delete;

    // The number the short way reads at `at`, when it was prepared. `at`
    // must not go back between calls (a read never does): the chunks
    // passed are released.
    std::optional<ParsedFloat> At(std::size_t at) {
        if (at - chunkBegin_ >= chunkSize_) [[unlikely]] {
            if (!EnterChunkOf(at)) return std::nullopt;
        }
        const std::uint32_t within = static_cast<std::uint32_t>(at - chunkBegin_);
        while (cursor_ != last_ && Start(*cursor_) < within) ++cursor_;
        if (cursor_ == last_ || Start(*cursor_) != within) return std::nullopt;
        return ParsedFloat{cursor_->value, cursor_->place & kLengthMask};
    }

    // The prepared number a read standing at `pos` takes next, when only the
    // white space counted in front of it lies between: found without
    // looking at the text, which the reading then need not touch. Where it
    // starts, or nothing (then At, after the white space, may still have
    // it). `pos` must not go back either.
    struct Next {
        std::size_t start;
        ParsedFloat number;
    };
    std::optional<Next> After(std::size_t pos) {
        if (pos - chunkBegin_ >= chunkSize_) [[unlikely]] {
            if (!EnterChunkOf(pos)) return std::nullopt;
        }
        const std::uint32_t within = static_cast<std::uint32_t>(pos - chunkBegin_);
        while (cursor_ != last_ && SpaceStart(*cursor_) < within) ++cursor_;
        if (cursor_ == last_ || SpaceStart(*cursor_) != within) return std::nullopt;
        return Next{chunkBegin_ + Start(*cursor_), ParsedFloat{cursor_->value, cursor_->place & kLengthMask}};
    }

    // Work of another kind for a worker, taken before any further chunk:
    // `task(context)` runs once on a worker thread (the reading converts
    // the chunks meanwhile). False when no worker runs to take it, or one
    // handed over earlier has not been taken yet.
    using Task = void (*)(void* context) noexcept;
    bool Hand(Task task, void* context) noexcept;

private:
    // A number that starts `place >> 8` bytes into its chunk and takes
    // `place & kLengthMask` characters (a short-way number has at most 20);
    // bits 5 to 7 count the white space right in front of it (at most
    // kLargestGap bytes of a longer run).
    struct Entry {
        std::uint32_t place;
        float value;
    };
    static constexpr std::uint32_t kLengthMask = 0x1F;
    static constexpr std::size_t kLargestGap = 7;
    static std::uint32_t Start(const Entry& entry) noexcept { return entry.place >> 8; }
    // Where the white space counted in front begins; rises from entry to
    // entry as Start does.
    static std::uint32_t SpaceStart(const Entry& entry) noexcept { return Start(entry) - ((entry.place >> 5) & 7u); }
    struct Chunk {
        std::vector<Entry> entries;
        bool claimed = false;  // a worker, or the reading itself, took it on
        bool ready = false;
    };

    bool EnterChunkOf(std::size_t at);
    void Prepare(std::size_t chunk) noexcept;
    // A passed chunk's entries go back to `spare_` (the lock held): fresh
    // buffers for every chunk would have the system clear their pages anew.
    void Recycle(std::size_t chunk) noexcept;
    void Work() noexcept;

    std::string_view text_;
    std::size_t chunkBytes_;
    std::size_t window_;  // chunks prepared ahead of the reading at most
    std::vector<Chunk> chunks_;

    // The reading's chunk: where it begins, its size (0 before the first),
    // and the entries not yet passed.
    std::size_t chunkBegin_ = 0;
    std::size_t chunkSize_ = 0;
    const Entry* cursor_ = nullptr;
    const Entry* last_ = nullptr;

    // Guards chunks_' flags, spare_, next_, reading_, stop_ and task_; a chunk's entries
    // belong to the one thread that claimed it until it is ready.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<Entry>> spare_;  // emptied buffers, capacity kept
    std::size_t next_ = 0;     // the first chunk no worker has looked at
    std::size_t reading_ = 0;  // the chunk the reading is in
    bool stop_ = false;
    Task task_ = nullptr;  // handed over, not yet taken
    void* taskContext_ = nullptr;
    bool patient_ = true;  // the reading waits for a chunk being prepared
    std::vector<std::thread> workers_;
};

}  // namespace readdata14

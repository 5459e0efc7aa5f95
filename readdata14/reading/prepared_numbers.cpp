#include "reading/prepared_numbers.hpp"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

namespace readdata14 {
namespace {

constexpr bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr std::size_t kLargestChunk = std::size_t{1} << 24;

// A worker prepares a chunk of 1 MB in about 2 ms.
constexpr std::chrono::milliseconds kLongestWait{20};

}  // namespace

PreparedNumbers::PreparedNumbers(std::string_view text, const PreparedRead& settings)
    : text_(text),
      chunkBytes_(std::clamp<std::size_t>(settings.chunkBytes, 1, kLargestChunk)),
      window_(4 * std::max(settings.threads, 1u)),
      chunks_((text.size() + chunkBytes_ - 1) / chunkBytes_) {
    // The reading's own thread is one of them.
    const std::size_t workers = std::min<std::size_t>(std::max(settings.threads, 1u), chunks_.size() + 1) - 1;
    workers_.reserve(workers);
    spare_.reserve(window_ + workers + 1);
    for (std::size_t i = 0; i < workers; ++i) {
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (const std::exception&) {
            break;  // fewer workers: the reading prepares what they leave
        }
    }
}

PreparedNumbers::~PreparedNumbers() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

// Every token that starts in the chunk, converted where the short way takes
// it. A token that runs on from the chunk before belongs to that chunk.
void PreparedNumbers::Prepare(std::size_t chunk) noexcept {
    const std::size_t begin = chunk * chunkBytes_;
    const std::size_t end = std::min(begin + chunkBytes_, text_.size());
    const char* const data = text_.data();
    const std::size_t size = text_.size();
    std::vector<Entry>& entries = chunks_[chunk].entries;
    std::size_t at = begin;
    if (at > 0) {
        while (at < end && !IsSpace(data[at - 1]) && !IsSpace(data[at])) ++at;
    }
    try {
        while (at < end) {
            const std::size_t spaceStart = at;
            while (at < end && IsSpace(data[at])) ++at;
            if (at == end) break;
            const ParsedFloat plain = ParsePlainDecimal({data + at, size - at});
            if (plain.length > 0 && plain.length <= kLengthMask) {
                // Only the last bytes of a longer run of white space (or of
                // one that began in the chunk before) are counted: all the
                // reading needs is that they are white space.
                const std::size_t gap = std::min<std::size_t>(at - spaceStart, kLargestGap);
                entries.push_back({static_cast<std::uint32_t>((at - begin) << 8 | gap << 5 | plain.length),
                                   plain.value});
                at += plain.length;  // the rest of the token, if any, is skipped below
            }
            while (at < size && !IsSpace(data[at])) ++at;
        }
    } catch (const std::exception&) {
        // Out of memory: the entries so far stand; the rest is read where
        // it stands.
    }
}

void PreparedNumbers::Work() noexcept {
    std::unique_lock lock(mutex_);
    for (;;) {
        // A worker stays until the end: a task may come after the last chunk.
        changed_.wait(lock, [this] {
            return stop_ || task_ != nullptr || (next_ < chunks_.size() && next_ < reading_ + window_);
        });
        if (task_ != nullptr) {
            const Task task = std::exchange(task_, nullptr);
            void* const context = taskContext_;
            lock.unlock();
            task(context);
            lock.lock();
            continue;
        }
        if (stop_) return;
        const std::size_t chunk = next_++;
        if (chunks_[chunk].claimed) continue;  // the reading took it on itself
        chunks_[chunk].claimed = true;
        if (!spare_.empty()) {
            chunks_[chunk].entries.swap(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();
        Prepare(chunk);
        lock.lock();
        chunks_[chunk].ready = true;
        // Prepared too late: the reading has passed it.
        if (chunk < reading_) Recycle(chunk);
        // The reading may be waiting for this very chunk.
        changed_.notify_all();
    }
}

bool PreparedNumbers::Hand(Task task, void* context) noexcept {
    {
        const std::lock_guard lock(mutex_);
        if (workers_.empty() || task_ != nullptr || stop_) return false;
        task_ = task;
        taskContext_ = context;
    }
    changed_.notify_all();
    return true;
}

void PreparedNumbers::Recycle(std::size_t chunk) noexcept {
    std::vector<Entry>& entries = chunks_[chunk].entries;
    entries.clear();
    if (entries.capacity() == 0) return;
    try {
        spare_.push_back(std::move(entries));
    } catch (const std::exception&) {
        std::vector<Entry>().swap(entries);
    }
    // A moved-from vector is empty; this makes it hold nothing as well.
    std::vector<Entry>().swap(entries);
}

// A chunk a worker is preparing is waited for: the worker started on it
// first and finishes first, where converting it again here would leave the
// worker a step behind at every chunk, preparing what the reading does not
// wait for. A chunk no worker has started on (a worker that lags, a loaded
// machine) the reading converts itself, as with one thread, and the workers
// go on past it; and so it does with every chunk once a wait has run out.
bool PreparedNumbers::EnterChunkOf(std::size_t at) {
    if (at >= text_.size() || (chunkSize_ > 0 && at < chunkBegin_)) return false;
    const std::size_t chunk = at / chunkBytes_;
    bool ready = false;
    {
        std::unique_lock lock(mutex_);
        // The chunks passed are of no more use; one still being prepared is
        // released by its worker.
        for (std::size_t passed = reading_; passed < chunk; ++passed) {
            if (chunks_[passed].ready) Recycle(passed);
        }
        reading_ = chunk;
        next_ = std::max(next_, chunk + 1);
        Chunk& entered = chunks_[chunk];
        if (!entered.claimed) {
            entered.claimed = true;
        } else if (patient_) {
            ready = changed_.wait_for(lock, kLongestWait, [&entered] { return entered.ready; });
            // A worker that takes this long is not running (a machine busy
            // with other work): from here on the reading waits for none.
            patient_ = ready;
        } else {
            ready = entered.ready;
        }
    }
    changed_.notify_all();
    chunkBegin_ = chunk * chunkBytes_;
    chunkSize_ = std::min(chunkBytes_, text_.size() - chunkBegin_);
    cursor_ = nullptr;
    last_ = nullptr;
    if (ready) {
        cursor_ = chunks_[chunk].entries.data();
        last_ = cursor_ + chunks_[chunk].entries.size();
    }
    return true;
}

}  // namespace readdata14

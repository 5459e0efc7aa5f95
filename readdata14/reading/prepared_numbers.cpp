#include "reading/prepared_numbers.hpp"

#include <algorithm>
#include <exception>

namespace readdata14 {
namespace {

constexpr bool IsSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr std::size_t kLargestChunk = std::size_t{1} << 24;

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
            while (at < end && IsSpace(data[at])) ++at;
            if (at == end) break;
            const ParsedFloat plain = ParsePlainDecimal({data + at, size - at});
            if (plain.length > 0) {
                entries.push_back({static_cast<std::uint32_t>((at - begin) << 8 | plain.length), plain.value});
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
        changed_.wait(lock, [this] { return stop_ || next_ >= chunks_.size() || next_ < reading_ + window_; });
        if (stop_ || next_ >= chunks_.size()) return;
        const std::size_t chunk = next_++;
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
    }
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

// The reading never waits for a worker: a chunk not yet prepared when the
// reading gets there (a worker that lags, a loaded machine) is read as with
// one thread, and the workers go on ahead of it.
bool PreparedNumbers::EnterChunkOf(std::size_t at) {
    if (at >= text_.size() || (chunkSize_ > 0 && at < chunkBegin_)) return false;
    const std::size_t chunk = at / chunkBytes_;
    bool ready = false;
    {
        const std::lock_guard lock(mutex_);
        // The chunks passed are of no more use; one still being prepared is
        // released by its worker.
        for (std::size_t passed = reading_; passed < chunk; ++passed) {
            if (chunks_[passed].ready) Recycle(passed);
        }
        reading_ = chunk;
        next_ = std::max(next_, chunk + 1);
        ready = chunks_[chunk].ready;
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

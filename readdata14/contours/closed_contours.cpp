// The CLOSED_CONTOURS section. Unlike the other sections it is held in memory
// until its last contour is read: every contour is related to every other one
// (nesting, rise/fall), and every record depends on the sorted levels.
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "contours/contour_reading.hpp"
#include "contours/contours.hpp"
#include "contours/levels.hpp"
#include "contours/nesting.hpp"

namespace readdata14 {

struct PendingContours::Work {
    std::vector<ContourNode> contours;
    std::vector<float> levelValues;
    // What working out gives.
    FloatBlock block;
    std::vector<std::uint32_t> filePositions;
    std::exception_ptr failure;
    // Set by the worker it was handed to, when it is done.
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
};

PendingContours::PendingContours() noexcept = default;
PendingContours::PendingContours(PendingContours&&) noexcept = default;

PendingContours ReadClosedContoursPending(Scanner& in) {
    PendingContours pending;
    const auto header = ReadSectionHeader(in, CLOSED_CONTOURS_TAG);
    if (!header) return pending;
    pending.work_ = std::make_unique<PendingContours::Work>();
    PendingContours::Work& work = *pending.work_;
    // Grown as contours are read: the declared count alone decides nothing.
    ReadElements(in, *header, {"CLOSED_CONTOURS", "contour"}, [&] {
        ContourNode node;
        const ContourRead read = ReadContour(in, node, work.levelValues);
        if (read.started) work.contours.push_back(std::move(node));
        return read.end;
    });
    return pending;
}

void PendingContours::WorkOut(Work& work) noexcept {
    try {
        const Nesting nesting = NestContours(work.contours);
        work.filePositions.assign(nesting.order.begin(), nesting.order.end());
        work.block = AssembleContourBlock(work.contours, nesting, std::move(work.levelValues));
    } catch (...) {
        work.failure = std::current_exception();
    }
    // The points are in the block now; released by the thread that used them.
    std::vector<ContourNode>().swap(work.contours);
}

void PendingContours::WorkOutHanded(void* work) noexcept {
    Work& handed = *static_cast<Work*>(work);
    WorkOut(handed);
    // Told under the lock: the reading frees the work once it sees `done`.
    const std::lock_guard lock(handed.mutex);
    handed.done = true;
    handed.changed.notify_all();
}

void PendingContours::Start(PreparedNumbers* workers) noexcept {
    if (!work_ || handed_ || workers == nullptr) return;
    handed_ = workers->Hand(&WorkOutHanded, work_.get());
}

void PendingContours::WaitForWorker() noexcept {
    if (!work_ || !handed_) return;
    std::unique_lock lock(work_->mutex);
    work_->changed.wait(lock, [this] { return work_->done; });
    handed_ = false;
}

PendingContours::~PendingContours() { WaitForWorker(); }

FloatBlock PendingContours::Finish(std::vector<std::uint32_t>* filePositions) {
    if (!work_) return nullptr;
    if (handed_) {
        WaitForWorker();
    } else {
        WorkOut(*work_);
    }
    const std::unique_ptr<Work> work = std::move(work_);
    if (work->failure) std::rethrow_exception(work->failure);
    if (filePositions != nullptr) *filePositions = std::move(work->filePositions);
    return std::move(work->block);
}

FloatBlock ReadClosedContours(Scanner& in, std::vector<std::uint32_t>* filePositions) {
    return ReadClosedContoursPending(in).Finish(filePositions);
}

}  // namespace readdata14

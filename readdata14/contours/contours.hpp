// The closed contours: read, nested, classified rise/fall, levelled.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "reading/blocks.hpp"
#include "reading/prepared_numbers.hpp"
#include "reading/scanner.hpp"

namespace readdata14 {

// "CLOSED_CONTOURS:" — the contour block in nesting order with the sorted
// level list after the last record. Null when the tag is wrong. With
// `filePositions`, also where each record's contour stood in the file (from
// 0), record by record: the nesting depends on the order of the file, so a
// writer needs it to give a chart back as it was.
FloatBlock ReadClosedContours(Scanner& in, std::vector<std::uint32_t>* filePositions = nullptr);

// The section read, its nesting and block still to be worked out: they
// depend on nothing after the section, so a reading with threads to spare
// has a worker of its own work them out while it reads the sections after.
class PendingContours {
public:
    PendingContours() noexcept;  // no section: Finish gives null
    PendingContours(PendingContours&&) noexcept;
    PendingContours& operator=(PendingContours&&) = delete;
    ~PendingContours();

    // Hands the nesting and the block to one of `workers`, when one takes
    // them; otherwise Finish works them out.
    void Start(PreparedNumbers* workers) noexcept;
    // The block, as ReadClosedContours gives it. Throws what working it out
    // threw (std::bad_alloc).
    FloatBlock Finish(std::vector<std::uint32_t>* filePositions = nullptr);

private:
    friend PendingContours ReadClosedContoursPending(Scanner& in);
    struct Work;
    static void WorkOut(Work& work) noexcept;
    static void WorkOutHanded(void* work) noexcept;
    void WaitForWorker() noexcept;

    std::unique_ptr<Work> work_;
    bool handed_ = false;
};

// Reads the section, leaving its nesting and block to PendingContours.
PendingContours ReadClosedContoursPending(Scanner& in);

}  // namespace readdata14

// An allocator that fails the n-th allocation on purpose: every operator new
// of the program, and the library's own malloc and realloc (routed here by
// the linker's --wrap), count while a window is open, and the n-th of them
// fails as if memory had run out. Allocations that the C runtime makes for
// itself (fopen's FILE) are not counted.
#pragma once

#include <cstdint>

namespace alloc_test {

// Opens a window in which the `failAt`-th allocation (from 1) fails; closes
// it when the object goes. Windows do not nest; one thread at a time.
class FailingWindow {
public:
    explicit FailingWindow(std::uint64_t failAt) noexcept;
    ~FailingWindow();
    FailingWindow(const FailingWindow&) = delete;
    FailingWindow& operator=(const FailingWindow&) = delete;
};

// Of the last window: the allocations asked for in it (the failed one
// included), and whether one failed.
std::uint64_t AllocationsSeen() noexcept;
bool FailureInjected() noexcept;

}  // namespace alloc_test

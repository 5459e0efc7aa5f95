#include "reading/huge_pages.hpp"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace readdata14 {

void AdviseHugePages(void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    // Below this the faults saved are too few to pay for the call.
    constexpr std::size_t kSmallest = std::size_t{4} << 20;
    if (data == nullptr || bytes < kSmallest) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace readdata14

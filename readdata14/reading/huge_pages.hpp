// Large buffers in huge pages where the system gives them on request
// (Linux): a 100 MB buffer then takes some fifty page faults instead of
// twenty-five thousand as it is first written. Advice only: the bytes are
// the same either way, and elsewhere it does nothing.
#pragma once

#include <cstddef>

namespace readdata14 {

// For the whole huge pages inside [data, data + bytes), not yet written;
// nothing for a buffer of a few MB or less.
void AdviseHugePages(void* data, std::size_t bytes) noexcept;

}  // namespace readdata14

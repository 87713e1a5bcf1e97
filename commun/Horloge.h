#pragma once

// A cheap monotonic clock in milliseconds. A pass reads it for every entry to decide whether to
// repaint; a resolution of a few milliseconds is plenty for that, and the coarse clock costs a
// fraction of the precise one.

#include <cstdint>
#include <ctime>

namespace platform {

inline std::int64_t millisecondesGrossieres() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
#else
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
#endif
    return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

} // namespace platform

#pragma once

// A cheap monotonic clock in milliseconds. A pass reads it for every entry to decide whether to
// repaint; a resolution of a few milliseconds is plenty for that, and the coarse clock costs a
// fraction of the precise one.

#include <QElapsedTimer>
#include <QtGlobal>

#include <ctime>

namespace platform {

inline qint64 millisecondesGrossieres() {
#if defined(Q_OS_LINUX) && defined(CLOCK_MONOTONIC_COARSE)
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
#else
    static const QElapsedTimer depuis = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return depuis.elapsed();
#endif
}

} // namespace platform

#pragma once

// Layout sizes are given in twips (1/1440 inch); the screen's logical resolution turns them into
// pixels.

#include <QWidget>

namespace platform {

inline int pixelsX(const QWidget* w, int twips) {
    return twips * w->logicalDpiX() / 1440;
}
inline int pixelsY(const QWidget* w, int twips) {
    return twips * w->logicalDpiY() / 1440;
}

} // namespace platform

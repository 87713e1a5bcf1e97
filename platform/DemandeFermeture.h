#pragma once

// While a modal box is up, Qt drops the window manager's requests to close the windows that the box
// blocks (the title bar's close button, a close from the task bar). A window that must still hear
// them, to end the work beneath the box, is told here.

#include <functional>

class QWidget;

namespace platform {

// Calls `demande` when the window system asks to close `fenetre` while a modal box blocks it; the
// request is not delivered otherwise. For as long as `fenetre` lives. Nothing where the window
// system keeps no such requests from Qt's view (the offscreen platform of the tests).
void suivreFermetureBloquee(QWidget* fenetre, std::function<void()> demande);

} // namespace platform

#pragma once

// A text field takes some Ctrl keys for its own editing, and the window's shortcut then does
// nothing: under X11's key bindings, Ctrl+E goes to the end of the field's line instead of
// extracting.

#include <QList>

class QAction;
class QWidget;

namespace raccourcis {

// Over `champ`, the shortcuts of `actions` win while their action is on.
void laisserPasser(QWidget* champ, const QList<QAction*>& actions);

} // namespace raccourcis

#pragma once

// Window titles that read whole in the window manager's decoration. A box is never narrower than
// its title: the toolkit sizes a box by its text and leaves the title to the decoration, which
// then shows "Erreur" as "E…r". A main window's title, which names an archive by its whole path,
// is shortened in the middle to the width of its title bar: the decoration would otherwise cut its
// end, where the archive's name is, or both ends when it centres the title (Qt's own on Wayland).
// The window keeps its whole title for itself (windowTitle()); the decoration gets the short one.

#include <QString>

class QApplication;

namespace platform {

// Watches every window of `application` from now on: each dialog gets the width its title needs
// when it shows, and each other window the title that its width lets the decoration show whole.
void garderTitresEntiers(QApplication& application);

// The least width, in pixels, of a window whose decoration shows `titre` whole, its buttons and
// borders included.
int largeurPourTitre(const QString& titre);

// `titre` as a window `largeur` pixels wide shows it whole: as it is when it fits, else shortened
// in the middle, its beginning and its end kept; in "PROGRAM : PATH", the path's middle, while the
// path keeps room for its two ends.
QString titreAbrege(const QString& titre, int largeur);

} // namespace platform

#pragma once

// What the window's process sets up before the first window, besides the locale and the time
// zone that it shares with its helper (Environnement.h).

class QApplication;

namespace demarrage {

// Qt's own French strings, so that standard buttons read "Annuler", "Ouvrir", "Oui".
void traductionsQt(QApplication& application);

} // namespace demarrage

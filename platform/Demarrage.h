#pragma once

// What the window's process sets up before the first window, besides the locale and the time
// zone that it shares with its helper (Environnement.h).

class QApplication;

namespace demarrage {

// Until the application is made: when Qt finds no display to draw on (no X server nor Wayland
// compositor reachable), one French line on the standard error and status 1, rather than Qt's
// English abort. What Qt says meanwhile is told once the display is found.
void direSiAucunAffichage();
void affichageTrouve();

// Qt's own French strings, so that standard buttons read "Annuler", "Ouvrir", "Oui".
void traductionsQt(QApplication& application);

} // namespace demarrage

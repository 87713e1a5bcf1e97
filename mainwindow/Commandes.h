#pragma once

// The window's own commands as its menus and Toolbar1 show them, found by tests and screen
// readers by their object names.

#include <QAction>

#include <array>

class QMainWindow;
class QToolBar;

struct Commandes {
    QAction* Mnu_Ouvrir = nullptr;
    QAction* Mnu_Fermer = nullptr;
    QAction* Mnu_Quitter = nullptr;
    QAction* Mnu_Extraire = nullptr;
    QAction* Mnu_Tester = nullptr;
    QAction* Mnu_Lister = nullptr;
    QAction* Mnu_APropos = nullptr;
    QAction* Mnu_Arreter = nullptr;
    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 6> boutons{}; // Toolbar1's buttons 1 to 6
    QAction* boutonArreter = nullptr;  // at the end of Toolbar1, while a pass runs

    // What needs an archive open: extract, test and list, in the menu and on Toolbar1.
    void activerArchive(bool actifs) const {
        for (QAction* a :
             {Mnu_Extraire, Mnu_Tester, Mnu_Lister, boutons[1], boutons[2], boutons[3]}) {
            a->setEnabled(actifs);
        }
    }
};

// The window's commands with their shortcuts, its menus and Toolbar1, made in `fenetre`: those that
// need an archive or a pass are off. What each does, the window connects.
Commandes creerCommandes(QMainWindow& fenetre);

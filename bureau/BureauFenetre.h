#pragma once

// The window at home on the desktop (BureauFenetre.cpp): Fichier › Propriétés and Archives
// récentes, and the names and descriptions that screen readers read.

#include <QObject>

class PasseFenetre;
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

class BureauFenetre final : public QObject {
public:
    // What the desktop asks of the window.
    class Fenetre {
    public:
        // Opens `chemin` as the open command does.
        virtual void ouvrirRecente(const QByteArray& chemin) = 0;

    protected:
        ~Fenetre() = default;
    };

    // The window's commands the desktop's follow: Propriétés is on while `extraire` is, Archives
    // récentes while `ouvrir` is (not in the middle of a pass), and comes before `fermer` in the
    // menu Fichier. `barre`'s buttons read as their captions. The properties shown are those of
    // `passe`'s last pass.
    BureauFenetre(QMainWindow* fenetre, QAction* extraire, QAction* ouvrir, QAction* fermer,
                  QToolBar* barre, const PasseFenetre& passe, Fenetre& demandes);

    void Mnu_Proprietes_Click();
    // Once an archive is listed, by whatever way it was opened.
    void retenirArchive();
    // Names what the window shows now; a panel that comes with a pass is named after it.
    void nommerPourLecteurs();

private:
    void remplirRecentes();

    QMainWindow* fenetre_;
    QToolBar* barre_;
    const PasseFenetre& passe_;
    Fenetre& demandes_;
    QAction* Mnu_Proprietes = nullptr;
    QMenu* Mnu_Recentes = nullptr;
};

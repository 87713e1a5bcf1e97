#pragma once

// Finding and taking entries in the window's list (PriseFenetre.cpp): the filter's bar and its
// count, sorting by a column, the rows chosen and what they give (an extraction of them alone,
// their text, a drag), the list saved, and one entry opened in the desktop's application for its
// type.

#include "Glisser.h"

#include <QObject>

#include <functional>
#include <vector>

class BarreFiltre;
class ListeMontree;
class ListeResultats;
class PanneauEtat;
class PasseFenetre;
class QAction;
class QLineEdit;
class QMainWindow;
class QTableView;

class PriseFenetre final : public QObject, private Glisser::Fenetre {
public:
    // What finding and taking ask of the window.
    class Fenetre {
    public:
        // Extracts the entries at `places` of the open archive into the current directory, their
        // rows into `lignes`, leaving the window's progress as the list left it.
        virtual void extraireEntrees(const std::vector<quint32>& places,
                                     ListeResultats& lignes) = 0;
        // The extract command, of the entries at `places` only: the folder box, then the pass.
        virtual void extraire(const std::vector<quint32>& places) = 0;
        // A panel of the status bar came or went: every panel is to read whole.
        virtual void montrerBarreEntiere() = 0;

    protected:
        ~Fenetre() = default;
    };

    // The commands go into `fenetre`'s menus Fichier and Action and the list's own menu; `vue`
    // shows `montree`, the rows of `modele`. What starts a pass is on while `extraire` is (an
    // archive open, no pass running); the count follows `passe`'s progress.
    PriseFenetre(QMainWindow* fenetre, QTableView* vue, ListeResultats& modele,
                 ListeMontree& montree, QAction* extraire, PasseFenetre& passe, Fenetre& demandes);

    void Mnu_Filtrer_Click();
    void Mnu_ExtraireSelection_Click();
    void Mnu_Copier_Click();
    void Mnu_EnregistrerListe_Click();
    // A double-click or Return on the row shown at `ligne`: a file is extracted alone into a
    // private folder and handed to the desktop's application for its type, unless it could run;
    // a folder filters the list to what it holds.
    void ouvrirLigne(int ligne);
    // The filter emptied and its bar closed, the keys back to the list.
    void fermerFiltre();
    QLineEdit* champFiltre() const;
    // Dragging the chosen rows out of the list.
    Glisser& glisser() { return glisser_; }

private:
    // Glisser::Fenetre
    bool passePossible() const override;
    // The ranks in the model of the rows chosen in the view, in the order shown.
    std::vector<int> rangsChoisis() const override;
    void extraireEntrees(const std::vector<quint32>& places, ListeResultats& lignes) override;

    void creerCommandes();
    // Keeps the rows chosen and the current one across `changement` of the rows shown.
    void garderSelection(const std::function<void()>& changement);
    void filtrer(const QString& texte);
    void trierPar(int colonne);
    void montrerTri();
    void priseActive();
    // No application took the entry `nom` at `place` of `archive`, opened: says so, and offers to
    // extract it while that archive is open and no pass runs.
    void refusOuverture(const QString& nom, quint32 place, const QString& archive);

    QMainWindow* fenetre_;
    QTableView* ListView1;
    ListeResultats& modele_;
    ListeMontree& montree_; // what ListView1 shows of modele_
    QAction* Mnu_Extraire;
    PasseFenetre& passe_;
    Fenetre& demandes_;
    QAction* Mnu_ExtraireSelection = nullptr;
    QAction* Mnu_EnregistrerListe = nullptr;
    QAction* Mnu_Copier = nullptr;
    QAction* Mnu_Filtrer = nullptr;
    QAction* Mnu_OuvrirLigne = nullptr;
    BarreFiltre* barreFiltre_ = nullptr; // under the list, from the first Ctrl+F
    PanneauEtat* compte_ = nullptr;      // "N sur M" while the list is filtered
    Glisser glisser_;
};

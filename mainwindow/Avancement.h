#pragma once

// What the status bar says of a pass: while an entry keeps the library busy, a bar with the
// entry's percentage and, for a test or an extraction whose total is known, the time left; after a
// test or an extraction, what became of its entries, in one line.

#include "RetourPasse.h"

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <vector>

class PanneauEtat;
class QStatusBar;
class QWidget;
class BarreAvancement;

class Avancement {
public:
    // Its bar and its line go at the right end of `barre`, whose `panneaux` make room for them.
    Avancement(QStatusBar* barre, std::vector<PanneauEtat*> panneaux);

    // `panneau`, added to the bar since, makes room too.
    void ajouterPanneau(PanneauEtat* panneau);
    // `temoin`, a panel shown now and then, has the panels make room while it shows, as the bar
    // does. placer() once it shows or hides.
    void ajouterTemoin(QWidget* temoin);
    void placer();

    // `total`: the bytes of every entry that the pass goes through, 0 when unknown. `selection`:
    // the pass takes only some entries and skips the others, whose decoding in a solid archive may
    // take most of its time: the bar then shows the whole pass.
    void debut(int mode, qint64 total, bool selection = false);
    void entree(qint64 taille);
    void sautee(qint64 taille); // an entry that the pass leaves out
    void octets(qint64 faits);  // of the current entry, so far
    void resultat(Resultat r);
    // At the window's pace while the pass runs; `boite`: a box waits for the user, and nothing
    // stands behind it.
    void actualiser(bool boite);
    void cacher();
    // The pass is over: a test or an extraction says what became of its entries.
    void fin(bool interrompue);
    void effacer(); // the archive is closed: nothing left to say

    // The line after a test or an extraction: "1 234 OK, 2 erreurs", or "Interrompu"; after the
    // extraction of a selection, out of `entrees` entries: "3 extraits sur 100 000".
    static QString bilan(int ok, int erreurs, int ignores, bool interrompue, int entrees = -1);
    // The time left, rounded up: "45 s restantes", "3 min restantes", "1 h 05 min restantes".
    static QString tempsRestant(qint64 secondes);

private:
    BarreAvancement* barre_;
    std::vector<PanneauEtat*> panneaux_;
    std::vector<QWidget*> temoins_;
    PanneauEtat* bilan_;
    int mode_ = 0;
    qint64 total_ = 0;
    bool selection_ = false;
    qint64 faitsAvant_ = 0; // bytes of the entries done before the current one
    qint64 taille_ = 0;     // of the current entry
    qint64 faits_ = 0;      // of the current entry
    bool ouverte_ = false;  // the current entry has no result yet
    QElapsedTimer passe_;
    QElapsedTimer entree_;
    int ok_ = 0;
    int erreurs_ = 0;
    int ignores_ = 0;
    int entrees_ = 0; // rows and skipped entries
};

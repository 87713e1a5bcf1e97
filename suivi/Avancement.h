#pragma once

// What the status bar says of a pass: for a test or an extraction whose work a listing told, a bar
// over the whole pass with the entries done and the time left; while an entry keeps the library
// busy, a bar with the entry's percentage; after a test or an extraction, what became of its
// entries, in one line, and after an extraction a link that shows its folder.

#include "RetourPasse.h"

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

class PanneauEtat;
class QLabel;
class QStatusBar;
class QWidget;
class BarreAvancement;

// What a pass goes through: its entries and their unpacked bytes.
struct Travail {
    qint64 entrees = 0;
    qint64 octets = 0;
};

class Avancement {
public:
    // Its bars and its line go at the right end of `barre`, whose `panneaux` make room for them.
    Avancement(QStatusBar* barre, std::vector<PanneauEtat*> panneaux);

    // `panneau`, added to the bar since, makes room too.
    void ajouterPanneau(PanneauEtat* panneau);
    // `temoin`, a panel shown now and then, has the panels make room while it shows, as the bars
    // do. placer() once it shows or hides.
    void ajouterTemoin(QWidget* temoin);
    void placer();

    // `aFaire`: what the pass goes through, when a listing told it. `selection`: the pass takes
    // only some entries and skips the others.
    void debut(int mode, std::optional<Travail> aFaire, bool selection = false);
    void entree(qint64 taille);
    void sautee(qint64 taille); // an entry that the pass leaves out
    void octets(qint64 faits);  // of the current entry, so far
    void resultat(Resultat r);
    // At the window's pace while the pass runs; `boite`: a box waits for the user, and nothing
    // stands behind it.
    void actualiser(bool boite);
    void cacher();
    // The pass is over: a test or an extraction says what became of its entries; an extraction
    // that extracted something into `dossier` offers to show it in the file manager.
    void fin(bool interrompue, const QString& dossier = {});
    void effacer(); // the archive is closed: nothing left to say
    QString texteBilan() const;
    QString dossierExtrait() const; // what the link shows; empty without it

    // The line after a test or an extraction of `mode`: "1 234 OK, 2 erreurs"; after the
    // extraction of a selection, out of `entrees` entries: "3 extraits sur 100 000"; stopped, what
    // was done all the same: "Interrompu : 42 955 extraits, 0 erreur".
    static QString bilan(int mode, int ok, int erreurs, int ignores, bool interrompue,
                         int entrees = -1);
    // The whole pass's bar, `fait` out of `aFaire` in `ms`: "1 234 sur 100 101", then the time
    // left once the pass has lasted long enough to tell its pace: " · 2 min restantes".
    static QString texteAvancement(int mode, const Travail& fait, const Travail& aFaire, qint64 ms);
    // How much of the pass is done, in thousandths: of the bytes, and of the entries as much as a
    // small file takes the library.
    static int millieme(int mode, const Travail& fait, const Travail& aFaire);
    // The time left, rounded up: "45 s restantes", "3 min restantes", "1 h 05 min restantes".
    static QString tempsRestant(qint64 secondes);

private:
    void terminerEntree(); // the current entry is done, with a result or not
    void montrerDossier();

    BarreAvancement* barrePasse_;
    BarreAvancement* barreEntree_;
    std::vector<PanneauEtat*> panneaux_;
    std::vector<QWidget*> temoins_;
    PanneauEtat* bilan_;
    QLabel* lien_; // "Ouvrir le dossier", after the line
    QString dossier_;
    int mode_ = 0;
    std::optional<Travail> aFaire_;
    bool selection_ = false;
    Travail fait_;         // the entries done, and their bytes
    qint64 taille_ = 0;    // of the current entry
    qint64 faits_ = 0;     // of the current entry
    bool ouverte_ = false; // the current entry is not done yet
    QElapsedTimer passe_;
    QElapsedTimer entree_;  // of the current entry, from the first actualiser() that saw it
    int entreesDatees_ = 0; // entrees_ when entree_ started
    int ok_ = 0;
    int erreurs_ = 0;
    int ignores_ = 0;
    int entrees_ = 0; // rows and skipped entries
};

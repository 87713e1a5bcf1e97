#pragma once

// One pass over one archive: open, comment, every header in archive order, close.

#include "ModuleRAR.h"

#include <QString>
#include <QtGlobal>

enum ModeTraitement : int {
    ModeExtraction = 0,
    ModeTest = 1,
    ModeListe = 2,
};

// The label of the third column while a pass of `mode` runs: "Extraction", "Test" or "Liste".
QString libelleMode(int mode);

inline const QString ResultatOK = QStringLiteral("OK");
// An entry not extracted: the user kept the file already there, or its name leads nowhere.
inline const QString ResultatIgnore = QStringLiteral("Ignoré");
// A link not made: the library found it unsafe, or it led outside the chosen folder and was
// removed.
inline const QString ResultatLienRefuse = QStringLiteral("Lien refusé");

// The answer to "replace the file that is already there?"; the "Tous" answers hold for the rest
// of the pass.
enum class Remplacement { Oui, OuiPourTous, Non, NonPourTous };

// What a pass writes and shows. The main window implements it; the benchmark's bare driver and the
// tests have their own. Rows are added at the top: the row just added is the one that `resultat`
// writes to.
class RetourPasse {
public:
    virtual ~RetourPasse() = default;

    virtual void commentaire(const QString& texte) = 0; // modal: returns once it was read
    virtual void montrerFenetre() = 0;
    virtual void enTeteResultat(const QString& libelle) = 0;
    virtual void nouvelleLigne(const QString& nom, qint64 taille) = 0;
    virtual void resultat(const QString& texte) = 0;
    virtual void entreeTerminee() = 0; // a chance to repaint
    // Asked before an entry is extracted over an existing file, `nom` being its stored name.
    // Keeping the user's file is the safe answer for a caller that cannot ask.
    virtual Remplacement remplacer(const QString& nom) {
        Q_UNUSED(nom);
        return Remplacement::Non;
    }
    // Shows the message and ends the program; never returns to the pass.
    [[noreturn]] virtual void erreurFatale(const QString& message) = 0;
};

// Where the library writes the entry stored as `nom`, relative to the current directory: it drops
// root and drive prefixes and ".." parts of stored names.
QString cheminExtrait(const QString& nom);

// Runs one pass in `mode` (ModeTraitement) over the archive at `chemin`. An empty password is
// never handed to the library.
void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourPasse& retour, int mode,
                    const QString& chemin, const QString& motDePasse);

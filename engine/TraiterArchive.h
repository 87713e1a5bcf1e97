#pragma once

// One pass over one archive: open, comment, every header in archive order, close.

#include "Messages.h"
#include "ModuleRAR.h"

#include <QString>
#include <QtGlobal>

#include <optional>

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

// What a pass writes and shows. In the helper process that runs the library it goes down a pipe;
// the window replays it from there. The benchmark's bare driver and the engine's tests have their
// own. Rows are added at the top: the row just added is the one that `resultat` writes to.
class RetourPasse {
public:
    virtual ~RetourPasse() = default;

    virtual void commentaire(const QString& texte) = 0; // modal: returns once it was read
    virtual void montrerFenetre() = 0;
    virtual void enTeteResultat(const QString& libelle) = 0;
    virtual void nouvelleLigne(const QString& nom, qint64 taille) = 0;
    virtual void resultat(const QString& texte) = 0;
    virtual void entreeTerminee() {}
    // Asked before an entry is extracted over an existing file, `nom` being its stored name.
    // Keeping the user's file is the safe answer for a caller that cannot ask.
    virtual Remplacement remplacer(const QString& nom) {
        Q_UNUSED(nom);
        return Remplacement::Non;
    }
    // The library is about to write the entry's file at `chemin`, relative to the current
    // directory: what is left there is partial until the entry's result comes.
    virtual void extractionDe(const QString& chemin) { Q_UNUSED(chemin); }
    // The bytes of the current entry that the library has tested or written so far.
    virtual void progression(qint64 octets) { Q_UNUSED(octets); }
    // The library needs the archive's password (`incorrect`: the one given last was wrong): what
    // the user typed, or nothing when the user gave up. A caller that cannot ask gives up.
    virtual std::optional<QString> motDePasse(bool incorrect) {
        Q_UNUSED(incorrect);
        return std::nullopt;
    }
    // Called at least every 50 ms while the window waits on the helper; false stops the pass.
    virtual bool patienter() { return true; }
    // The user gave up on the password: the pass stops there, with the rows so far, and no failure.
    virtual void abandon() {}
    // The pass stops there: the window shows the message of `echec` and ends the program.
    [[noreturn]] virtual void echec(const Messages::Echec& echec) = 0;
};

// Where the library writes the entry stored as `nom`, relative to the current directory: what
// follows the last "/../" of the name, without the "/", "./" and "../" at its start (on Windows,
// drive letters and server names too). Empty when nothing is left.
QString cheminExtrait(const QString& nom);

// Runs one pass in `mode` (ModeTraitement) over the archive at `chemin`, given as the bytes of its
// path on disk. An empty password is never handed to the library. Without `gardes` (for the tests
// of the sandbox), every entry goes to the library as it is, with no question and no link check.
void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourPasse& retour, int mode,
                    const QByteArray& chemin, const QString& motDePasse, bool avecGardes = true);

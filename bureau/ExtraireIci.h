#pragma once

// Where "Extraire ici" puts an archive's entries. The archive's shape cannot decide where to write
// among the user's own files: a lone ".bash_aliases" or ".config/autostart/x.desktop" written
// straight beside an archive lying in the home is a stranger's code run at the next login, and no
// question comes, since nothing is replaced. So the pass extracts into a new folder of its own
// beside the archive, and only then is what is on disk there published beside the archive under
// exactly one new name, never merged into a folder, never over anything.
//
// The archive's folder may be writable by others (a team's shared folder), who can rename or
// replace any name there between two calls. So every name there is looked up once: the folder is
// held open, the folder made for the pass is opened as soon as it is made and checked to be that
// one, and all that follows (the pass's destination, modes, publishing) goes through descriptors.
// Only the new names, which a rename that never replaces makes safe, and the emptied folder, which
// goes only while its name still leads to it, are named again.

#include <QByteArray>

#include <memory>

#include <sys/stat.h>

namespace ici {

class Note;

// The archive's name without what makes it an archive or one of a set: "photos.rar",
// "photos.part2.rar" and "photos.r07" give "photos". A name without it stays whole. Never hidden:
// the leading dots of ".config.rar" go, since the name may be that of a new folder in the home.
QByteArray nomDuJeu(const QByteArray& fichier);

// Whether the entry `fichier` bears the name of the set `jeu`: its name without its last extension
// is `jeu`, case included ("rapport.pdf" or "rapport" for the set "rapport").
bool porteLeNom(const QByteArray& fichier, const QByteArray& jeu);

// The folder that one "Extraire ici" extracts into, and its publishing.
class Preparation {
public:
    // In the folder at `dossier`, a new folder "NAME.korvane-XXXXXX" for the set named `nom`,
    // which only this user can enter (0700), and inside it the pass's destination; noted in the
    // journal folder `journal` (none when empty) until it is gone. Nothing when it cannot be made,
    // with the system's error in `erreur`, or 0 when what the new name led to was not the folder
    // just made.
    static std::unique_ptr<Preparation> creer(const QByteArray& dossier, const QByteArray& nom,
                                              const QByteArray& journal, int& erreur);
    ~Preparation();
    Preparation(const Preparation&) = delete;
    Preparation& operator=(const Preparation&) = delete;

    // The pass's destination, open: the helper's current directory.
    int destination() const { return destination_; }
    // The archive's folder, open.
    int dossier() const { return dossier_; }

    struct Publication {
        QByteArray nom{};     // that appeared beside the archive; empty: none
        bool dossier = false; // a folder, not a lone file
        int erreur = 0;       // what refused it; then nothing of the pass stays
    };
    // Looks at what is on disk in the destination, not at what the pass said. After a pass that
    // ended whole (`entier`), one visible regular file that bears the set's name, or one folder
    // (not a link) named as the set, moves beside the archive; anything else (several entries, a
    // hidden name, a link, another name, a name taken) stays in the destination, which becomes
    // "nom", "nom (2)", ... with the user's usual mode. What a pass that did not end whole
    // extracted becomes "nom (incomplet)", "nom (incomplet) (2)", ... whatever it is. Nothing is
    // ever replaced. An empty destination goes.
    Publication publier(bool entier);
    // Removes everything the pass made instead of publishing it.
    void jeter();

private:
    Preparation(int dossier, int attente, int destination, QByteArray temporaire, QByteArray nom,
                QByteArray court, std::unique_ptr<Note> note);
    // The destination with all it holds, then the emptied folder of the pass, then its note.
    void retirer();

    int dossier_;             // the archive's folder
    int attente_;             // the folder made for the pass there, 0700
    int destination_;         // inside it, the pass's destination
    struct stat identite_ {}; // of attente_
    QByteArray temporaire_;   // attente_'s name in the archive's folder
    QByteArray nom_;          // of the set
    QByteArray court_;        // the set's name cut to leave room for what names add to it
    std::unique_ptr<Note> note_;
};

} // namespace ici

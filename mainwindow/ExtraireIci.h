#pragma once

// Where "Extraire ici" puts an archive's entries. The archive's shape cannot decide where to write
// among the user's own files: a lone ".bash_aliases" or ".config/autostart/x.desktop" written
// straight beside an archive lying in the home is a stranger's code run at the next login, and no
// question comes, since nothing is replaced. So the pass extracts into a new folder of its own
// beside the archive, and only then is what is on disk there published beside the archive under
// exactly one new name, never merged into a folder, never over anything.

#include <QByteArray>

#include <memory>

namespace ici {

// The archive's name without what makes it an archive or one of a set: "photos.rar",
// "photos.part2.rar" and "photos.r07" give "photos". A name without it stays whole. Never hidden:
// the leading dots of ".config.rar" go, since the name may be that of a new folder in the home.
QByteArray nomDuJeu(const QByteArray& fichier);

// The folder that one "Extraire ici" extracts into, and its publishing.
class Preparation {
public:
    // A new folder (mkdtemp, so on the archive's file system, 0700) in `dossier`, for the set
    // named `nom`. Nothing when the folder refuses it: the user then chooses where to extract.
    static std::unique_ptr<Preparation> creer(const QByteArray& dossier, const QByteArray& nom);
    ~Preparation();
    Preparation(const Preparation&) = delete;
    Preparation& operator=(const Preparation&) = delete;

    // Its path, for the pass to extract into.
    const QByteArray& chemin() const { return chemin_; }

    // Looks at what is on disk in the folder, not at what the pass said: one visible regular
    // file, or one folder (not a link) named as the set, moves beside the archive; anything else
    // (several entries, a hidden name, a link, a folder of another name, a name taken) stays in
    // the folder, which becomes "nom", "nom (2)", ... with the user's usual mode. Nothing is ever
    // replaced. An empty folder goes. The name that appeared beside the archive, or nothing.
    QByteArray publier();

private:
    Preparation(int parent, QByteArray dossier, QByteArray nom, QByteArray temporaire);

    int parent_;            // the archive's folder, held open
    QByteArray chemin_;     // of the folder extracted into
    QByteArray nom_;        // of the set
    QByteArray temporaire_; // the folder's name in the archive's folder
};

} // namespace ici

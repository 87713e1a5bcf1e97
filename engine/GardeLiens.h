#pragma once

// Links met while extracting. The library checks each link's target by its name alone, so a link
// made through an earlier one ("e/f/g" -> "../..", then "e/f/z" -> "g/../x") can lead outside the
// chosen folder; and it opens an existing file where it is, following any link there, symbolic or
// hard. These guard the pass against both.

#include <QSet>
#include <QString>
#include <QStringList>

enum class LienParent {
    Aucun,  // no folder on the way is a link
    Retire, // one was, and is gone: nothing lies at the path any more
    Echec,  // one is, and could not be removed
};

// Removes the first symbolic link among the folders on the way to `chemin` (relative to the
// current directory), as the library does before it writes beneath one.
LienParent retirerLienParent(const QString& chemin);

// The symbolic links that one extraction pass made, none of which may lead outside its folder.
class LiensDeLaPasse {
public:
    // `dossier`: the folder the pass extracts into.
    explicit LiensDeLaPasse(const QString& dossier);

    // After the library processed an entry extracted at `chemin`; `redirection` when the archive
    // stores it as a link. Notes a symbolic link made there, then removes every link of the pass
    // that now leads out. Returns false for a link left out: refused by the library, or removed.
    bool accepter(const QString& chemin, bool redirection);

    // At the end of the pass, however it ends: a folder made after a link may have given that
    // link a way out. Removes every link of the pass that now leads out.
    void verifierTous();

private:
    bool sort(const QString& lien) const;
    // Removes the links that lead out; false when `nouveau` is among them.
    bool retirerSortants(const QString& nouveau);

    QString dossier_;
    QStringList liens_;
    QSet<QString> connus_;
};

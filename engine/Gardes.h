#pragma once

// The guards in front of the library during an extraction. The helper's sandbox is what keeps the
// library's writes inside the chosen folder; the guards are what the user sees of the rules: the
// replace question, "Ignoré", "Lien refusé". They look at the paths where the library really
// writes (cheminExtrait), at the current directory, which is the chosen folder.
//
// The library overwrites an existing file without a word, opening it where it is (through any
// link, symbolic or hard), follows links on the way to a name, checks each link's target by its
// name alone, so that a link made through an earlier one ("e/f/g" -> "../..", then "e/f/z" ->
// "g/../x") can lead out, and makes hard links to any file it can reach.

#include "TraiterArchive.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

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

    bool faitParLaPasse(const QString& chemin) const { return connus_.contains(chemin); }
    // Whether `chemin` resolves to a place inside the folder.
    bool dedans(const QString& chemin) const;

private:
    bool sort(const QString& lien) const;
    // Removes the links that lead out; false when `nouveau` is among them.
    bool retirerSortants(const QString& nouveau);

    QString dossier_;
    QStringList liens_;
    QSet<QString> connus_;
};

class Gardes {
public:
    enum class Decision { Extraire, Ignorer, LienRefuse };

    Gardes(RetourPasse& retour, const QString& dossier);

    // Before the library writes the entry stored as `nom` at `chemin`. `donnees`: for a hard link
    // or a copy of another entry, the path the library takes the file from, which must be a file
    // that this pass wrote, not one the user kept. A link of the user's in the way is never
    // followed, and never removed without the replace question.
    Decision avant(const QString& nom, const QString& chemin, bool dossier,
                   const std::optional<QString>& donnees);

    // After the library extracted it: false for a link left out.
    bool apres(const QString& chemin, bool redirection);
    void verifierTous() { liens_.verifierTous(); }

private:
    enum class Lien { Aucun, Retire, Garde };
    // The first symbolic link among the folders on the way to `chemin`: removed when the pass made
    // it, as the library does before it writes beneath one, or when the user lets it go.
    Lien lienEnChemin(const QString& nom, const QString& chemin);
    bool accord(const QString& nom);
    void retirer(const QString& chemin);

    enum class PourTous { Demander, Remplacer, Garder };
    RetourPasse& retour_;
    LiensDeLaPasse liens_;
    PourTous pourTous_ = PourTous::Demander;
    QString dernierDossierSur_; // the last folder on the way found to hold no link
    QSet<size_t> ecrits_;       // the files this pass wrote, by a hash of their path
};

#pragma once

// Where "Extraire ici" puts an archive's entries: beside the archive, in a new folder named after
// it when the archive holds several entries at its top, so that they never spread among the
// user's files; directly when it holds one, which is then the folder the user finds.

#include <QString>
#include <QStringList>

#include <optional>

namespace ici {

// The archive's name without what makes it an archive or one of a set: "photos.rar",
// "photos.part2.rar" and "photos.r07" give "photos". A name without it stays whole.
QString nomDuJeu(const QString& fichier);

// How many entries stand at the top of the archive, from the stored names ("a/b" stands under
// "a"), counted up to 2: one is where the archive's contents go, two are enough for a folder.
int entreesDuHaut(const QStringList& noms);

// Makes a new folder `nom` in `dossier`, or "nom (2)", "nom (3)"... when the name is taken by
// anything: never one that was there. Its path, or nothing when the folder refuses it.
std::optional<QString> creerDossierNeuf(const QString& dossier, const QString& nom);

} // namespace ici

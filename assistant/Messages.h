#pragma once

// Every message that a pass shows to the user, in one place: the helper sends codes, and the
// window says them in French here.

#include "RetourPasse.h"

#include <QString>

#include <optional>

namespace Messages {

inline const QString TitreErreur = QStringLiteral("Erreur");
inline const QString TitreCommentaire = QStringLiteral("Comment");
// After a comment longer than the library's buffer, which it cut.
inline const QString CommentaireTronque = QStringLiteral("\n[… commentaire tronqué]");

// The library read to a normal end, but the archive stops short of its end-of-archive block.
inline const QString ArchiveIncomplete =
    QStringLiteral("Archive incomplète : fin d'archive inattendue");

// The message of `echec` in a pass over the archive at `chemin` that extracts into the folder
// named `dossier`; empty for a code that does not stop a pass.
QString texte(const Echec& echec, const QString& chemin, const QString& dossier = QString());

// What an entry that did not fit in the room left on its destination's file system needed, and
// what was left, from the helper's word: nothing when it is not two sizes.
struct Manque {
    qint64 besoin;
    qint64 reste;
};
std::optional<Manque> manque(const Echec& echec);

// A failed open: the library's OpenResult and the archive path of the pass.
QString erreurOuverture(int code, const QString& chemin);

// A failed entry (the result of processing it); nothing for a code that does not stop the pass.
std::optional<QString> erreurFichier(int code);

// What an entry's row says of it; `code`: the library's, with Resultat::Code.
QString texteResultat(Resultat r, int code = 0);

// The header read that ended the loop; nothing for the end of the archive and unknown codes. A
// missing volume reads as it does for an entry.
std::optional<QString> erreurEnTete(int code);

QString assistantIntrouvable(const QString& programme, const QString& raison);

} // namespace Messages

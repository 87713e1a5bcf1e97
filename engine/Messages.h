#pragma once

// Every message that the engine shows to the user, in one place.

#include <QString>

#include <optional>

namespace Messages {

inline const QString TitreErreur = QStringLiteral("Erreur");
inline const QString TitreCommentaire = QStringLiteral("Comment");

// The library read to a normal end, but the archive stops short of its end-of-archive block.
inline const QString ArchiveIncomplete =
    QStringLiteral("Archive incomplète : fin d'archive inattendue");

// A failed open: the library's OpenResult and the archive path of the pass.
QString erreurOuverture(int code, const QString& chemin);

// A failed entry (the result of processing it); nothing for a code that does not stop the pass.
std::optional<QString> erreurFichier(int code);

// The header read that ended the loop; nothing for the end of the archive and unknown codes.
std::optional<QString> erreurEnTete(int code);

QString bibliothequeIntrouvable(const QString& fichier, const QString& raison);
QString pointDEntreeManquant(const QString& fichier, const QString& nom);

} // namespace Messages

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

// Why a pass stopped, as codes: the helper process that runs the pass sends these, and the window
// turns them into its French message here, in one place.
struct Echec {
    enum class Genre : quint8 {
        Ouverture,    // code: the library's OpenResult
        Fichier,      // code: the result of processing an entry
        EnTete,       // code: the header read that ended the loop
        Incomplete,   // the archive stops short of its end
        Installation, // the library or the helper is missing; detail: the whole message
        Signal,       // the helper was killed; code: the signal
        Sortie,       // the helper left without its end; code: its exit status
    };
    Genre genre = Genre::Ouverture;
    int code = 0;
    QString detail{};
};

// The message of `echec` in a pass over the archive at `chemin`; empty for a code that does not
// stop a pass.
QString texte(const Echec& echec, const QString& chemin);

// A failed open: the library's OpenResult and the archive path of the pass.
QString erreurOuverture(int code, const QString& chemin);

// A failed entry (the result of processing it); nothing for a code that does not stop the pass.
std::optional<QString> erreurFichier(int code);

// The header read that ended the loop; nothing for the end of the archive and unknown codes. A
// missing volume reads as it does for an entry.
std::optional<QString> erreurEnTete(int code);

QString bibliothequeIntrouvable(const QString& fichier, const QString& raison);
QString pointDEntreeManquant(const QString& fichier, const QString& nom);
QString assistantIntrouvable(const QString& programme, const QString& raison);

} // namespace Messages

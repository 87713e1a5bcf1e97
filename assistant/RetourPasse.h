#pragma once

// The window's side of a pass: what the helper's frames are played into (Relecture), in Qt's
// types.

#include "DetailsEntree.h"
#include "Vocabulaire.h"

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace Messages {

// Why a pass stopped, as the window words it: the helper's EchecPasse, with the window's own
// reasons besides.
struct Echec {
    using Genre = GenreEchec;
    Genre genre = Genre::Ouverture;
    int code = 0;
    QString detail{};

    static Echec depuis(const EchecPasse& e) {
        return {e.genre, e.code, QString::fromUtf8(e.detail.data(), qsizetype(e.detail.size()))};
    }
};

} // namespace Messages

// The label of the third column while a pass of `mode` runs: "Extraction", "Test" or "Liste".
inline QString libelleMode(int mode) {
    return QString::fromLatin1(libelleModeUtf8(mode));
}

// What a pass writes and shows, in the window: the calls of the engine's RetourMoteur, replayed
// from the helper's frames. Rows are added at the top: the row just added is the one that
// `resultat` writes to.
class RetourPasse {
public:
    virtual ~RetourPasse() = default;

    // Modal: returns once it was read. `tronque`: the archive's comment goes on beyond it.
    virtual void commentaire(const QString& texte, bool tronque) = 0;
    virtual void montrerFenetre() = 0;
    virtual void enTeteResultat(const QString& libelle) = 0;
    virtual void nouvelleLigne(const QString& nom, qint64 taille) = 0;
    // The same for a name whose bytes are all printable ASCII, as they came: nearly every name,
    // which the window can then keep without converting it.
    virtual void nouvelleLigneAscii(QByteArrayView nom, qint64 taille) {
        nouvelleLigne(QString::fromLatin1(nom), taille);
    }
    // `code`: the library's, with Resultat::Code.
    virtual void resultat(Resultat r, int code = 0) = 0;
    virtual void entreeTerminee() {}
    // Once the archive is open: the library's open flags (ROADF_*) and the format, from the
    // signature's version byte (4 for RAR 1.5 to 4, 5 for RAR 5, 0 when unknown).
    virtual void archive(quint32 drapeaux, int format) {
        Q_UNUSED(drapeaux);
        Q_UNUSED(format);
    }
    // Of the entry whose row comes next: what its header says besides its name and size.
    virtual void detailsLigne(const DetailsEntree& details) { Q_UNUSED(details); }
    // An entry that the pass leaves out, without a row (not among those chosen), of `taille`
    // bytes: in a solid archive the library decodes it all the same.
    virtual void entreeSautee(qint64 taille) { Q_UNUSED(taille); }
    // At the end of a pass read to its end: the number of volume files it read.
    virtual void volumesLus(int nombre) { Q_UNUSED(nombre); }
    // Asked before an entry is extracted over an existing file, `nom` being its stored name.
    // Keeping the user's file is the safe answer for a caller that cannot ask.
    virtual Remplacement remplacer(const QString& nom) {
        Q_UNUSED(nom);
        return Remplacement::Non;
    }
    // The library has just opened the entry's file at `chemin` (its bytes), relative to the
    // destination, for writing: the file of this device and inode, which the pass made. What is
    // left there is partial until the entry's result comes.
    virtual void fichierEcrit(QByteArrayView chemin, quint64 peripherique, quint64 inode) {
        Q_UNUSED(chemin);
        Q_UNUSED(peripherique);
        Q_UNUSED(inode);
    }
    // The bytes of the current entry that the library has tested or written so far.
    virtual void progression(qint64 octets) { Q_UNUSED(octets); }
    // The library needs the archive's password (`incorrect`: the one given last was wrong): what
    // the user typed, or nothing when the user gave up. A caller that cannot ask gives up.
    virtual std::optional<QString> motDePasse(bool incorrect) {
        Q_UNUSED(incorrect);
        return std::nullopt;
    }
    // The user gave up on the password: the pass stops there, with the rows so far, and no failure.
    virtual void abandon() {}
    // The pass stops there: the window shows the message of `echec` and ends the program.
    [[noreturn]] virtual void echec(const Messages::Echec& echec) = 0;
};

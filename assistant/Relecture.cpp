#include "Relecture.h"

#include "CodesRAR.h"

using Genre = Messages::Echec::Genre;
using protocole::Type;

namespace {

// Whether `nom` is no longer than the names the library makes: NomMax characters.
bool nomPlausible(QByteArrayView utf8) {
    if (utf8.size() <= protocole::NomMax) {
        return true; // the common case, without counting
    }
    if (utf8.size() > 4 * protocole::NomMax) {
        return false;
    }
    qsizetype caracteres = 0;
    for (const char c : utf8) {
        caracteres += (quint8(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return caracteres <= protocole::NomMax;
}

} // namespace

Relecture::Relecture(RetourPasse& retour, int mode, Processus& processus)
    : retour_(retour)
    , mode_(mode)
    , libelle_(libelleMode(mode))
    , processus_(processus) {}

void Relecture::jouer(const protocole::Trame& trame) {
    protocole::Lecture l(trame.charge);
    if (!bonjour_ && trame.type != Type::Bonjour) {
        rompre();
        return;
    }
    const bool extraction = mode_ == ModeExtraction;
    switch (trame.type) {
    case Type::Bonjour:
        if (bonjour_ || l.u32() != protocole::Version) {
            rompre();
        }
        bonjour_ = true;
        version_ = int(l.u32());
        protections_ = l.u8();
        abiLandlock_ = l.u8();
        break;
    case Type::Commentaire: {
        // One comment, no longer than the library's buffer once decoded.
        const QByteArrayView texte = l.octets();
        const bool tronque = l.u8() != 0;
        if (commentaire_ || texte.size() > 3 * TailleCommentaire || !l.complete()) {
            rompre();
            return;
        }
        commentaire_ = true;
        retour_.commentaire(QString::fromUtf8(texte), tronque);
        repondre(0);
        break;
    }
    case Type::Montrer:
        retour_.montrerFenetre();
        break;
    case Type::Archive: {
        const quint32 drapeaux = l.u32();
        const quint8 format = l.u8();
        if (archive_ || !l.complete()) {
            rompre();
            return;
        }
        archive_ = true;
        retour_.archive(drapeaux, format);
        break;
    }
    case Type::Ligne: {
        const QByteArrayView nom = l.octets();
        const qint64 taille = l.i64();
        const qint64 compressee = l.i64();
        const bool dossier = l.u8() != 0;
        const quint32 place = l.u32();
        if (!l.complete() || !nomPlausible(nom)) {
            rompre();
            return;
        }
        ligneOuverte_ = true;
        retour_.enTeteResultat(libelle_);
        retour_.detailsLigne(compressee, dossier, place);
        retour_.nouvelleLigne(QString::fromUtf8(nom), taille);
        break;
    }
    case Type::Sautee:
        retour_.entreeSautee(l.i64());
        break;
    case Type::Volumes:
        retour_.volumesLus(int(l.u32()));
        break;
    case Type::Resultat: {
        const quint8 r = l.u8();
        const int code = int(l.u32());
        if (!l.complete() || r > quint8(Resultat::Code)) {
            rompre();
            return;
        }
        ligneOuverte_ = false;
        retour_.resultat(Resultat(r), code);
        break;
    }
    case Type::Remplacer: {
        const QByteArrayView nom = l.octets();
        if (!extraction || !l.complete() || !nomPlausible(nom)) {
            rompre();
            return;
        }
        repondre(quint8(retour_.remplacer(QString::fromUtf8(nom))));
        break;
    }
    case Type::Progression:
        retour_.progression(l.i64());
        break;
    case Type::Echec:
        echec_.genre = Genre(l.u8());
        echec_.code = int(l.u32());
        echec_.detail = l.texte();
        if (echec_.genre > Genre::Bibliotheque) {
            rompre(); // how the helper itself ended is this side's to tell
            return;
        }
        etat_ = Etat::Echec;
        break;
    case Type::MotDePasse: {
        const quint8 incorrect = l.u8();
        if (l.complete()) {
            const std::optional<QString> saisi = retour_.motDePasse(incorrect != 0);
            QByteArray reponse;
            protocole::Redaction r(reponse);
            r.debut(Type::Reponse);
            r.u8(saisi ? 1 : 0);
            r.texte(saisi.value_or(QString()));
            r.fin();
            processus_.ecrire(reponse);
            reponse.fill('\0');
        }
        break;
    }
    case Type::Fin:
        etat_ = Etat::Fin;
        break;
    case Type::Abandon:
        etat_ = Etat::Abandon;
        break;
    case Type::Demande:
    case Type::Reponse:
        rompre();
        return;
    }
    if (!l.complete()) {
        rompre();
    }
}

void Relecture::repondre(quint8 reponse) {
    QByteArray trame;
    protocole::Redaction r(trame);
    r.debut(Type::Reponse);
    r.u8(reponse);
    r.fin();
    processus_.ecrire(trame); // a helper gone meanwhile is seen at the end of its stream
}

#include "Relecture.h"

#include "CodesRAR.h"
#include "Messages.h"
#include "OctetsQt.h"

#include <optional>

using Genre = Messages::Echec::Genre;
using protocole::Type;

namespace {

// No archive holds more entries than its volumes' bytes over 7: RAR 1.5 to 4 and RAR 5 alike
// refuse a header shorter than their 7-byte base (check, size, type, flags), read every field past
// a header's end as 0, and put the next header at least a header's size further; RAR 1.4's file
// headers take 21 bytes.
constexpr qint64 EnTeteMin = 7;
// Nor more characters of names than 20 a byte. RAR 5 stores names in UTF-8 and RAR 1.4 in 8 bits,
// a byte or more a character, and the bytes past a header's end read as 0, which ends a name. RAR
// 1.5 to 4's Unicode names do not: a run of up to 129 characters costs two bytes, taken from the
// name's positions even past the header's end, so that a header of 52 bytes names 1,024
// characters, all that the library's record holds: the densest there is.
constexpr qint64 CaracteresParOctet = 20;
// The library's codes for an entry are two-digit numbers; the window keeps the words of every code
// it met, so that codes must stay few.
constexpr quint32 CodeMax = 255;

// The characters of a name as the window keeps it: a byte that is no UTF-8 is one too.
qsizetype caracteres(QStringView texte) {
    qsizetype n = 0;
    for (const QChar c : texte) {
        n += c.isLowSurrogate() ? 0 : 1;
    }
    return n;
}

bool imprimable(QByteArrayView octets) {
    for (const char c : octets) {
        if (uchar(c) < 0x20 || uchar(c) > 0x7E) {
            return false;
        }
    }
    return true;
}

// `utf8` read as a name no longer than the library makes (NomMax characters), or nothing.
std::optional<QString> nom(QByteArrayView utf8) {
    if (utf8.size() > 4 * protocole::NomMax) {
        return std::nullopt;
    }
    QString texte = QString::fromUtf8(utf8);
    // No more characters than bytes: the common case goes without counting.
    if (utf8.size() > protocole::NomMax && caracteres(texte) > protocole::NomMax) {
        return std::nullopt;
    }
    return texte;
}

// Details that the library can give: no flag, system or time that its header record cannot hold.
bool possibles(const DetailsEntree& d) {
    return (d.drapeaux & ~DetailsEntree::TousDrapeaux) == 0 &&
           d.systeme <= DetailsEntree::Inconnu && d.modification >= DetailsEntree::DateMin &&
           d.modification <= DetailsEntree::DateMax;
}

} // namespace

Relecture::Relecture(RetourPasse& retour, int mode, Processus& processus, qint64 octets)
    : retour_(retour)
    , mode_(mode)
    , libelle_(libelleMode(mode))
    , processus_(processus)
    , octets_(octets) {}

bool Relecture::entree(QStringView nom) {
    return entree(caracteres(nom));
}

bool Relecture::entree(qint64 caracteres) {
    caracteres_ += caracteres;
    return ++entrees_ <= octets_ / EnTeteMin && caracteres_ <= octets_ * CaracteresParOctet;
}

void Relecture::jouer(const protocole::Trame& trame) {
    protocole::Lecture l(trame.charge);
    // Bonjour first, or the failure to load the library; then Protections, then the pass.
    const bool attendu = !bonjour_ ? trame.type == Type::Bonjour || trame.type == Type::Echec
                                   : protege_ != (trame.type == Type::Protections);
    if (!attendu) {
        rompre();
        return;
    }
    const bool extraction = mode_ == ModeExtraction;
    const bool question = trame.type == Type::Commentaire || trame.type == Type::Remplacer ||
                          trame.type == Type::MotDePasse;
    if (arret_ && (question || trame.type == Type::Arret)) {
        etat_ = Etat::Arret;
        return;
    }
    switch (trame.type) {
    case Type::Bonjour:
        if (l.u32() != protocole::Version) {
            rompre();
            return;
        }
        bonjour_ = true;
        version_ = int(l.u32());
        break;
    case Type::Protections:
        protege_ = true;
        protections_ = l.u8();
        abiLandlock_ = l.u8();
        break;
    case Type::Commentaire: {
        // One comment, no longer than the library's buffer once decoded.
        const QByteArrayView texte = assistant::vueQt(l.octets());
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
        const QByteArrayView octets = assistant::vueQt(l.octets());
        const qint64 taille = l.i64();
        DetailsEntree details;
        details.compressee = l.i64();
        details.drapeaux = l.u8();
        details.place = l.u32();
        details.systeme = l.u8();
        details.modification = l.i64();
        details.attributs = l.u32();
        details.crc = l.u32();
        // A printable ASCII name is its own characters, and needs no conversion here.
        const bool ascii = imprimable(octets);
        const std::optional<QString> texte = ascii ? std::nullopt : nom(octets);
        if (!l.complete() || (!ascii && !texte) || (ascii && octets.size() > protocole::NomMax) ||
            !(ascii ? entree(octets.size()) : entree(*texte)) || !possibles(details)) {
            rompre();
            return;
        }
        ligneOuverte_ = true;
        retour_.enTeteResultat(libelle_);
        retour_.detailsLigne(details);
        if (ascii) {
            retour_.nouvelleLigneAscii(octets, taille);
        } else {
            retour_.nouvelleLigne(*texte, taille);
        }
        break;
    }
    case Type::Sautee:
        if (!entree({})) {
            rompre();
            return;
        }
        retour_.entreeSautee(l.i64());
        break;
    case Type::Volumes:
        retour_.volumesLus(int(l.u32()));
        break;
    case Type::Resultat: {
        const quint8 r = l.u8();
        const quint32 code = l.u32();
        if (!l.complete() || r > quint8(Resultat::Code) || code > CodeMax) {
            rompre();
            return;
        }
        ligneOuverte_ = false;
        retour_.resultat(Resultat(r), int(code));
        break;
    }
    case Type::Remplacer: {
        const std::optional<QString> texte = nom(assistant::vueQt(l.octets()));
        if (!extraction || !l.complete() || !texte) {
            rompre();
            return;
        }
        repondre(quint8(retour_.remplacer(*texte)));
        break;
    }
    case Type::Progression:
        retour_.progression(l.i64());
        break;
    case Type::Echec:
        echec_.genre = Genre(l.u8());
        echec_.code = int(l.u32());
        echec_.detail = QString::fromUtf8(assistant::vueQt(l.texte()));
        // Only an extraction fills a disk, and says by how much.
        if (echec_.genre > Genre::Bibliotheque ||
            (!bonjour_ && echec_.genre != Genre::Bibliotheque) ||
            (echec_.genre == Genre::Place && (!extraction || !Messages::manque(echec_)))) {
            rompre(); // how the helper itself ended is this side's to tell
            return;
        }
        etat_ = Etat::Echec;
        break;
    case Type::MotDePasse: {
        const quint8 incorrect = l.u8();
        if (l.complete()) {
            const std::optional<QString> saisi = retour_.motDePasse(incorrect != 0);
            std::string secret = saisi ? assistant::utf8(*saisi) : std::string();
            std::string reponse;
            protocole::Redaction r(reponse);
            r.debut(Type::Reponse);
            r.u8(saisi ? 1 : 0);
            r.texte(secret);
            r.fin();
            processus_.ecrire(reponse);
            std::fill(secret.begin(), secret.end(), '\0');
            std::fill(reponse.begin(), reponse.end(), '\0');
        }
        break;
    }
    case Type::Fin:
        etat_ = Etat::Fin;
        break;
    case Type::Abandon:
        etat_ = Etat::Abandon;
        break;
    case Type::Arret: // unasked
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
    std::string trame;
    protocole::Redaction r(trame);
    r.debut(Type::Reponse);
    r.u8(reponse);
    r.fin();
    processus_.ecrire(trame); // a helper gone meanwhile is seen at the end of its stream
}

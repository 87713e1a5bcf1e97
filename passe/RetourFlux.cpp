#include "RetourFlux.h"

#include "Horloge.h"

#include <cstdlib>

#include <unistd.h>

using protocole::Type;

namespace {

// Rows go to the window in batches, one write for many rows; a row waits at most this long, so
// that the list keeps moving.
constexpr qint64 AttenteMaxMs = 30;
constexpr qsizetype TailleLot = 64 * 1024;
// An entry this large may keep the library busy for long: its row leaves before the library starts.
constexpr qint64 GrandeEntree = 256 * 1024;

} // namespace

RetourFlux::RetourFlux(int demandes, int retour, int mode)
    : demandes_(demandes)
    , retour_(retour)
    , longuesEntrees_(mode == ModeTest || mode == ModeExtraction) {
    if (mode == ModeExtraction) {
        enCours_ = PageEnCours::ouvrir(protocole::DescripteurEnCours);
    }
    tampon_.reserve(TailleLot + 4096);
}

void RetourFlux::envoyer() {
    if (!protocole::ecrireTout(retour_, tampon_)) {
        terminer(); // the window is gone: nobody is left to show anything to
    }
    tampon_.clear();
    envoiMs_ = platform::millisecondesGrossieres();
}

void RetourFlux::envoyerSiAttendu() {
    if (tampon_.size() >= TailleLot ||
        (!tampon_.isEmpty() && platform::millisecondesGrossieres() - envoiMs_ >= AttenteMaxMs)) {
        envoyer();
    }
}

QByteArray RetourFlux::reponse() {
    envoyer();
    QByteArray recu;
    const std::optional<protocole::Trame> t = protocole::attendre(demandes_, recu);
    if (!t || t->type != Type::Reponse) {
        terminer();
    }
    return t->charge.toByteArray();
}

void RetourFlux::terminer() {
    ::_exit(3);
}

void RetourFlux::bonjour(int versionBibliotheque) {
    redaction_.debut(Type::Bonjour);
    redaction_.u32(protocole::Version);
    redaction_.u32(quint32(versionBibliotheque));
    redaction_.fin();
    envoyer();
}

void RetourFlux::protections(quint8 protections, int abiLandlock) {
    redaction_.debut(Type::Protections);
    redaction_.u8(protections);
    redaction_.u8(quint8(abiLandlock));
    redaction_.fin();
    envoyer();
}

void RetourFlux::fin() {
    dernierMot(Type::Fin);
}

void RetourFlux::abandon() {
    dernierMot(Type::Abandon);
}

void RetourFlux::dernierMot(Type type) {
    redaction_.debut(type);
    redaction_.fin();
    envoyer();
    std::exit(0); // through the exit handlers, where a sanitizer checks for leaks
}

void RetourFlux::echec(const Messages::Echec& echec) {
    redaction_.debut(Type::Echec);
    redaction_.u8(quint8(echec.genre));
    redaction_.u32(quint32(echec.code));
    redaction_.texte(echec.detail);
    redaction_.fin();
    envoyer();
    std::exit(0);
}

void RetourFlux::commentaire(const QString& texte, bool tronque) {
    redaction_.debut(Type::Commentaire);
    redaction_.texte(texte);
    redaction_.u8(tronque ? 1 : 0);
    redaction_.fin();
    reponse();
}

std::optional<QString> RetourFlux::motDePasse(bool incorrect) {
    redaction_.debut(Type::MotDePasse);
    redaction_.u8(incorrect ? 1 : 0);
    redaction_.fin();
    QByteArray charge = reponse();
    protocole::Lecture l(charge);
    const quint8 donne = l.u8();
    QString texte = l.texte();
    charge.fill('\0');
    if (!l.complete()) {
        terminer();
    }
    if (donne == 0) {
        return std::nullopt;
    }
    return texte;
}

void RetourFlux::montrerFenetre() {
    redaction_.debut(Type::Montrer);
    redaction_.fin();
}

void RetourFlux::enTeteResultat(const QString& libelle) {
    Q_UNUSED(libelle); // the window knows the label of the mode it asked for
}

void RetourFlux::archive(quint32 drapeaux, int format) {
    redaction_.debut(Type::Archive);
    redaction_.u32(drapeaux);
    redaction_.u8(quint8(format));
    redaction_.fin();
}

void RetourFlux::detailsLigne(qint64 compressee, bool dossier, quint32 place) {
    compressee_ = compressee;
    dossier_ = dossier;
    place_ = place;
}

void RetourFlux::entreeSautee(qint64 taille) {
    redaction_.debut(Type::Sautee);
    redaction_.i64(taille);
    redaction_.fin();
    envoyerSiAttendu();
}

void RetourFlux::volumesLus(int nombre) {
    redaction_.debut(Type::Volumes);
    redaction_.u32(quint32(nombre));
    redaction_.fin();
}

void RetourFlux::nouvelleLigne(const QString& nom, qint64 taille) {
    redaction_.debut(Type::Ligne);
    redaction_.texte(nom);
    redaction_.i64(taille);
    redaction_.i64(compressee_);
    redaction_.u8(dossier_ ? 1 : 0);
    redaction_.u32(place_);
    redaction_.fin();
    if (premiereLigne_ || (longuesEntrees_ && taille >= GrandeEntree)) {
        premiereLigne_ = false;
        envoyer();
    } else {
        envoyerSiAttendu();
    }
}

void RetourFlux::resultat(Resultat r, int code) {
    redaction_.debut(Type::Resultat);
    redaction_.u8(quint8(r));
    redaction_.u32(quint32(code));
    redaction_.fin();
    enCours_.effacer();
}

void RetourFlux::entreeTerminee() {
    envoyerSiAttendu();
}

Remplacement RetourFlux::remplacer(const QString& nom) {
    redaction_.debut(Type::Remplacer);
    redaction_.texte(nom);
    redaction_.fin();
    const QByteArray charge = reponse();
    protocole::Lecture l(charge);
    const quint8 r = l.u8();
    if (!l.complete()) {
        terminer();
    }
    switch (r) {
    case quint8(Remplacement::Oui):
        return Remplacement::Oui;
    case quint8(Remplacement::OuiPourTous):
        return Remplacement::OuiPourTous;
    case quint8(Remplacement::NonPourTous):
        return Remplacement::NonPourTous;
    default:
        return Remplacement::Non;
    }
}

void RetourFlux::fichierEcrit(QByteArrayView chemin, quint64 peripherique, quint64 inode) {
    enCours_.ecrire(chemin, peripherique, inode);
}

void RetourFlux::progression(qint64 octets) {
    if (platform::millisecondesGrossieres() - envoiMs_ < AttenteMaxMs) {
        return;
    }
    redaction_.debut(Type::Progression);
    redaction_.i64(octets);
    redaction_.fin();
    envoyer();
}

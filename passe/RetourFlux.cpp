#include "RetourFlux.h"

#include "Horloge.h"

#include <algorithm>
#include <cstdlib>

#include <unistd.h>

using protocole::Type;

namespace {

// Rows go to the window in batches, one write for many rows; a row waits at most this long, so
// that the list keeps moving.
constexpr std::int64_t AttenteMaxMs = 30;
constexpr std::size_t TailleLot = 64 * 1024;
// An entry this large may keep the library busy for long: its row leaves before the library starts.
constexpr std::int64_t GrandeEntree = 256 * 1024;

} // namespace

RetourFlux::RetourFlux(int demandes, int retour, int mode)
    : demandes_(demandes)
    , retour_(retour)
    , longuesEntrees_(mode == ModeTest || mode == ModeExtraction) {
    if (mode != protocole::ModeSonde) {
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
        (!tampon_.empty() && platform::millisecondesGrossieres() - envoiMs_ >= AttenteMaxMs)) {
        envoyer();
    }
}

std::string RetourFlux::reponse() {
    if (arretDemande()) {
        arrete(); // nobody is asked anything once the window wants the pass to stop
    }
    envoyer();
    std::string recu;
    const std::optional<protocole::Trame> t = protocole::attendre(demandes_, recu);
    if (!t || t->type != Type::Reponse) {
        terminer();
    }
    return std::string(t->charge);
}

void RetourFlux::terminer() {
    ::_exit(3);
}

void RetourFlux::bonjour(int versionBibliotheque) {
    redaction_.debut(Type::Bonjour);
    redaction_.u32(protocole::Version);
    redaction_.u32(std::uint32_t(versionBibliotheque));
    redaction_.fin();
    envoyer();
}

void RetourFlux::protections(std::uint8_t protections, int abiLandlock) {
    redaction_.debut(Type::Protections);
    redaction_.u8(protections);
    redaction_.u8(std::uint8_t(abiLandlock));
    redaction_.fin();
    envoyer();
}

void RetourFlux::fin() {
    dernierMot(Type::Fin);
}

void RetourFlux::abandon() {
    dernierMot(Type::Abandon);
}

void RetourFlux::arrete() {
    dernierMot(Type::Arret); // the rows that wait go first; the page still names a partial file
}

void RetourFlux::dernierMot(Type type) {
    redaction_.debut(type);
    redaction_.fin();
    envoyer();
    std::exit(0); // through the exit handlers, where a sanitizer checks for leaks
}

void RetourFlux::echec(const EchecPasse& echec) {
    redaction_.debut(Type::Echec);
    redaction_.u8(std::uint8_t(echec.genre));
    redaction_.u32(std::uint32_t(echec.code));
    redaction_.texte(echec.detail);
    redaction_.fin();
    envoyer();
    std::exit(0);
}

void RetourFlux::commentaire(std::string_view texte, bool tronque) {
    redaction_.debut(Type::Commentaire);
    redaction_.texte(texte);
    redaction_.u8(tronque ? 1 : 0);
    redaction_.fin();
    reponse();
}

std::optional<std::string> RetourFlux::motDePasse(bool incorrect) {
    redaction_.debut(Type::MotDePasse);
    redaction_.u8(incorrect ? 1 : 0);
    redaction_.fin();
    std::string charge = reponse();
    protocole::Lecture l(charge);
    const std::uint8_t donne = l.u8();
    std::string texte(l.texte());
    std::fill(charge.begin(), charge.end(), '\0');
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

void RetourFlux::enTeteResultat(std::string_view) {
    // the window knows the label of the mode it asked for
}

void RetourFlux::archive(std::uint32_t drapeaux, int format) {
    redaction_.debut(Type::Archive);
    redaction_.u32(drapeaux);
    redaction_.u8(std::uint8_t(format));
    redaction_.fin();
}

void RetourFlux::detailsLigne(const DetailsEntree& details) {
    details_ = details;
}

void RetourFlux::entreeSautee(std::int64_t taille) {
    redaction_.debut(Type::Sautee);
    redaction_.i64(taille);
    redaction_.fin();
    envoyerSiAttendu();
}

void RetourFlux::volumesLus(int nombre) {
    redaction_.debut(Type::Volumes);
    redaction_.u32(std::uint32_t(nombre));
    redaction_.fin();
}

void RetourFlux::nouvelleLigne(std::string_view nom, std::int64_t taille) {
    redaction_.debut(Type::Ligne);
    redaction_.texte(nom);
    redaction_.i64(taille);
    redaction_.i64(details_.compressee);
    redaction_.u8(details_.drapeaux);
    redaction_.u32(details_.place);
    redaction_.u8(details_.systeme);
    redaction_.i64(details_.modification);
    redaction_.u32(details_.attributs);
    redaction_.u32(details_.crc);
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
    redaction_.u8(std::uint8_t(r));
    redaction_.u32(std::uint32_t(code));
    redaction_.fin();
    enCours_.effacer();
}

void RetourFlux::entreeTerminee() {
    envoyerSiAttendu();
}

Remplacement RetourFlux::remplacer(std::string_view nom) {
    redaction_.debut(Type::Remplacer);
    redaction_.texte(nom);
    redaction_.fin();
    const std::string charge = reponse();
    protocole::Lecture l(charge);
    const std::uint8_t r = l.u8();
    if (!l.complete()) {
        terminer();
    }
    switch (r) {
    case std::uint8_t(Remplacement::Oui):
        return Remplacement::Oui;
    case std::uint8_t(Remplacement::OuiPourTous):
        return Remplacement::OuiPourTous;
    case std::uint8_t(Remplacement::NonPourTous):
        return Remplacement::NonPourTous;
    default:
        return Remplacement::Non;
    }
}

void RetourFlux::fichierEcrit(std::string_view chemin, std::uint64_t peripherique,
                              std::uint64_t inode) {
    enCours_.ecrire(chemin, peripherique, inode);
}

void RetourFlux::progression(std::int64_t octets) {
    if (platform::millisecondesGrossieres() - envoiMs_ < AttenteMaxMs) {
        return;
    }
    redaction_.debut(Type::Progression);
    redaction_.i64(octets);
    redaction_.fin();
    envoyer();
}

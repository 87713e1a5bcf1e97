#pragma once

// The helper's side of a pass: what the pass writes and asks goes down the pipe to the window, in
// frames (Protocole.h), and questions wait there for the window's answer.

#include "PageEnCours.h"
#include "Protocole.h"
#include "TraiterArchive.h"

#include <cstdint>
#include <string>

class RetourFlux final : public RetourMoteur {
public:
    RetourFlux(int demandes, int retour, int mode);

    void bonjour(int versionBibliotheque);
    void protections(std::uint8_t protections, int abiLandlock);
    [[noreturn]] void fin();

    void commentaire(std::string_view texte, bool tronque) override;
    void montrerFenetre() override;
    void enTeteResultat(std::string_view libelle) override;
    void nouvelleLigne(std::string_view nom, std::int64_t taille) override;
    void resultat(Resultat r, int code) override;
    void entreeTerminee() override;
    void archive(std::uint32_t drapeaux, int format) override;
    void detailsLigne(const DetailsEntree& details) override;
    void entreeSautee(std::int64_t taille) override;
    void volumesLus(int nombre) override;
    Remplacement remplacer(std::string_view nom) override;
    void fichierEcrit(std::string_view chemin, std::uint64_t peripherique,
                      std::uint64_t inode) override;
    void progression(std::int64_t octets) override;
    std::optional<std::string> motDePasse(bool incorrect) override;
    [[noreturn]] void echec(const EchecPasse& echec) override;
    [[noreturn]] void abandon() override;
    bool arretDemande() const override { return enCours_.arretDemande(); }
    [[noreturn]] void arrete() override;

private:
    void envoyer();
    void envoyerSiAttendu();
    // Sends what waits, then waits for the window's answer: its payload.
    std::string reponse();
    [[noreturn]] void dernierMot(protocole::Type type);
    [[noreturn]] void terminer();

    int demandes_;
    int retour_;
    PageEnCours enCours_;
    bool longuesEntrees_; // test and extraction: an entry may keep the library busy for minutes
    std::string tampon_;
    protocole::Redaction redaction_{tampon_};
    std::int64_t envoiMs_ = 0;
    bool premiereLigne_ = true;
    DetailsEntree details_; // of the row that comes next
};

#pragma once

// The helper's side of a pass: what the pass writes and asks goes down the pipe to the window, in
// frames (Protocole.h), and questions wait there for the window's answer.

#include "PageEnCours.h"
#include "Protocole.h"
#include "TraiterArchive.h"

#include <QByteArray>

class RetourFlux final : public RetourPasse {
public:
    RetourFlux(int demandes, int retour, int mode);

    void bonjour(int versionBibliotheque);
    void protections(quint8 protections, int abiLandlock);
    [[noreturn]] void fin();

    void commentaire(const QString& texte, bool tronque) override;
    void montrerFenetre() override;
    void enTeteResultat(const QString& libelle) override;
    void nouvelleLigne(const QString& nom, qint64 taille) override;
    void resultat(Resultat r, int code) override;
    void entreeTerminee() override;
    void archive(quint32 drapeaux, int format) override;
    void detailsLigne(qint64 compressee, bool dossier, quint32 place) override;
    void entreeSautee(qint64 taille) override;
    void volumesLus(int nombre) override;
    Remplacement remplacer(const QString& nom) override;
    void fichierEcrit(QByteArrayView chemin, quint64 peripherique, quint64 inode) override;
    void progression(qint64 octets) override;
    std::optional<QString> motDePasse(bool incorrect) override;
    [[noreturn]] void echec(const Messages::Echec& echec) override;
    [[noreturn]] void abandon() override;

private:
    void envoyer();
    void envoyerSiAttendu();
    // Sends what waits, then waits for the window's answer: its payload.
    QByteArray reponse();
    [[noreturn]] void dernierMot(protocole::Type type);
    [[noreturn]] void terminer();

    int demandes_;
    int retour_;
    PageEnCours enCours_;
    bool longuesEntrees_; // test and extraction: an entry may keep the library busy for minutes
    QByteArray tampon_;
    protocole::Redaction redaction_{tampon_};
    qint64 envoiMs_ = 0;
    bool premiereLigne_ = true;
    qint64 compressee_ = 0; // of the row that comes next
    bool dossier_ = false;
    quint32 place_ = 0;
};

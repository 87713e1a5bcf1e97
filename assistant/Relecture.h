#pragma once

// Plays the helper's frames into the window's RetourPasse, answering its questions. The helper
// runs what an archive made of the library: it is trusted with nothing beyond its pass, and any
// frame that its pass could not send ends it as a failure.

#include "Processus.h"
#include "Protocole.h"
#include "RetourPasse.h"

#include <QString>
#include <QStringView>

class Relecture {
public:
    enum class Etat { EnCours, Fin, Echec, Abandon, Arret, Rompue };

    // `octets`: the size of the archive's volumes, which bounds what the helper can tell of them.
    Relecture(RetourPasse& retour, int mode, Processus& processus, qint64 octets);

    void jouer(const protocole::Trame& trame);

    Etat etat() const { return etat_; }
    const Messages::Echec& echec() const { return echec_; }
    // A row was added and its result has not come yet.
    bool ligneOuverte() const { return ligneOuverte_; }
    quint8 protections() const { return protections_; }
    int abiLandlock() const { return abiLandlock_; }
    // The library's interface version that the helper reported; 0 before it did.
    int version() const { return version_; }
    // Nothing came yet.
    bool muette() const { return !bonjour_ && etat_ == Etat::EnCours; }
    void rompre() { etat_ = Etat::Rompue; }
    // The window asked the helper to stop: its last word may be Arret, and a question it asked
    // before it knew is its last word too, put to nobody (it sent every row before asking).
    void arreter() { arret_ = true; }

private:
    static constexpr qsizetype TailleCommentaire = 16384;

    void repondre(quint8 reponse);
    // One more entry header read, named `nom` when it has a row: false once there are more
    // entries, or characters of names, than the volumes can hold.
    bool entree(QStringView nom);
    bool entree(qint64 caracteres);

    RetourPasse& retour_;
    const int mode_;
    const QString libelle_;
    Processus& processus_;
    Etat etat_ = Etat::EnCours;
    Messages::Echec echec_;
    const qint64 octets_;
    qint64 entrees_ = 0;
    qint64 caracteres_ = 0;
    quint8 protections_ = 0;
    int abiLandlock_ = 0;
    int version_ = 0;
    bool bonjour_ = false;
    bool protege_ = false; // Protections said
    bool commentaire_ = false;
    bool archive_ = false;
    bool ligneOuverte_ = false;
    bool arret_ = false;
};

#pragma once

// One helper process, started for one pass, maybe ahead of it: what it was started with decides
// which pass it may serve, and what it said before its pass is kept for that pass.

#include "PageEnCours.h"
#include "Processus.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace assistant {

// How a helper is started. A pass is served only by a helper started as the pass would have
// started it: the same mounts, the same destination or none, the same level and environment.
struct Cle {
    std::vector<QByteArray> commande; // bubblewrap's, with the pass's mounts, or the helper alone
    QByteArray dossier;               // an extraction's destination, the helper's directory
    QByteArray environnement;         // what the helper inherits
    bool bac = false;
    bool operator==(const Cle&) const = default;
};

// What this process hands a helper now.
QByteArray environnementActuel();

class Auxiliaire {
public:
    // Starts a helper as `cle` says: nothing, and why in `raison`, when it cannot start.
    static std::unique_ptr<Auxiliaire> demarrer(Cle cle, QString& raison);
    ~Auxiliaire();
    Auxiliaire(const Auxiliaire&) = delete;
    Auxiliaire& operator=(const Auxiliaire&) = delete;

    const Cle& cle() const { return cle_; }
    Processus& processus() { return processus_; }
    PageEnCours& page() { return page_; }
    QByteArray& tampon() { return tampon_; } // what it wrote and was not played yet
    // Appends what it wrote to tampon(): false at the end of its stream.
    bool lire();

    // Waits for its first frame, kept in tampon(): its hello, when it is whole and says this
    // version of the protocol.
    bool bonjour();

private:
    explicit Auxiliaire(Cle cle);

    Cle cle_;
    PageEnCours page_;
    Processus processus_;
    QByteArray tampon_;
    bool ouvert_ = true;
    bool indumpable_ = false;
};

} // namespace assistant

#include "Assistant.h"

#include "Auxiliaire.h"
#include "BacASable.h"
#include "CodesRAR.h"
#include "DossierPasse.h"
#include "Messages.h"
#include "OctetsQt.h"
#include "PageEnCours.h"
#include "Processus.h"
#include "Protocole.h"
#include "Relecture.h"
#include "Volumes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace assistant {

namespace {

using Genre = Messages::Echec::Genre;
using protocole::Type;

constexpr int FinApresDernierMotMs = 5000; // for a helper that said its last word to leave
// A helper asked to stop sends the rows it holds and leaves within this, or is killed.
constexpr int ArretMaxMs = 100;
std::optional<int> attenteArretImposee;
// While rows stream (a read of at least LotEnFlot bytes), the window reads them at most once in
// this interval, a frame of the screen; LotMax bounds what one batch plays.
constexpr qint64 IntervalleLotsMs = 16;
constexpr qsizetype LotEnFlot = 64 * 1024;
constexpr qsizetype LotMax = 4 * 1024 * 1024;

QString& programmeDefini() {
    static QString chemin;
    return chemin;
}

int derniereVersion = 0;

// What a probe's pass leaves: the failure that ended it, thrown through the pass's caller.
class RetourSonde final : public RetourPasse {
public:
    void commentaire(const QString&, bool) override {}
    void montrerFenetre() override {}
    void enTeteResultat(const QString&) override {}
    void nouvelleLigne(const QString&, qint64) override {}
    void resultat(Resultat, int) override {}
    [[noreturn]] void echec(const Messages::Echec& e) override { throw e; }
};

// How helpers are started in this process.
struct Lancement {
    bool bac = false;    // in bubblewrap's sandbox
    quint32 options = 0; // protocole::Option, for tests
};

std::optional<Niveau> niveauImpose;
quint32 optionsImposees = 0;
// Whether the kernel lets bubblewrap make its sandbox: learnt from the first helper started in it.
std::optional<bool> bacUtilisable;
int demarres = 0;

// A helper started in the sandbox while it is not known to work there ended before its first
// word, with bubblewrap's own failure status: the kernel may refuse bubblewrap its namespaces.
struct BacRefuse {};

QByteArray dossierCourant() {
    QByteArray tampon(4096, '\0');
    while (::getcwd(tampon.data(), std::size_t(tampon.size())) == nullptr && errno == ERANGE) {
        tampon.resize(tampon.size() * 2);
    }
    return QByteArray(tampon.constData());
}

// The helper's current directory is "/" in the sandbox: the path must not depend on it.
QByteArray absolu(const QByteArray& chemin) {
    return chemin.startsWith('/') || chemin.isEmpty() ? chemin : dossierCourant() + '/' + chemin;
}

std::optional<Avertissement> avertissement;

// Notes, once, what protects the user's files when it is less than the sandbox, for the window to
// say.
void noter(const Lancement& lancement, quint8 protections, int abi) {
    if (avertissement || lancement.bac) {
        return;
    }
    const QString pourquoi = bac::bubblewrap()
                                 ? QStringLiteral("le système refuse à bubblewrap les espaces de "
                                                  "noms dont il fait le bac à sable")
                                 : QStringLiteral("bubblewrap n'est pas installé");
    QStringList restent;
    if ((protections & protocole::ProtectionLandlock) != 0) {
        restent << QStringLiteral("Landlock (ABI %1), qui borne les écritures au dossier choisi")
                       .arg(abi);
    }
    if ((protections & protocole::ProtectionFiltre) != 0) {
        restent << QStringLiteral("le filtre d'appels système");
    }
    restent << QStringLiteral("les gardes de Korvane à chaque appel de la bibliothèque");
    avertissement = Avertissement{
        QStringLiteral("Protection réduite"),
        QStringLiteral("La bibliothèque UnRAR ne tourne pas dans son bac à sable : %1. Restent %2.")
            .arg(pourquoi, restent.join(QStringLiteral(", ")))};
}

// A pass whose helper the window is waiting on, which interrompre() can end.
struct Conversation {
    Processus& processus;
    const Dossier& dossier;
    const PageEnCours& enCours;   // the file the helper is writing, if any
    std::function<bool()> active; // the helper is still at its pass
    // Asks the helper to stop and plays what it still sends, until its last word or ArretMaxMs
    // have passed: the milliseconds left.
    std::function<int()> derniersMots = nullptr;
    QSocketNotifier* lecteur = nullptr;
    QEventLoop* boucle = nullptr;
    bool interrompue = false; // asked
    bool enJeu = false;       // a frame is being played: a question's box may be up
    bool finie = false;       // interrompre() ended the helper
};

Conversation* conversationEnCours = nullptr;

// The helper started ahead of the next pass, if any, and what kills it with its window.
std::unique_ptr<Auxiliaire> pret;
QMetaObject::Connection finDuProprietaire;

// How a pass over the volumes `jeu` in `mode` starts its helper `chemin` as `lancement` says.
Cle cleDe(const Lancement& lancement, int mode, const QByteArray& chemin,
          const std::vector<QByteArray>& jeu) {
    Cle cle{{chemin}, QByteArray(), environnementActuel(), lancement.bac};
    if (mode == ModeExtraction) {
        cle.dossier = dossierCourant();
    }
    if (lancement.bac) {
        cle.commande =
            bac::commande(*bac::bubblewrap(), chemin, jeu,
                          mode == ModeExtraction ? std::optional(cle.dossier) : std::nullopt);
    }
    return cle;
}

// The helper started ahead when it was started as `cle` says, else a new one; the one started
// ahead is gone either way, since it serves one pass only.
std::unique_ptr<Auxiliaire> prendre(const Cle& cle, QString& raison) {
    std::unique_ptr<Auxiliaire> a = std::move(pret);
    if (a && a->cle() == cle) {
        return a;
    }
    a.reset(); // before another starts
    a = Auxiliaire::demarrer(cle, raison);
    demarres += a ? 1 : 0;
    return a;
}

// One pass in one helper, started as `lancement` says, or started ahead so when `devance`.
Issue converser(RetourPasse& retour, const Lancement& lancement, int mode,
                const QByteArray& archive, const QString& motDePasse,
                const std::vector<quint32>& selection = {}, bool devance = true) {
    const QByteArray chemin = QFile::encodeName(programme());
    // In the sandbox, a missing helper would read as bubblewrap's failure.
    if (::access(chemin.constData(), X_OK) != 0) {
        retour.echec(
            {Genre::Installation, 0,
             Messages::assistantIntrouvable(QFile::decodeName(chemin),
                                            QString::fromLocal8Bit(std::strerror(errno)))});
    }
    // A pipe would keep the library waiting for a writer, a device would feed it for ever: only a
    // file is an archive. Said here, before a sandbox is made around a file that is not there.
    struct stat fichier {};
    if (mode != protocole::ModeSonde &&
        (::stat(archive.constData(), &fichier) != 0 || !S_ISREG(fichier.st_mode))) {
        retour.echec({Genre::Ouverture, ERAR_EOPEN});
    }
    // The library may read these files, and no other of the user's; what they hold bounds what the
    // helper may tell of them.
    const std::vector<QByteArray> jeu =
        archive.isEmpty() ? std::vector<QByteArray>() : volumes::duJeu(archive);
    qint64 octets = 0;
    for (const QByteArray& volume : jeu) {
        struct stat v {};
        octets += ::stat(volume.constData(), &v) == 0 ? qint64(v.st_size) : 0;
    }
    const Cle cle = cleDe(lancement, mode, chemin, jeu);
    // Dated before any helper of this pass runs: one started now may create its first file
    // before this process is given the processor again.
    const Dossier dossier(mode == ModeExtraction);
    QString raison;
    std::unique_ptr<Auxiliaire> auxiliaire;
    if (devance) {
        auxiliaire = prendre(cle, raison);
    } else {
        auxiliaire = Auxiliaire::demarrer(cle, raison);
        demarres += auxiliaire ? 1 : 0;
    }
    if (!auxiliaire) {
        retour.echec({Genre::Installation, 0,
                      Messages::assistantIntrouvable(QFile::decodeName(chemin), raison)});
    }
    Processus& processus = auxiliaire->processus();
    PageEnCours& page = auxiliaire->page();
    if (lancement.bac && mode == ModeExtraction) {
        // bubblewrap 0.8 mounts the destination by the path that its descriptor has, and others
        // who can write a folder on that path may have put another folder under that name
        // meanwhile: the helper gets its pass only once it is known to stand in ours. Its first
        // word comes once bubblewrap has made the sandbox and left it in the destination; it stays
        // in the pipe for the pass to read.
        processus.connaitreAssistant();
        pollfd p{processus.lecture(), POLLIN, 0};
        while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
        }
        if (!processus.assistantIci()) {
            retour.echec({Genre::Installation, 0, Messages::destinationRemplacee()});
        }
    }
    {
        std::string demande;
        protocole::Redaction r(demande);
        r.debut(Type::Demande);
        r.u32(protocole::Version);
        r.u8(quint8(mode));
        r.u32(lancement.options | (lancement.bac ? 0U : quint32(protocole::HorsBac)));
        r.octets(vue(archive));
        r.u32(quint32(jeu.size()));
        for (const QByteArray& volume : jeu) {
            r.octets(vue(volume));
        }
        std::string secret = utf8(motDePasse);
        r.texte(secret);
        std::fill(secret.begin(), secret.end(), '\0');
        r.u32(quint32(selection.size()));
        for (const quint32 place : selection) {
            r.u32(place);
        }
        r.fin();
        processus.ecrire(demande);
        std::fill(demande.begin(), demande.end(), '\0');
    }
    // Before anything can end bubblewrap: only while it lives does the number it gives surely
    // name the helper.
    processus.connaitreAssistant();

    Relecture relecture(retour, mode, processus, octets);
    QByteArray& tampon = auxiliaire->tampon(); // its hello may be there already
    bool ouvert = true;
    Conversation conversation{processus, dossier, page, [&] {
                                  return ouvert && relecture.etat() == Relecture::Etat::EnCours;
                              }};
    // Plays what the helper wrote and this side read; false once the conversation is over.
    const auto jouer = [&] {
        std::size_t position = 0;
        bool rompu = false;
        while (relecture.etat() == Relecture::Etat::EnCours) {
            const std::optional<protocole::Trame> t = protocole::suivante(
                vue(tampon), position, rompu, std::size_t(protocole::TailleMaxRetour));
            if (!t) {
                break;
            }
            conversation.enJeu = true;
            relecture.jouer(*t);
            conversation.enJeu = false;
            if (conversation.finie) {
                return false; // interrompre() did the rest, from a box of this frame
            }
        }
        if (rompu) {
            relecture.rompre();
        }
        tampon.remove(0, qsizetype(position));
        return conversation.active();
    };
    const auto recevoir = [&] {
        ouvert = auxiliaire->lire();
        return jouer();
    };
    conversation.derniersMots = [&] {
        QDeadlineTimer delai(attenteArretImposee.value_or(ArretMaxMs));
        relecture.arreter();
        if (page.demanderArret()) {
            while (jouer()) {
                pollfd p{processus.lecture(), POLLIN, 0};
                const int r = ::poll(&p, 1, int(delai.remainingTime()));
                if (r == 0 || (r < 0 && errno != EINTR)) {
                    break;
                }
                ouvert = r < 0 || auxiliaire->lire();
            }
        }
        return int(delai.remainingTime());
    };

    if (mode == protocole::ModeSonde) {
        // Before the window exists, or before its first pass: nothing to answer meanwhile.
        for (bool suite = true; suite;) {
            pollfd p{processus.lecture(), POLLIN, 0};
            if (::poll(&p, 1, -1) > 0 || errno != EINTR) {
                suite = recevoir();
            }
        }
    } else {
        // The window lives while the helper works: every event is handled, and the helper's pipe
        // wakes this loop. Its notifier is off while a frame plays, since a question's box runs
        // a loop of its own in which the pipe must wait for the answer.
        QEventLoop boucle;
        QSocketNotifier lecteur(processus.lecture(), QSocketNotifier::Read);
        conversation.lecteur = &lecteur;
        conversation.boucle = &boucle;
        const QScopedValueRollback<Conversation*> enVigueur(conversationEnCours, &conversation);
        // Rows stream faster than anyone reads them: the window takes all that waits in the pipe
        // at once, and while they stream, one batch a frame at most, so that a million rows wake
        // it a few dozen times a second, not at each of the helper's writes. A pipe that only
        // trickles is read as it comes.
        QElapsedTimer dernierLot;
        dernierLot.start();
        QTimer reprise;
        reprise.setSingleShot(true);
        QObject::connect(&reprise, &QTimer::timeout, &boucle, [&] {
            if (conversation.active() && !conversation.interrompue) {
                lecteur.setEnabled(true);
            }
        });
        QObject::connect(&lecteur, &QSocketNotifier::activated, &boucle, [&] {
            lecteur.setEnabled(false);
            qsizetype lus = 0;
            bool suite = true;
            for (bool encore = true; suite && encore;) {
                const qsizetype avant = tampon.size();
                ouvert = auxiliaire->lire();
                lus += tampon.size() - avant;
                suite = jouer();
                pollfd p{processus.lecture(), POLLIN, 0};
                encore = ouvert && (lus < LotMax) && (::poll(&p, 1, 0) > 0);
            }
            if (!suite) {
                if (!conversation.interrompue) {
                    boucle.quit();
                }
                return;
            }
            const qint64 ecoule = dernierLot.restart();
            if (lus >= LotEnFlot && ecoule < IntervalleLotsMs) {
                reprise.start(int(IntervalleLotsMs - ecoule));
            } else {
                lecteur.setEnabled(true);
            }
        });
        boucle.exec();
        if (conversation.interrompue) {
            if (relecture.ligneOuverte()) {
                retour.resultat(Resultat::Interrompu);
            }
            return Issue::Interrompue;
        }
    }
    if (relecture.version() != 0) {
        derniereVersion = relecture.version();
    }

    const Relecture::Etat etat = relecture.etat();
    noter(lancement, relecture.protections(), relecture.abiLandlock());
    // A helper that spoke from the sandbox, even to say that the library is missing, shows that
    // the kernel lets bubblewrap make it.
    if (lancement.bac && !relecture.muette()) {
        bacUtilisable = true;
    }
    const int statut =
        processus.attendreFin(etat == Relecture::Etat::Rompue ? 0 : FinApresDernierMotMs);
    if (lancement.bac && !bacUtilisable && relecture.muette() && WIFEXITED(statut) &&
        WEXITSTATUS(statut) == 1) {
        throw BacRefuse{};
    }
    if (WIFEXITED(statut) && WEXITSTATUS(statut) == 0) {
        if (etat == Relecture::Etat::Fin) {
            return Issue::Terminee;
        }
        if (etat == Relecture::Etat::Abandon) {
            return Issue::Abandonnee;
        }
        if (etat == Relecture::Etat::Echec) {
            retour.echec(relecture.echec());
        }
    }
    if (processus.parti()) {
        dossier.retirerFichier(page.lire());
    }
    if (WIFSIGNALED(statut)) {
        retour.echec({Genre::Signal, WTERMSIG(statut)});
    }
    const int code = WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
    if (lancement.bac && code > 128) {
        retour.echec({Genre::Signal, code - 128}); // how bubblewrap tells a signal
    }
    retour.echec({Genre::Sortie, code});
    std::abort(); // echec() never returns; this only tells the compiler so
}

// Runs a helper that only loads the library, started as `l` says: its failure, if any.
std::optional<Messages::Echec> sonde(const Lancement& l) {
    RetourSonde retour;
    try {
        converser(retour, l, protocole::ModeSonde, QByteArray(), QString(), {}, false);
    } catch (const Messages::Echec& e) {
        return e;
    }
    return std::nullopt;
}

// Learns whether bubblewrap can make its sandbox here, from a helper that binds nothing of the
// user's: what the pass bound might be the cause of its failure.
void apprendreBac() {
    try {
        sonde({true, 0});
    } catch (const BacRefuse&) {
    }
    bacUtilisable = bacUtilisable.value_or(false); // a probe that never spoke: not here
}

// The strongest way of starting helpers that works here, as far as the helpers started so far
// tell.
Lancement lancement() {
    if (niveauImpose) {
        return {*niveauImpose == Niveau::Bac && bac::bubblewrap().has_value(),
                optionsImposees |
                    (*niveauImpose == Niveau::Gardes ? quint32(protocole::SansLandlock) : 0U)};
    }
    return {bac::bubblewrap().has_value() && bacUtilisable.value_or(true), optionsImposees};
}

} // namespace

QString programme() {
    if (!programmeDefini().isEmpty()) {
        return programmeDefini();
    }
    // Before the application exists too: the helper of the first pass starts first of all.
    const QString ici =
        QCoreApplication::instance() != nullptr
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
    const QString voisin = ici + QStringLiteral("/korvane-passe");
    if (QFileInfo(voisin).isExecutable()) {
        return voisin;
    }
    return QDir::cleanPath(ici + QLatin1Char('/') + QStringLiteral(KORVANE_ASSISTANT_RELATIF));
}

void definirProgramme(const QString& chemin) {
    programmeDefini() = chemin;
}

int versionBibliotheque() {
    return derniereVersion;
}

std::optional<Avertissement> protectionReduite() {
    return avertissement;
}

void preparer(const QByteArray& archive) {
    pret.reset();
    QObject::disconnect(finDuProprietaire);
    const QByteArray chemin = absolu(archive);
    const QByteArray programmeOctets = QFile::encodeName(programme());
    struct stat fichier {};
    if (::stat(chemin.constData(), &fichier) != 0 || !S_ISREG(fichier.st_mode) ||
        ::access(programmeOctets.constData(), X_OK) != 0) {
        return; // the pass will say what is wrong
    }
    QString raison;
    pret = Auxiliaire::demarrer(
        cleDe(lancement(), ModeListe, programmeOctets, volumes::duJeu(chemin)), raison);
    demarres += pret ? 1 : 0;
}

std::optional<QString> sonder() {
    // A helper started ahead that says hello has loaded the library, and, in the sandbox, shows
    // that the kernel lets bubblewrap make it: it stays for its pass. Else a probe says what is
    // wrong.
    if (pret && pret->bonjour()) {
        bacUtilisable = pret->cle().bac ? std::optional(true) : bacUtilisable;
        return std::nullopt;
    }
    pret.reset();
    for (;;) {
        try {
            if (const std::optional<Messages::Echec> e = sonde(lancement())) {
                return Messages::texte(*e, QString());
            }
            return std::nullopt;
        } catch (const BacRefuse&) {
            bacUtilisable = false; // and once more outside the sandbox
        }
    }
}

Issue executer(RetourPasse& retour, int mode, const QByteArray& archive, const QString& motDePasse,
               const std::vector<quint32>& selection, QObject* fenetre) {
    const QByteArray chemin = absolu(archive);
    for (;;) {
        try {
            const Issue issue = converser(retour, lancement(), mode, chemin, motDePasse, selection);
            // The likeliest next command is another pass over the same archive, with no
            // destination: its helper starts once the window has shown this one's end, and goes
            // with the window.
            if (fenetre != nullptr && issue != Issue::Interrompue) {
                QTimer::singleShot(0, fenetre, [fenetre, chemin] {
                    if (conversationEnCours == nullptr) {
                        preparer(chemin);
                        finDuProprietaire =
                            QObject::connect(fenetre, &QObject::destroyed, [] { pret.reset(); });
                    }
                });
            }
            return issue;
        } catch (const BacRefuse&) {
            // Nothing of the pass was played: it starts again below the sandbox, unless the
            // sandbox works here and the pass's own failure is to be told.
            apprendreBac();
            if (*bacUtilisable) {
                retour.echec({Genre::Sortie, 1});
            }
        }
    }
}

int auxiliairesDemarres() {
    return demarres;
}

void imposerAttenteArret(std::optional<int> ms) {
    attenteArretImposee = ms;
}

void interrompre(bool lignes) {
    Conversation* const c = conversationEnCours;
    if (c == nullptr || c->interrompue || !c->active()) {
        return; // nothing left to stop: the pass has said its last word
    }
    c->interrompue = true;
    c->lecteur->setEnabled(false); // before its descriptor is closed
    // The rows of what the helper finished come before it goes, so that the rows, the end line
    // and the files agree; a helper waiting for an answer sent them all before it asked.
    c->processus.attendreFin(c->enJeu || !lignes ? 0 : std::max(0, c->derniersMots()));
    c->finie = true;
    // The helper is gone: nothing can write the file any more once it is removed.
    if (c->processus.parti()) {
        c->dossier.retirerFichier(c->enCours.lire());
    }
    c->boucle->quit();
}

Niveau niveau() {
    if (niveauImpose) {
        return *niveauImpose;
    }
    if (bac::bubblewrap() && !bacUtilisable) {
        apprendreBac();
    }
    return lancement().bac ? Niveau::Bac : Niveau::Landlock;
}

void imposerNiveau(std::optional<Niveau> niveau) {
    niveauImpose = niveau;
}

void imposerOptions(quint32 options) {
    optionsImposees = options;
}

} // namespace assistant

// One measurement, in a process of its own, set up as the program sets itself up: the real window
// and its helper, or the bare driver of the library (bench_korvane.cpp says which).

#include "Assistant.h"
#include "Banc.h"
#include "Environnement.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "ModuleRAR.h"
#include "Protocole.h"
#include "TraiterArchive.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <memory>
#include <vector>

namespace {

QTextStream sortie(stdout);

// A failure in a measured pass is a broken benchmark, not something to answer.
class InteractionBanc final : public platform::Interaction {
public:
    void message(QWidget*, const QString& texte, const QString& titre, platform::Icone) override {
        if (titre != QStringLiteral("Comment")) {
            echec(titre + QStringLiteral(": ") + texte);
        }
    }
    QMessageBox::StandardButton question(QWidget*, const QString& texte, const QString&,
                                         QMessageBox::StandardButtons) override {
        echec(QStringLiteral("unexpected question: ") + texte);
    }
    std::optional<QString> ouvrirFichier(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> enregistrerFichier(QWidget*, const QString&, const QString&,
                                              const QString&) override {
        return std::nullopt;
    }
    void ouvrirDocument(const QString&, std::function<void()> refus) override { refus(); }
    void ouvrirDossier(const QString&, std::function<void()>) override {}
    std::optional<QString> motDePasse(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    [[noreturn]] void terminer(int statut) override {
        if (statut == 0) {
            throw FinDemandee{};
        }
        std::exit(statut);
    }
};

// The bare driver: the pass itself, writing nowhere.
class RetourNu final : public RetourMoteur {
public:
    explicit RetourNu(const QElapsedTimer& depuis)
        : depuis_(depuis) {}
    qint64 premiereLigneNs = -1;
    qint64 lignes = 0;

    void commentaire(std::string_view, bool) override {}
    void montrerFenetre() override {}
    void enTeteResultat(std::string_view) override {}
    void nouvelleLigne(std::string_view, std::int64_t) override {
        if (lignes++ == 0) {
            premiereLigneNs = depuis_.nsecsElapsed();
        }
    }
    void resultat(Resultat, int) override {}
    [[noreturn]] void echec(const EchecPasse& e) override {
        ::echec(Messages::texte(Messages::Echec::depuis(e), QString()));
    }

private:
    const QElapsedTimer& depuis_;
};

// The window's peak adds that of its largest helper.
long picKib(bool avecAssistants) {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    long pic = r.ru_maxrss;
    if (avecAssistants) {
        getrusage(RUSAGE_CHILDREN, &r);
        pic += r.ru_maxrss;
    }
    return pic;
}

// What /proc says of process `pid`: its name, its parent and its peak resident size in KiB.
struct Etat {
    QByteArray nom;
    long parent = 0;
    long picKib = 0;
};

Etat etat(long pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    Etat e;
    if (!f.open(QIODevice::ReadOnly)) {
        return e;
    }
    for (const QByteArray& ligne : f.readAll().split('\n')) {
        const QByteArray valeur = ligne.mid(ligne.indexOf(':') + 1).trimmed();
        if (ligne.startsWith("Name:")) {
            e.nom = valeur;
        } else if (ligne.startsWith("PPid:")) {
            e.parent = valeur.toLong();
        } else if (ligne.startsWith("VmHWM:")) {
            e.picKib = valeur.split(' ').first().toLong();
        }
    }
    return e;
}

// The largest peak of our helpers (children of ours, or of the bubblewrap we started), read in
// /proc every millisecond until `fin`: a helper's own peak, which the rusage of children cannot
// give, since a child started by posix_spawn counts the window's pages it shared until its exec.
long picAssistantsKib(const std::atomic<bool>& fin) {
    const long moi = ::getpid();
    long pic = 0;
    while (!fin.load()) {
        for (const QString& n : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool nombre = false;
            const long pid = n.toLong(&nombre);
            const Etat e = nombre ? etat(pid) : Etat{};
            if (e.nom == "korvane-passe" &&
                (e.parent == moi || (e.parent > 0 && etat(e.parent).parent == moi))) {
                pic = std::max(pic, e.picKib);
            }
        }
        ::usleep(1000);
    }
    return pic;
}

// The processor time, user and system, of this process and of the children it has reaped, in
// nanoseconds: the window's, and that of its helpers and their sandboxes once the pass is over.
struct Processeur {
    qint64 soi = 0;
    qint64 enfants = 0;
};

Processeur processeur() {
    const auto ns = [](const rusage& r) {
        return (qint64(r.ru_utime.tv_sec) + qint64(r.ru_stime.tv_sec)) * 1'000'000'000 +
               (qint64(r.ru_utime.tv_usec) + qint64(r.ru_stime.tv_usec)) * 1000;
    };
    rusage soi{};
    rusage enfants{};
    getrusage(RUSAGE_SELF, &soi);
    getrusage(RUSAGE_CHILDREN, &enfants);
    return {ns(soi), ns(enfants)};
}

} // namespace

int mesurer(int argc, char* argv[]) {
    if (argc < 5) {
        echec(QStringLiteral("--mesure nu|fenetre|direct|bac|auxiliaire|landlock|choix|filtre|ici|"
                             "fermeture|pic|arret MODE ARCHIVE [DEST]"));
    }
    const bool fenetre = qstrcmp(argv[2], "nu") != 0;
    const int mode = std::atoi(argv[3]);
    std::unique_ptr<QCoreApplication> application;
    if (fenetre) {
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QString archive = QString::fromLocal8Bit(argv[4]);
    if (argc > 5) {
        QDir::setCurrent(QString::fromLocal8Bit(argv[5]));
    }
    environnement::localeUtf8();
    environnement::fuseauLuUneFois();
    InteractionBanc interaction;
    platform::installerInteraction(&interaction);
    assistant::definirProgramme(QStringLiteral(KORVANE_PASSE));
    if (qstrcmp(argv[2], "bac") == 0 || qstrcmp(argv[2], "auxiliaire") == 0) {
        assistant::imposerNiveau(qstrcmp(argv[2], "bac") == 0 ? assistant::Niveau::Bac
                                                              : assistant::Niveau::Gardes);
        assistant::imposerOptions(protocole::SansFiltre);
    } else if (qstrcmp(argv[2], "landlock") == 0) {
        assistant::imposerNiveau(assistant::Niveau::Landlock);
    } else if (qstrcmp(argv[2], "direct") == 0) {
        assistant::imposerOptions(protocole::LecturesDirectes);
    }

    QElapsedTimer chrono;
    Processeur avant;
    Processeur apres;
    qint64 premiere = -1;
    qint64 lignes = 0;
    qint64 ns = 0;
    long picAssistant = -1;
    if (fenetre) {
        // What the program does once at start-up, before any pass: finding out whether the kernel
        // lets bubblewrap make its sandbox.
        assistant::niveau();
        FUnRAR f;
        f.show();
        QCoreApplication::processEvents();
        QObject::connect(f.modeleResultats(), &QAbstractItemModel::rowsInserted, &f, [&] {
            if (premiere < 0) {
                premiere = chrono.nsecsElapsed();
            }
        });
        std::vector<quint32> choix;
        if (qstrcmp(argv[2], "choix") == 0) {
            for (quint32 place = 5000; place < 100000; place += 10000) {
                choix.push_back(place);
            }
        }
        if (qstrcmp(argv[2], "ici") == 0) {
            // Beside the archive, as the desktop's menu asks for it; a link costs no copy.
            const QByteArray ici = QFile::encodeName(QDir::currentPath()) + "/jeu.rar";
            if (::link(QFile::encodeName(archive).constData(), ici.constData()) != 0) {
                echec(QStringLiteral("cannot link the archive beside the destination"));
            }
            avant = processeur();
            chrono.start();
            try {
                f.extraireIci(ici);
            } catch (const FinDemandee&) {
            }
        } else if (qstrcmp(argv[2], "fermeture") == 0) {
            ns = fermetureEnExtraction(f, archive);
        } else if (qstrcmp(argv[2], "arret") == 0) {
            sortie << arretEnExtraction(f, archive) << '\n';
            return 0;
        } else if (qstrcmp(argv[2], "pic") == 0) {
            // Not timed: the reading of /proc takes a core.
            std::atomic<bool> fin{false};
            chrono.start();
            auto pic = std::async(std::launch::async, [&fin] { return picAssistantsKib(fin); });
            f.TraiterArchive(mode, archive, QString(), choix);
            fin = true;
            picAssistant = pic.get();
        } else {
            f.modeleResultats()->viderLignes();
            avant = processeur();
            chrono.start();
            f.TraiterArchive(mode, archive, QString(), choix);
        }
        ns = qstrcmp(argv[2], "fermeture") == 0 ? ns : chrono.nsecsElapsed();
        apres = processeur();
        lignes = f.modeleResultats()->rowCount();
        if (qstrcmp(argv[2], "filtre") == 0) {
            const Frappes frappes = frappesDuFiltre(f);
            ns = frappes.mediane;
            premiere = frappes.pire;
        }
    } else {
        // The library is loaded inside the measure, as the helper loads it inside the window's.
        RetourNu retour(chrono);
        avant = processeur();
        chrono.start();
        const ModuleRAR::Chargement unrar = ModuleRAR::chargerUnrar();
        if (!unrar.api) {
            echec(Messages::texte(Messages::Echec::depuis(unrar.erreur), QString()));
        }
        TraiterArchive(*unrar.api, retour, mode, QFile::encodeName(archive).toStdString(), {});
        ns = chrono.nsecsElapsed();
        apres = processeur();
        premiere = retour.premiereLigneNs;
        lignes = retour.lignes;
    }
    // "pic" gives its helpers' peak instead of its own.
    sortie << ns << ' ' << premiere << ' ' << (picAssistant >= 0 ? picAssistant : picKib(fenetre))
           << ' ' << lignes << ' ' << (apres.soi + apres.enfants - avant.soi - avant.enfants) << ' '
           << (apres.enfants - avant.enfants) << '\n';
    return 0;
}

int auMillion(int argc, char* argv[]) {
    QApplication application(argc, argv);
    environnement::localeUtf8();
    InteractionBanc interaction;
    platform::installerInteraction(&interaction);
    FUnRAR f;
    f.show();
    QCoreApplication::processEvents();
    const Frappes m = filtreAuMillion(f);
    sortie << m.ouverture << ' ' << m.mediane << ' ' << m.pire << ' ' << m.pireProcesseur << ' '
           << m.picEnPlusKib << ' ' << m.octetsPlies << ' ' << m.medianeProcesseur << ' '
           << m.octetsParLigne << '\n';
    return 0;
}

// The fixed cost of a pass in a helper: starting one that loads the library and ends at once.
int demarrages(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    environnement::fuseauLuUneFois();
    assistant::definirProgramme(QStringLiteral(KORVANE_PASSE));
    const int n = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        if (const std::optional<QString> erreur = assistant::sonder()) {
            echec(*erreur);
        }
        ms.push_back(double(chrono.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    sortie << ms[ms.size() / 2] << '\n';
    return 0;
}

// Times passes of the real window, which runs each pass in its helper process, against a bare
// driver of the library that makes the same calls through the same pass in one process, with
// nothing shown. Each measurement runs in a process of its own, set up as the program sets itself
// up, so that its time and peak memory are its own.
//
//   bench_korvane [--repetitions N] [--dossier DIR]
//   bench_korvane --mesure nu|fenetre|bac|auxiliaire|landlock|choix|filtre|ici|fermeture MODE
//                 ARCHIVE [DEST]
//   (one measurement; bac: the window with its helper sandboxed but without the system-call
//   filter; auxiliaire: with no confinement at all; landlock: with Landlock and the filter, as
//   where bubblewrap cannot run; choix: the window's pass on 10 entries spread over the archive;
//   filtre: keystrokes in the filter after the window's pass; ici: "Extraire ici" of the archive
//   linked into DEST; fermeture: a close request once the extraction into DEST writes)
//   bench_korvane --demarrage N                                     (N helpers that do no pass)
//   bench_korvane --demarrage-fenetre ARCHIVE     (the program's start until its last row shows)
//   bench_korvane --lancement     (only the lines of the start-up and of a close under load)
//   bench_korvane --million                  (the filter over a million rows put into the window)

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
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

void echec(const QString& message) {
    std::fprintf(stderr, "bench_korvane: %s\n", qPrintable(message));
    std::exit(2);
}

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
    bool ouvrirDocument(const QString&) override { return false; }
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
class RetourNu final : public RetourPasse {
public:
    explicit RetourNu(const QElapsedTimer& depuis)
        : depuis_(depuis) {}
    qint64 premiereLigneNs = -1;
    qint64 lignes = 0;

    void commentaire(const QString&, bool) override {}
    void montrerFenetre() override {}
    void enTeteResultat(const QString&) override {}
    void nouvelleLigne(const QString&, qint64) override {
        if (lignes++ == 0) {
            premiereLigneNs = depuis_.nsecsElapsed();
        }
    }
    void resultat(Resultat, int) override {}
    [[noreturn]] void echec(const Messages::Echec& e) override {
        ::echec(Messages::texte(e, QString()));
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

int mesurer(int argc, char* argv[]) {
    if (argc < 5) {
        echec(QStringLiteral(
            "--mesure nu|fenetre|bac|auxiliaire|landlock|choix|filtre|ici|fermeture MODE ARCHIVE "
            "[DEST]"));
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
    }

    QElapsedTimer chrono;
    qint64 premiere = -1;
    qint64 lignes = 0;
    qint64 ns = 0;
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
            chrono.start();
            try {
                f.extraireIci(ici);
            } catch (const FinDemandee&) {
            }
        } else if (qstrcmp(argv[2], "fermeture") == 0) {
            ns = fermetureEnExtraction(f, archive);
        } else {
            chrono.start();
            f.modeleResultats()->viderLignes();
            f.TraiterArchive(mode, archive, QString(), choix);
        }
        ns = qstrcmp(argv[2], "fermeture") == 0 ? ns : chrono.nsecsElapsed();
        lignes = f.modeleResultats()->rowCount();
        if (qstrcmp(argv[2], "filtre") == 0) {
            const Frappes frappes = frappesDuFiltre(f);
            ns = frappes.mediane;
            premiere = frappes.pire;
        }
    } else {
        // The library is loaded inside the measure, as the helper loads it inside the window's.
        RetourNu retour(chrono);
        chrono.start();
        const ModuleRAR::Chargement unrar = ModuleRAR::chargerUnrar();
        if (!unrar.api) {
            echec(Messages::texte(unrar.erreur, QString()));
        }
        TraiterArchive(*unrar.api, retour, mode, QFile::encodeName(archive), QString());
        ns = chrono.nsecsElapsed();
        premiere = retour.premiereLigneNs;
        lignes = retour.lignes;
    }
    sortie << ns << ' ' << premiere << ' ' << picKib(fenetre) << ' ' << lignes << '\n';
    return 0;
}

// The filter of the window over a million rows, in a process of its own: its peak is the rows'.
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
           << m.picEnPlusKib << ' ' << m.octetsPlies << '\n';
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

struct Mesure {
    double secondes = 0;
    double premiereMs = 0;
    double picMib = 0;
    qint64 lignes = 0;
};

double mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs `commande` in a process of its own: what it printed on its standard output.
QString sortieDe(const QStringList& commande) {
    QProcess p;
    p.start(commande.first(), commande.mid(1));
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        // The toolkit's warnings of every offscreen run would drown the table: shown on failure.
        std::fputs(p.readAllStandardError().constData(), stderr);
        echec(QStringLiteral("measurement failed: ") + commande.join(QLatin1Char(' ')));
    }
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// Each extraction gets a new folder, removed only once every measurement is done: on this kind of
// file system, creating many files in the minutes after removing as many takes several times
// longer, and the figures would measure that.
Mesure uneMesure(const QString& variante, int mode, const QString& archive, const QString& racine) {
    static int extractions = 0;
    QStringList commande{QCoreApplication::applicationFilePath(), QStringLiteral("--mesure"),
                         variante, QString::number(mode), archive};
    if (mode == ModeExtraction) {
        const QString destination = racine + QStringLiteral("/destinations/%1").arg(++extractions);
        QDir().mkpath(destination);
        commande << destination;
    }
    const QStringList champs = sortieDe(commande).split(QLatin1Char(' '));
    if (champs.size() != 4) {
        echec(QStringLiteral("unexpected measurement output"));
    }
    return {champs[0].toDouble() / 1e9, champs[1].toDouble() / 1e6, champs[2].toDouble() / 1024,
            champs[3].toLongLong()};
}

struct Comparaison {
    Mesure nu;
    Mesure fenetre;
};

// The median of each variant, measured in turn `repetitions` times, so that a change in the
// machine's load touches all alike.
std::vector<Mesure> alterner(const QStringList& variantes, int mode, const QString& archive,
                             const QString& racine, int repetitions) {
    const std::size_t n = std::size_t(variantes.size());
    std::vector<std::vector<double>> s(n), p(n), m(n);
    std::vector<qint64> lignes(n, 0);
    for (int r = 0; r < repetitions; ++r) {
        // Every other round in reverse order: a file system that slows as files pile up would
        // otherwise always charge the later variants.
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t v = r % 2 == 0 ? i : n - 1 - i;
            const Mesure x = uneMesure(variantes[qsizetype(v)], mode, archive, racine);
            s[v].push_back(x.secondes);
            p[v].push_back(x.premiereMs);
            m[v].push_back(x.picMib);
            lignes[v] = x.lignes;
        }
    }
    std::vector<Mesure> medianes;
    for (std::size_t v = 0; v < n; ++v) {
        if (lignes[v] != lignes[0]) {
            echec(QStringLiteral("the window shows %1 rows, the library gave %2")
                      .arg(lignes[v])
                      .arg(lignes[0]));
        }
        medianes.push_back(Mesure{mediane(s[v]), mediane(p[v]),
                                  *std::max_element(m[v].begin(), m[v].end()), lignes[v]});
    }
    return medianes;
}

Comparaison comparer(int mode, const QString& archive, const QString& racine, int repetitions) {
    const std::vector<Mesure> v = alterner({QStringLiteral("nu"), QStringLiteral("fenetre")}, mode,
                                           archive, racine, repetitions);
    return {v[0], v[1]};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--mesure") == 0) {
        return mesurer(argc, argv);
    }
    if (argc > 1 && qstrcmp(argv[1], "--demarrage") == 0) {
        return demarrages(argc, argv);
    }
    if (argc > 1 && qstrcmp(argv[1], "--million") == 0) {
        return auMillion(argc, argv);
    }
    if (argc > 2 && qstrcmp(argv[1], "--demarrage-fenetre") == 0) {
        return demarrageJusquALaDerniereLigne(argc, argv, QStringLiteral(KORVANE_PASSE));
    }
    QCoreApplication application(argc, argv);
    int repetitions = 5;
    QString dossier;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--repetitions")) {
            repetitions = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--dossier")) {
            dossier = args[i + 1];
        }
    }
    QTemporaryDir temporaire(dossier.isEmpty() ? QDir::tempPath() + QStringLiteral("/korvane-bench")
                                               : dossier + QStringLiteral("/korvane-bench"));
    if (!temporaire.isValid()) {
        echec(QStringLiteral("no temporary folder"));
    }
    if (QStandardPaths::findExecutable(QStringLiteral("rar")).isEmpty()) {
        echec(QStringLiteral("rar is missing: run scripts/install-deps"));
    }

    sortie << "making the archives in " << temporaire.path() << " ...\n" << Qt::flush;
    sortie << QStringLiteral("helper start (median of 40, no pass): %1 ms\n")
                  .arg(sortieDe({QCoreApplication::applicationFilePath(),
                                 QStringLiteral("--demarrage"), QStringLiteral("40")})
                           .toDouble(),
                       0, 'f', 2)
           << Qt::flush;
    const std::vector<std::pair<QString, QString>> archives{
        {QStringLiteral("10000 entries"), archivePetitsFichiers(temporaire.path(), 10, 1000)},
        {QStringLiteral("100000 entries"), archivePetitsFichiers(temporaire.path(), 100, 1000)},
        {QStringLiteral("4 x 256 MiB"), archiveGrosFichiers(temporaire.path())},
    };

    const auto fermeture = [&] {
        return uneMesure(QStringLiteral("fermeture"), ModeExtraction, archives[2].second,
                         temporaire.path())
                   .secondes *
               1e3;
    };
    if (args.contains(QStringLiteral("--lancement"))) {
        sortie << demarrageContreUnrar(archives[1].second) << Qt::flush;
        sortie << fermeturesSousCharge(fermeture) << Qt::flush;
        QDir(temporaire.path() + QStringLiteral("/destinations")).removeRecursively();
        return 0;
    }

    sortie << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                  .arg(QStringLiteral("archive"), -15)
                  .arg(QStringLiteral("pass"), -8)
                  .arg(QStringLiteral("bare s"), 8)
                  .arg(QStringLiteral("window s"), 9)
                  .arg(QStringLiteral("ratio"), 6)
                  .arg(QStringLiteral("bare MiB"), 9)
                  .arg(QStringLiteral("win MiB"), 8)
                  .arg(QStringLiteral("1st row ms"), 10)
                  .arg(QStringLiteral("us/entry"), 9);
    const std::map<int, QString> passes{{ModeListe, QStringLiteral("list")},
                                        {ModeTest, QStringLiteral("test")},
                                        {ModeExtraction, QStringLiteral("extract")}};
    std::map<QString, Comparaison> aCentMille;
    std::map<QString, double> pireRatio; // by pass, over the archives its target applies to
    double coutDixMille = 0;
    double coutCentMille = 0;
    for (const auto& [nom, archive] : archives) {
        for (int mode : {ModeListe, ModeTest, ModeExtraction}) {
            const Comparaison r = comparer(mode, archive, temporaire.path(), repetitions);
            const double parEntree =
                r.fenetre.secondes * 1e6 / double(std::max<qint64>(1, r.fenetre.lignes));
            sortie << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                          .arg(nom, -15)
                          .arg(passes.at(mode), -8)
                          .arg(r.nu.secondes, 8, 'f', 3)
                          .arg(r.fenetre.secondes, 9, 'f', 3)
                          .arg(r.fenetre.secondes / r.nu.secondes, 6, 'f', 3)
                          .arg(r.nu.picMib, 9, 'f', 1)
                          .arg(r.fenetre.picMib, 8, 'f', 1)
                          .arg(r.fenetre.premiereMs, 10, 'f', 1)
                          .arg(parEntree, 9, 'f', 2)
                   << Qt::flush;
            const bool cible = nom.startsWith(QStringLiteral("100000")) ||
                               (nom.startsWith(QStringLiteral("4 x")) && mode != ModeListe);
            if (cible) {
                double& pire = pireRatio[passes.at(mode)];
                pire = std::max(pire, r.fenetre.secondes / r.nu.secondes);
            }
            if (nom.startsWith(QStringLiteral("100000"))) {
                aCentMille[passes.at(mode)] = r;
                if (mode == ModeListe) {
                    coutCentMille = parEntree;
                }
            } else if (nom.startsWith(QStringLiteral("10000")) && mode == ModeListe) {
                coutDixMille = parEntree;
            }
        }
    }

    // What each layer of the helper's confinement adds, where it weighs most: many small entries,
    // each a handful of system calls.
    for (int mode : {ModeListe, ModeTest}) {
        const std::vector<Mesure> v =
            alterner({QStringLiteral("nu"), QStringLiteral("auxiliaire"), QStringLiteral("bac"),
                      QStringLiteral("fenetre")},
                     mode, archives[1].second, temporaire.path(), repetitions);
        sortie << QStringLiteral("100000 entries  %1 s: bare %2, helper unconfined %3, sandboxed "
                                 "%4, sandboxed and filtered %5\n")
                      .arg(passes.at(mode), -4)
                      .arg(v[0].secondes, 0, 'f', 3)
                      .arg(v[1].secondes, 0, 'f', 3)
                      .arg(v[2].secondes, 0, 'f', 3)
                      .arg(v[3].secondes, 0, 'f', 3)
               << Qt::flush;
    }

    // Taking 10 entries out of 100,000: the library still reads every header, as a list pass does.
    std::vector<double> liste10, choix10;
    for (int r = 0; r < repetitions; ++r) {
        liste10.push_back(
            uneMesure(QStringLiteral("fenetre"), ModeListe, archives[1].second, temporaire.path())
                .secondes);
        choix10.push_back(uneMesure(QStringLiteral("choix"), ModeExtraction, archives[1].second,
                                    temporaire.path())
                              .secondes);
    }
    const Mesure frappes =
        uneMesure(QStringLiteral("filtre"), ModeListe, archives[1].second, temporaire.path());
    sortie << QStringLiteral("100000 entries  window s: list %1, extract 10 selected %2; filter "
                             "keystroke ms: median %3, worst %4\n")
                  .arg(mediane(liste10), 0, 'f', 3)
                  .arg(mediane(choix10), 0, 'f', 3)
                  .arg(frappes.secondes * 1e3, 0, 'f', 1)
                  .arg(frappes.premiereMs, 0, 'f', 1)
           << Qt::flush;

    // The same keystrokes over a million rows, each run in a process of its own: the medians of
    // the runs, and the worst of all.
    std::vector<std::vector<double>> million(6);
    for (int r = 0; r < repetitions; ++r) {
        const QStringList m =
            sortieDe({QCoreApplication::applicationFilePath(), QStringLiteral("--million")})
                .split(QLatin1Char(' '));
        if (m.size() != qsizetype(million.size())) {
            echec(QStringLiteral("unexpected measurement output"));
        }
        for (std::size_t i = 0; i < million.size(); ++i) {
            million[i].push_back(m[qsizetype(i)].toDouble());
        }
    }
    const auto pire = [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    };
    sortie << QStringLiteral("1000000 rows    filter ms: open %1 (worst %2), keystroke median %3, "
                             "worst %4 (processor %5); folded names %6 bytes a row, peak +%7 MiB\n")
                  .arg(mediane(million[0]) / 1e6, 0, 'f', 1)
                  .arg(pire(million[0]) / 1e6, 0, 'f', 1)
                  .arg(mediane(million[1]) / 1e6, 0, 'f', 1)
                  .arg(pire(million[2]) / 1e6, 0, 'f', 1)
                  .arg(pire(million[3]) / 1e6, 0, 'f', 1)
                  .arg(mediane(million[5]) / 1e6, 0, 'f', 2)
                  .arg(pire(million[4]) / 1024, 0, 'f', 1)
           << Qt::flush;

    // "Extraire ici": the same extraction into a folder of its own, then one rename.
    const std::vector<Mesure> ici =
        alterner({QStringLiteral("fenetre"), QStringLiteral("ici")}, ModeExtraction,
                 archives[1].second, temporaire.path(), repetitions);
    sortie << QStringLiteral("100000 entries  window extract s: into a chosen folder %1, Extraire "
                             "ici %2 (ratio %3)\n")
                  .arg(ici[0].secondes, 0, 'f', 3)
                  .arg(ici[1].secondes, 0, 'f', 3)
                  .arg(ici[1].secondes / ici[0].secondes, 0, 'f', 3)
           << Qt::flush;

    const std::vector<Mesure> liens =
        alterner({QStringLiteral("nu"), QStringLiteral("fenetre")}, ModeExtraction,
                 archiveLiensVides(temporaire.path()), temporaire.path(), repetitions);
    sortie << QStringLiteral("4000 links to nothing extract s: bare %1, window %2\n")
                  .arg(liens[0].secondes, 0, 'f', 3)
                  .arg(liens[1].secondes, 0, 'f', 3)
           << Qt::flush;

    sortie << demarrageContreUnrar(archives[1].second) << Qt::flush;
    sortie << fermeturesSousCharge(fermeture) << Qt::flush;

    QDir(temporaire.path() + QStringLiteral("/destinations")).removeRecursively();
    double picEnPlus = 0;
    for (const auto& [passe, r] : aCentMille) {
        picEnPlus = std::max(picEnPlus, r.fenetre.picMib - r.nu.picMib);
    }
    const Comparaison& liste = aCentMille.at(QStringLiteral("list"));
    sortie << QStringLiteral("list cost per entry at 100000 / at 10000: %1\n")
                  .arg(coutCentMille / coutDixMille, 0, 'f', 3);
    sortie << QStringLiteral("ratios list=%1 test=%2 extract=%3 rows_per_s=%4 peak_extra_mib=%5\n")
                  .arg(pireRatio.at(QStringLiteral("list")), 0, 'f', 3)
                  .arg(pireRatio.at(QStringLiteral("test")), 0, 'f', 3)
                  .arg(pireRatio.at(QStringLiteral("extract")), 0, 'f', 3)
                  .arg(qint64(double(liste.fenetre.lignes) / liste.fenetre.secondes))
                  .arg(picEnPlus, 0, 'f', 1);
    return 0;
}

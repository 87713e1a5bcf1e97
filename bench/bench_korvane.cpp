// Times passes of the real window, which runs each pass in its helper process, against a bare
// driver of the library that makes the same calls through the same pass in one process, with
// nothing shown. Each measurement runs in a process of its own, set up as the program sets itself
// up, so that its time and peak memory are its own.
//
//   bench_korvane [--repetitions N] [--dossier DIR] [--memoire TMPFS_DIR] [--extraction|--ici]
//   (--extraction: only the extractions of 100,000 small files; --ici: only "Extraire ici" of
//   them against the window's extraction into a chosen folder)
//   bench_korvane --mesure nu|fenetre|bac|auxiliaire|landlock|choix|filtre|ici|fermeture|pic MODE
//                 ARCHIVE [DEST]
//   (one measurement; bac: the window with its helper sandboxed but without the system-call
//   filter; auxiliaire: with no confinement at all; landlock: with Landlock and the filter, as
//   where bubblewrap cannot run; choix: the window's pass on 10 entries spread over the archive;
//   filtre: keystrokes in the filter after the window's pass; ici: "Extraire ici" of the archive
//   linked into DEST; fermeture: a close request once the extraction into DEST writes; pic: the
//   window's pass, giving its helper's peak in KiB, untimed)
//   bench_korvane --demarrage N                                     (N helpers that do no pass)
//   bench_korvane --demarrage-fenetre ARCHIVE     (the program's start until its last row shows)
//   bench_korvane --lancement     (only the lines of the start-up and of a close under load)
//   bench_korvane --million                  (the filter over a million rows put into the window)

#include "Banc.h"
#include "RetourPasse.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include <sys/resource.h>

void echec(const QString& message) {
    std::fprintf(stderr, "bench_korvane: %s\n", qPrintable(message));
    std::exit(2);
}

namespace {

QTextStream sortie(stdout);

struct Mesure {
    double secondes = 0;
    double processeur = 0; // seconds of the whole process tree, user and system
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

// Where extractions write: a folder on the disk, or one in memory.
struct Lieu {
    QString dossier;
    bool enMemoire = false;
};

// Each extraction gets a new folder. On the disk it stays until every measurement is done: on
// ext4, creating many files within about half a minute of removing many makes the kernel look
// through the inodes just freed, and the figures would measure that (README, "Performances"). In
// memory nothing of the kind happens, and the folder goes at once.
Mesure uneMesure(const QString& variante, int mode, const QString& archive, const Lieu& lieu) {
    static int extractions = 0;
    QStringList commande{QCoreApplication::applicationFilePath(), QStringLiteral("--mesure"),
                         variante, QString::number(mode), archive};
    const QString destination =
        lieu.dossier + QStringLiteral("/destinations/%1").arg(++extractions);
    if (mode == ModeExtraction) {
        QDir().mkpath(destination);
        commande << destination;
    }
    // Every process of the measurement is reaped by the one it started, helpers and bubblewrap
    // too: the children's usage counts them all.
    const auto processeur = [] {
        rusage r{};
        getrusage(RUSAGE_CHILDREN, &r);
        return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
               double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    const double avant = processeur();
    const QStringList champs = sortieDe(commande).split(QLatin1Char(' '));
    const double cpu = processeur() - avant;
    if (mode == ModeExtraction && lieu.enMemoire) {
        QDir(destination).removeRecursively();
    }
    if (champs.size() != 4) {
        echec(QStringLiteral("unexpected measurement output"));
    }
    return {champs[0].toDouble() / 1e9, cpu, champs[1].toDouble() / 1e6,
            champs[2].toDouble() / 1024, champs[3].toLongLong()};
}

struct Comparaison {
    Mesure nu;
    Mesure fenetre;
};

// The median of each variant, measured in turn `repetitions` times, so that a change in the
// machine's load touches all alike.
std::vector<Mesure> alterner(const QStringList& variantes, int mode, const QString& archive,
                             const Lieu& lieu, int repetitions) {
    const std::size_t n = std::size_t(variantes.size());
    std::vector<std::vector<double>> s(n), c(n), p(n), m(n);
    std::vector<qint64> lignes(n, 0);
    for (int r = 0; r < repetitions; ++r) {
        // Every other round in reverse order: a file system that slows as files pile up would
        // otherwise always charge the later variants.
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t v = r % 2 == 0 ? i : n - 1 - i;
            const Mesure x = uneMesure(variantes[qsizetype(v)], mode, archive, lieu);
            s[v].push_back(x.secondes);
            c[v].push_back(x.processeur);
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
        medianes.push_back(Mesure{mediane(s[v]), mediane(c[v]), mediane(p[v]),
                                  *std::max_element(m[v].begin(), m[v].end()), lignes[v]});
    }
    return medianes;
}

Comparaison comparer(int mode, const QString& archive, const Lieu& lieu, int repetitions) {
    const std::vector<Mesure> v = alterner({QStringLiteral("nu"), QStringLiteral("fenetre")}, mode,
                                           archive, lieu, repetitions);
    return {v[0], v[1]};
}

double parEntreeUs(const Mesure& m) {
    return m.secondes * 1e6 / double(std::max<qint64>(1, m.lignes));
}

// A row of the table: the window's time per entry, in microseconds, returned.
double ligne(const QString& archive, const QString& passe, const Comparaison& r) {
    sortie << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                  .arg(archive, -15)
                  .arg(passe, -12)
                  .arg(r.nu.secondes, 8, 'f', 3)
                  .arg(r.fenetre.secondes, 9, 'f', 3)
                  .arg(r.fenetre.secondes / r.nu.secondes, 6, 'f', 3)
                  .arg(r.nu.picMib, 9, 'f', 1)
                  .arg(r.fenetre.picMib, 8, 'f', 1)
                  .arg(r.fenetre.premiereMs, 10, 'f', 1)
                  .arg(parEntreeUs(r.fenetre), 9, 'f', 2)
           << Qt::flush;
    return parEntreeUs(r.fenetre);
}

// "Extraire ici" of `archive`, copied where it extracts, `lieu`, as it lies beside what it
// extracts: the same extraction as into a chosen folder, in a folder of its own made there and
// held through descriptors, then one rename; wall and processor time of the whole process tree.
void ligneIci(const QString& archive, const Lieu& lieu, bool enMemoire, int repetitions) {
    const QString archiveIci = lieu.dossier + QStringLiteral("/ici.rar");
    if (!QFile::exists(archiveIci) && !QFile::copy(archive, archiveIci)) {
        echec(QStringLiteral("cannot copy the archive for Extraire ici"));
    }
    const std::vector<Mesure> ici =
        alterner({QStringLiteral("nu"), QStringLiteral("fenetre"), QStringLiteral("ici")},
                 ModeExtraction, archiveIci, lieu, repetitions);
    sortie << QStringLiteral(
                  "100000 entries  extract s%1: bare %2, window into a chosen folder %3, "
                  "Extraire ici %4 (ratio to the chosen folder %5, to bare %6); "
                  "processor s: %7, %8, %9 (ratio to the chosen folder %10)\n")
                  .arg(enMemoire ? QStringLiteral(" (tmpfs)") : QString())
                  .arg(ici[0].secondes, 0, 'f', 3)
                  .arg(ici[1].secondes, 0, 'f', 3)
                  .arg(ici[2].secondes, 0, 'f', 3)
                  .arg(ici[2].secondes / ici[1].secondes, 0, 'f', 3)
                  .arg(ici[2].secondes / ici[0].secondes, 0, 'f', 3)
                  .arg(ici[0].processeur, 0, 'f', 3)
                  .arg(ici[1].processeur, 0, 'f', 3)
                  .arg(ici[2].processeur, 0, 'f', 3)
                  .arg(ici[2].processeur / ici[1].processeur, 0, 'f', 3)
           << Qt::flush;
}

void enTete() {
    sortie << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                  .arg(QStringLiteral("archive"), -15)
                  .arg(QStringLiteral("pass"), -12)
                  .arg(QStringLiteral("bare s"), 8)
                  .arg(QStringLiteral("window s"), 9)
                  .arg(QStringLiteral("ratio"), 6)
                  .arg(QStringLiteral("bare MiB"), 9)
                  .arg(QStringLiteral("win MiB"), 8)
                  .arg(QStringLiteral("1st row ms"), 10)
                  .arg(QStringLiteral("us/entry"), 9);
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
    QString memoireDemandee;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--repetitions")) {
            repetitions = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--dossier")) {
            dossier = args[i + 1];
        } else if (args[i] == QLatin1String("--memoire")) {
            memoireDemandee = args[i + 1];
        }
    }
    QTemporaryDir temporaire(dossier.isEmpty() ? QDir::tempPath() + QStringLiteral("/korvane-bench")
                                               : dossier + QStringLiteral("/korvane-bench"));
    if (!temporaire.isValid()) {
        echec(QStringLiteral("no temporary folder"));
    }
    const Lieu disque{temporaire.path()};
    std::optional<QTemporaryDir> temporaireEnMemoire;
    if (const std::optional<QString> m = dossierEnMemoire(memoireDemandee)) {
        temporaireEnMemoire.emplace(*m + QStringLiteral("/korvane-bench"));
    }
    const std::optional<Lieu> memoire =
        temporaireEnMemoire && temporaireEnMemoire->isValid()
            ? std::optional<Lieu>(Lieu{temporaireEnMemoire->path(), true})
            : std::nullopt;
    // The files that make the archives are written in memory when the machine can, and removed at
    // once; on the disk they stay until the end, since removing them would slow what comes next.
    const QString arbres =
        (memoire ? memoire->dossier : disque.dossier) + QStringLiteral("/arbres");
    if (QStandardPaths::findExecutable(QStringLiteral("rar")).isEmpty()) {
        echec(QStringLiteral("rar is missing: run scripts/install-deps"));
    }

    sortie << "making the archives in " << temporaire.path() << "; extracting there and in "
           << (memoire ? memoire->dossier : QStringLiteral("no tmpfs")) << " ...\n"
           << Qt::flush;
    sortie << QStringLiteral("helper start (median of 40, no pass): %1 ms\n")
                  .arg(sortieDe({QCoreApplication::applicationFilePath(),
                                 QStringLiteral("--demarrage"), QStringLiteral("40")})
                           .toDouble(),
                       0, 'f', 2)
           << Qt::flush;
    // Only the extractions of 100,000 small files, in memory and on the disk, where the guards'
    // calls weigh most.
    if (args.contains(QStringLiteral("--extraction")) || args.contains(QStringLiteral("--ici"))) {
        const QString archive = archivePetitsFichiers(temporaire.path(), arbres, 100, 1000);
        if (memoire) {
            QDir(arbres).removeRecursively();
        }
        if (args.contains(QStringLiteral("--ici"))) {
            ligneIci(archive, memoire.value_or(disque), memoire.has_value(), repetitions);
            return 0;
        }
        enTete();
        for (const Lieu& lieu :
             memoire ? std::vector<Lieu>{*memoire, disque} : std::vector<Lieu>{disque}) {
            ligne(QStringLiteral("100000 entries"),
                  lieu.enMemoire ? QStringLiteral("extract") : QStringLiteral("extract disk"),
                  comparer(ModeExtraction, archive, lieu, repetitions));
        }
        return 0;
    }
    const std::vector<std::pair<QString, QString>> archives{
        {QStringLiteral("10000 entries"),
         archivePetitsFichiers(temporaire.path(), arbres, 10, 1000)},
        {QStringLiteral("100000 entries"),
         archivePetitsFichiers(temporaire.path(), arbres, 100, 1000)},
        {QStringLiteral("4 x 256 MiB"), archiveGrosFichiers(temporaire.path(), arbres)},
    };
    const QString liensVides = archiveLiensVides(temporaire.path(), arbres);
    if (memoire) {
        QDir(arbres).removeRecursively();
    }

    const auto fermeture = [&] {
        return uneMesure(QStringLiteral("fermeture"), ModeExtraction, archives[2].second, disque)
                   .secondes *
               1e3;
    };
    if (args.contains(QStringLiteral("--lancement"))) {
        sortie << demarrageContreUnrar(archives[1].second) << Qt::flush;
        sortie << fermeturesSousCharge(fermeture) << Qt::flush;
        QDir(temporaire.path() + QStringLiteral("/destinations")).removeRecursively();
        return 0;
    }

    enTete();
    // Extractions in memory when the machine has a tmpfs, where the times are the program's own;
    // on the disk too, where the file system's work weighs most.
    struct Passe {
        int mode;
        QString nom;
        Lieu lieu;
    };
    std::vector<Passe> passes{{ModeListe, QStringLiteral("list"), disque},
                              {ModeTest, QStringLiteral("test"), disque}};
    if (memoire) {
        passes.push_back({ModeExtraction, QStringLiteral("extract"), *memoire});
    }
    passes.push_back({ModeExtraction,
                      memoire ? QStringLiteral("extract disk") : QStringLiteral("extract"),
                      disque});
    std::map<QString, Comparaison> aCentMille;
    std::map<QString, double> pireRatio; // by pass, over the archives its target applies to
    double coutDixMille = 0;
    double coutCentMille = 0;
    for (const auto& [nom, archive] : archives) {
        for (const auto& [mode, passe, lieu] : passes) {
            const Comparaison r = comparer(mode, archive, lieu, repetitions);
            const double parEntree = ligne(nom, passe, r);
            const bool cible = nom.startsWith(QStringLiteral("100000")) ||
                               (nom.startsWith(QStringLiteral("4 x")) && mode != ModeListe);
            if (cible) {
                double& pire = pireRatio[passe];
                pire = std::max(pire, r.fenetre.secondes / r.nu.secondes);
            }
            if (nom.startsWith(QStringLiteral("100000"))) {
                aCentMille[passe] = r;
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
        const std::vector<Mesure> v = alterner({QStringLiteral("nu"), QStringLiteral("auxiliaire"),
                                                QStringLiteral("bac"), QStringLiteral("fenetre")},
                                               mode, archives[1].second, disque, repetitions);
        sortie << QStringLiteral("100000 entries  %1 s: bare %2, helper unconfined %3, sandboxed "
                                 "%4, sandboxed and filtered %5\n")
                      .arg(mode == ModeListe ? QStringLiteral("list") : QStringLiteral("test"), -4)
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
            uneMesure(QStringLiteral("fenetre"), ModeListe, archives[1].second, disque).secondes);
        choix10.push_back(
            uneMesure(QStringLiteral("choix"), ModeExtraction, archives[1].second, disque)
                .secondes);
    }
    const Mesure frappes =
        uneMesure(QStringLiteral("filtre"), ModeListe, archives[1].second, disque);
    sortie << QStringLiteral("100000 entries  window s: list %1, extract 10 selected %2; filter "
                             "keystroke ms: median %3, worst %4\n")
                  .arg(mediane(liste10), 0, 'f', 3)
                  .arg(mediane(choix10), 0, 'f', 3)
                  .arg(frappes.secondes * 1e3, 0, 'f', 1)
                  .arg(frappes.premiereMs, 0, 'f', 1)
           << Qt::flush;

    // The helper's own peak during a list pass, the largest of the repetitions.
    std::vector<double> picsAssistant;
    for (std::size_t a = 0; a < 2; ++a) {
        double pic = 0;
        for (int r = 0; r < repetitions; ++r) {
            pic = std::max(
                pic,
                uneMesure(QStringLiteral("pic"), ModeListe, archives[a].second, disque).picMib);
        }
        picsAssistant.push_back(pic);
    }
    sortie << QStringLiteral("helper's peak resident size in a list pass (VmHWM read every ms): "
                             "10000 entries %1 MiB, 100000 entries %2 MiB\n")
                  .arg(picsAssistant[0], 0, 'f', 1)
                  .arg(picsAssistant[1], 0, 'f', 1)
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

    ligneIci(archives[1].second, memoire.value_or(disque), memoire.has_value(), repetitions);

    const std::vector<Mesure> liens =
        alterner({QStringLiteral("nu"), QStringLiteral("fenetre")}, ModeExtraction, liensVides,
                 memoire.value_or(disque), repetitions);
    sortie << QStringLiteral("4000 links to nothing extract s%1: bare %2, window %3\n")
                  .arg(memoire ? QStringLiteral(" (tmpfs)") : QString())
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
    // "extract" is in memory when the machine has a tmpfs, "extract_disk" on the disk.
    const QString surDisque =
        memoire ? QStringLiteral(" extract_disk=%1")
                      .arg(pireRatio.at(QStringLiteral("extract disk")), 0, 'f', 3)
                : QString();
    sortie << QStringLiteral("ratios list=%1 test=%2 extract=%3%4 rows_per_s=%5 peak_extra_mib=%6 "
                             "helper_peak_mib=%7\n")
                  .arg(pireRatio.at(QStringLiteral("list")), 0, 'f', 3)
                  .arg(pireRatio.at(QStringLiteral("test")), 0, 'f', 3)
                  .arg(pireRatio.at(QStringLiteral("extract")), 0, 'f', 3)
                  .arg(surDisque)
                  .arg(qint64(double(liste.fenetre.lignes) / liste.fenetre.secondes))
                  .arg(picEnPlus, 0, 'f', 1)
                  .arg(*std::max_element(picsAssistant.begin(), picsAssistant.end()), 0, 'f', 1);
    return 0;
}

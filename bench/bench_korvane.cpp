// Times passes of the real window, which runs each pass in its helper process, against a bare
// driver of the library that makes the same calls through the same pass in one process, with
// nothing shown. Each measurement runs in a process of its own, set up as the program sets itself
// up, so that its time and peak memory are its own.
//
//   bench_korvane [--repetitions N] [--dossier DIR] [--memoire TMPFS_DIR]
//                 [--extraction|--ici|--rapide]
//   (--extraction: only the extractions of 100,000 small files; --ici: only "Extraire ici" of
//   them against the window's extraction into a chosen folder; --rapide: only what the targets
//   name: 100,100 small files listed, tested and extracted in memory, 1,001,000 entries listed, a
//   gibibyte tested and extracted, a stop, the close of a million rows, the start-up against the
//   other tools)
//   bench_korvane --mesure nu|fenetre|direct|bac|auxiliaire|landlock|choix|filtre|ici|fermeture|
//                 pic|arret MODE ARCHIVE [DEST]
//   (one measurement; direct: the window with its helper's reads left to the system; bac: the
//   window with its helper sandboxed but without the system-call filter; auxiliaire: with no
//   confinement at all; landlock: with Landlock and the filter, as where bubblewrap cannot run;
//   choix: the window's pass on 10 entries spread over the archive; filtre: keystrokes in the
//   filter after the window's pass; ici: "Extraire ici" of the archive linked into DEST;
//   fermeture: a close request once the extraction into DEST writes; pic: the window's pass,
//   giving its helper's peak in KiB, untimed; arret: Échap during the extraction into DEST)
//   bench_korvane --demarrage N                                     (N helpers that do no pass)
//   bench_korvane --demarrage-fenetre ARCHIVE     (the program's start until its last row shows)
//   bench_korvane --fermeture-million ARCHIVE          (the archive listed, then the window closed)
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
#include <tuple>
#include <vector>

void echec(const QString& message) {
    std::fprintf(stderr, "bench_korvane: %s\n", qPrintable(message));
    std::exit(2);
}

namespace {

QTextStream sortie(stdout);

const QString Dix = QStringLiteral("10000 entries");
const QString Cent = QStringLiteral("100000 entries");
const QString Million = QStringLiteral("1001000 entries");
const QString Gros = QStringLiteral("4 x 256 MiB");

QString libelleCourt(int mode) {
    return mode == ModeListe  ? QStringLiteral("list")
           : mode == ModeTest ? QStringLiteral("test")
                              : QStringLiteral("extract");
}

// "Extraire ici": the same extraction into a folder of its own, held by descriptors, then one
// rename; the archive lies where it extracts (`lieu`, in memory when the machine has a tmpfs), as
// it is linked beside it.
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
                  "Extraire ici %4 (ratio to the chosen folder %5, to bare %6); processor s: "
                  "%7, %8, %9 (ratio %10, %11)\n")
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
                  .arg(ici[2].processeur / ici[0].processeur, 0, 'f', 3)
           << Qt::flush;
}

// The lines of the full run beside the table: what each layer of the confinement costs, the
// selection, the filter, the helper's peak, Extraire ici, links.
void lignesAnnexes(const std::map<QString, QString>& archives, const QString& liensVides,
                   const Lieu& disque, const std::optional<Lieu>& memoire, int repetitions) {
    // What each layer of the helper's confinement adds, where it weighs most: many small entries,
    // each a handful of system calls.
    for (int mode : {ModeListe, ModeTest}) {
        const std::vector<Mesure> v = alterner({QStringLiteral("nu"), QStringLiteral("auxiliaire"),
                                                QStringLiteral("bac"), QStringLiteral("fenetre")},
                                               mode, archives.at(Cent), disque, repetitions);
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
            uneMesure(QStringLiteral("fenetre"), ModeListe, archives.at(Cent), disque).secondes);
        choix10.push_back(
            uneMesure(QStringLiteral("choix"), ModeExtraction, archives.at(Cent), disque).secondes);
    }
    const Mesure frappes =
        uneMesure(QStringLiteral("filtre"), ModeListe, archives.at(Cent), disque);
    sortie << QStringLiteral("100000 entries  window s: list %1, extract 10 selected %2; filter "
                             "keystroke ms: median %3, worst %4\n")
                  .arg(mediane(liste10), 0, 'f', 3)
                  .arg(mediane(choix10), 0, 'f', 3)
                  .arg(frappes.secondes * 1e3, 0, 'f', 1)
                  .arg(frappes.premiereMs, 0, 'f', 1)
           << Qt::flush;

    // The helper's own peak during a list pass, the largest of the repetitions.
    std::vector<double> picsAssistant;
    for (const QString& nom : {Dix, Cent}) {
        double pic = 0;
        for (int r = 0; r < repetitions; ++r) {
            pic = std::max(
                pic, uneMesure(QStringLiteral("pic"), ModeListe, archives.at(nom), disque).picMib);
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
    std::vector<std::vector<double>> million(8);
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
                             "worst %4 (processor: median %5, worst %6); rows %7 bytes each, "
                             "folded names %8 of them, peak +%9 MiB\n")
                  .arg(mediane(million[0]) / 1e6, 0, 'f', 1)
                  .arg(pire(million[0]) / 1e6, 0, 'f', 1)
                  .arg(mediane(million[1]) / 1e6, 0, 'f', 1)
                  .arg(pire(million[2]) / 1e6, 0, 'f', 1)
                  .arg(mediane(million[6]) / 1e6, 0, 'f', 2)
                  .arg(pire(million[3]) / 1e6, 0, 'f', 1)
                  .arg(mediane(million[7]), 0, 'f', 1)
                  .arg(mediane(million[5]) / 1e6, 0, 'f', 2)
                  .arg(pire(million[4]) / 1024, 0, 'f', 1)
           << Qt::flush;

    ligneIci(archives.at(Cent), memoire.value_or(disque), memoire.has_value(), repetitions);

    const std::vector<Mesure> liens =
        alterner({QStringLiteral("nu"), QStringLiteral("fenetre")}, ModeExtraction, liensVides,
                 memoire.value_or(disque), repetitions);
    sortie << QStringLiteral("4000 links to nothing extract s%1: bare %2, window %3\n")
                  .arg(memoire ? QStringLiteral(" (tmpfs)") : QString())
                  .arg(liens[0].secondes, 0, 'f', 3)
                  .arg(liens[1].secondes, 0, 'f', 3)
           << Qt::flush;
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
    if (argc > 2 && qstrcmp(argv[1], "--fermeture-million") == 0) {
        return fermetureAuMillion(argc, argv);
    }
    QCoreApplication application(argc, argv);
    int repetitions = 5;
    QString dossier;
    QString memoireDemandee;
    const QStringList args = QCoreApplication::arguments();
    const bool rapide = args.contains(QStringLiteral("--rapide"));
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
    // The archives, named as the table's rows name them.
    std::map<QString, QString> archives;
    if (!rapide) {
        archives[Dix] = archivePetitsFichiers(temporaire.path(), arbres, 10, 1000);
    }
    archives[Cent] = archivePetitsFichiers(temporaire.path(), arbres, 100, 1000);
    archives[Million] = archiveMillion(temporaire.path(), arbres);
    archives[Gros] = archiveGrosFichiers(temporaire.path(), arbres);
    const QString liensVides = rapide ? QString() : archiveLiensVides(temporaire.path(), arbres);
    if (memoire) {
        QDir(arbres).removeRecursively();
    }

    const auto fermeture = [&] {
        return uneMesure(QStringLiteral("fermeture"), ModeExtraction, archives[Gros], disque)
                   .secondes *
               1e3;
    };
    if (args.contains(QStringLiteral("--lancement"))) {
        sortie << demarrageContreLesAutres(archives[Cent], 7) << Qt::flush;
        sortie << demarrageContreLesAutres(archives[Million], repetitions) << Qt::flush;
        sortie << fermeturesSousCharge(fermeture) << Qt::flush;
        QDir(temporaire.path() + QStringLiteral("/destinations")).removeRecursively();
        return 0;
    }

    enTete();
    // Extractions in memory when the machine has a tmpfs, where the times are the program's own;
    // on the disk too, where the file system's work weighs most. A million entries are listed only,
    // and four large files are not listed in the quick run, which measures what the targets name.
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
    if (!memoire || !rapide) {
        passes.push_back({ModeExtraction,
                          memoire ? QStringLiteral("extract disk") : QStringLiteral("extract"),
                          disque});
    }
    std::map<std::pair<QString, QString>, Comparaison> table;
    std::map<QString, double> coutParEntree; // of a list, by archive
    for (const QString& nom : {Dix, Cent, Million, Gros}) {
        if (archives.count(nom) == 0) {
            continue;
        }
        for (const auto& [mode, passe, lieu] : passes) {
            if ((nom == Million && mode != ModeListe) ||
                (rapide && nom == Gros && mode == ModeListe)) {
                continue;
            }
            const Comparaison r = comparer(mode, archives[nom], lieu, repetitions);
            table[{nom, passe}] = r;
            const double parEntree = ligne(nom, passe, r);
            if (mode == ModeListe) {
                coutParEntree[nom] = parEntree;
            }
        }
    }
    if (!rapide) {
        lignesAnnexes(archives, liensVides, disque, memoire, repetitions);
        sortie << demarrageContreLesAutres(archives[Cent], 7) << Qt::flush;
        sortie << fermeturesSousCharge(fermeture) << Qt::flush;
        // What the helper's reads served from memory save the whole program, in this run.
        QStringList direct;
        for (const auto& [nom, mode, lieu] :
             {std::tuple{Million, int(ModeListe), disque}, std::tuple{Cent, int(ModeTest), disque},
              std::tuple{Cent, int(ModeExtraction), memoire.value_or(disque)}}) {
            const std::vector<Mesure> v =
                alterner({QStringLiteral("direct"), QStringLiteral("fenetre")}, mode, archives[nom],
                         lieu, repetitions);
            direct << QStringLiteral("%1 %2 %3 to %4")
                          .arg(nom.section(QLatin1Char(' '), 0, 0), libelleCourt(mode))
                          .arg(v[0].processeur, 0, 'f', 3)
                          .arg(v[1].processeur, 0, 'f', 3);
        }
        sortie << QStringLiteral("processor s of the whole program, the helper's reads left to the "
                                 "system, then served from memory: ")
               << direct.join(QStringLiteral(", ")) << '\n'
               << Qt::flush;
    }
    sortie << arretsEnExtraction(archives[Cent], memoire.value_or(disque).dossier, repetitions)
           << Qt::flush;
    sortie << fermeturesAuMillion(archives[Million], std::min(repetitions, 3)) << Qt::flush;
    sortie << demarrageContreLesAutres(archives[Million], repetitions) << Qt::flush;

    QDir(temporaire.path() + QStringLiteral("/destinations")).removeRecursively();
    if (!rapide) {
        sortie << QStringLiteral("list cost per entry at 100000 / at 10000: %1\n")
                      .arg(coutParEntree[Cent] / coutParEntree[Dix], 0, 'f', 3);
    }
    // The ratios that the targets name, by pass and archive: of the wall times, of the processor
    // times of the whole program and of its helper alone, each against the bare driver's.
    QStringList murs;
    QStringList processeurs;
    QStringList auxiliaires;
    double picEnPlus = 0;
    for (const auto& [cle, r] : table) {
        const auto& [nom, passe] = cle;
        if (nom == Dix || (nom == Gros && passe == QLatin1String("list"))) {
            continue; // a few rows, or the fixed cost of a pass
        }
        const QString c = QStringLiteral("%1_%2").arg(
            QString(passe).replace(QLatin1Char(' '), QLatin1Char('_')),
            nom == Gros ? QStringLiteral("1gib") : nom.section(QLatin1Char(' '), 0, 0));
        murs << QStringLiteral("%1=%2").arg(c).arg(r.fenetre.secondes / r.nu.secondes, 0, 'f', 3);
        processeurs << QStringLiteral("%1=%2").arg(c).arg(r.fenetre.processeur / r.nu.processeur, 0,
                                                          'f', 3);
        auxiliaires << QStringLiteral("%1=%2").arg(c).arg(r.fenetre.auxiliaire / r.nu.processeur, 0,
                                                          'f', 3);
        if (nom == Cent) {
            picEnPlus = std::max(picEnPlus, r.fenetre.picMib - r.nu.picMib);
        }
    }
    const Comparaison& liste = table.at({Million, QStringLiteral("list")});
    sortie << QStringLiteral("wall ratios %1 rows_per_s=%2 peak_extra_mib=%3\n")
                  .arg(murs.join(QLatin1Char(' ')))
                  .arg(qint64(double(liste.fenetre.lignes) / liste.fenetre.secondes))
                  .arg(picEnPlus, 0, 'f', 1)
           << QStringLiteral("processor ratios, whole program %1\n")
                  .arg(processeurs.join(QLatin1Char(' ')))
           << QStringLiteral("processor ratios, helper alone %1\n")
                  .arg(auxiliaires.join(QLatin1Char(' ')));
    return 0;
}

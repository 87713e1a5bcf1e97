// Measurements in processes of their own, alternated, and the rows of the benchmark's table.

#include "Banc.h"
#include "Vocabulaire.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

#include <time.h>

namespace {

QTextStream sortie(stdout);

double parEntreeUs(const Mesure& m) {
    return m.secondes * 1e6 / double(std::max<qint64>(1, m.lignes));
}

} // namespace

qint64 maintenantNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

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
    const QStringList champs = sortieDe(commande).split(QLatin1Char(' '));
    if (mode == ModeExtraction && lieu.enMemoire) {
        QDir(destination).removeRecursively();
    }
    if (champs.size() != 6) {
        echec(QStringLiteral("unexpected measurement output"));
    }
    return {champs[0].toDouble() / 1e9, champs[1].toDouble() / 1e6, champs[2].toDouble() / 1024,
            champs[3].toLongLong(),     champs[4].toDouble() / 1e9, champs[5].toDouble() / 1e9};
}

// The median of each variant, measured in turn `repetitions` times, so that a change in the
// machine's load touches all alike.
std::vector<Mesure> alterner(const QStringList& variantes, int mode, const QString& archive,
                             const Lieu& lieu, int repetitions) {
    const std::size_t n = std::size_t(variantes.size());
    std::vector<std::vector<double>> s(n), p(n), m(n), c(n), a(n);
    std::vector<qint64> lignes(n, 0);
    for (int r = 0; r < repetitions; ++r) {
        // Every other round in reverse order: a file system that slows as files pile up would
        // otherwise always charge the later variants.
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t v = r % 2 == 0 ? i : n - 1 - i;
            const Mesure x = uneMesure(variantes[qsizetype(v)], mode, archive, lieu);
            s[v].push_back(x.secondes);
            p[v].push_back(x.premiereMs);
            m[v].push_back(x.picMib);
            c[v].push_back(x.processeur);
            a[v].push_back(x.auxiliaire);
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
                                  *std::max_element(m[v].begin(), m[v].end()), lignes[v],
                                  mediane(c[v]), mediane(a[v])});
    }
    return medianes;
}

Comparaison comparer(int mode, const QString& archive, const Lieu& lieu, int repetitions) {
    const std::vector<Mesure> v = alterner({QStringLiteral("nu"), QStringLiteral("fenetre")}, mode,
                                           archive, lieu, repetitions);
    return {v[0], v[1]};
}

// A row of the table: the window's time per entry, in microseconds, returned. Beside the wall
// times, the processor time of the bare driver and of the program's whole tree (the window, the
// sandbox, the helper), whose ratio a loaded machine leaves true, and of the helper alone.
double ligne(const QString& archive, const QString& passe, const Comparaison& r) {
    sortie << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 ")
                  .arg(archive, -15)
                  .arg(passe, -12)
                  .arg(r.nu.secondes, 7, 'f', 3)
                  .arg(r.fenetre.secondes, 7, 'f', 3)
                  .arg(r.fenetre.secondes / r.nu.secondes, 6, 'f', 3)
                  .arg(r.nu.processeur, 8, 'f', 3)
                  .arg(r.fenetre.processeur, 7, 'f', 3)
                  .arg(r.fenetre.processeur / r.nu.processeur, 6, 'f', 3)
                  .arg(r.fenetre.auxiliaire / r.nu.processeur, 6, 'f', 3)
           << QStringLiteral("%1 %2 %3 %4\n")
                  .arg(r.nu.picMib, 8, 'f', 1)
                  .arg(r.fenetre.picMib, 7, 'f', 1)
                  .arg(r.fenetre.premiereMs, 6, 'f', 1)
                  .arg(parEntreeUs(r.fenetre), 8, 'f', 2)
           << Qt::flush;
    return parEntreeUs(r.fenetre);
}

void enTete() {
    sortie << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 ")
                  .arg(QStringLiteral("archive"), -15)
                  .arg(QStringLiteral("pass"), -12)
                  .arg(QStringLiteral("bare s"), 7)
                  .arg(QStringLiteral("win s"), 7)
                  .arg(QStringLiteral("ratio"), 6)
                  .arg(QStringLiteral("bare cpu"), 8)
                  .arg(QStringLiteral("win cpu"), 7)
                  .arg(QStringLiteral("cpu r."), 6)
                  .arg(QStringLiteral("helper"), 6)
           << QStringLiteral("%1 %2 %3 %4\n")
                  .arg(QStringLiteral("bare MiB"), 8)
                  .arg(QStringLiteral("win MiB"), 7)
                  .arg(QStringLiteral("1st ms"), 6)
                  .arg(QStringLiteral("us/entry"), 8);
}

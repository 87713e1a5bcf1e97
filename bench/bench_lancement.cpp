// What the user waits for around a pass rather than during it: the program's start on an archive
// until its last row shows, and a close request while the helper writes a large file, on a
// machine whose cores are all busy.

#include "Banc.h"

#include "Assistant.h"
#include "Environnement.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "ModuleRAR.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include <time.h>

qint64 fermetureEnExtraction(FUnRAR& f, const QString& archive) {
    QElapsedTimer chrono;
    qint64 demande = -1;
    // Once the helper has begun to write the first large file into the current directory.
    QTimer guet;
    QObject::connect(&guet, &QTimer::timeout, &f, [&] {
        if (demande < 0 && !QDir::current().entryList(QDir::Files).isEmpty()) {
            demande = chrono.nsecsElapsed();
            f.close();
        }
    });
    guet.start(5);
    chrono.start();
    try {
        f.TraiterArchive(ModeExtraction, archive, QString());
    } catch (const FinDemandee&) {
    }
    if (demande < 0) {
        echec(QStringLiteral("the extraction ended before it could be closed"));
    }
    return chrono.nsecsElapsed() - demande;
}

QString fermeturesSousCharge(const std::function<double()>& uneFermeture) {
    // Two busy loops, as many as the development machine has cores, for as long as the closes are
    // timed.
    std::vector<std::unique_ptr<QProcess>> charges;
    for (int i = 0; i < 2; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral("sh"),
                 {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
        if (!p->waitForStarted()) {
            echec(QStringLiteral("cannot start a busy loop"));
        }
        charges.push_back(std::move(p));
    }
    std::vector<double> ms;
    for (int i = 0; i < 7; ++i) {
        ms.push_back(uneFermeture());
    }
    for (auto& p : charges) {
        p->kill();
        p->waitForFinished();
    }
    std::sort(ms.begin(), ms.end());
    return QStringLiteral("close during an extraction with both cores loaded (median and worst of "
                          "7): %1 ms, %2 ms\n")
        .arg(ms[ms.size() / 2], 0, 'f', 1)
        .arg(ms.back(), 0, 'f', 1);
}

namespace {

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

// How long `commande` takes from its start until what it printed last, read as a time on the
// monotonic clock, or until its end: milliseconds.
double duree(const QStringList& commande, bool heureDite) {
    QProcess p;
    const qint64 debut = maintenantNs();
    p.start(commande.first(), commande.mid(1));
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        echec(QStringLiteral("failed: ") + commande.join(QLatin1Char(' ')));
    }
    const qint64 fin =
        heureDite ? p.readAllStandardOutput().trimmed().toLongLong() : maintenantNs();
    return double(fin - debut) / 1e6;
}

} // namespace

int demarrageJusquALaDerniereLigne(int argc, char* argv[], const QString& passe) {
    // As app/main.cpp does, from its first line.
    environnement::fuseauLuUneFois();
    assistant::definirProgramme(passe);
    const QByteArray archive(argv[2]);
    assistant::preparer(archive);
    int argcQt = 1;
    QApplication application(argcQt, argv);
    environnement::localeUtf8();
    if (const std::optional<QString> erreur = assistant::sonder()) {
        echec(*erreur);
    }
    FUnRAR f;
    f.Form_Load(archive);
    f.show();
    QCoreApplication::processEvents(); // the last rows drawn
    std::printf("%lld\n", static_cast<long long>(maintenantNs()));
    Q_UNUSED(argc);
    return 0;
}

QString demarrageContreUnrar(const QString& archive) {
    const QString unrar = QStandardPaths::findExecutable(QStringLiteral("unrar"));
    if (unrar.isEmpty()) {
        return QStringLiteral("start-up to the last row: skipped, unrar is missing\n");
    }
    std::vector<double> korvane;
    std::vector<double> reference;
    for (int i = 0; i < 7; ++i) {
        const auto fenetre = [&] {
            korvane.push_back(duree({QCoreApplication::applicationFilePath(),
                                     QStringLiteral("--demarrage-fenetre"), archive},
                                    true));
        };
        const auto lb = [&] {
            reference.push_back(duree({unrar, QStringLiteral("lb"), archive}, false));
        };
        if (i % 2 == 0) {
            fenetre();
            lb();
        } else {
            lb();
            fenetre();
        }
    }
    const double k = mediane(korvane);
    const double u = mediane(reference);
    return QStringLiteral(
               "start-up to the last row of a %1-entry list (median of 7): window %2 ms, "
               "unrar lb %3 ms (ratio %4)\n")
        .arg(QFileInfo(archive).baseName().section(QLatin1Char('_'), 1))
        .arg(k, 0, 'f', 1)
        .arg(u, 0, 'f', 1)
        .arg(k / u, 0, 'f', 3);
}

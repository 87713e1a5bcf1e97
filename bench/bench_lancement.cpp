// What the user waits for around a pass rather than during it: the program's start on an archive
// until its last row shows, and a close request while the helper writes a large file, on a
// machine whose cores are all busy.

#include "Banc.h"

#include "Assistant.h"
#include "Environnement.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "ModuleRAR.h"
#include "Vocabulaire.h"

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

#include <sys/resource.h>

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

// The processor time of the children that this process has reaped, in seconds.
double processeurEnfants() {
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// How long `commande` takes from its start until what it printed last, read as a time on the
// monotonic clock, or until its end, in milliseconds; and the processor time of its whole tree,
// helpers and sandboxes included, until its end, in seconds.
struct Duree {
    double ms = 0;
    double processeur = 0;
};

Duree duree(const QStringList& commande, bool heureDite) {
    QProcess p;
    const double processeur = processeurEnfants();
    const qint64 debut = maintenantNs();
    p.start(commande.first(), commande.mid(1));
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        echec(QStringLiteral("failed: ") + commande.join(QLatin1Char(' ')));
    }
    const qint64 fin =
        heureDite ? p.readAllStandardOutput().trimmed().toLongLong() : maintenantNs();
    return {double(fin - debut) / 1e6, processeurEnfants() - processeur};
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

QString demarrageContreLesAutres(const QString& archive, int repetitions) {
    struct Concurrent {
        QString nom;
        QStringList commande;
        bool heureDite = false;
        std::vector<double> ms{};
        std::vector<double> processeur{};
    };
    const QString moi = QCoreApplication::applicationFilePath();
    std::vector<Concurrent> c{
        {QStringLiteral("window"), {moi, QStringLiteral("--demarrage-fenetre"), archive}, true},
        {QStringLiteral("bare library"),
         {moi, QStringLiteral("--mesure"), QStringLiteral("nu"), QString::number(ModeListe),
          archive}}};
    const QString unrar = QStandardPaths::findExecutable(QStringLiteral("unrar"));
    const QString bsdtar = QStandardPaths::findExecutable(QStringLiteral("bsdtar"));
    if (!unrar.isEmpty()) {
        c.push_back({QStringLiteral("unrar lb"), {unrar, QStringLiteral("lb"), archive}});
    }
    if (!bsdtar.isEmpty()) {
        c.push_back({QStringLiteral("bsdtar -t"), {bsdtar, QStringLiteral("-tf"), archive}});
    }
    // In turn, each round starting one further, so that the machine's load touches all alike.
    for (int r = 0; r < repetitions; ++r) {
        for (std::size_t i = 0; i < c.size(); ++i) {
            Concurrent& x = c[(i + std::size_t(r)) % c.size()];
            const Duree d = duree(x.commande, x.heureDite);
            x.ms.push_back(d.ms);
            x.processeur.push_back(d.processeur);
        }
    }
    QStringList parts;
    for (Concurrent& x : c) {
        parts << QStringLiteral("%1 %2 (%3)")
                     .arg(x.nom)
                     .arg(mediane(x.ms), 0, 'f', 1)
                     .arg(mediane(x.processeur), 0, 'f', 3);
    }
    QStringList rapports;
    for (std::size_t i = 2; i < c.size(); ++i) {
        rapports << QStringLiteral("window/%1 %2 (%3)")
                        .arg(c[i].nom)
                        .arg(mediane(c[0].ms) / mediane(c[i].ms), 0, 'f', 3)
                        .arg(mediane(c[0].processeur) / mediane(c[i].processeur), 0, 'f', 3);
    }
    return QStringLiteral("start-up to the last row of a %1-entry list, ms (processor s of the "
                          "whole tree), median of %2: %3; %4\n")
        .arg(QFileInfo(archive).baseName().section(QLatin1Char('_'), 1))
        .arg(repetitions)
        .arg(parts.join(QStringLiteral(", ")))
        .arg(rapports.isEmpty()
                 ? QStringLiteral("unrar and bsdtar missing: scripts/install-deps banc")
                 : rapports.join(QStringLiteral(", ")));
}

// What the user waits for around a pass rather than during it: a close request while the helper
// writes a large file, on a machine whose cores are all busy.

#include "Banc.h"

#include "FUnRAR.h"
#include "ModuleRAR.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

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

// A thousand passes, in open, list, test and close cycles over one archive in one process, through
// the real window and its helpers: every helper is gone, reaped, when its pass is, every descriptor
// is closed again, and memory stays flat once Qt's caches are warm. Under the leak sanitizer, the
// end of the program checks for leaks too.

#include "Archives.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "ModuleRAR.h"
#include "Passe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <iterator>

#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ASAN 1
#endif
#endif

#ifdef KORVANE_ASAN
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace ModuleRAR;

namespace {

qsizetype descripteursOuverts() {
    // The toolkit's paint threads come and go, each with descriptors of its own: gone first.
    QThreadPool::globalInstance()->waitForDone();
    return qsizetype(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                   std::filesystem::directory_iterator()));
}

// Under AddressSanitizer the live heap: its quarantine keeps freed blocks resident on purpose, so
// the resident size would grow without any leak. Otherwise the resident size.
qint64 memoire() {
#ifdef KORVANE_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        qFatal("cannot read /proc/self/statm");
    }
    return statm.readAll().split(' ').value(1).toLongLong() * qint64(sysconf(_SC_PAGESIZE));
#endif
}

} // namespace

class TestEndurance : public QObject {
    Q_OBJECT

private slots:
    void millePassesNeLaissentRienDerriereElles() {
        constexpr int Cycles = 334; // three passes each
        constexpr qint64 CroissanceMax = 8 * 1024 * 1024;

        QTemporaryDir d;
        const QString commentaire = d.filePath(QStringLiteral("commentaire.txt"));
        archives::ecrire(commentaire, "Commentaire de l'archive\n");
        const QString archive = archives::creer(d.path(), QStringLiteral("endurance.rar"),
                                                {{QStringLiteral("a.txt"), "1"},
                                                 {QStringLiteral("dossier/b.txt"), "22"},
                                                 {QStringLiteral("c.txt"), QByteArray(3000, 'c')}},
                                                {QStringLiteral("-z") + commentaire});
        const QStringList noms{QStringLiteral("c.txt"), QStringLiteral("dossier/b.txt"),
                               QStringLiteral("a.txt")};
        const QStringList resultats{QStringLiteral("OK"), QStringLiteral("OK"),
                                    QStringLiteral("OK")};

        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        // Counted after the first cycle: showing the window for the first time lets Qt open
        // what it keeps for the whole run (two files here).
        qsizetype descripteursApres1 = -1;
        qint64 memoireAuCentieme = 0;

        for (int cycle = 1; cycle <= Cycles; ++cycle) {
            boites.fichiers.enqueue(archive);
            f.Mnu_Ouvrir_Click(); // lists
            f.Mnu_Lister_Click();
            f.Mnu_Tester_Click();
            if (colonne(f, 0) != noms || colonne(f, 2) != resultats) {
                QFAIL(qPrintable(QStringLiteral("cycle %1: %2")
                                     .arg(cycle)
                                     .arg(colonne(f, 2).join(QLatin1Char(',')))));
            }
            f.Mnu_Fermer_Click();
            QCoreApplication::processEvents(); // the event loop's turn between two commands

            // The comment box, once per pass, and nothing else.
            if (boites.messages.size() != 3) {
                QFAIL(qPrintable(QStringLiteral("cycle %1: %2 boxes, the last: %3")
                                     .arg(cycle)
                                     .arg(boites.messages.size())
                                     .arg(boites.messages.value(2).texte)));
            }
            boites.messages.clear();
            if (!enfants().isEmpty()) {
                QFAIL(qPrintable(
                    QStringLiteral("cycle %1: %2 helpers left").arg(cycle).arg(enfants().size())));
            }

            const qsizetype descripteurs = descripteursOuverts();
            if (cycle == 1) {
                descripteursApres1 = descripteurs;
            } else if (descripteurs != descripteursApres1) {
                QFAIL(qPrintable(QStringLiteral("cycle %1: %2 files open, %3 after the first")
                                     .arg(cycle)
                                     .arg(descripteurs)
                                     .arg(descripteursApres1)));
            }
            if (cycle == 100) {
                memoireAuCentieme = memoire();
            }
        }

        const qint64 croissance = memoire() - memoireAuCentieme;
        qInfo("%lld bytes more after cycle %d than after cycle 100; %lld files open", croissance,
              Cycles, qint64(descripteursApres1));
        QVERIFY2(croissance < CroissanceMax,
                 qPrintable(QStringLiteral("%1 bytes more after cycle %2 than after cycle 100")
                                .arg(croissance)
                                .arg(Cycles)));
        QCOMPARE(f.modeleResultats()->nombreLignes(), 0);
    }
};

QTEST_MAIN(TestEndurance)
#include "tst_endurance.moc"

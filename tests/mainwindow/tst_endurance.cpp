// A thousand passes, in open, list, test and close cycles over one archive in one process, through
// the real window and its helpers: every helper is gone, reaped, when its pass is, every descriptor
// is closed again, and memory stays flat once Qt's caches are warm. Under the leak sanitizer, the
// end of the program checks for leaks too.

#include "Archives.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <iterator>

// Present under AddressSanitizer only.
extern "C" [[gnu::weak]] std::size_t __sanitizer_get_current_allocated_bytes();

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
    if (__sanitizer_get_current_allocated_bytes != nullptr) {
        return qint64(__sanitizer_get_current_allocated_bytes());
    }
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        qFatal("cannot read /proc/self/statm");
    }
    return statm.readAll().split(' ').value(1).toLongLong() * qint64(sysconf(_SC_PAGESIZE));
}

} // namespace

class TestEndurance : public QObject {
    Q_OBJECT

private slots:
    void millePassesNeLaissentRienDerriereElles() {
        constexpr int Cycles = 334; // three passes each
        QTemporaryDir d;
        const QString commentaire = d.filePath(QStringLiteral("commentaire.txt"));
        archives::ecrire(commentaire, "Commentaire de l'archive\n");
        const QString archive = archives::creer(d.path(), QStringLiteral("endurance.rar"),
                                                {{QStringLiteral("a.txt"), "1"},
                                                 {QStringLiteral("dossier/b.txt"), "22"},
                                                 {QStringLiteral("c.txt"), QByteArray(3000, 'c')}},
                                                {QStringLiteral("-z") + commentaire});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        // Counted after the first cycle: showing the window for the first time lets Qt open
        // what it keeps for the whole run (two files here).
        qsizetype descripteursApres1 = -1;
        qint64 memoireAuCentieme = 0;

        for (int cycle = 1; cycle <= Cycles; ++cycle) {
            const auto rapport = qScopeGuard([cycle] {
                if (QTest::currentTestFailed()) {
                    qWarning("at cycle %d", cycle);
                }
            });
            boites.fichiers.enqueue(archive);
            f.Mnu_Ouvrir_Click(); // lists
            f.Mnu_Lister_Click();
            f.Mnu_Tester_Click();
            QCOMPARE(colonne(f, 0), (QStringList{"c.txt", "dossier/b.txt", "a.txt"}));
            QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));
            f.Mnu_Fermer_Click();
            QCoreApplication::processEvents(); // the event loop's turn between two commands
            // The comment box, once per pass, and nothing else.
            QCOMPARE(boites.messages.size(), 3);
            boites.messages.clear();
            QCOMPARE(enfants(), QList<pid_t>());
            const qsizetype descripteurs = descripteursOuverts();
            if (cycle == 1) {
                descripteursApres1 = descripteurs;
            }
            QCOMPARE(descripteurs, descripteursApres1);
            if (cycle == 100) {
                memoireAuCentieme = memoire();
            }
        }

        const qint64 croissance = memoire() - memoireAuCentieme;
        qInfo("%lld bytes more after cycle %d than after cycle 100; %lld files open", croissance,
              Cycles, qint64(descripteursApres1));
        QVERIFY(croissance < 8 * 1024 * 1024);
    }
};

QTEST_MAIN(TestEndurance)
#include "tst_endurance.moc"

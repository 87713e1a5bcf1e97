// The program as the desktop starts it, build/korvane in a process of its own: what its start-up
// wires. The system's requests to end it end it its own way, and its death, however it comes,
// ends the helper of its pass at every level.

#include "Archives.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// A process beneath the program, held by a descriptor that says when it ends, whatever becomes
// of its number.
struct Tenu {
    int pidfd;
    QByteArray nom;
};

// The processes beneath `racine`, its children and theirs.
QList<Tenu> descendants(pid_t racine) {
    QList<Tenu> tenus;
    QList<pid_t> suivants{racine};
    while (!suivants.isEmpty()) {
        const pid_t parent = suivants.takeFirst();
        QFile enfants(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
        enfants.open(QIODevice::ReadOnly);
        for (const QByteArray& texte : enfants.readAll().simplified().split(' ')) {
            const auto pid = pid_t(texte.toInt());
            if (pid > 0) {
                QFile nom(QStringLiteral("/proc/%1/comm").arg(pid));
                nom.open(QIODevice::ReadOnly);
                tenus << Tenu{int(::syscall(SYS_pidfd_open, pid, 0)), nom.readAll().trimmed()};
                suivants << pid;
            }
        }
    }
    return tenus;
}

void signaler(const Tenu& t, int signal) {
    ::syscall(SYS_pidfd_send_signal, t.pidfd, signal, nullptr, 0);
}

// Whether the process has ended within `ms`.
bool fini(const Tenu& t, int ms) {
    pollfd p{t.pidfd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

// The file that the pass writes, once it is being written.
QString enCours(const QString& dossier) {
    QDirIterator i(dossier, {QStringLiteral("gros.bin")}, QDir::Files | QDir::Hidden,
                   QDirIterator::Subdirectories);
    return i.hasNext() ? i.next() : QString();
}

} // namespace

class TestProgramme : public QObject {
    Q_OBJECT

private slots:
    // "Extraire ici" of a long entry, then a signal while the library writes it. Killed, the
    // program leaves a helper that says nothing more (stopped here, as a library that runs on
    // without a word would be), which no closed pipe can end: the kernel ends it.
    void laFinDuProgramme_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("bac");   // bubblewrap on the PATH
        QTest::addColumn<int>("statut"); // the program's exit status; -1: killed
        QTest::newRow("SIGHUP, the terminal gone") << SIGHUP << true << 0;
        QTest::newRow("SIGKILL, in the sandbox") << SIGKILL << true << -1;
        QTest::newRow("SIGKILL, without the sandbox") << SIGKILL << false << -1;
    }

    void laFinDuProgramme() {
        QFETCH(int, signal);
        QFETCH(bool, bac);
        QFETCH(int, statut);
        QTemporaryDir d;
        const QString archive = d.filePath(QStringLiteral("jeu.rar"));
        QVERIFY(QFile::copy(archives::longue(), archive));
        QDir(d.path()).mkdir(QStringLiteral("vide"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!bac) {
            env.insert(QStringLiteral("PATH"), d.filePath(QStringLiteral("vide")));
        }
        QProcess korvane;
        korvane.setProcessEnvironment(env);
        korvane.setProcessChannelMode(QProcess::ForwardedChannels);
        korvane.start(QStringLiteral(KORVANE_PROGRAMME),
                      {QStringLiteral("--extraire-ici"), archive});
        QVERIFY(korvane.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(enCours(d.path())).size() > 0, 60000);
        const QList<Tenu> aides = descendants(pid_t(korvane.processId()));
        const auto finir = qScopeGuard([&aides] {
            for (const Tenu& t : aides) {
                signaler(t, SIGKILL);
                ::close(t.pidfd);
            }
        });
        QVERIFY(std::any_of(aides.cbegin(), aides.cend(),
                            [](const Tenu& t) { return t.nom == "korvane-passe"; }));
        for (const Tenu& t : aides) {
            QVERIFY(t.pidfd >= 0);
            if (statut < 0 && t.nom == "korvane-passe") {
                signaler(t, SIGSTOP);
            }
        }

        QElapsedTimer chrono;
        chrono.start();
        ::kill(pid_t(korvane.processId()), signal);
        QVERIFY(korvane.waitForFinished(30000));
        QCOMPARE(korvane.exitStatus() == QProcess::NormalExit ? korvane.exitCode() : -1, statut);
        const qint64 fin = chrono.elapsed();
        for (const Tenu& t : aides) {
            QVERIFY2(fini(t, 10000), t.nom.constData());
        }
        qInfo("the program ended %lld ms after the signal, its helper %lld ms after", fin,
              chrono.elapsed());
        // Its own way out removes the file half written; after SIGKILL, the next start does.
        QCOMPARE(enCours(d.path()).isEmpty(), statut >= 0);
    }
};

QTEST_MAIN(TestProgramme)
#include "tst_programme.moc"

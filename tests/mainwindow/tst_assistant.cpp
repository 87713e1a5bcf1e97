// The pass in its helper process, seen from the window: whatever becomes of the helper (a crash of
// the library, a kill, nonsense on its pipe, a close request of the user), the user gets the rows
// so far and a box, or the program ends as it should, and no partial file or process is left.

#include "Archives.h"
#include "Assistant.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"

#include <QProgressBar>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace ModuleRAR;

namespace {

const QString Gros = QStringLiteral("gros.bin");
constexpr qint64 Trois = Q_INT64_C(3) << 30;
const QRegularExpression Arret(QStringLiteral(
    "^La bibliothèque UnRAR s'est arrêtée sur cette archive \\((signal|code) \\d+\\)$"));

// Calls `peint` on each paint of what it watches.
struct Espion : QObject {
    std::function<void()> peint;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            peint();
        }
        return false;
    }
};

} // namespace

class TestAssistant : public QObject {
    Q_OBJECT

    QTemporaryDir dossier_;
    QString longue_; // a.txt, b.txt, then 3 GiB of zeros

private slots:
    void initTestCase() {
        longue_ =
            archives::creer(dossier_.path(), QStringLiteral("longue.rar"),
                            {{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "bb"}});
        archives::ajouterZeros(longue_, Gros, Trois);
    }

    void init() {
        CheminArchive.clear();
        DossierDestination.clear();
    }

    void cleanup() { QCOMPARE(enfants(), QList<pid_t>()); }

    void uneLongueEntree_data() {
        QTest::addColumn<bool>("extraire");
        QTest::addColumn<QString>("pendant"); // what happens once the library writes gros.bin
        QTest::addColumn<int>("fin");         // -1: the pass runs to its end
        QTest::addColumn<QStringList>("resultats");
        QTest::addColumn<QStringList>("boites");
        const QStringList coupee{QString(), "OK", "OK"};
        QTest::newRow("tested: the rows are painted during the entry, with its progress")
            << false << QString() << -1 << QStringList{"OK", "OK", "OK"} << QStringList{};
        QTest::newRow("helper killed while writing: a box, the partial file gone")
            << true << "tuer" << 1 << coupee
            << QStringList{"Erreur: La bibliothèque UnRAR s'est arrêtée sur cette archive "
                           "(signal 9)"};
        QTest::newRow("window closed while writing: the program ends, the partial file gone")
            << true << "fermer" << 0 << coupee << QStringList{};
    }

    void uneLongueEntree() {
        QFETCH(bool, extraire);
        QFETCH(QString, pendant);
        QFETCH(int, fin);
        QFETCH(QStringList, resultats);
        QFETCH(QStringList, boites);
        DossierCourantGarde garde;
        QTemporaryDir dest;
        const QString partiel = dest.filePath(Gros);
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(longue_);
        const auto* barre = f.findChild<QProgressBar*>(QStringLiteral("progression"));
        QVERIFY(barre->isHidden());

        // The list is repainted as the library goes: each paint counts when it shows the rows
        // up to gros.bin with the bar, and once gros.bin is being written, the helper is killed or
        // the window closed.
        int peinturesPendantGros = 0;
        bool fait = false;
        Espion espion;
        espion.peint = [&] {
            if (f.modeleResultats()->rowCount() == 3 && barre->isVisible()) {
                ++peinturesPendantGros;
            }
            if (fait || pendant.isEmpty() || QFileInfo(partiel).size() == 0) {
                return;
            }
            fait = true;
            if (pendant == QLatin1String("tuer")) {
                QCOMPARE(enfants().size(), 1);
                ::kill(enfants().first(), SIGKILL);
            } else {
                f.close(); // what a window manager's close request does
            }
        };
        auto* vue = f.findChild<QTableView*>(QStringLiteral("ListView1"))->viewport();
        vue->installEventFilter(&espion);
        std::optional<int> statut;
        try {
            if (extraire) {
                DossierDestination = dest.path();
                repondreAuDialogue("Command1");
                f.Mnu_Extraire_Click();
            } else {
                f.Mnu_Tester_Click();
            }
        } catch (const FinDuProgramme& e) {
            statut = e.statut;
        }
        vue->removeEventFilter(&espion);

        QCOMPARE(statut.value_or(-1), fin);
        QCOMPARE(colonne(f, 0), (QStringList{Gros, "b.txt", "a.txt"}));
        QCOMPARE(colonne(f, 1).first(), QString::number(Trois));
        QCOMPARE(colonne(f, 2), resultats);
        QVERIFY(barre->isHidden());
        QCOMPARE(b.vues(), boites);
        QCOMPARE(fait, extraire);
        if (extraire) {
            QVERIFY(!QFileInfo::exists(partiel));
            QCOMPARE(archives::lire(dest.filePath(QStringLiteral("b.txt"))), QByteArray("bb"));
        } else {
            // While the library spent seconds on gros.bin, its row and those before it were
            // painted again and again, with the bar once the entry passed a second.
            QVERIFY2(peinturesPendantGros >= 5, qPrintable(QString::number(peinturesPendantGros)));
        }
    }

    // A library that crashes, helpers that break the conversation: a box and status 1, within
    // seconds, never a hang or a crash of the window.
    void uneFinAnormaleEstUneBoite_data() {
        QTest::addColumn<QString>("archive");   // of tests/donnees; empty: an ordinary one
        QTest::addColumn<QByteArray>("script"); // the helper; empty: the build's
        QTest::addColumn<QString>("message");   // a regular expression
        const QString arret = Arret.pattern();
        // On these the library reads memory it never wrote; this heap makes it crash.
        QTest::newRow("library crash, as found by the fuzzer")
            << "c1314.rar" << QByteArray() << arret;
        QTest::newRow("library crash, minimised") << "segv-min.rar" << QByteArray() << arret;
        QTest::newRow("missing helper")
            << "" << QByteArray("-") << "^Le programme .*korvane-passe-faux, qui lit les archives";
        QTest::newRow("ends without a word") << "" << QByteArray("exit 3") << arret;
        QTest::newRow("bytes that are no frame")
            << "" << QByteArray("printf 'pas une trame du tout' >&4; sleep 5") << arret;
        QTest::newRow("a helper of another version")
            << ""
            << QByteArray("printf '\\003\\010\\0\\0\\0\\143\\0\\0\\0\\006\\0\\0\\0' >&4; sleep 5")
            << arret;
        QTest::newRow("a frame too long to be true")
            << "" << QByteArray("printf '\\006\\377\\377\\377\\177' >&4; sleep 5") << arret;
        QTest::newRow("the end said, then still there")
            << ""
            << QByteArray("printf '\\003\\011\\0\\0\\0\\001\\0\\0\\0\\006\\0\\0\\0\\0\\014"
                          "\\0\\0\\0\\0' >&4; exec sleep 30")
            << arret;
    }

    void uneFinAnormaleEstUneBoite() {
        QFETCH(QString, archive);
        QFETCH(QByteArray, script);
        QFETCH(QString, message);
        QTemporaryDir d;
        const QString faux = d.filePath(QStringLiteral("korvane-passe-faux"));
        if (!script.isEmpty() && script != "-") {
            archives::ecrire(faux, "#!/bin/sh\n" + script + "\n");
            QFile::setPermissions(faux, QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("MALLOC_PERTURB_", "65");
        const auto retablir = qScopeGuard([] { qunsetenv("MALLOC_PERTURB_"); });
        QElapsedTimer chrono;
        chrono.start();
        const Vu vu =
            passer({.mode = ModeTest,
                    .archive = archive.isEmpty() ? longue_
                                                 : qEnvironmentVariable("KORVANE_SOURCE_DIR") +
                                                       "/tests/donnees/" + archive,
                    .coche = QStringLiteral("korvane"),
                    .programme = script.isEmpty() ? QString() : faux});
        QCOMPARE(vu.fin.value_or(-1), 1);
        QCOMPARE(vu.messages.size(), 1);
        QVERIFY2(QRegularExpression(message).match(vu.messages[0].texte).hasMatch(),
                 qPrintable(vu.messages[0].texte));
        QVERIFY(chrono.elapsed() < 20000); // a helper that lingers is not waited for
    }
};

QTEST_MAIN(TestAssistant)
#include "tst_assistant.moc"

// The window during a pass, as the user sees it and drives it: the progress and the end line, the
// commands of the pass, a stop, a close request, or a helper gone meanwhile.

#include "Archives.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <qpa/qwindowsysteminterface.h>

#include <csignal>

using namespace ModuleRAR;

namespace {

const QString Gros = QStringLiteral("gros.bin");
const QRegularExpression Arret(QStringLiteral(
    "^La bibliothèque UnRAR s'est arrêtée sur cette archive \\((signal|code) \\d+\\)$"));

} // namespace

class TestPasse : public QObject {
    Q_OBJECT

    QTemporaryDir dossier_;
    QString longue_; // a.txt, b.txt, then 3 GiB of zeros

private slots:
    void initTestCase() {
        longue_ =
            archives::creer(dossier_.path(), QStringLiteral("longue.rar"),
                            {{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "bb"}});
        archives::ajouterZeros(longue_, Gros, Q_INT64_C(3) << 30);
    }

    void init() {
        CheminArchive.clear();
        DossierDestination.clear();
    }

    void cleanup() { QCOMPARE(enfants(), QList<pid_t>()); }

    // The window lives while the library spends seconds on gros.bin: its bar shows, input on
    // the commands of the pass is dropped, not replayed; a stop, a close request from the window
    // system or a killed helper ends the pass at once, and the partial file goes.
    void uneLongueEntree_data() {
        QTest::addColumn<bool>("extraire");
        QTest::addColumn<QString>("pendant"); // what happens once the library is busy with gros.bin
        QTest::addColumn<int>("fin");         // the program's status; -1: it goes on
        QTest::addColumn<QString>("resultat"); // gros.bin's
        QTest::addColumn<QString>("bilan");
        QTest::addColumn<bool>("boite"); // the helper's end told
        QTest::newRow("tested, a click on Lister queued meanwhile: dropped")
            << false << "cliquer" << -1 << "OK"
            << "3 OK" << false;
        QTest::newRow("extracting, helper killed: a box") << true << "tuer" << 1 << ""
                                                          << "" << true;
        QTest::newRow("extracting, closed by the window system: the program ends")
            << true << "fermer" << 0 << "Interrompu"
            << "" << false;
        QTest::newRow("extracting, stopped with Escape: the window stays")
            << true << "echap" << -1 << "Interrompu"
            << "Interrompu" << false;
    }

    void uneLongueEntree() {
        QFETCH(bool, extraire);
        QFETCH(QString, pendant);
        QFETCH(int, fin);
        QFETCH(QString, resultat);
        QFETCH(QString, bilan);
        QFETCH(bool, boite);
        DossierCourantGarde garde;
        QTemporaryDir dest;
        const QString partiel = dest.filePath(Gros);
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(longue_);
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        const auto* barre = f.findChild<QProgressBar*>(QStringLiteral("progression"));
        auto* lister = f.findChild<QToolBar*>()->widgetForAction(
            f.findChild<QAction*>(QStringLiteral("Toolbar1_4")));

        // Once gros.bin is being written, or has kept the library busy long enough for the bar.
        QElapsedTimer depuis;
        QString barreVue;
        QTimer guet;
        QObject::connect(&guet, &QTimer::timeout, &f, [&] {
            if (depuis.isValid() ||
                (extraire
                     ? QFileInfo(partiel).size() == 0
                     : !barre->isVisible() || barre->width() < barre->minimumSizeHint().width())) {
                return;
            }
            if (QApplication::activeWindow() != &f) {
                f.activateWindow(); // as the window manager does once the folder dialog is gone
                return;
            }
            depuis.start();
            barreVue = QString::number(barre->width() >= 120) + barre->text();
            if (pendant == QLatin1String("tuer")) {
                ::kill(enfants().first(), SIGKILL);
            } else if (pendant == QLatin1String("fermer")) {
                QWindowSystemInterface::handleCloseEvent(f.windowHandle());
            } else if (pendant == QLatin1String("echap")) {
                QTest::keyClick(&f, Qt::Key_Escape);
            } else {
                const QPointF ou = lister->mapTo(&f, QPointF(lister->rect().center()));
                for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                    QWindowSystemInterface::handleMouseEvent(
                        f.windowHandle(), ou, f.mapToGlobal(ou),
                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                        Qt::LeftButton, type);
                }
            }
        });
        guet.start(10);
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
        const qint64 ms = depuis.elapsed();
        guet.stop();
        QCoreApplication::processEvents();

        QCOMPARE(statut.value_or(-1), fin);
        QCOMPARE(colonne(f, 0), (QStringList{Gros, "b.txt", "a.txt"}));
        QCOMPARE(colonne(f, 2), (QStringList{resultat, "OK", "OK"}));
        QCOMPARE(f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                 extraire ? "Extraction" : "Test");
        QCOMPARE(b.messages.size(), boite ? 1 : 0);
        QVERIFY(!boite || Arret.match(b.messages[0].texte).hasMatch());
        QCOMPARE(f.findChild<QLabel*>(QStringLiteral("bilan"))->text(), bilan);
        QVERIFY(barre->isHidden());
        if (extraire) {
            QVERIFY(!QFileInfo::exists(partiel));
            QCOMPARE(archives::lire(dest.filePath(QStringLiteral("b.txt"))), QByteArray("bb"));
        } else {
            // The time left is known: the archive was listed first.
            QVERIFY2(barreVue.contains(QRegularExpression("^1\\d+ % · \\d+ (s|min) restantes?$")),
                     qPrintable(barreVue));
        }
        if (pendant == QLatin1String("fermer") || pendant == QLatin1String("echap")) {
            QVERIFY2(ms < 500, qPrintable(QString::number(ms)));
        }
        QVERIFY(f.findChild<QAction*>(QStringLiteral("Mnu_Tester"))->isEnabled() || fin >= 0);
    }
};

QTEST_MAIN(TestPasse)
#include "tst_passe.moc"

// The window during a pass, as the user sees it and drives it: the progress and the end line, the
// commands of the pass, a stop, a close request, or a helper gone meanwhile.

#include "Archives.h"
#include "Avancement.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "InfosArchive.h"
#include "ListeResultats.h"
#include "Passe.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <qpa/qwindowsysteminterface.h>

#include <csignal>
#include <optional>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace ModuleRAR;

namespace {

using Entrees = QList<QPair<QByteArray, QByteArray>>; // stored name, content; "-> t" a link

const QString Gros = QStringLiteral("gros.bin");

// 10,000 small files, each holding its name, which the helper extracts faster than the window
// shows their rows.
QString archivePetits() {
    static QTemporaryDir d;
    Entrees entrees;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray nom = "d" + QByteArray::number(i / 1000) + "/f" + QByteArray::number(i);
        entrees.append({nom, nom});
    }
    return archives::brute(d.filePath(QStringLiteral("petits.rar")), entrees);
}

} // namespace

class TestPasse : public EssaisDePasses {
    Q_OBJECT

private slots:
    // Not a test of the time a stop takes: a test's helper answers whenever it gets a core.
    void initTestCase() { assistant::imposerAttenteArret(10000); }

    // The window lives while the library spends seconds on gros.bin: its bar shows, input on
    // the commands of the pass is dropped, not replayed; a stop, a close request from the window
    // system or a killed helper ends the pass, the helper's own process is gone before the pass
    // returns, and the partial file goes. After a stop, the rows, the end line and the files on
    // disk agree, also when the helper was far ahead of the window.
    void uneLongueEntree_data() {
        QTest::addColumn<bool>("extraire");
        QTest::addColumn<QString>("pendant"); // what happens once the library is busy with gros.bin
        QTest::addColumn<int>("fin");         // the program's status, 1 after a box; -1: it goes on
        QTest::addColumn<QString>("resultat"); // gros.bin's; "petits": the small files instead
        QTest::addColumn<QString>("bilan");    // "arrêt": a stop's, for the rows that say OK
        const auto r = [](const char* phrase, bool extraire, const char* pendant, int fin,
                          const char* resultat, const char* bilan) {
            QTest::newRow(phrase) << extraire << QString::fromUtf8(pendant) << fin
                                  << QString::fromUtf8(resultat) << QString::fromUtf8(bilan);
        };
        r("tested, a click on Lister queued meanwhile: dropped", false, "cliquer", -1, "OK",
          "3 OK");
        r("extracting, helper killed: a box", true, "tuer", 1, "", "");
        r("extracting, closed by the window system: the program ends", true, "fermer", 0,
          "Interrompu", "");
        r("extracting, stopped with Escape: the window stays", true, "echap", -1, "Interrompu",
          "arrêt");
        r("extracting small files, stopped with Escape once rows show", true, "echap", -1, "petits",
          "arrêt");
    }

    void uneLongueEntree() {
        QFETCH(bool, extraire);
        QFETCH(QString, pendant);
        QFETCH(int, fin);
        QFETCH(QString, resultat);
        QFETCH(QString, bilan);
        const bool boite = fin == 1; // the helper's end told
        const bool petites = resultat == u"petits";
        DossierCourantGarde garde;
        QTemporaryDir dest;
        const QString partiel = dest.filePath(Gros);
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(petites ? archivePetits() : archives::longue());
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        const auto* barre = f.findChild<QProgressBar*>(QStringLiteral("progression"));
        const auto* passe = f.findChild<QProgressBar*>(QStringLiteral("progressionPasse"));
        auto* lister = f.findChild<QToolBar*>()->widgetForAction(
            f.findChild<QAction*>(QStringLiteral("Toolbar1_4")));

        // Once gros.bin is being written, or has kept the library busy long enough for the bar.
        bool vu = false;
        int assistant = -1; // a pidfd of the helper's own process, once the library is busy
        QString barreVue;
        QTimer guet;
        QObject::connect(&guet, &QTimer::timeout, &f, [&] {
            if (vu || (petites ? f.modeleResultats()->headerData(2, Qt::Horizontal) != "Extraction"
                       : extraire ? QFileInfo(partiel).size() == 0
                                  : !barre->isVisible() ||
                                        barre->width() < barre->minimumSizeHint().width())) {
                return;
            }
            if (QApplication::activeWindow() != &f) {
                f.activateWindow(); // as the window manager does once the folder dialog is gone
                return;
            }
            vu = true;
            assistant = int(::syscall(SYS_pidfd_open, assistantEnCours(), 0));
            barreVue = barre->text() + QLatin1Char('|') + passe->text();
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
        guet.stop();
        QCoreApplication::processEvents();

        QCOMPARE(statut.value_or(-1), fin);
        const QStringList noms = colonne(f, 0);
        QStringList resultats = colonne(f, 2);
        QVERIFY(petites ? noms.size() < 10000 : noms == QStringList({Gros, "b.txt", "a.txt"}));
        resultat = petites ? (resultats.first() == u"OK" ? "OK" : "Interrompu") : resultat;
        QCOMPARE(resultats.takeFirst(), resultat);
        QCOMPARE(resultats, QStringList(resultats.size(), QStringLiteral("OK")));
        QCOMPARE(f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                 extraire ? "Extraction" : "Test");
        QCOMPARE(b.messages.size(), boite ? 1 : 0);
        QVERIFY(!boite || ArretBibliotheque.match(b.messages[0].texte).hasMatch());
        const qsizetype faits = resultats.size() + (resultat == u"OK" ? 1 : 0);
        const auto* ligne = f.findChild<QLabel*>(QStringLiteral("bilan"));
        QCOMPARE(ligne->text(), bilan == u"arrêt"
                                    ? Avancement::bilan(ModeExtraction, int(faits), 0, 0, true, -1)
                                    : bilan);
        // In the window's first size, the panels make room for the whole end line.
        QVERIFY(ligne->isHidden() || ligne->width() >= ligne->sizeHint().width());
        QVERIFY(barre->isHidden() && passe->isHidden());
        if (extraire) {
            // Whole, each of them, and no other.
            QMap<QString, QByteArray> surLeDisque;
            QMap<QString, QByteArray> dits;
            for (QDirIterator i(dest.path(), QDir::Files | QDir::Hidden,
                                QDirIterator::Subdirectories);
                 i.hasNext();) {
                const QString chemin = i.next();
                surLeDisque[QDir(dest.path()).relativeFilePath(chemin)] = archives::lire(chemin);
            }
            for (const QString& nom : noms.mid(noms.size() - faits)) {
                dits[nom] = petites ? nom.toUtf8() : QByteArray(nom == u"a.txt" ? "a" : "bb");
            }
            QCOMPARE(surLeDisque, dits);
        } else {
            // The entries and the time left are known: the archive was listed first.
            QVERIFY2(barreVue.contains(
                         QRegularExpression("^\\d+ %\\|2 sur 3 · \\d+ (s|min) restantes?$")),
                     qPrintable(barreVue));
        }
        QVERIFY(assistant >= 0);
        pollfd fini{assistant, POLLIN, 0};
        QCOMPARE(::poll(&fini, 1, 0), 1);
        ::close(assistant);
        QVERIFY(f.findChild<QAction*>(QStringLiteral("Mnu_Tester"))->isEnabled() || fin >= 0);
    }

    // What a listing tells of the archive: its files, its folders, what they weigh unpacked and,
    // as its rows say, packed.
    void ceQuUneListeCompte() {
        QTemporaryDir d;
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QFile::encodeName(
            archives::creer(d.path(), QStringLiteral("a.rar"),
                            {{"vide/", {}}, {"a.txt", "aaa"}, {"b.txt", QByteArray(5000, 'b')}})));
        const ListeResultats& lignes = *f.modeleResultats();
        qint64 compressee = 0;
        for (int n = 0; n < lignes.nombreLignes(); ++n) {
            compressee += lignes.compressee(n);
        }
        const InfosArchive& i = f.infosArchive();
        QCOMPARE((QList<qint64>{i.fichiers, i.dossiers, i.taille, i.compressee}),
                 (QList<qint64>{2, 1, 5003, compressee}));
        QVERIFY(compressee > 0);
    }

    // The whole pass's bar: the entries done out of all, the time left from the pace so far once
    // it says something, and how full the bar is, where a small file weighs as much as the
    // library spends on it.
    void lAvancementDuPassage_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Travail>("fait");
        QTest::addColumn<Travail>("aFaire");
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("millieme");
        const auto r = [](const char* phrase, Travail fait, Travail aFaire, qint64 ms,
                          const char* texte, int millieme, int mode = ModeExtraction) {
            QTest::newRow(phrase) << mode << fait << aFaire << ms << QString::fromUtf8(texte)
                                  << millieme;
        };
        const auto petits = [](qint64 n) { return Travail{n, n * 100}; };
        r("thousands grouped, minutes left", petits(1234), petits(100101), 1400,
          "1\u202F234 sur 100\u202F101 · 2 min restantes", 12);
        r("under a second: no time told yet", petits(10), petits(100), 999, "10 sur 100", 100);
        r("nothing done: no pace to tell", {}, petits(3), 5000, "0 sur 3", 0, ModeTest);
        r("small files: half of them, half of the bar", petits(50), petits(100), 60000,
          "50 sur 100 · 1 min restante", 500);
        r("a large file among small ones: its bytes fill the bar", {1, 1000000000},
          {1001, 1000100000}, 10000, "1 sur 1\u202F001 · 1 s restante", 983);
        r("over an hour", {1, 0}, {100, 0}, 60000, "1 sur 100 · 1 h 39 min restantes", 10,
          ModeTest);
    }
    void lAvancementDuPassage() {
        QFETCH(int, mode);
        QFETCH(Travail, fait);
        QFETCH(Travail, aFaire);
        QFETCH(qint64, ms);
        QTEST(Avancement::texteAvancement(mode, fait, aFaire, ms), "texte");
        QTEST(Avancement::millieme(mode, fait, aFaire), "millieme");
    }

    // The end line: what became of the entries, and, stopped, what was done all the same.
    void leBilan_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("compte"); // OK, errors, ignored, entries gone through
        QTest::addColumn<bool>("interrompue");
        QTest::addColumn<QString>("bilan");
        const auto r = [](const char* phrase, int mode, QList<int> compte, bool interrompue,
                          const char* bilan) {
            QTest::newRow(phrase) << mode << compte << interrompue << QString::fromUtf8(bilan);
        };
        r("a test with errors", ModeTest, {1234, 2, 0, -1}, false, "1\u202F234 OK, 2 erreurs");
        r("an extraction all OK: no errors named", ModeExtraction, {1, 0, 0, -1}, false, "1 OK");
        r("a stopped extraction: what it extracted, and its errors", ModeExtraction,
          {42955, 0, 0, -1}, true, "Interrompu : 42\u202F955 extraits, 0 erreur");
        r("a stopped test, files kept", ModeTest, {0, 1, 2, -1}, true,
          "Interrompu : 0 OK, 1 erreur, 2 ignorés");
        r("a selection, out of every entry", ModeExtraction, {1, 0, 1, 100000}, false,
          "1 extrait sur 100\u202F000, 1 ignoré");
    }
    void leBilan() {
        QFETCH(int, mode);
        QFETCH(QList<int>, compte);
        QFETCH(bool, interrompue);
        QTEST(Avancement::bilan(mode, compte[0], compte[1], compte[2], interrompue, compte[3]),
              "bilan");
    }

    // After Extraire ici, when the window stays open, the end line's link shows in the file
    // manager what was published beside the archive: that folder or, for a single file, the
    // archive's own; a desktop without a file manager says so.
    void leDossierExtrait_data() {
        QTest::addColumn<Entrees>("entrees");
        QTest::addColumn<QString>("montre");                           // beside the archive
        const Entrees a{{"jeu.txt", "a"}, {"lien", "-> /etc/passwd"}}; // the link refused
        QTest::newRow("two files and a link refused: their folder")
            << a + Entrees{{"b.txt", "b"}} << "jeu";
        QTest::newRow("one file and a link refused: the archive's folder") << a << ".";
    }
    void leDossierExtrait() {
        QFETCH(Entrees, entrees);
        QFETCH(QString, montre);
        QTemporaryDir d;
        const QString archive = archives::brute(d.filePath(QStringLiteral("jeu.rar")), entrees);
        DossierCourantGarde garde;
        FausseInteraction b;
        FUnRAR f;
        f.extraireIci(QFile::encodeName(archive));
        auto* lien = f.findChild<QLabel*>(QStringLiteral("ouvrirDossier"));
        QVERIFY(!lien->isHidden());
        emit lien->linkActivated("dossier");
        QCOMPARE(b.dossiers, QStringList{QFileInfo(d.filePath(montre)).canonicalFilePath()});
        const qsizetype vus = b.messages.size();
        b.refusDossiers.takeFirst()();
        QCOMPARE(b.messages.size(), vus + 1);
        QVERIFY2(b.messages.last().texte.startsWith("Aucune application ne montre le dossier « "),
                 qPrintable(b.messages.last().texte));
    }
};

QTEST_MAIN(TestPasse)
#include "tst_passe.moc"

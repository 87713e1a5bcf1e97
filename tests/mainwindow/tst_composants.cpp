// The window's parts on their own: the rows of the result list, the archive that the command
// line names, and what the status bar says of a pass.

#include "Avancement.h"
#include "LigneCommande.h"
#include "ListeResultats.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <vector>

class TestComposants : public QObject {
    Q_OBJECT

private slots:
    // Rows come newest first, each with its name, size and result, and reach the views in one
    // batch; names fill several storage blocks, one is larger than a block, and each comes back
    // whole. A result written on a row already shown is told to the views.
    void lesLignes() {
        ListeResultats m;
        QAbstractItemModelTester testeur(&m,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy insertions(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy changements(&m, &QAbstractItemModel::dataChanged);
        const QStringList resultats{"OK",          "OK",     "Ignoré", "OK", "Lien refusé",
                                    "Lien refusé", "Ignoré", ""}; // the last never written
        QStringList noms{QString()};
        for (int i = 1; i < 5000; ++i) {
            noms << QStringLiteral("dossier-%1/").arg(i).repeated(20) +
                        QStringLiteral("été 日本 \U0001D11E \uE0A9 %1").arg(i);
        }
        noms[2500] = QString(300 * 1024, QLatin1Char('x'));
        for (int i = 0; i < noms.size(); ++i) {
            m.ajouterEnTete(noms[i], i - 3);
            if (!resultats[i % 8].isEmpty()) {
                m.ecrireResultat(resultats[i % 8]);
            }
        }
        // Rows not yet published count for the caller, not for the views.
        QCOMPARE(m.nombreLignes(), noms.size());
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.texte(0, 0), noms.last());
        m.publier();
        m.publier(); // nothing waiting: no signal
        QCOMPARE(insertions.size(), 1);
        QCOMPARE(insertions[0][1].toInt(), 0);
        QCOMPARE(insertions[0][2].toInt(), noms.size() - 1);
        QCOMPARE(changements.size(), 0);
        m.ecrireResultat(QStringLiteral("OK"));
        QCOMPARE(changements.size(), 1);
        for (int i = 0; i < noms.size(); ++i) {
            const QModelIndex ligne = m.index(int(noms.size()) - 1 - i, 0);
            QCOMPARE(ligne.data().toString(), noms[i]);
            QCOMPARE(ligne.siblingAtColumn(1).data().toString().remove(QChar(0x202F)),
                     QString::number(i - 3));
            const QString resultat = i + 1 == noms.size() ? QStringLiteral("OK") : resultats[i % 8];
            QCOMPARE(ligne.siblingAtColumn(2).data().toString(), resultat);
        }
    }

    // From the bytes of argv, as the program receives them, to the bytes of the path it opens.
    // The status bar's words for a pass: counts grouped as in French, singular for one, the
    // time left rounded up to the unit shown.
    void lesMotsDUnPasse_data() {
        QTest::addColumn<QString>("vu");
        QTest::addColumn<QString>("attendu");
        const QString milliers = QLocale(QLocale::French).groupSeparator();
        QTest::newRow("all OK") << Avancement::bilan(1234, 0, 0, false)
                                << QStringLiteral("1") + milliers + QStringLiteral("234 OK");
        QTest::newRow("one of each")
            << Avancement::bilan(0, 1, 1, false) << QStringLiteral("0 OK, 1 erreur, 1 ignoré");
        QTest::newRow("several") << Avancement::bilan(3, 2, 5, false)
                                 << QStringLiteral("3 OK, 2 erreurs, 5 ignorés");
        QTest::newRow("stopped") << Avancement::bilan(3, 2, 0, true)
                                 << QStringLiteral("Interrompu");
        QTest::newRow("a selection") << Avancement::bilan(3, 0, 0, false, 100000)
                                     << QStringLiteral("3 extraits sur 100") + milliers + "000";
        QTest::newRow("one of five, one error")
            << Avancement::bilan(1, 1, 0, false, 5) << QStringLiteral("1 extrait sur 5, 1 erreur");
        QTest::newRow("a size, grouped") << ListeResultats::texteTaille(10737418241)
                                         << QStringLiteral("10\u202F737\u202F418\u202F241");
        QTest::newRow("under a second") << Avancement::tempsRestant(0) << "1 s restante";
        QTest::newRow("seconds") << Avancement::tempsRestant(59) << "59 s restantes";
        QTest::newRow("a minute") << Avancement::tempsRestant(60) << "1 min restante";
        QTest::newRow("a minute and a second") << Avancement::tempsRestant(61) << "2 min restantes";
        QTest::newRow("under an hour") << Avancement::tempsRestant(3540) << "59 min restantes";
        QTest::newRow("an hour and more")
            << Avancement::tempsRestant(3541) << "1 h 00 min restantes";
        QTest::newRow("hours") << Avancement::tempsRestant(7 * 3600 + 301)
                               << "7 h 06 min restantes";
    }

    void lesMotsDUnPasse() {
        QFETCH(QString, vu);
        QFETCH(QString, attendu);
        QCOMPARE(vu, attendu);
    }

    void lArchiveDeLaLigneDeCommande_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("courant"); // the current directory
        QTest::addColumn<QByteArray>("attendu"); // empty: no archive
        const auto w = [](const char* regle, const QByteArrayList& arguments, const char* attendu,
                          const char* courant = "C:\\Travail") {
            QTest::newRow(regle) << int(StyleChemin::Windows) << arguments << QByteArray(courant)
                                 << QByteArray(attendu);
        };
        const auto p = [](const char* regle, const QByteArrayList& arguments, const char* attendu,
                          const char* courant = "/home/u") {
            QTest::newRow(regle) << int(StyleChemin::Posix) << arguments << QByteArray(courant)
                                 << QByteArray(attendu);
        };
        w("a drive path is taken whole", {"C:\\Archives\\test.rar"}, "C:\\Archives\\test.rar");
        w("a quoted drive path loses its quotes", {"\"C:\\Mes archives\\test.rar\""},
          "C:\\Mes archives\\test.rar");
        w("a relative name is joined to the current directory", {"test.rar"},
          "C:\\Travail\\test.rar");
        w("a quoted relative name keeps its quotes", {"\"test.rar\""}, "C:\\Travail\\\"test.rar\"");
        w("a network path counts as relative, even at a drive root",
          {"\\\\serveur\\partage\\a.rar"}, "C:\\\\\\\\serveur\\partage\\a.rar", "C:\\");
        w("a colon third drops the first and last characters unexamined", {"xC:\\a.rary"},
          "C:\\a.rar");
        w("when both colons match the quoted rule wins", {"C::x"}, "::");
        w("a one-character name is relative", {"a"}, "D:\\a", "D:");
        p("posix: an absolute path is taken whole, blanks and accents and all",
          {"/srv/mes archives/\xc3\xa9t\xc3\xa9 2026.rar"},
          "/srv/mes archives/\xc3\xa9t\xc3\xa9 2026.rar");
        p("posix: a quoted absolute path loses its quotes", {"\"/srv/a b/test.rar\""},
          "/srv/a b/test.rar");
        p("posix: a name in a subfolder is relative, not a quoted form", {"d/test.rar"},
          "/home/u/d/test.rar");
        p("posix: at the root the slash is doubled", {"test.rar"}, "//test.rar", "/");
        p("posix: a quoted relative name keeps its quotes", {"\"test.rar\""},
          "/home/u/\"test.rar\"");
        p("posix: a shell's unquoted pieces are joined by one blank", {"Mes", "archives.rar"},
          "/home/u/Mes archives.rar");
        p("posix: the toolkit's options are part of the path", {"-reverse", "a.rar"},
          "/home/u/-reverse a.rar");
        p("posix: a name that is not UTF-8 keeps its bytes", {"lat\xe9.rar"},
          "/home/u/lat\xe9.rar");
        p("without an argument there is no archive", {}, "");
    }

    void lArchiveDeLaLigneDeCommande() {
        QFETCH(int, style);
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, courant);
        QFETCH(QByteArray, attendu);
        std::vector<const char*> argv{"korvane"};
        for (const QByteArray& a : arguments) {
            argv.push_back(a.constData());
        }
        const QByteArray texte = texteArguments(int(argv.size()), argv.data());
        QCOMPARE(texte.isEmpty() ? QByteArray()
                                 : cheminArchiveDepuisArguments(texte, courant, StyleChemin(style)),
                 attendu);
    }
};

QTEST_MAIN(TestComposants)
#include "tst_composants.moc"

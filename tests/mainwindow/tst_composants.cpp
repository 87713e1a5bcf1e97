// The window's parts on their own: the rows of the result list, and the archive that the command
// line names.

#include "LigneCommande.h"
#include "ListeResultats.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <vector>

namespace {

QString affiche(const ListeResultats& m, int ligne, int colonne) {
    return m.data(m.index(ligne, colonne)).toString();
}

} // namespace

class TestComposants : public QObject {
    Q_OBJECT

private slots:
    // Rows come newest first, each with its name, size and result, and reach the views in one
    // batch; names fill several storage blocks, one is larger than a block, and each comes back
    // whole.
    void lesLignes() {
        ListeResultats m;
        QAbstractItemModelTester testeur(&m,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy insertions(&m, &QAbstractItemModel::rowsInserted);
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
        for (int i = 0; i < noms.size(); ++i) {
            const int rang = int(noms.size()) - 1 - i;
            QCOMPARE(affiche(m, rang, 0), noms[i]);
            QCOMPARE(affiche(m, rang, 1), QString::number(i - 3));
            QCOMPARE(affiche(m, rang, 2), resultats[i % 8]);
        }
    }

    // A result written on a row already shown is told to the views; the header's label is the last
    // pass's, even once the rows are gone; rows come again after.
    void leResultatEtLEnTete() {
        ListeResultats m;
        m.ajouterEnTete(QStringLiteral("a"), 1);
        m.publier();
        QSignalSpy changements(&m, &QAbstractItemModel::dataChanged);
        m.ecrireResultat(QStringLiteral("OK"));
        QCOMPARE(changements.size(), 1);
        QCOMPARE(affiche(m, 0, 2), QStringLiteral("OK"));
        m.definirEnTeteResultat(QStringLiteral("Test"));
        m.viderLignes();
        QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Test"));
        QCOMPARE(m.rowCount(), 0);
        // A name is shown with what could hide or reorder it spelled out, and kept as it came.
        m.ajouterEnTete(QStringLiteral("a\u202Eb\n.txt"), 7);
        m.publier();
        QCOMPARE(affiche(m, 0, 0), QStringLiteral("a\\u202Eb\\u000A.txt"));
        QCOMPARE(m.texte(0, 0), QStringLiteral("a\u202Eb\n.txt"));
    }

    // From the bytes of argv, as the program receives them, to the bytes of the path it opens.
    void lArchiveDeLaLigneDeCommande_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("courant"); // the current directory
        QTest::addColumn<QByteArray>("attendu"); // empty: no archive
        constexpr StyleChemin W = StyleChemin::Windows;
        constexpr StyleChemin P = StyleChemin::Posix;
        const struct {
            const char* regle;
            StyleChemin style;
            QByteArrayList arguments;
            const char* courant;
            const char* attendu;
        } cas[] = {
            {"a drive path is taken whole",
             W,
             {"C:\\Archives\\test.rar"},
             "C:\\Travail",
             "C:\\Archives\\test.rar"},
            {"a quoted drive path loses its quotes",
             W,
             {"\"C:\\Mes archives\\test.rar\""},
             "C:\\Travail",
             "C:\\Mes archives\\test.rar"},
            {"a relative name is joined to the current directory",
             W,
             {"test.rar"},
             "C:\\Travail",
             "C:\\Travail\\test.rar"},
            {"a quoted relative name keeps its quotes",
             W,
             {"\"test.rar\""},
             "C:\\Travail",
             "C:\\Travail\\\"test.rar\""},
            {"a network path counts as relative, even at a drive root",
             W,
             {"\\\\serveur\\partage\\a.rar"},
             "C:\\",
             "C:\\\\\\\\serveur\\partage\\a.rar"},
            {"a colon third drops the first and last characters unexamined",
             W,
             {"xC:\\a.rary"},
             "C:\\Travail",
             "C:\\a.rar"},
            {"when both colons match the quoted rule wins", W, {"C::x"}, "C:\\Travail", "::"},
            {"a one-character name is relative", W, {"a"}, "D:", "D:\\a"},
            {"posix: an absolute path is taken whole, blanks and accents and all",
             P,
             {"/srv/mes archives/\xc3\xa9t\xc3\xa9 2026.rar"},
             "/home/u",
             "/srv/mes archives/\xc3\xa9t\xc3\xa9 2026.rar"},
            {"posix: a quoted absolute path loses its quotes",
             P,
             {"\"/srv/a b/test.rar\""},
             "/home/u",
             "/srv/a b/test.rar"},
            {"posix: a name in a subfolder is relative, not a quoted form",
             P,
             {"d/test.rar"},
             "/home/u",
             "/home/u/d/test.rar"},
            {"posix: at the root the slash is doubled", P, {"test.rar"}, "/", "//test.rar"},
            {"posix: a quoted relative name keeps its quotes",
             P,
             {"\"test.rar\""},
             "/home/u",
             "/home/u/\"test.rar\""},
            {"posix: a shell's unquoted pieces are joined by one blank",
             P,
             {"Mes", "archives.rar"},
             "/home/u",
             "/home/u/Mes archives.rar"},
            {"posix: the toolkit's options are part of the path",
             P,
             {"-reverse", "a.rar"},
             "/home/u",
             "/home/u/-reverse a.rar"},
            {"posix: a name that is not UTF-8 keeps its bytes",
             P,
             {"lat\xe9.rar"},
             "/home/u",
             "/home/u/lat\xe9.rar"},
            {"without an argument there is no archive", P, {}, "/home/u", ""},
        };
        for (const auto& c : cas) {
            QTest::newRow(c.regle)
                << int(c.style) << c.arguments << QByteArray(c.courant) << QByteArray(c.attendu);
        }
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

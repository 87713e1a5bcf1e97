// The window's parts on their own: the rows of the result list, the delegate that paints them,
// and the path that the command line names.

#include "DelegueTexte.h"
#include "LigneCommande.h"
#include "ListeResultats.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>

#include <vector>

namespace {

QString affiche(const ListeResultats& m, int ligne, int colonne) {
    return m.data(m.index(ligne, colonne)).toString();
}

// What `delegue` paints of a small list, with the row `choisie` current (none when negative).
QImage peindre(QAbstractItemDelegate* delegue, int choisie, bool retourALaLigne) {
    ListeResultats modele;
    modele.ajouterEnTete(QStringLiteral("court.txt"), 2);
    modele.ecrireResultat(QStringLiteral("OK"));
    modele.ajouterEnTete(QStringLiteral("un dossier au nom très long/sous-dossier/encore plus "
                                        "loin/fichier_dont_le_nom_depasse_la_colonne.txt"),
                         1234567890123);
    modele.ecrireResultat(QStringLiteral("Lien refusé"));
    modele.ajouterEnTete(QStringLiteral("été 日本/ok"), 0);
    modele.publier();
    QTableView vue;
    vue.setModel(&modele);
    vue.setItemDelegate(delegue);
    vue.setShowGrid(false);
    vue.setWordWrap(retourALaLigne);
    vue.verticalHeader()->hide();
    vue.setSelectionBehavior(QAbstractItemView::SelectRows);
    vue.horizontalHeader()->resizeSection(0, 160);
    vue.horizontalHeader()->resizeSection(1, 50); // too narrow for its number
    vue.horizontalHeader()->resizeSection(2, 60);
    vue.resize(300, 120);
    vue.show();
    if (choisie >= 0) {
        vue.setFocus();
        vue.setCurrentIndex(modele.index(choisie, 0));
    }
    QApplication::processEvents();
    return vue.viewport()->grab().toImage();
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

    // The list's own delegate paints exactly what the toolkit's delegate paints: same place, same
    // colours, same ellipsis, chosen or not; wrapped text is left to the toolkit.
    void peintCommeLaBoiteAOutils() {
        for (const bool retourALaLigne : {false, true}) {
            QStyledItemDelegate standard;
            DelegueTexte notre;
            const QImage attendue = peindre(&standard, 1, retourALaLigne);
            QVERIFY(!attendue.isNull());
            QVERIFY(peindre(&notre, 1, retourALaLigne) == attendue);
        }
    }

    void lArchiveDeLaLigneDeCommande_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("dossierCourant");
        QTest::addColumn<QString>("attendu");
        const struct {
            const char* regle;
            StyleChemin style;
            const char* texte;
            const char* courant;
            const char* attendu;
        } cas[] = {
            {"a drive path is taken whole", StyleChemin::Windows, "C:\\Archives\\test.rar",
             "C:\\Travail", "C:\\Archives\\test.rar"},
            {"a quoted drive path loses its quotes", StyleChemin::Windows,
             "\"C:\\Mes archives\\test.rar\"", "C:\\Travail", "C:\\Mes archives\\test.rar"},
            {"a relative name is joined to the current directory", StyleChemin::Windows, "test.rar",
             "C:\\Travail", "C:\\Travail\\test.rar"},
            {"a quoted relative name keeps its quotes", StyleChemin::Windows, "\"test.rar\"",
             "C:\\Travail", "C:\\Travail\\\"test.rar\""},
            {"a network path counts as relative", StyleChemin::Windows,
             "\\\\serveur\\partage\\a.rar", "C:\\", "C:\\\\\\\\serveur\\partage\\a.rar"},
            {"a colon third drops the first and last characters unexamined", StyleChemin::Windows,
             "xC:\\a.rary", "C:\\Travail", "C:\\a.rar"},
            {"when both colons match the quoted rule wins", StyleChemin::Windows, "C::x",
             "C:\\Travail", "::"},
            {"a one-character name is relative", StyleChemin::Windows, "a", "D:", "D:\\a"},
            {"posix: an absolute path is taken whole", StyleChemin::Posix, "/srv/a b/test.rar",
             "/home/u", "/srv/a b/test.rar"},
            {"posix: a quoted absolute path loses its quotes", StyleChemin::Posix,
             "\"/srv/mes archives/test.rar\"", "/home/u", "/srv/mes archives/test.rar"},
            {"posix: a name in a subfolder is relative, not a quoted form", StyleChemin::Posix,
             "d/test.rar", "/home/u", "/home/u/d/test.rar"},
            {"posix: at the root the slash is doubled", StyleChemin::Posix, "test.rar", "/",
             "//test.rar"},
            {"posix: a quoted relative name keeps its quotes", StyleChemin::Posix, "\"test.rar\"",
             "/home/u", "/home/u/\"test.rar\""},
        };
        for (const auto& c : cas) {
            QTest::newRow(c.regle) << int(c.style) << QString::fromUtf8(c.texte)
                                   << QString::fromUtf8(c.courant) << QString::fromUtf8(c.attendu);
        }
    }

    void lArchiveDeLaLigneDeCommande() {
        QFETCH(int, style);
        QFETCH(QString, texte);
        QFETCH(QString, dossierCourant);
        QFETCH(QString, attendu);
        QCOMPARE(cheminArchiveDepuisArguments(texte, dossierCourant, StyleChemin(style)), attendu);
    }

    // From the bytes of argv, as the program receives them, to the bytes of the path it opens.
    void depuisArgv_data() {
        QTest::addColumn<QByteArrayList>("argv");
        QTest::addColumn<QByteArray>("texte");
        QTest::addColumn<QByteArray>("attendu");
        const QByteArray chemin = "/home/x/Mes archives/\xc3\xa9t\xc3\xa9 2026.rar";
        QTest::newRow("a file manager's one path with blanks and accents is taken whole")
            << QByteArrayList{"korvane", chemin} << chemin << chemin;
        QTest::newRow("a shell's unquoted pieces are joined by one blank")
            << QByteArrayList{"korvane", "Mes", "archives.rar"} << QByteArray("Mes archives.rar")
            << QByteArray("/home/u/Mes archives.rar");
        QTest::newRow("the toolkit's options are part of the path")
            << QByteArrayList{"korvane", "-reverse", "a.rar"} << QByteArray("-reverse a.rar")
            << QByteArray("/home/u/-reverse a.rar");
        QTest::newRow("a name that is not UTF-8 keeps its bytes")
            << QByteArrayList{"korvane", "/tmp/lat\xe9.rar"} << QByteArray("/tmp/lat\xe9.rar")
            << QByteArray("/tmp/lat\xe9.rar");
        QTest::newRow("without an argument there is no text")
            << QByteArrayList{"korvane"} << QByteArray() << QByteArray();
    }

    void depuisArgv() {
        QFETCH(QByteArrayList, argv);
        QFETCH(QByteArray, texte);
        QFETCH(QByteArray, attendu);
        std::vector<const char*> pointeurs;
        for (const QByteArray& a : argv) {
            pointeurs.push_back(a.constData());
        }
        const QByteArray recu = texteArguments(int(pointeurs.size()), pointeurs.data());
        QCOMPARE(recu, texte);
        if (!attendu.isEmpty()) {
            QCOMPARE(cheminArchiveDepuisArguments(recu, QByteArray("/home/u"), StyleChemin::Posix),
                     attendu);
        }
    }
};

QTEST_MAIN(TestComposants)
#include "tst_composants.moc"

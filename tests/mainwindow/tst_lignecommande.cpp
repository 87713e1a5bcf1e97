#include "LigneCommande.h"

#include <QCoreApplication>
#include <QTest>

#include <vector>

class TestLigneCommande : public QObject {
    Q_OBJECT

private slots:
    void regles_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("dossierCourant");
        QTest::addColumn<QString>("attendu");

        const int win = int(StyleChemin::Windows);
        const int posix = int(StyleChemin::Posix);
        QTest::newRow("a drive path is taken whole") << win << "C:\\Archives\\test.rar"
                                                     << "C:\\Travail"
                                                     << "C:\\Archives\\test.rar";
        QTest::newRow("a quoted drive path loses its quotes")
            << win << "\"C:\\Mes archives\\test.rar\""
            << "C:\\Travail"
            << "C:\\Mes archives\\test.rar";
        QTest::newRow("a relative name is joined to the current directory")
            << win << "test.rar"
            << "C:\\Travail"
            << "C:\\Travail\\test.rar";
        QTest::newRow("at a drive root the backslash is doubled") << win << "test.rar"
                                                                  << "C:\\"
                                                                  << "C:\\\\test.rar";
        QTest::newRow("a quoted relative name keeps its quotes") << win << "\"test.rar\""
                                                                 << "C:\\Travail"
                                                                 << "C:\\Travail\\\"test.rar\"";
        QTest::newRow("a network path counts as relative")
            << win << "\\\\serveur\\partage\\a.rar"
            << "C:\\Travail"
            << "C:\\Travail\\\\\\serveur\\partage\\a.rar";
        QTest::newRow("a colon third drops the first and last characters unexamined")
            << win << "xC:\\a.rary"
            << "C:\\Travail"
            << "C:\\a.rar";
        QTest::newRow("when both colons match the quoted rule wins") << win << "C::x"
                                                                     << "C:\\Travail"
                                                                     << "::";
        QTest::newRow("two paths are one text") << win << "C:\\a.rar C:\\b.rar"
                                                << "C:\\"
                                                << "C:\\a.rar C:\\b.rar";
        QTest::newRow("a one-character name is relative") << win << "a"
                                                          << "D:"
                                                          << "D:\\a";

        QTest::newRow("posix: an absolute path is taken whole") << posix << "/srv/archives/test.rar"
                                                                << "/home/u"
                                                                << "/srv/archives/test.rar";
        QTest::newRow("posix: a quoted absolute path loses its quotes")
            << posix << "\"/srv/mes archives/test.rar\""
            << "/home/u"
            << "/srv/mes archives/test.rar";
        QTest::newRow("posix: a relative name is joined to the current directory")
            << posix << "test.rar"
            << "/home/u"
            << "/home/u/test.rar";
        QTest::newRow("posix: a name in a subfolder is relative, not a quoted form")
            << posix << "d/test.rar"
            << "/home/u"
            << "/home/u/d/test.rar";
        QTest::newRow("posix: a dot-slash name is relative") << posix << "./test.rar"
                                                             << "/home/u"
                                                             << "/home/u/./test.rar";
        QTest::newRow("posix: at the root the slash is doubled") << posix << "test.rar"
                                                                 << "/"
                                                                 << "//test.rar";
        QTest::newRow("posix: a quoted relative name keeps its quotes") << posix << "\"test.rar\""
                                                                        << "/home/u"
                                                                        << "/home/u/\"test.rar\"";
        QTest::newRow("posix: names with blanks stay whole") << posix << "/tmp/a b/c d.rar"
                                                             << "/home/u"
                                                             << "/tmp/a b/c d.rar";
    }

    void regles() {
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

QTEST_APPLESS_MAIN(TestLigneCommande)
#include "tst_lignecommande.moc"

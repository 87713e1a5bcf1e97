// The links that an extraction pass made, checked where the system resolves them.

#include "Gardes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestGardes : public QObject {
    Q_OBJECT

private slots:
    // Where the library writes a stored name, which the guards must look at and nowhere else.
    void ouLaBibliothequeEcrit_data() {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("chemin");
        QTest::newRow("a plain name") << "a/b.txt"
                                      << "a/b.txt";
        QTest::newRow("after the last /../") << "a/b/../c/../d7"
                                             << "d7";
        QTest::newRow("x/../ twice over") << "q/../e/f/../g"
                                          << "g";
        QTest::newRow("leading ../ and ./") << "../.././a/./b"
                                            << "a/./b";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "etc/passwd";
        QTest::newRow("a server's name") << "//serveur/partage/x"
                                         << "x";
        QTest::newRow("a dot file") << ".cache/x"
                                    << ".cache/x";
        QTest::newRow("three dots") << "..."
                                    << "...";
        QTest::newRow("up alone") << ".."
                                  << "";
        QTest::newRow("up at the end") << "a/.."
                                       << "a/..";
        QTest::newRow("slashes only") << "///"
                                      << "";
    }

    void ouLaBibliothequeEcrit() {
        QFETCH(QString, nom);
        QFETCH(QString, chemin);
        QCOMPARE(cheminExtrait(nom), chemin);
    }

    // A link that leads nowhere when it is made may lead out once a folder exists; the check at
    // the end of the pass removes it, and keeps those that stay inside.
    void unDossierVenuApresDonneUneSortie() {
        QTemporaryDir bac;
        const QString dest = bac.filePath(QStringLiteral("dest"));
        QVERIFY(QDir().mkpath(dest + QStringLiteral("/e/f")));
        QVERIFY(QDir::setCurrent(dest));
        QVERIFY(QFile::link(QStringLiteral("../../h"), QStringLiteral("e/f/g")));
        QVERIFY(QFile::link(QStringLiteral("g/../../.."), QStringLiteral("e/f/d")));
        QVERIFY(QFile::link(QStringLiteral("../../h"), QStringLiteral("e/f/reste")));

        LiensDeLaPasse liens(dest);
        QVERIFY(liens.accepter(QStringLiteral("e/f/g"), true));
        QVERIFY(liens.accepter(QStringLiteral("e/f/d"), true)); // leads nowhere yet
        QVERIFY(liens.accepter(QStringLiteral("e/f/reste"), true));
        QVERIFY(QDir().mkdir(QStringLiteral("h")));
        QVERIFY(!QFileInfo(QStringLiteral("e/f/d")).canonicalFilePath().startsWith(dest)); // out

        liens.verifierTous();
        QVERIFY(!QFileInfo(QStringLiteral("e/f/d")).isSymLink());
        QVERIFY(QFileInfo(QStringLiteral("e/f/g")).isSymLink());
        QVERIFY(QFileInfo(QStringLiteral("e/f/reste")).isSymLink());
    }

    // A link to a file is checked alone, and refused when it leads out.
    void unLienVersUnFichierDehors() {
        QTemporaryDir bac;
        const QString dest = bac.filePath(QStringLiteral("dest"));
        QVERIFY(QDir().mkpath(dest));
        QFile dehors(bac.filePath(QStringLiteral("dehors.txt")));
        QVERIFY(dehors.open(QIODevice::WriteOnly));
        dehors.close();
        QVERIFY(QDir::setCurrent(dest));
        QVERIFY(QFile::link(bac.filePath(QStringLiteral("dehors.txt")), QStringLiteral("l")));
        LiensDeLaPasse liens(dest);
        QVERIFY(!liens.accepter(QStringLiteral("l"), true));
        QVERIFY(!QFileInfo(QStringLiteral("l")).isSymLink());
        QVERIFY(QFileInfo::exists(bac.filePath(QStringLiteral("dehors.txt"))));
    }
};

QTEST_GUILESS_MAIN(TestGardes)
#include "tst_gardes.moc"

// Where the library writes a stored name, and the links that an extraction pass made, checked where
// the system resolves them.

#include "Archives.h"
#include "Gardes.h"
#include "Passe.h"

#include <QDir>
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
        QTest::newRow("a plain name") << QStringLiteral("a/b.txt") << "a/b.txt";
        QTest::newRow("after the last /../") << QStringLiteral("a/b/../c/../d7") << "d7";
        QTest::newRow("x/../ twice over") << QStringLiteral("q/../e/f/../g") << "g";
        QTest::newRow("leading ../ and ./") << QStringLiteral("../.././a/./b") << "a/./b";
        QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << "etc/passwd";
        QTest::newRow("a server's name") << QStringLiteral("//serveur/partage/x") << "x";
        QTest::newRow("a dot file") << QStringLiteral(".cache/x") << ".cache/x";
        QTest::newRow("three dots") << QStringLiteral("...") << "...";
        QTest::newRow("up alone") << QStringLiteral("..") << "";
        QTest::newRow("up at the end") << QStringLiteral("a/..") << "a/..";
        QTest::newRow("slashes only") << QStringLiteral("///") << "";
    }

    void ouLaBibliothequeEcrit() {
        QFETCH(QString, nom);
        QFETCH(QString, chemin);
        QCOMPARE(cheminExtrait(nom), chemin);
    }

    // A link that leads nowhere when it is made may lead out once a folder exists; the check at
    // the end of the pass removes it, and keeps those that stay inside. A link to a file outside
    // is refused, and removed, at once.
    void lesLiensQuiSortentSontRetires() {
        QTemporaryDir bac;
        DossierCourantGarde garde;
        const QString dest = bac.filePath(QStringLiteral("dest"));
        const QString dehors = bac.filePath(QStringLiteral("dehors.txt"));
        archives::ecrire(dehors, "");
        QVERIFY(QDir().mkpath(dest + QStringLiteral("/e/f")));
        QVERIFY(QDir::setCurrent(dest));
        QVERIFY(QFile::link(QStringLiteral("../../h"), QStringLiteral("e/f/g")));
        QVERIFY(QFile::link(QStringLiteral("g/../../.."), QStringLiteral("e/f/d")));
        QVERIFY(QFile::link(QStringLiteral("../../h"), QStringLiteral("e/f/reste")));
        QVERIFY(QFile::link(dehors, QStringLiteral("l")));

        LiensDeLaPasse liens(dest);
        QVERIFY(liens.accepter(QStringLiteral("e/f/g"), true));
        QVERIFY(liens.accepter(QStringLiteral("e/f/d"), true)); // leads nowhere yet
        QVERIFY(liens.accepter(QStringLiteral("e/f/reste"), true));
        QVERIFY(!liens.accepter(QStringLiteral("l"), true));
        QVERIFY(!QFileInfo(QStringLiteral("l")).isSymLink());
        QVERIFY(QFileInfo::exists(dehors));
        QVERIFY(QDir().mkdir(QStringLiteral("h")));
        QVERIFY(!QFileInfo(QStringLiteral("e/f/d")).canonicalFilePath().startsWith(dest)); // out

        liens.verifierTous();
        QVERIFY(!QFileInfo(QStringLiteral("e/f/d")).isSymLink());
        QVERIFY(QFileInfo(QStringLiteral("e/f/g")).isSymLink());
        QVERIFY(QFileInfo(QStringLiteral("e/f/reste")).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestGardes)
#include "tst_gardes.moc"

#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "ModuleRAR.h"
#include "Passe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace ModuleRAR;

namespace {

void ecrire(const QString& chemin, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size()) {
        qFatal("cannot write %s", qPrintable(chemin));
    }
}

QByteArray lire(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// An archive with folders: docs/a.txt, docs/sous/b.txt, c.txt, in that order.
QString archiveAvecDossiers(const QTemporaryDir& d) {
    const QString source = d.filePath(QStringLiteral("source"));
    ecrire(source + QStringLiteral("/docs/a.txt"), "archive a");
    ecrire(source + QStringLiteral("/docs/sous/b.txt"), "archive b");
    ecrire(source + QStringLiteral("/c.txt"), "archive c");
    const QString archive = d.filePath(QStringLiteral("dossiers.rar"));
    QProcess p;
    p.setWorkingDirectory(source);
    p.start(QStandardPaths::findExecutable(QStringLiteral("rar")),
            {QStringLiteral("a"), QStringLiteral("-idq"), archive, QStringLiteral("docs/a.txt"),
             QStringLiteral("docs/sous/b.txt"), QStringLiteral("c.txt")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qFatal("rar failed");
    }
    return archive;
}

QStringList fichiersSous(const QString& racine) {
    QStringList noms;
    QDirIterator it(racine, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        noms << QDir(racine).relativeFilePath(it.next());
    }
    noms.sort();
    return noms;
}

} // namespace

class TestExtraction : public QObject {
    Q_OBJECT

private slots:
    void init() {
        CheminArchive.clear();
        DossierDestination.clear();
    }

    void extraireDansLeDossierChoisiGardeLesChemins() {
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString archive = archiveAvecDossiers(d);
        const QString cible = d.filePath(QStringLiteral("sortie"));
        QVERIFY(QDir().mkpath(cible));
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);

        DossierDestination = cible; // the dialog opens on it; "&Extraire" confirms it
        repondreAuDialogue("Command1");
        f.Mnu_Extraire_Click();

        QVERIFY(boites.messages.isEmpty());
        QCOMPARE(QDir::currentPath(), QDir(cible).canonicalPath());
        QCOMPARE(fichiersSous(cible), (QStringList{"c.txt", "docs/a.txt", "docs/sous/b.txt"}));
        QCOMPARE(lire(cible + QStringLiteral("/docs/sous/b.txt")), QByteArray("archive b"));
        const ListeResultats* m = f.modeleResultats();
        QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Extraction"));
        QCOMPARE(m->texte(0, 0), QStringLiteral("c.txt"));
        QCOMPARE(m->texte(0, 2), QStringLiteral("OK"));
    }

    void annulerLaDestinationNeChangeRien() {
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString archive = archiveAvecDossiers(d);
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);
        f.Mnu_Tester_Click();
        const QString avant = QDir::currentPath();
        const QString titre = f.windowTitle();

        repondreAuDialogue("Command2");
        f.Mnu_Extraire_Click();

        QVERIFY(DossierDestination.isEmpty());
        QCOMPARE(QDir::currentPath(), avant);
        QCOMPARE(f.windowTitle(), titre);
        QCOMPARE(f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Test"));
        QCOMPARE(f.modeleResultats()->nombreLignes(), 3);
        QVERIFY(boites.messages.isEmpty());
    }

    void unDossierDisparuApresLeDialogueNEstPasExtrait() {
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString archive = archiveAvecDossiers(d);
        const QString cible = d.filePath(QStringLiteral("disparu"));
        QVERIFY(QDir().mkpath(cible));
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);
        const QString avant = QDir::currentPath();

        DossierDestination = cible;
        QTimer::singleShot(0, qApp, [cible] {
            QDir(cible).removeRecursively(); // gone between the dialog and the pass
            QApplication::activeModalWidget()
                ->findChild<QPushButton*>(QStringLiteral("Command1"))
                ->click();
        });
        f.Mnu_Extraire_Click();

        QCOMPARE(boites.messages.size(), 1);
        QCOMPARE(boites.messages[0].titre, QStringLiteral("Erreur"));
        QVERIFY(boites.messages[0].texte.contains(cible));
        QCOMPARE(QDir::currentPath(), avant);
        QVERIFY(!QFileInfo::exists(avant + QStringLiteral("/c.txt")));
        QCOMPARE(f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Liste"));
    }

    void unFichierExistantNEstRemplaceQueSurAccord_data() {
        QTest::addColumn<QList<int>>("reponses");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("c");
        QTest::addColumn<QStringList>("resultats"); // top row first: c, b, a

        using B = QMessageBox;
        QTest::newRow("yes to one, no to the other")
            << QList<int>{B::Yes, B::No} << 2 << QByteArray("archive a") << QByteArray("mien c")
            << QStringList{"Ignoré", "OK", "OK"};
        QTest::newRow("no to all keeps every file")
            << QList<int>{B::NoToAll} << 1 << QByteArray("mien a") << QByteArray("mien c")
            << QStringList{"Ignoré", "OK", "Ignoré"};
        QTest::newRow("yes to all replaces every file")
            << QList<int>{B::YesToAll} << 1 << QByteArray("archive a") << QByteArray("archive c")
            << QStringList{"OK", "OK", "OK"};
        QTest::newRow("a box closed otherwise keeps the file")
            << QList<int>{B::Cancel, B::Escape} << 2 << QByteArray("mien a") << QByteArray("mien c")
            << QStringList{"Ignoré", "OK", "Ignoré"};
    }

    void unFichierExistantNEstRemplaceQueSurAccord() {
        QFETCH(QList<int>, reponses);
        QFETCH(int, questions);
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, c);
        QFETCH(QStringList, resultats);

        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString archive = archiveAvecDossiers(d);
        const QString cible = d.filePath(QStringLiteral("sortie"));
        ecrire(cible + QStringLiteral("/docs/a.txt"), "mien a");
        ecrire(cible + QStringLiteral("/c.txt"), "mien c");
        ecrire(cible + QStringLiteral("/docs/autre.txt"), "autre"); // not in the archive

        FausseInteraction boites;
        for (int r : reponses) {
            boites.reponses.enqueue(QMessageBox::StandardButton(r));
        }
        FUnRAR f;
        f.Form_Load(archive);
        DossierDestination = cible;
        repondreAuDialogue("Command1");
        f.Mnu_Extraire_Click();

        QCOMPARE(boites.questions.size(), questions);
        QCOMPARE(
            boites.questions[0],
            QStringLiteral("Le fichier « docs/a.txt » existe déjà. Voulez-vous le remplacer ?"));
        QCOMPARE(lire(cible + QStringLiteral("/docs/a.txt")), a);
        QCOMPARE(lire(cible + QStringLiteral("/c.txt")), c);
        QCOMPARE(lire(cible + QStringLiteral("/docs/sous/b.txt")), QByteArray("archive b"));
        QCOMPARE(lire(cible + QStringLiteral("/docs/autre.txt")), QByteArray("autre"));
        QStringList vus;
        for (int i = 0; i < 3; ++i) {
            vus << f.modeleResultats()->texte(i, 2);
        }
        QCOMPARE(vus, resultats);
        QVERIFY(boites.messages.isEmpty());
    }
};

QTEST_MAIN(TestExtraction)
#include "tst_extraction.moc"

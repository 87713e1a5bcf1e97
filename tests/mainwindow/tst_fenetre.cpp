// What the window shows must be true: names that cannot hide or reorder what they say.

#include "Archives.h"
#include "Commande.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"

#include <QTemporaryDir>

class TestFenetre : public QObject {
    Q_OBJECT

private slots:
    void init() { ModuleRAR::CheminArchive.clear(); }

    // Whatever the name holds, the list and the replace question show every character of it.
    void lesNomsNeMententPas_data() {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("vu");
        QTest::newRow("an ordinary name is left alone")
            << QStringLiteral("été 日本 \\ (1).txt") << QStringLiteral("été 日本 \\ (1).txt");
        QTest::newRow("a right-to-left override")
            << QStringLiteral("facture\u202Etxt.exe") << QStringLiteral("facture\\u202Etxt.exe");
        QTest::newRow("a line feed")
            << QStringLiteral("ligne1\nligne2.txt") << QStringLiteral("ligne1\\u000Aligne2.txt");
        QTest::newRow("escape, delete and a C1 control")
            << QStringLiteral("\x1b[31mrouge\x7f\u0085.txt")
            << QStringLiteral("\\u001B[31mrouge\\u007F\\u0085.txt");
        QTest::newRow("marks, isolates and a line separator")
            << QStringLiteral("\u200Ea\u200Fb\u2066c\u2069d\u2028e\u061C.txt")
            << QStringLiteral("\\u200Ea\\u200Fb\\u2066c\\u2069d\\u2028e\\u061C.txt");
    }

    void lesNomsNeMententPas() {
        QFETCH(QString, nom);
        QFETCH(QString, vu);
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString archive =
            archives::creer(d.path(), QStringLiteral("noms.rar"), {{nom, "archive"}});
        const QString dest = d.filePath(QStringLiteral("dest"));
        archives::ecrire(dest + QLatin1Char('/') + nom, "mien");

        FausseInteraction boites;
        FUnRAR f(unrar());
        f.Form_Load(archive);
        const ListeResultats* m = f.modeleResultats();
        QCOMPARE(m->texte(0, ListeResultats::ColonneFichier), nom); // kept as the library gave it
        QCOMPARE(m->data(m->index(0, ListeResultats::ColonneFichier)).toString(), vu);

        ModuleRAR::DossierDestination = dest;
        repondreAuDialogue("Command1");
        f.Mnu_Extraire_Click();
        QCOMPARE(boites.questions,
                 QStringList{QStringLiteral("Le fichier « %1 » existe déjà. Voulez-vous le "
                                            "remplacer ?")
                                 .arg(vu)});
    }
};

QTEST_MAIN(TestFenetre)
#include "tst_fenetre.moc"

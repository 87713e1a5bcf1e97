#include "CheminsPartages.h"
#include "DosRAR.h"
#include "DossierListe.h"
#include "FausseInteraction.h"
#include "Passe.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using ModuleRAR::DossierDestination;

namespace {

QString canonique(const QString& chemin) {
    return QDir(chemin).canonicalPath();
}

// A temporary folder made the current one, with `dossiers` in it. The boxes are faked.
struct Bureau {
    DossierCourantGarde garde;
    QTemporaryDir d;
    FausseInteraction boites;

    explicit Bureau(std::initializer_list<const char*> dossiers) {
        for (const char* nom : dossiers) {
            QDir().mkpath(d.filePath(QLatin1String(nom)));
        }
        QDir::setCurrent(d.path());
    }

    QString chemin(const char* nom) const { return d.filePath(QLatin1String(nom)); }
};

// One opening of the dialog, as the extract command opens it.
struct Ouverture {
    DosRAR dialogue;
    DossierListe* dir1 = dialogue.findChild<DossierListe*>(QStringLiteral("Dir1"));
    QComboBox* drive1 = dialogue.findChild<QComboBox*>(QStringLiteral("Drive1"));
    QGroupBox* frame1 = dialogue.findChild<QGroupBox*>(QStringLiteral("Frame1"));
    QLineEdit* text1 = dialogue.findChild<QLineEdit*>(QStringLiteral("Text1"));
    QPushButton* command4 = dialogue.findChild<QPushButton*>(QStringLiteral("Command4"));

    Ouverture() { dialogue.Form_Load(); }

    void surligner(const QString& nom) const {
        dir1->setCurrentItem(dir1->findItems(nom, Qt::MatchExactly | Qt::MatchRecursive).first());
    }
    QString lecteur() const { return drive1->currentData().toString(); }
    // The subfolders listed under the open folder, in the list's order.
    QStringList sousDossiers() const {
        QStringList noms;
        for (int i = 0; i < dir1->currentItem()->childCount(); ++i) {
            noms << dir1->currentItem()->child(i)->text(0);
        }
        return noms;
    }
};

} // namespace

class TestDosRAR : public QObject {
    Q_OBJECT

private slots:
    void init() { DossierDestination.clear(); }

    void leDossierEtLeLecteurMontres() {
        Bureau b({"sous", ".cache", "Alpha"});
        const QString sous = b.chemin("sous");
        {
            Ouverture o; // the first opening shows the current folder, dot folders last
            QCOMPARE(canonique(o.dir1->chemin()), canonique(b.d.path()));
            QCOMPARE(o.sousDossiers(), (QStringList{"Alpha", "sous", ".cache"}));
            QCOMPARE(o.lecteur(), QStringLiteral("/"));
            QVERIFY(o.frame1->isHidden());
            // A highlighted subfolder is not the open one: confirming stores the open folder,
            // which the line under the list names.
            o.surligner(QStringLiteral("sous"));
            QCOMPARE(o.dialogue.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                     "Extraction dans : " + o.dir1->chemin());
            o.dialogue.Command1_Click();
            QCOMPARE(canonique(DossierDestination), canonique(b.d.path()));
        }
        {
            Ouverture o; // opening the subfolder, then confirming, stores it
            o.surligner(QStringLiteral("sous"));
            o.dir1->ouvrirSurligne();
            o.dialogue.Command1_Click();
            QCOMPARE(canonique(DossierDestination), canonique(sous));
        }
        Ouverture o; // reopens on the folder confirmed last
        QCOMPARE(canonique(o.dir1->chemin()), canonique(sous));
    }

    // Each way out of a dialog opened on a folder confirmed earlier: only "&Extraire" keeps it.
    void quitterLeDialogue_data() {
        QTest::addColumn<QString>("controle"); // empty: closed from the title bar
        QTest::addColumn<int>("touche");
        QTest::addColumn<bool>("confirme");
        QTest::newRow("Return on \"&Annuler\" cancels")
            << "Command2" << int(Qt::Key_Return) << false;
        QTest::newRow("Escape cancels") << "Dir1" << int(Qt::Key_Escape) << false;
        QTest::newRow("a close from the title bar cancels") << QString() << 0 << false;
        QTest::newRow("Return on \"&Extraire\" confirms")
            << "Command1" << int(Qt::Key_Enter) << true;
    }

    void quitterLeDialogue() {
        QFETCH(QString, controle);
        QFETCH(int, touche);
        QFETCH(bool, confirme);
        Bureau b({});
        const QString retenu = canonique(b.d.path());
        DossierDestination = retenu;
        Ouverture o;
        o.dialogue.show();
        if (controle.isEmpty()) {
            o.dialogue.close();
        } else {
            QTest::keyClick(o.dialogue.findChild<QWidget*>(controle), Qt::Key(touche));
        }
        QVERIFY(!o.dialogue.isVisible());
        QCOMPARE(DossierDestination, confirme ? retenu : QString());
    }

    // Typed characters that a folder name may not hold are dropped, even composed by an input
    // method, and the dialog says which and why; pasted text is not filtered.
    void leFiltreRefuseLesTouchesPasLeCollage_data() {
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QString>("garde");
        QTest::addColumn<QString>("refuse"); // named in the message
        const auto r = [](const char* regle, const char* tape, const char* garde,
                          const char* refuse) {
            QTest::newRow(regle) << QString(tape) << QString(garde) << QString(refuse);
        };
        r("é is named", "été", "t", "« é »");
        r("the blank, in words", "a b", "ab", "L'espace");
        r("É, - and < pass", "É-<", "É-<", "");
        r("the last refused is named", "êÊëËîÎïÏôÔöÖûÛüÜâÂäÄñ.t", "ñt", "« . »");
    }
    void leFiltreRefuseLesTouchesPasLeCollage() {
        QFETCH(QString, tape);
        QFETCH(QString, refuse);
        FausseInteraction boites;
        Ouverture o;
        o.dialogue.Command3_Click();
        QInputMethodEvent saisie;
        saisie.setCommitString(tape);
        QCoreApplication::sendEvent(o.text1, &saisie);
        QTEST(o.text1->text(), "garde");
        auto* label3 = o.dialogue.findChild<QLabel*>(QStringLiteral("Label3"));
        QCOMPARE(label3->isHidden() ? QString() : label3->text(),
                 refuse.isEmpty() ? refuse : refuse + " n'est pas accepté dans un nom de dossier");
        o.text1->clear();
        QVERIFY(!o.command4->isEnabled());
        o.text1->insert(tape);
        QCOMPARE(o.text1->text(), tape);
    }

    void creerUnSousDossier() {
        Bureau b({"ici"});
        const QString ici = b.chemin("ici");
        DossierDestination = ici;
        Ouverture o;
        o.dialogue.show();
        QVERIFY(QTest::qWaitForWindowActive(&o.dialogue));

        // Return in the name box acts as "OK", and does nothing while "OK" is disabled.
        o.dialogue.Command3_Click();
        QTest::keyClick(o.text1, Qt::Key_Return);
        QVERIFY(o.dialogue.isVisible() && !o.frame1->isHidden());
        QTest::keyClicks(o.text1, QStringLiteral("Nouveau"));
        QTest::keyClick(o.text1, Qt::Key_Return);
        QVERIFY(b.boites.messages.isEmpty());
        QVERIFY(QFileInfo(ici + QStringLiteral("/Nouveau")).isDir());
        QCOMPARE(o.sousDossiers(), QStringList{QStringLiteral("Nouveau")});
        // Not on "&Extraire", where a second key would extract at once.
        QCOMPARE(QApplication::focusWidget(), o.dir1);
    }
};

QTEST_MAIN(TestDosRAR)
#include "tst_dosrar.moc"

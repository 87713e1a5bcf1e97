#include "CheminsPartages.h"
#include "DosRAR.h"
#include "DossierListe.h"
#include "FausseInteraction.h"
#include "Lecteurs.h"
#include "Passe.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

using ModuleRAR::DossierDestination;

namespace {

QString canonique(const QString& chemin) {
    return QDir(chemin).canonicalPath();
}

// A temporary folder made the current one, with `dossiers` in it; beside the root, two removable
// volumes: its folder "sous/cle" and "cle-retiree", which has no medium. The boxes are faked.
struct Bureau {
    DossierCourantGarde garde;
    QTemporaryDir d;
    FausseInteraction boites;

    explicit Bureau(std::initializer_list<const char*> dossiers) {
        for (const char* nom : dossiers) {
            QDir().mkpath(d.filePath(QLatin1String(nom)));
        }
        platform::installerVolumes([this] {
            return QList<platform::Lecteur>{{QStringLiteral("/"), QString()},
                                            {chemin("sous/cle"), QStringLiteral("CLE")},
                                            {chemin("cle-retiree"), QStringLiteral("CLE")}};
        });
        QDir::setCurrent(d.path());
    }
    ~Bureau() { platform::installerVolumes({}); }

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
        Bureau b({"sous/cle", ".cache", "Alpha"});
        const QString sous = b.chemin("sous");
        const QString cle = b.chemin("sous/cle");
        {
            Ouverture o; // the first opening shows the current folder, dot folders last
            QCOMPARE(canonique(o.dir1->chemin()), canonique(b.d.path()));
            QCOMPARE(o.sousDossiers(), (QStringList{"Alpha", "sous", ".cache"}));
            QCOMPARE(o.lecteur(), QStringLiteral("/"));
            QVERIFY(o.frame1->isHidden());
            // A highlighted subfolder is not the open one: confirming stores the open folder.
            o.surligner(QStringLiteral("sous"));
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

        // A mount point opened from its parent volume: the drive list names it, the folder list
        // starts at its root, and the parent volume can be chosen again.
        o.surligner(QStringLiteral("cle"));
        o.dir1->ouvrirSurligne();
        QCOMPARE(o.lecteur(), cle);
        QCOMPARE(o.dir1->topLevelItem(0)->text(0), QDir::toNativeSeparators(cle));
        o.drive1->setCurrentIndex(o.drive1->findData(QStringLiteral("/")));
        QCOMPARE(canonique(o.dir1->chemin()), canonique(b.d.path()));

        // A drive without medium is refused: the lists stay where they were.
        const QString avant = o.dir1->chemin();
        o.drive1->setCurrentIndex(o.drive1->findData(b.chemin("cle-retiree")));
        QCOMPARE(b.boites.vues(), QStringList{QStringLiteral("Erreur: Lecteur non disponible")});
        QCOMPARE(o.dir1->chemin(), avant);
        QCOMPARE(o.lecteur(), QStringLiteral("/"));
        o.dialogue.Command1_Click();
        QCOMPARE(DossierDestination, avant);
    }

    void unDossierRetenuIntrouvableEstSignale_data() {
        QTest::addColumn<QString>("retenu");
        QTest::addColumn<bool>("illisible"); // the process stands in it, its volume unreadable
        QTest::addColumn<QStringList>("messages");
        const QString parti = QStringLiteral("Erreur: Le dossier n'existe plus !");
        const QString pasPret = QStringLiteral("Erreur: Lecteur non disponible");
        QTest::newRow("the folder was removed since") << "parti" << false << QStringList{parti};
        QTest::newRow("its drive has no medium")
            << "cle-retiree/x" << false << QStringList{pasPret, parti};
        QTest::newRow("its volume cannot be read, and the process stands in it")
            << "sous/cle/x" << true << QStringList{pasPret, parti};
    }

    void unDossierRetenuIntrouvableEstSignale() {
        QFETCH(QString, retenu);
        QFETCH(bool, illisible);
        QFETCH(QStringList, messages);
        Bureau b({"sous/cle/x"});
        const QString cle = b.chemin("sous/cle");
        DossierDestination = b.d.filePath(retenu);
        if (illisible) {
            QDir::setCurrent(DossierDestination);
            // Root would still read it: the process then checks permissions as nobody.
            QFile::setPermissions(cle, {});
            ::setfsuid(::geteuid() == 0 ? 65534 : ::geteuid());
        }
        const auto rendre = qScopeGuard([&cle] {
            ::setfsuid(::geteuid());
            QFile::setPermissions(cle, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        Ouverture o;
        QCOMPARE(b.boites.vues(), messages);
        QVERIFY(DossierDestination.isEmpty());
        // Both lists on the same volume afterwards.
        QVERIFY(!o.dir1->chemin().isEmpty());
        QCOMPARE(o.lecteur(), platform::lecteurDe(o.dir1->chemin()));
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

    // In a font half as large again, every caption is whole, inside its frame, over no other.
    void lesLegendesTiennentEnEntier() {
        const QFont avant = QApplication::font();
        QFont police = avant;
        police.setPointSizeF(avant.pointSizeF() * 1.5);
        QApplication::setFont(police);
        const DosRAR dialogue;
        QApplication::setFont(avant);
        const QList<QWidget*> controles = dialogue.findChildren<QWidget*>(
            QRegularExpression(QStringLiteral("^(Drive|Dir|Frame|Command|Label|Text)[0-9]$")));
        QCOMPARE(controles.size(), 10);
        for (const QWidget* w : controles) {
            const QByteArray nom = w->objectName().toUtf8();
            if (qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w)) {
                QVERIFY2(w->width() >= w->sizeHint().width(), nom.constData());
            }
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), nom.constData());
            for (const QWidget* voisin : controles) {
                QVERIFY2(voisin == w || voisin->parentWidget() != w->parentWidget() ||
                             !voisin->geometry().intersects(w->geometry()),
                         nom.constData());
            }
        }
    }

    // Typed characters that a folder name may not hold are dropped, whether a key gives them or an
    // input method composes them; pasted text is not filtered.
    void leFiltreRefuseLesTouchesPasLeCollage_data() {
        QTest::addColumn<QString>("tape");
        QTest::addColumn<bool>("compose");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("keys: punctuation, blank, quote and small accented letters refused")
            << QStringLiteral("a.b c\"d\\e/f:géÉèÈàÀçÇùÙ²°x-y_z<1>!") << false
            << QStringLiteral("abcdefgÉÈÀÇÙx-y_z<1>!");
        QTest::newRow("composed: letters made with a dead key refused, others pass")
            << QStringLiteral("êÊëËîÎïÏôÔöÖûÛüÜâÂäÄñ.t") << true << QStringLiteral("ñt");
    }

    void leFiltreRefuseLesTouchesPasLeCollage() {
        QFETCH(QString, tape);
        QFETCH(bool, compose);
        QFETCH(QString, attendu);
        FausseInteraction boites;
        Ouverture o;
        o.dialogue.Command3_Click();
        if (compose) {
            QInputMethodEvent saisie;
            saisie.setCommitString(tape);
            QCoreApplication::sendEvent(o.text1, &saisie);
        }
        for (const QChar c : compose ? QString() : tape) { // as a layout with each on a key
            QKeyEvent appui(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(o.text1, &appui);
        }
        QCOMPARE(o.text1->text(), attendu);
        QVERIFY(o.command4->isEnabled());
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
        QVERIFY(o.frame1->isHidden());
        QCOMPARE(canonique(o.dir1->chemin()), canonique(ici)); // the new folder is not opened
        QCOMPARE(o.sousDossiers(), QStringList{QStringLiteral("Nouveau")});
        QCOMPARE(canonique(QDir::currentPath()), canonique(ici));
        // Not on "&Extraire", where a second key would extract at once.
        QCOMPARE(QApplication::focusWidget(), o.dir1);

        // The same name again, with Space on "OK": refused, the frame stays open with its name.
        QDir::setCurrent(b.d.path());
        o.dialogue.Command3_Click();
        QCOMPARE(o.text1->text(), QStringLiteral("Nouveau"));
        o.command4->setFocus();
        QTest::keyClick(o.command4, Qt::Key_Space);
        QCOMPARE(b.boites.vues(),
                 QStringList{QStringLiteral("Erreur: Erreur lors de la création du dossier !")});
        QCOMPARE(b.boites.messages[0].icone, platform::Icone::Critique);
        QVERIFY(!o.frame1->isHidden() && o.command4->isEnabled());
        // The change of directory made before the failing step stays.
        QCOMPARE(canonique(QDir::currentPath()), canonique(ici));
    }
};

QTEST_MAIN(TestDosRAR)
#include "tst_dosrar.moc"

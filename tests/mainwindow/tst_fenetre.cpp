// What the window shows must be readable whole and true: sizes never cut, names that cannot hide
// or reorder what they say, cut texts whole in a tooltip, and no menu that loses the toolbar.

#include "Archives.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <QToolTip>

#include <limits>

namespace {

QTableView* liste(const FUnRAR& f) {
    return f.findChild<QTableView*>(QStringLiteral("ListView1"));
}

// Whether a cell of `vue` that is `largeur` pixels wide shows `texte` whole.
bool entier(const QTableView* vue, const QString& texte, int largeur) {
    const int marge = vue->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, vue) + 1;
    return QFontMetricsF(vue->font()).horizontalAdvance(texte) <= largeur - 2 * marge;
}

// The text of the tooltip that resting the pointer at `ou` in `w` brings up; empty when none.
QString bulle(QWidget* w, QPoint ou) {
    QToolTip::hideText();
    QHelpEvent aide(QEvent::ToolTip, ou, w->mapToGlobal(ou));
    QApplication::sendEvent(w, &aide);
    if (!QToolTip::isVisible()) {
        return {};
    }
    QTextDocument document;
    document.setHtml(QToolTip::text());
    return document.toPlainText();
}

} // namespace

class TestFenetre : public QObject {
    Q_OBJECT

private slots:
    void init() { ModuleRAR::CheminArchive.clear(); }

    void chaqueTailleEtChaqueResultatSeLisentEnEntier_data() {
        QTest::addColumn<qint64>("taille");
        QTest::addColumn<QString>("resultat");
        QTest::addColumn<bool>("resultatApresPublication");
        QTest::addColumn<QString>("enTete");
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        QTest::newRow("eight digits")
            << qint64(12345678) << QStringLiteral("OK") << false << QStringLiteral("Liste");
        QTest::newRow("the largest size")
            << max << QStringLiteral("OK") << true << QStringLiteral("Test");
        QTest::newRow("a negative size")
            << min << QStringLiteral("Ignoré") << false << QStringLiteral("Extraction");
        QTest::newRow("a long result on a row already shown")
            << qint64(5) << QStringLiteral("Lien refusé") << true << QStringLiteral("Extraction");
    }

    void chaqueTailleEtChaqueResultatSeLisentEnEntier() {
        QFETCH(qint64, taille);
        QFETCH(QString, resultat);
        QFETCH(bool, resultatApresPublication);
        QFETCH(QString, enTete);
        FUnRAR f;
        f.show();
        ListeResultats* m = f.modeleResultats();
        m->definirEnTeteResultat(enTete);
        m->ajouterEnTete(QStringLiteral("petit"), 1);
        m->publier();
        m->ajouterEnTete(QStringLiteral("grand"), taille);
        if (resultatApresPublication) {
            m->publier();
        }
        m->ecrireResultat(resultat);
        m->publier();

        const QTableView* vue = liste(f);
        const QHeaderView* entetes = vue->horizontalHeader();
        QVERIFY(entier(vue, QString::number(taille), entetes->sectionSize(1)));
        QVERIFY(entier(vue, resultat, entetes->sectionSize(2)));
        QVERIFY(entetes->sectionSize(2) >= entetes->sectionSizeHint(2));

        // The width a larger window gives goes to the names.
        const int tailleAvant = entetes->sectionSize(1);
        const int resultatAvant = entetes->sectionSize(2);
        const int nomsAvant = entetes->sectionSize(0);
        f.resize(f.width() + 200, f.height());
        QApplication::processEvents();
        QCOMPARE(entetes->sectionSize(1), tailleAvant);
        QCOMPARE(entetes->sectionSize(2), resultatAvant);
        QCOMPARE(entetes->sectionSize(0), nomsAvant + 200);
    }

    void unTexteCoupeSeLitEnEntierDansUneBulle_data() {
        QTest::addColumn<QString>("panneau"); // empty: the top row of the list
        QTest::addColumn<QString>("texte");   // the row's name, or panel 2's text
        QTest::addColumn<QString>("vu");      // what the tooltip says; empty when there is none
        const QString longue = QStringLiteral("un dossier au nom très long/sous-dossier/encore "
                                              "plus loin/<b>gras</b> & fin.txt");
        QTest::newRow("a name that fits has none")
            << QString() << QStringLiteral("court.txt") << QString();
        QTest::newRow("a long name, markup and all") << QString() << longue << longue;
        QTest::newRow("a long name with a control character")
            << QString() << longue + QStringLiteral("\n.exe")
            << longue + QStringLiteral("\\u000A.exe");
        QTest::newRow("the credit at the window's first size")
            << QStringLiteral("StatusBar1_1") << QString() << QString();
        const QString archive = QStringLiteral("une-archive-au-nom-vraiment-tres-long-qui-ne-tient-"
                                               "pas-dans-le-panneau.rar :  5452 Octets ");
        QTest::newRow("the credit beside a long archive name")
            << QStringLiteral("StatusBar1_1") << archive << QString();
        QTest::newRow("a long archive name in panel 2")
            << QStringLiteral("StatusBar1_2") << archive << archive;
    }

    void unTexteCoupeSeLitEnEntierDansUneBulle() {
        QFETCH(QString, panneau);
        QFETCH(QString, texte);
        QFETCH(QString, vu);
        FUnRAR f;
        f.show();
        QWidget* cible = nullptr;
        QPoint ou;
        if (panneau.isEmpty()) {
            f.modeleResultats()->ajouterEnTete(texte, 1);
            f.modeleResultats()->publier();
            cible = liste(f)->viewport();
            ou = liste(f)->visualRect(f.modeleResultats()->index(0, 0)).center();
        } else {
            f.findChild<QLabel*>(QStringLiteral("StatusBar1_2"))->setText(texte);
            f.findChild<QLabel*>(QStringLiteral("StatusBar1_3"))
                ->setText(QStringLiteral(" 5 Fichiers "));
            QApplication::processEvents(); // the status bar lays its panels out again
            cible = f.findChild<QLabel*>(panneau);
            ou = cible->rect().center();
        }
        QCOMPARE(bulle(cible, ou), vu);
    }

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
        FUnRAR f;
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

    void aucunMenuNeCacheLaBarreDOutils_data() {
        QTest::addColumn<QString>("ou");
        QTest::newRow("menu bar") << QString();
        QTest::newRow("toolbar") << QStringLiteral("Toolbar1");
    }

    void aucunMenuNeCacheLaBarreDOutils() {
        QFETCH(QString, ou);
        FUnRAR f;
        f.show();
        QWidget* w = ou.isEmpty() ? f.menuBar() : f.findChild<QWidget*>(ou);
        const QPoint centre = w->rect().center();
        QContextMenuEvent clic(QContextMenuEvent::Mouse, centre, w->mapToGlobal(centre));
        QApplication::sendEvent(w, &clic);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
        QVERIFY(f.findChild<QToolBar*>(QStringLiteral("Toolbar1"))->isVisible());
    }
};

QTEST_MAIN(TestFenetre)
#include "tst_fenetre.moc"

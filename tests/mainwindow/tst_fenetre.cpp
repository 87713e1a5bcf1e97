// The main window as a user drives it: start-up, the open, close and toolbar commands, a drop,
// the password box, and what the window shows, readable whole and true.

#include "Archives.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <QToolTip>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Titre = QStringLiteral("Korvane v 1.0");
const archives::Fichiers ABC{{QStringLiteral("a.txt"), "1"},
                             {QStringLiteral("b.txt"), "22"},
                             {QStringLiteral("c.txt"), "333"}};
const QString Liste = QStringLiteral("c.txt,b.txt,a.txt|OK,OK,OK");

// How many of the six archive controls, menu items and buttons, are enabled: all six or none.
int actifs(const FUnRAR& f) {
    int n = 0;
    for (const char* nom :
         {"Mnu_Extraire", "Mnu_Tester", "Mnu_Lister", "Toolbar1_2", "Toolbar1_3", "Toolbar1_4"}) {
        n += f.findChild<QAction*>(QString::fromLatin1(nom))->isEnabled() ? 1 : 0;
    }
    return n;
}

QString panneau(const FUnRAR& f, int n) {
    return f.findChild<QLabel*>(QStringLiteral("StatusBar1_%1").arg(n))->text();
}

// What the window shows, in one line: its title, how many archive controls are enabled, status
// panels 2 and 3, the result column's header, then the names and the results, top row first.
QString etat(const FUnRAR& f) {
    const QStringList vus{f.windowTitle(),
                          QString::number(actifs(f)),
                          panneau(f, 2),
                          panneau(f, 3),
                          f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                          colonne(f, 0).join(QLatin1Char(',')),
                          colonne(f, 2).join(QLatin1Char(','))};
    return vus.join(QLatin1Char('|'));
}

// Runs `commande`, which must end the program, and gives the status it ended with; -1 if it went
// on.
template <typename Commande> int statutDeFin(Commande commande) {
    try {
        commande();
    } catch (const FinDuProgramme& fin) {
        return fin.statut;
    }
    return -1;
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

    QTemporaryDir dossier_;
    QByteArray latin1_; // the dropped archive again, under a name that is not UTF-8

private slots:
    void initTestCase() {
        const QString archive = archives::creer(dossier_.path(), QStringLiteral("depose.rar"), ABC);
        latin1_ = QFile::encodeName(dossier_.path()) + "/lat\xe9.rar";
        QCOMPARE(::link(QFile::encodeName(archive).constData(), latin1_.constData()), 0);
    }

    // A name that Qt cannot spell is removed here: the temporary folder could not.
    void cleanupTestCase() { ::unlink(latin1_.constData()); }

    void init() {
        ModuleRAR::CheminArchive.clear();
        ModuleRAR::NomArchive.clear();
    }

    // Without an argument the window waits for an archive; a relative name starts at the current
    // folder. Open lists the chosen archive and, alone, describes it in the status bar; a cancelled
    // choice changes nothing; close empties all but the path and the header; an empty choice
    // leaves no archive but the rows and panels.
    void ouvrirEtFermer() {
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString premiere = archives::creer(d.path(), QStringLiteral("premiere.rar"), ABC);
        const QString seconde =
            archives::creer(d.path(), QStringLiteral("seconde.rar"), {{QStringLiteral("s"), "x"}});
        QDir::setCurrent(d.path());
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QString());
        QCOMPARE(etat(f), Titre + QStringLiteral("|0|||Résultat||"));
        const QString credit = panneau(f, 1);
        f.Form_Load(QStringLiteral("premiere.rar"));
        const QString chemin = QDir::currentPath() + QStringLiteral("/premiere.rar");
        QCOMPARE(etat(f),
                 Titre + QStringLiteral(" : ") + chemin + QStringLiteral("|6|||Liste|") + Liste);
        QCOMPARE(colonne(f, 1), (QStringList{"3", "2", "1"}));
        QVERIFY(f.isVisible() && ModuleRAR::NomArchive.isEmpty());

        b.fichiers << premiere << std::nullopt << seconde << QString();
        const QString ouverte = Titre + QStringLiteral(" : ") + premiere +
                                QStringLiteral("|6|premiere.rar :  %1 Octets | 3 Fichiers |")
                                    .arg(QFileInfo(premiere).size());
        f.Mnu_Ouvrir_Click();
        QCOMPARE(etat(f), ouverte + QStringLiteral("Liste|") + Liste);
        QCOMPARE(ModuleRAR::NomArchive, QStringLiteral("premiere.rar"));
        QCOMPARE(panneau(f, 1), credit);
        f.Toolbar1_ButtonClick(1); // the open button, cancelled
        QCOMPARE(b.dialoguesFichier, 2);
        f.Mnu_Tester_Click();
        QCOMPARE(etat(f), ouverte + QStringLiteral("Test|") + Liste);
        f.Mnu_Fermer_Click();
        QCOMPARE(etat(f), Titre + QStringLiteral("|0|||Test||"));
        QCOMPARE(ModuleRAR::CheminArchive, premiere);

        f.Mnu_Ouvrir_Click();
        const QString panneau2 = panneau(f, 2);
        f.Mnu_Ouvrir_Click(); // an empty choice
        QCOMPARE(etat(f), Titre + QStringLiteral("|0|") + panneau2 +
                              QStringLiteral("| 1 Fichiers |Liste|s|OK"));
        QVERIFY(ModuleRAR::CheminArchive.isEmpty() && ModuleRAR::NomArchive.isEmpty());
        QVERIFY(b.messages.isEmpty());
    }

    // A failure ends the program with its message: at start-up before the window appears, or on
    // a command, which reads the archive afresh, changed since it was opened.
    void unEchecFinitLeProgramme_data() {
        QTest::addColumn<QString>("fichier"); // what lies at the path
        QTest::addColumn<bool>("ouverte");    // opened first, then changed and tested
        QTest::addColumn<QString>("message"); // @ stands for the path
        const QString ouvrir = QStringLiteral("Erreur: Ne peut ouvrir le fichier @");
        QTest::newRow("missing file") << "absent" << false << ouvrir;
        QTest::newRow("in a folder that does not exist") << "/nulle/part/a.rar" << false << ouvrir;
        QTest::newRow("not an archive")
            << "texte" << false << "Erreur: @Ce n'est pas un fichier archive RAR";
        // Opened by the library, a pipe would wait for a writer and a device feed it, for ever.
        QTest::newRow("named pipe") << "tube" << false << ouvrir;
        QTest::newRow("device") << "/dev/zero" << false << ouvrir;
        QTest::newRow("removed since opened") << "absent" << true << ouvrir;
        QTest::newRow("cut since opened") // of its end-of-archive block
            << "coupee" << true << "Erreur: Archive incomplète : fin d'archive inattendue";
    }

    void unEchecFinitLeProgramme() {
        QFETCH(QString, fichier);
        QFETCH(bool, ouverte);
        QFETCH(QString, message);
        QTemporaryDir d;
        QString chemin = d.filePath(QStringLiteral("x.rar"));
        FausseInteraction b;
        FUnRAR f;
        if (ouverte) {
            archives::creer(d.path(), QStringLiteral("x.rar"), ABC);
            f.Form_Load(chemin);
        }
        if (fichier == QLatin1String("absent")) {
            QFile::remove(chemin);
        } else if (fichier == QLatin1String("coupee")) {
            QVERIFY(QFile::resize(chemin, QFileInfo(chemin).size() - 8));
        } else if (fichier == QLatin1String("texte")) {
            archives::ecrire(chemin, "ceci n'est pas une archive RAR, seulement du texte.\n");
        } else if (fichier == QLatin1String("tube")) {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else {
            chemin = fichier;
        }
        QCOMPARE(statutDeFin([&] { ouverte ? f.Mnu_Tester_Click() : f.Form_Load(chemin); }), 1);
        QCOMPARE(b.vues(), QStringList{message.replace(QLatin1Char('@'), chemin)});
        QCOMPARE(f.isVisible(), ouverte);
    }

    // A drop opens one local file as the open command does; anything else is refused.
    void deposerOuvreUnFichierLocal_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("ouvert");
        const QUrl archive = QUrl::fromLocalFile(dossier_.filePath(QStringLiteral("depose.rar")));
        const QUrl latin1(QStringLiteral("file://") + QFile::encodeName(dossier_.path()) +
                          QStringLiteral("/lat%E9.rar"));
        QTest::newRow("one archive") << QList<QUrl>{archive} << true;
        QTest::newRow("an archive whose name is not UTF-8") << QList<QUrl>{latin1} << true;
        QTest::newRow("two archives") << QList<QUrl>{archive, archive} << false;
        QTest::newRow("a folder") << QList<QUrl>{QUrl::fromLocalFile(dossier_.path())} << false;
        QTest::newRow("a web address")
            << QList<QUrl>{QUrl(QStringLiteral("https://korvane.example.org/a.rar"))} << false;
    }

    void deposerOuvreUnFichierLocal() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, ouvert);
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QString());
        QMimeData donnees;
        donnees.setUrls(urls);
        QDragEnterEvent entree(QPoint(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton,
                               Qt::NoModifier);
        QCoreApplication::sendEvent(&f, &entree);
        QCOMPARE(entree.isAccepted(), ouvert);
        QDropEvent depot(QPointF(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&f, &depot); // refused too when dropped all the same
        // Past the title and the panel 2, which name the file.
        QCOMPARE(etat(f).section(QLatin1Char('|'), 3),
                 ouvert ? QStringLiteral(" 3 Fichiers |Liste|") + Liste
                        : QStringLiteral("|Résultat||"));
        QCOMPARE(actifs(f), ouvert ? 6 : 0);
        QVERIFY(b.messages.isEmpty());
    }

    // Each button calls its command, any other index nothing. The window's own context menu, on
    // the menu bar or the toolbar, would only offer to hide the toolbar, with nothing to bring it
    // back: there is none.
    void laBarreDOutils() {
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QString());
        f.show();
        auto* barre = f.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        for (QWidget* w : {static_cast<QWidget*>(f.menuBar()), static_cast<QWidget*>(barre)}) {
            const QPoint centre = w->rect().center();
            QContextMenuEvent clic(QContextMenuEvent::Mouse, centre, w->mapToGlobal(centre));
            QApplication::sendEvent(w, &clic);
            QCOMPARE(QApplication::activePopupWidget(), nullptr);
        }
        QVERIFY(barre->isVisible());
        for (const int aucun : {0, 7, -1}) {
            f.Toolbar1_ButtonClick(aucun);
        }
        QCOMPARE(b.dialoguesFichier + b.messages.size(), 0);
        f.Toolbar1_ButtonClick(5);
        // Lines broken by carriage returns alone, as the box breaks them.
        const QStringList lignes = b.vues().join(QLatin1Char('\n')).split(QLatin1Char('\r'));
        QCOMPARE(lignes.size(), 7);
        QCOMPARE(lignes[0],
                 QStringLiteral("A propos: Korvane version 1.0 - Extraction de fichiers RAR"));
        QVERIFY(lignes[1].isEmpty() && lignes[5].isEmpty());
        QVERIFY(lignes[3].startsWith(QStringLiteral("E-Mail : ")));
        QVERIFY(lignes[4].startsWith(QStringLiteral("Url : ")));
        QCOMPARE(statutDeFin([&] { f.Toolbar1_ButtonClick(6); }), 0);
    }

    // A password typed on ticking "Mot de passe" serves every pass until the box is unticked; one
    // typed at a pass's prompt is kept the same way.
    void laCaseMotDePasse() {
        QTemporaryDir d;
        const QString archive =
            archives::creer(d.path(), QStringLiteral("secret.rar"), ABC, {"-hpsesame"});
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QString());
        auto* check1 = f.findChild<QCheckBox*>(QStringLiteral("Check1"));
        b.motsDePasse << std::nullopt << QString() << QStringLiteral("sesame");
        for (const bool coche : {false, false, true}) { // cancelled, empty, typed
            check1->setChecked(true);
            QCOMPARE(check1->isChecked(), coche);
        }
        b.fichiers << archive;
        f.Mnu_Ouvrir_Click();
        f.Mnu_Tester_Click();
        QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));
        QCOMPARE(b.demandesMotDePasse, 3);

        check1->setChecked(false); // forgotten: a pass asks, and keeps what is typed
        b.motsDePasse << QStringLiteral("sesame");
        f.Mnu_Lister_Click();
        QCOMPARE(b.demandesMotDePasse, 4);
        QVERIFY(check1->isChecked());
        f.Mnu_Tester_Click();
        QCOMPARE(b.demandesMotDePasse, 4);
        QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));

        // Another archive, the box still ticked: the password kept is tried quietly, and the
        // prompt, not told of it, names the archive that the window names already.
        const QString autre =
            archives::creer(d.path(), QStringLiteral("autre.rar"), ABC, {"-hpautre"});
        b.fichiers << autre;
        b.motsDePasse << QStringLiteral("autre");
        f.Mnu_Ouvrir_Click();
        QCOMPARE(b.libellesMotDePasse.mid(4),
                 QStringList{QStringLiteral("Mot de passe de l'archive « autre.rar » :")});
        QCOMPARE(b.titresDerriere.last(), Titre + QStringLiteral(" : ") + autre);
        QCOMPARE(colonne(f, 0), (QStringList{"c.txt", "b.txt", "a.txt"}));
        QVERIFY(b.messages.isEmpty());
    }

    // The library asks for a password when it needs one, again when it was wrong; typed, it ticks
    // the box; cancelled, the pass stops quietly and the box is unticked.
    void unMotDePasseEstDemandeQuandIlManque_data() {
        using Saisies = QList<std::optional<QString>>;
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("coche"); // typed on ticking the box before the pass
        QTest::addColumn<Saisies>("saisies");
        QTest::addColumn<int>("incorrects");        // prompts that said "incorrect"
        QTest::addColumn<QStringList>("resultats"); // top row first
        const Saisies fauxPuisJuste{QStringLiteral("autre"), QStringLiteral("sesame")};
        const Saisies rien{std::nullopt};
        const QStringList ok{"OK", "OK", "OK"};
        QTest::newRow("headers encrypted, a wrong one ticked, given up")
            << int(ModeListe) << "-hpsesame"
            << "autre" << rien << 1 << QStringList{};
        QTest::newRow("data encrypted, extracted, wrong then right")
            << int(ModeExtraction) << "-psesame"
            << "" << fauxPuisJuste << 1 << ok;
        QTest::newRow("data encrypted, extracted, given up") << int(ModeExtraction) << "-psesame"
                                                             << "" << rien << 0 << QStringList{""};
        QTest::newRow("data encrypted, listed: nothing to ask") << int(ModeListe) << "-psesame"
                                                                << "" << Saisies{} << 0 << ok;
    }

    void unMotDePasseEstDemandeQuandIlManque() {
        using Saisies = QList<std::optional<QString>>;
        QFETCH(int, mode);
        QFETCH(QString, option);
        QFETCH(QString, coche);
        QFETCH(Saisies, saisies);
        QFETCH(int, incorrects);
        QFETCH(QStringList, resultats);
        QTemporaryDir d;
        const QString sortie = d.filePath(QStringLiteral("sortie"));
        QDir().mkpath(sortie);
        const Vu vu = passer(
            {.mode = mode,
             .archive = archives::creer(d.path(), QStringLiteral("secret.rar"), ABC, {option}),
             .destination = sortie,
             .motsDePasse = saisies,
             .coche = coche});
        const bool garde = !saisies.isEmpty() && saisies.last().has_value();
        QVERIFY(vu.messages.isEmpty());
        QCOMPARE(vu.libellesMotDePasse.size(), saisies.size() + (coche.isEmpty() ? 0 : 1));
        QCOMPARE(vu.libellesMotDePasse.filter(QStringLiteral("incorrect")).size(), incorrects);
        // Each prompt of the pass names its archive.
        QCOMPARE(vu.libellesMotDePasse.filter(QStringLiteral("« secret.rar » :")).size(),
                 saisies.size());
        QCOMPARE(vu.resultats, resultats);
        QCOMPARE(vu.coche, garde);
        // Each entry written once, none asked about or skipped because of the prompt.
        QVERIFY(vu.questions.isEmpty());
        QCOMPARE(QDir(sortie).entryList(QDir::Files).size(), garde ? 3 : 0);
    }

    // Sizes and results are never cut, whenever they come; the width a larger window gives goes
    // to the names. A text cut short, a name in the list or the archive's in panel 2, is whole in a
    // tooltip, as text; nothing else has one. The list's own delegate paints exactly what the
    // toolkit's delegate paints: same place, same colours, same ellipsis, chosen or not; wrapped
    // text is left to the toolkit.
    void chaqueLigneSeLitEnEntier() {
        const QString longue = QStringLiteral("un dossier au nom très long/sous-dossier/encore "
                                              "plus loin/<b>gras</b> & fin\n.txt");
        const QString archive = QStringLiteral("une-archive-au-nom-vraiment-tres-long-qui-ne-tient-"
                                               "pas-dans-le-panneau.rar :  5452 Octets ");
        constexpr qint64 Max = std::numeric_limits<qint64>::max();
        constexpr qint64 Min = std::numeric_limits<qint64>::min();
        FUnRAR f;
        f.show();
        ListeResultats* m = f.modeleResultats();
        auto* vue = f.findChild<QTableView*>(QStringLiteral("ListView1"));
        const QHeaderView* entetes = vue->horizontalHeader();
        const int marge = vue->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, vue) + 1;
        const auto entier = [&](qint64 taille, const QString& resultat) {
            const QFontMetricsF mesure(vue->font());
            return mesure.horizontalAdvance(QString::number(taille)) <=
                       entetes->sectionSize(1) - 2 * marge &&
                   mesure.horizontalAdvance(resultat) <= entetes->sectionSize(2) - 2 * marge &&
                   entetes->sectionSize(2) >= entetes->sectionSizeHint(2);
        };
        m->definirEnTeteResultat(QStringLiteral("Extraction")); // wider than the column was
        QVERIFY(entier(0, QString()));
        m->definirEnTeteResultat(QStringLiteral("Test"));
        m->ajouterEnTete(longue, Max);
        m->publier();
        m->ecrireResultat(QStringLiteral("Lien refusé")); // on a row already shown
        QVERIFY(entier(Max, QStringLiteral("Lien refusé")));
        m->ajouterEnTete(QStringLiteral("été 日本/ok"), Min);
        m->publier();
        QVERIFY(entier(Min, QStringLiteral("Lien refusé")));
        m->ajouterEnTete(QStringLiteral("court.txt"), 2);
        m->ecrireResultat(QStringLiteral("OK"));
        m->publier();
        f.findChild<QLabel*>(QStringLiteral("StatusBar1_2"))->setText(archive);
        f.findChild<QLabel*>(QStringLiteral("StatusBar1_3"))
            ->setText(QStringLiteral(" 5 Fichiers "));
        QApplication::processEvents(); // the status bar lays its panels out again

        const auto ligne = [&](int rang) {
            return bulle(vue->viewport(), vue->visualRect(vue->model()->index(rang, 0)).center());
        };
        const auto sur = [&](int n) {
            auto* p = f.findChild<QLabel*>(QStringLiteral("StatusBar1_%1").arg(n));
            return bulle(p, p->rect().center());
        };
        // Those without first: a tooltip shown takes a while to go.
        QCOMPARE(ligne(0), QString());
        QCOMPARE(sur(1), QString()); // the credit keeps its room beside a long archive name
        QCOMPARE(ligne(2), QString(longue).replace(QLatin1Char('\n'), QStringLiteral("\\u000A")));
        QCOMPARE(sur(2), archive);

        vue->setFocus();
        vue->setCurrentIndex(vue->model()->index(2, 0));
        QAbstractItemDelegate* notre = vue->itemDelegate();
        QStyledItemDelegate standard;
        const auto image = [vue](QAbstractItemDelegate* delegue) {
            vue->setItemDelegate(delegue);
            QApplication::processEvents();
            return vue->viewport()->grab().toImage();
        };
        for (const bool retourALaLigne : {false, true}) {
            vue->setWordWrap(retourALaLigne);
            const QImage attendue = image(&standard);
            QVERIFY(!attendue.isNull());
            QVERIFY(image(notre) == attendue);
        }

        const auto largeurs = [entetes] {
            return QList<int>{entetes->sectionSize(0), entetes->sectionSize(1),
                              entetes->sectionSize(2)};
        };
        const QList<int> avant = largeurs();
        f.resize(f.width() + 200, f.height());
        QApplication::processEvents();
        QCOMPARE(largeurs(), (QList<int>{avant[0] + 200, avant[1], avant[2]}));
    }

    // Whatever a name holds, the replace question shows every character of it that could hide or
    // reorder what it says, and leaves the others alone; the name itself is kept as it came.
    void lesNomsNeMententPas() {
        const QString nom = QStringLiteral("été 日本 \\ (1) \u202Etxt.exe \n\x1b[31m\x7f\u0085 "
                                           "\u200Ea\u200Fb\u2066c\u2069d\u2028e\u061C.txt"
                                           "\u200B\u200C\u200D\u2060\uFEFF");
        const QString vu = QStringLiteral("été 日本 \\ (1) \\u202Etxt.exe \\u000A\\u001B[31m"
                                          "\\u007F\\u0085 \\u200Ea\\u200Fb\\u2066c\\u2069d\\u2028e"
                                          "\\u061C.txt\\u200B\\u200C\\u200D\\u2060\\uFEFF");
        QTemporaryDir d;
        archives::ecrire(d.filePath(QStringLiteral("dest/")) + nom, "mien");
        const Vu v = passer(
            {.mode = ModeExtraction,
             .archive = archives::creer(d.path(), QStringLiteral("noms.rar"), {{nom, "archive"}}),
             .destination = d.filePath(QStringLiteral("dest"))});
        QCOMPARE(v.noms, QStringList{nom});
        QCOMPARE(v.questions,
                 QStringList{QStringLiteral("Le fichier « %1 » existe déjà. Voulez-vous "
                                            "le remplacer ?")
                                 .arg(vu)});
    }
};

QTEST_MAIN(TestFenetre)
#include "tst_fenetre.moc"

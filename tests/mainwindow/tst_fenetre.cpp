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
#include <QScopeGuard>
#include <QStyle>
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
const QStringList TroisOK{"OK", "OK", "OK"};

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

QString enTete(const FUnRAR& f) {
    return f.modeleResultats()
        ->headerData(ListeResultats::ColonneResultat, Qt::Horizontal)
        .toString();
}

QTableView* liste(const FUnRAR& f) {
    return f.findChild<QTableView*>(QStringLiteral("ListView1"));
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

private slots:
    void init() {
        ModuleRAR::CheminArchive.clear();
        ModuleRAR::NomArchive.clear();
    }

    void auDemarrage() {
        DossierCourantGarde garde;
        QTemporaryDir d;
        archives::creer(d.path(), QStringLiteral("test.rar"), ABC);
        QDir::setCurrent(d.path());
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString()); // without an argument the window waits for an archive
        QCOMPARE(f.windowTitle(), Titre);
        QCOMPARE(actifs(f), 0);
        QCOMPARE(enTete(f), QStringLiteral("Résultat"));

        f.Form_Load(QStringLiteral("test.rar")); // a relative name starts at the current folder
        const QString chemin = QDir::currentPath() + QStringLiteral("/test.rar");
        QCOMPARE(ModuleRAR::CheminArchive, chemin);
        QCOMPARE(f.windowTitle(), Titre + QStringLiteral(" : ") + chemin);
        QCOMPARE(colonne(f, 0), (QStringList{"c.txt", "b.txt", "a.txt"}));
        QCOMPARE(colonne(f, 1), (QStringList{"3", "2", "1"}));
        QCOMPARE(colonne(f, 2), TroisOK);
        QCOMPARE(enTete(f), QStringLiteral("Liste"));
        QCOMPARE(actifs(f), 6);
        QVERIFY(f.isVisible());
        // Only the open command describes the archive in the status bar.
        QCOMPARE(panneau(f, 2) + panneau(f, 3), QString());
        QVERIFY(ModuleRAR::NomArchive.isEmpty());
        QVERIFY(boites.messages.isEmpty());
    }

    void unEchecAuDemarrageFinitAvantQueLaFenetreParaisse_data() {
        QTest::addColumn<QString>("fichier"); // what lies at the path
        QTest::addColumn<QString>("message"); // @ stands for the path
        const QString ouvrir = QStringLiteral("Ne peut ouvrir le fichier @");
        QTest::newRow("missing file") << "absent" << ouvrir;
        QTest::newRow("not an archive") << "texte"
                                        << "@Ce n'est pas un fichier archive RAR";
        // Opened by the library, a pipe would wait for a writer and a device feed it, for ever.
        QTest::newRow("named pipe") << "tube" << ouvrir;
        QTest::newRow("device") << "/dev/zero" << ouvrir;
    }

    void unEchecAuDemarrageFinitAvantQueLaFenetreParaisse() {
        QFETCH(QString, fichier);
        QFETCH(QString, message);
        QTemporaryDir d;
        QString chemin = d.filePath(QStringLiteral("x.rar"));
        if (fichier == QLatin1String("texte")) {
            archives::ecrire(chemin, "ceci n'est pas une archive RAR, seulement du texte.\n");
        } else if (fichier == QLatin1String("tube")) {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else if (fichier.startsWith(QLatin1Char('/'))) {
            chemin = fichier;
        }
        FausseInteraction boites;
        FUnRAR f;
        QCOMPARE(statutDeFin([&] { f.Form_Load(chemin); }), 1);
        QCOMPARE(boites.messages.size(), 1);
        QCOMPARE(boites.messages[0].texte, message.replace(QLatin1Char('@'), chemin));
        QCOMPARE(boites.messages[0].titre, QStringLiteral("Erreur"));
        QVERIFY(!f.isVisible());
    }

    // Open lists the chosen archive and describes it in the status bar; a cancelled choice changes
    // nothing; close empties all but the path and the header; an empty choice leaves no archive
    // but the rows and panels.
    void ouvrirEtFermer() {
        QTemporaryDir d;
        const QString premiere = archives::creer(d.path(), QStringLiteral("premiere.rar"), ABC);
        const QString seconde =
            archives::creer(d.path(), QStringLiteral("seconde.rar"), {{QStringLiteral("s"), "x"}});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        const QString credit = panneau(f, 1);
        boites.fichiers << premiere << std::nullopt;
        f.Mnu_Ouvrir_Click();
        QCOMPARE(panneau(f, 2),
                 QStringLiteral("premiere.rar :  %1 Octets ").arg(QFileInfo(premiere).size()));
        QCOMPARE(panneau(f, 3), QStringLiteral(" 3 Fichiers "));
        QCOMPARE(panneau(f, 1), credit);
        QCOMPARE(ModuleRAR::NomArchive, QStringLiteral("premiere.rar"));
        f.Toolbar1_ButtonClick(1); // the open button, cancelled
        QCOMPARE(boites.dialoguesFichier, 2);
        QCOMPARE(ModuleRAR::CheminArchive, premiere);
        QCOMPARE(f.windowTitle(), Titre + QStringLiteral(" : ") + premiere);
        QCOMPARE(colonne(f, 2), TroisOK);
        QCOMPARE(actifs(f), 6);
        f.Mnu_Tester_Click();
        QCOMPARE(enTete(f), QStringLiteral("Test"));

        f.Mnu_Fermer_Click();
        QCOMPARE(f.windowTitle(), Titre);
        QCOMPARE(actifs(f), 0);
        QCOMPARE(f.modeleResultats()->nombreLignes(), 0);
        QCOMPARE(panneau(f, 2) + panneau(f, 3), QString());
        QCOMPARE(ModuleRAR::CheminArchive, premiere);
        QCOMPARE(enTete(f), QStringLiteral("Test"));

        boites.fichiers << seconde << QString();
        f.Mnu_Ouvrir_Click();
        QCOMPARE(panneau(f, 3), QStringLiteral(" 1 Fichiers "));
        const QString panneau2 = panneau(f, 2);
        f.Mnu_Ouvrir_Click();
        QVERIFY(ModuleRAR::CheminArchive.isEmpty() && ModuleRAR::NomArchive.isEmpty());
        QCOMPARE(f.windowTitle(), Titre);
        QCOMPARE(actifs(f), 0);
        QCOMPARE(colonne(f, 0), QStringList{QStringLiteral("s")});
        QCOMPARE(panneau(f, 2), panneau2);
        QVERIFY(boites.messages.isEmpty());
    }

    // Each command reads the archive afresh: replaced, cut or removed since it was opened, it is
    // seen for what it is now, and a failure ends the program with its message.
    void chaqueCommandeRelitLArchive() {
        QTemporaryDir d;
        const QString chemin = archives::creer(d.path(), QStringLiteral("archive.rar"), ABC);
        const QString autre =
            archives::creer(d.path(), QStringLiteral("autre.rar"), {{QStringLiteral("s"), "x"}});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(chemin);
        QVERIFY(QFile::remove(chemin) && QFile::copy(autre, chemin));
        f.Mnu_Tester_Click();
        QCOMPARE(colonne(f, 0), QStringList{QStringLiteral("s")});
        QVERIFY(QFile::resize(chemin, QFileInfo(chemin).size() - 8)); // the end-of-archive block
        QCOMPARE(statutDeFin([&] { f.Mnu_Tester_Click(); }), 1);
        QVERIFY(QFile::remove(chemin));
        QCOMPARE(statutDeFin([&] { f.Mnu_Tester_Click(); }), 1);
        QCOMPARE(boites.messages.size(), 2);
        QCOMPARE(boites.messages[0].texte,
                 QStringLiteral("Archive incomplète : fin d'archive inattendue"));
        QCOMPARE(boites.messages[1].texte, QStringLiteral("Ne peut ouvrir le fichier ") + chemin);
        QCOMPARE(boites.messages[1].titre, QStringLiteral("Erreur"));
    }

    // A drop opens one local file as the open command does; anything else is refused.
    void deposerOuvreUnFichierLocal_data() {
        QTest::addColumn<QString>("quoi");
        QTest::addColumn<bool>("ouvert");
        QTest::newRow("one archive") << "archive" << true;
        QTest::newRow("an archive whose name is not UTF-8") << "latin1" << true;
        QTest::newRow("two archives") << "deux" << false;
        QTest::newRow("a folder") << "dossier" << false;
        QTest::newRow("a web address") << "web" << false;
    }

    void deposerOuvreUnFichierLocal() {
        QFETCH(QString, quoi);
        QFETCH(bool, ouvert);
        QTemporaryDir d;
        const QString archive = archives::creer(d.path(), QStringLiteral("depose.rar"), ABC);
        const QByteArray latin1 = QFile::encodeName(d.path()) + "/lat\xe9.rar";
        // A name that Qt cannot spell is removed here: the temporary folder could not.
        const auto retirer = qScopeGuard([&latin1] { ::unlink(latin1.constData()); });
        QList<QUrl> urls{
            QUrl::fromLocalFile(quoi == QLatin1String("dossier") ? d.path() : archive)};
        if (quoi == QLatin1String("latin1")) {
            QCOMPARE(::rename(QFile::encodeName(archive).constData(), latin1.constData()), 0);
            urls = {QUrl(QStringLiteral("file://") + QFile::encodeName(d.path()) +
                         QStringLiteral("/lat%E9.rar"))};
        } else if (quoi == QLatin1String("deux")) {
            urls << urls.first();
        } else if (quoi == QLatin1String("web")) {
            urls = {QUrl(QStringLiteral("https://korvane.example.org/a.rar"))};
        }
        FausseInteraction boites;
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
        QCOMPARE(colonne(f, 2), ouvert ? TroisOK : QStringList());
        QCOMPARE(panneau(f, 3), ouvert ? QStringLiteral(" 3 Fichiers ") : QString());
        QCOMPARE(actifs(f), ouvert ? 6 : 0);
        QVERIFY(boites.messages.isEmpty());
    }

    void laBarreDOutilsAppelleLaCommandeDeSonBouton() {
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        for (const int aucun : {0, 7, -1}) {
            f.Toolbar1_ButtonClick(aucun);
        }
        QVERIFY(boites.messages.isEmpty());
        QCOMPARE(boites.dialoguesFichier, 0);

        f.Toolbar1_ButtonClick(5);
        QCOMPARE(boites.messages.size(), 1);
        QCOMPARE(boites.messages[0].titre, QStringLiteral("A propos"));
        // Lines broken by carriage returns alone, as the box breaks them.
        const QStringList lignes = boites.messages[0].texte.split(QLatin1Char('\r'));
        QCOMPARE(lignes.size(), 7);
        QCOMPARE(lignes[0], QStringLiteral("Korvane version 1.0 - Extraction de fichiers RAR"));
        QVERIFY(lignes[1].isEmpty() && lignes[5].isEmpty());
        QVERIFY(lignes[3].startsWith(QStringLiteral("E-Mail : ")));
        QVERIFY(lignes[4].startsWith(QStringLiteral("Url : ")));
        QVERIFY(!boites.messages[0].texte.contains(QLatin1Char('\n')));
        QCOMPARE(statutDeFin([&] { f.Toolbar1_ButtonClick(6); }), 0);
    }

    // A password typed on ticking "Mot de passe" serves every pass until the box is unticked; one
    // typed at a pass's prompt is kept the same way.
    void laCaseMotDePasse() {
        QTemporaryDir d;
        const QString archive =
            archives::creer(d.path(), QStringLiteral("secret.rar"), ABC, {"-hpsesame"});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        auto* check1 = f.findChild<QCheckBox*>(QStringLiteral("Check1"));
        boites.motsDePasse << std::nullopt << QString() << QStringLiteral("sesame");
        for (const bool coche : {false, false, true}) { // cancelled, empty, typed
            check1->setChecked(true);
            QCOMPARE(check1->isChecked(), coche);
        }
        boites.fichiers << archive;
        f.Mnu_Ouvrir_Click();
        f.Mnu_Tester_Click();
        QCOMPARE(colonne(f, 2), TroisOK);
        QCOMPARE(boites.demandesMotDePasse, 3);

        check1->setChecked(false); // forgotten: ticking again asks again
        boites.motsDePasse << std::nullopt << QStringLiteral("sesame");
        check1->setChecked(true);
        QCOMPARE(boites.demandesMotDePasse, 4);
        f.Mnu_Lister_Click(); // asks, and keeps what is typed
        QCOMPARE(boites.demandesMotDePasse, 5);
        QVERIFY(check1->isChecked());
        f.Mnu_Tester_Click();
        QCOMPARE(boites.demandesMotDePasse, 5);
        QCOMPARE(colonne(f, 2), TroisOK);
        QVERIFY(boites.messages.isEmpty());
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
        QTest::addColumn<bool>("garde");            // the box ticked afterwards
        const Saisies fauxPuisJuste{QStringLiteral("autre"), QStringLiteral("sesame")};
        const Saisies rien{std::nullopt};
        QTest::newRow("headers encrypted, listed, wrong then right")
            << int(ModeListe) << "-hpsesame"
            << "" << fauxPuisJuste << 1 << TroisOK << true;
        QTest::newRow("headers encrypted, a wrong one ticked, given up")
            << int(ModeListe) << "-hpsesame"
            << "autre" << rien << 1 << QStringList{} << false;
        QTest::newRow("data encrypted, extracted, wrong then right")
            << int(ModeExtraction) << "-psesame"
            << "" << fauxPuisJuste << 1 << TroisOK << true;
        QTest::newRow("data encrypted, extracted, given up")
            << int(ModeExtraction) << "-psesame"
            << "" << rien << 0 << QStringList{""} << false;
        QTest::newRow("data encrypted, listed: nothing to ask")
            << int(ModeListe) << "-psesame"
            << "" << Saisies{} << 0 << TroisOK << false;
    }

    void unMotDePasseEstDemandeQuandIlManque() {
        using Saisies = QList<std::optional<QString>>;
        QFETCH(int, mode);
        QFETCH(QString, option);
        QFETCH(QString, coche);
        QFETCH(Saisies, saisies);
        QFETCH(int, incorrects);
        QFETCH(QStringList, resultats);
        QFETCH(bool, garde);
        QTemporaryDir d;
        const QString sortie = d.filePath(QStringLiteral("sortie"));
        QDir().mkpath(sortie);
        const Vu vu = passer(
            {.mode = mode,
             .archive = archives::creer(d.path(), QStringLiteral("secret.rar"), ABC, {option}),
             .destination = sortie,
             .motsDePasse = saisies,
             .coche = coche});
        QVERIFY(vu.messages.isEmpty());
        QCOMPARE(vu.libellesMotDePasse.size(), saisies.size() + (coche.isEmpty() ? 0 : 1));
        QCOMPARE(vu.libellesMotDePasse.count(
                     QStringLiteral("Mot de passe incorrect. Mot de passe de l'archive :")),
                 incorrects);
        QCOMPARE(vu.resultats, resultats);
        QCOMPARE(vu.coche, garde);
        // Each entry written once, none asked about or skipped because of the prompt.
        QVERIFY(vu.questions.isEmpty());
        QCOMPARE(QDir(sortie).entryList(QDir::Files).size(),
                 mode == ModeExtraction && garde ? 3 : 0);
    }

    void chaqueTailleEtChaqueResultatSeLisentEnEntier_data() {
        QTest::addColumn<qint64>("taille");
        QTest::addColumn<QString>("resultat");
        QTest::addColumn<bool>("surUneLigneMontree"); // the result written once the row is shown
        QTest::addColumn<QString>("enTete");
        QTest::newRow("the largest size, a long result on a row already shown")
            << std::numeric_limits<qint64>::max() << QStringLiteral("Lien refusé") << true
            << QStringLiteral("Test");
        QTest::newRow("a negative size, under a long header")
            << std::numeric_limits<qint64>::min() << QStringLiteral("Ignoré") << false
            << QStringLiteral("Extraction");
    }

    void chaqueTailleEtChaqueResultatSeLisentEnEntier() {
        QFETCH(qint64, taille);
        QFETCH(QString, resultat);
        QFETCH(bool, surUneLigneMontree);
        QFETCH(QString, enTete);
        FUnRAR f;
        f.show();
        ListeResultats* m = f.modeleResultats();
        m->definirEnTeteResultat(enTete);
        m->ajouterEnTete(QStringLiteral("petit"), 1);
        m->publier();
        m->ajouterEnTete(QStringLiteral("grand"), taille);
        if (surUneLigneMontree) {
            m->publier();
        }
        m->ecrireResultat(resultat);
        m->publier();

        const QTableView* vue = liste(f);
        const QHeaderView* entetes = vue->horizontalHeader();
        const int marge = vue->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, vue) + 1;
        const auto entier = [&](const QString& texte, int colonne) {
            return QFontMetricsF(vue->font()).horizontalAdvance(texte) <=
                   entetes->sectionSize(colonne) - 2 * marge;
        };
        QVERIFY(entier(QString::number(taille), 1));
        QVERIFY(entier(resultat, 2));
        QVERIFY(entetes->sectionSize(2) >= entetes->sectionSizeHint(2));

        // The width a larger window gives goes to the names.
        const QList<int> avant{entetes->sectionSize(0), entetes->sectionSize(1),
                               entetes->sectionSize(2)};
        f.resize(f.width() + 200, f.height());
        QApplication::processEvents();
        QCOMPARE(
            (QList<int>{entetes->sectionSize(0), entetes->sectionSize(1), entetes->sectionSize(2)}),
            (QList<int>{avant[0] + 200, avant[1], avant[2]}));
    }

    void unTexteCoupeSeLitEnEntierDansUneBulle_data() {
        QTest::addColumn<QString>("panneau"); // empty: the top row of the list
        QTest::addColumn<QString>("texte");   // the row's name, or panel 2's text
        QTest::addColumn<QString>("vu");      // what the tooltip says; empty when there is none
        const QString longue = QStringLiteral("un dossier au nom très long/sous-dossier/encore "
                                              "plus loin/<b>gras</b> & fin\n.txt");
        QTest::newRow("a name that fits has none")
            << QString() << QStringLiteral("court.txt") << QString();
        QTest::newRow("a long name, markup and control character and all")
            << QString() << longue << QString(longue).replace("\n", "\\u000A");
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

    // Whatever a name holds, the list and the replace question show every character of it that
    // could hide or reorder what it says, and leave the others alone.
    void lesNomsNeMententPas() {
        const QString nom = QStringLiteral("été 日本 \\ (1) \u202Etxt.exe \n\x1b[31m\x7f\u0085 "
                                           "\u200Ea\u200Fb\u2066c\u2069d\u2028e\u061C.txt");
        const QString vu = QStringLiteral("été 日本 \\ (1) \\u202Etxt.exe \\u000A\\u001B[31m"
                                          "\\u007F\\u0085 \\u200Ea\\u200Fb\\u2066c\\u2069d\\u2028e"
                                          "\\u061C.txt");
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

    // The window's own context menu, on the menu bar or the toolbar, would only offer to hide the
    // toolbar, with nothing to bring it back.
    void aucunMenuNeCacheLaBarreDOutils() {
        FUnRAR f;
        f.show();
        auto* barre = f.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        for (QWidget* w : {static_cast<QWidget*>(f.menuBar()), static_cast<QWidget*>(barre)}) {
            const QPoint centre = w->rect().center();
            QContextMenuEvent clic(QContextMenuEvent::Mouse, centre, w->mapToGlobal(centre));
            QApplication::sendEvent(w, &clic);
            QCOMPARE(QApplication::activePopupWidget(), nullptr);
        }
        QVERIFY(barre->isVisible());
    }
};

QTEST_MAIN(TestFenetre)
#include "tst_fenetre.moc"

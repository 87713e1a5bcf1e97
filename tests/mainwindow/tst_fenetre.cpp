// The main window as a user drives it and its parts: start-up, the open and close commands, the
// password box, failures, the rows of the result list and the words of a pass, the archive the
// command line names, and the real boxes, closed from a timer.

#include "Archives.h"
#include "Espace.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "Interaction.h"
#include "LigneCommande.h"
#include "ListeResultats.h"
#include "Passe.h"
#include "SignauxDeFin.h"
#include "TitresEntiers.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <functional>
#include <vector>

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

// Runs `regarder` on the box as soon as it is up; what it leaves open is closed without answer.
void aLOuverture(std::function<void(QMessageBox*)> regarder) {
    QTimer::singleShot(0, qApp, [regarder] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(boite != nullptr);
        regarder(boite);
        if (boite->isVisible()) {
            boite->done(0);
        }
    });
}

} // namespace

class TestFenetre : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::garderTitresEntiers(*qApp); }

    void init() {
        ModuleRAR::CheminArchive.clear();
        ModuleRAR::NomArchive.clear();
    }

    // Without an argument the window waits for an archive; a relative name starts at the current
    // folder. Open lists the chosen archive and, alone, describes it in the status bar; close
    // empties all but the path and the header.
    void ouvrirEtFermer() {
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString premiere = archives::creer(d.path(), QStringLiteral("premiere.rar"), ABC);
        QDir::setCurrent(d.path());
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QString());
        QCOMPARE(etat(f), Titre + QStringLiteral("|0|||Résultat||"));
        f.Form_Load(QStringLiteral("premiere.rar"));
        const QString chemin = QDir::currentPath() + QStringLiteral("/premiere.rar");
        QCOMPARE(etat(f),
                 Titre + QStringLiteral(" : ") + chemin + QStringLiteral("|6|||Liste|") + Liste);
        QCOMPARE(colonne(f, 1), (QStringList{"3", "2", "1"}));
        QVERIFY(f.isVisible() && ModuleRAR::NomArchive.isEmpty());

        b.fichiers << premiere;
        const QString ouverte = Titre + QStringLiteral(" : ") + premiere +
                                QStringLiteral("|6|premiere.rar :  %1 Octets | 3 Fichiers |")
                                    .arg(QFileInfo(premiere).size());
        f.Mnu_Ouvrir_Click();
        QCOMPARE(etat(f), ouverte + QStringLiteral("Liste|") + Liste);
        QCOMPARE(ModuleRAR::NomArchive, QStringLiteral("premiere.rar"));
        f.Mnu_Tester_Click();
        QCOMPARE(etat(f), ouverte + QStringLiteral("Test|") + Liste);
        f.Mnu_Fermer_Click();
        QCOMPARE(etat(f), Titre + QStringLiteral("|0|||Test||"));
        QCOMPARE(ModuleRAR::CheminArchive, premiere);
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
        const QString pasUneArchive =
            QStringLiteral("Erreur: @Ce n'est pas un fichier archive RAR");
        QTest::newRow("not an archive: text") << "texte" << false << pasUneArchive;
        QTest::newRow("not an archive: empty") << "vide" << false << pasUneArchive;
        QTest::newRow("not an archive: random bytes") << "hasard" << false << pasUneArchive;
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
        } else if (fichier == QLatin1String("vide")) {
            archives::ecrire(chemin, QByteArray());
        } else if (fichier == QLatin1String("hasard")) {
            QByteArray hasard(4096, '\0');
            QRandomGenerator(3).fillRange(reinterpret_cast<quint32*>(hasard.data()), 1024);
            archives::ecrire(chemin, hasard);
        } else if (fichier == QLatin1String("tube")) {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else {
            chemin = fichier;
        }
        QCOMPARE(statutDeFin([&] { ouverte ? f.Mnu_Tester_Click() : f.Form_Load(chemin); }), 1);
        QCOMPARE(b.vues(), QStringList{message.replace(QLatin1Char('@'), chemin)});
        QCOMPARE(f.isVisible(), ouverte);
    }

    // SIGTERM (the session ending) and Ctrl+C's SIGINT reach the event loop, for the program to
    // end its own way; a SIGHUP ignored from the start (nohup) stays ignored.
    void lesSignauxDeFin_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("appels");
        QTest::newRow("SIGTERM") << SIGTERM << 1;
        QTest::newRow("SIGINT") << SIGINT << 1;
        QTest::newRow("SIGHUP under nohup") << SIGHUP << 0;
    }
    void lesSignauxDeFin() {
        QFETCH(int, signal);
        static int appels = 0;
        [[maybe_unused]] static const bool suivis = [] {
            std::signal(SIGHUP, SIG_IGN);
            platform::suivreSignauxDeFin([] { ++appels; });
            return true;
        }();
        const int avant = appels;
        ::raise(signal); // the byte is in the pipe when it returns
        QCoreApplication::processEvents();
        QTEST(appels - avant, "appels");
    }

    // A password typed on ticking "Mot de passe" serves every pass; with another archive, the
    // password kept is tried quietly, and the prompt, not told of it, names the archive that the
    // window names already.
    void laCaseMotDePasse() {
        QTemporaryDir d;
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(QString());
        b.motsDePasse << QString() << QStringLiteral("sesame");
        auto* check1 = f.findChild<QCheckBox*>(QStringLiteral("Check1"));
        for (const bool coche : {false, true}) { // empty, typed
            check1->setChecked(true);
            QCOMPARE(check1->isChecked(), coche);
        }
        b.fichiers << archives::creer(d.path(), QStringLiteral("secret.rar"), ABC, {"-hpsesame"});
        f.Mnu_Ouvrir_Click();
        f.Mnu_Tester_Click();
        QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));
        QCOMPARE(b.libellesMotDePasse.size(), 2);

        const QString autre =
            archives::creer(d.path(), QStringLiteral("autre.rar"), ABC, {"-hpautre"});
        b.fichiers << autre;
        b.motsDePasse << QStringLiteral("autre");
        f.Mnu_Ouvrir_Click();
        QCOMPARE(b.libellesMotDePasse.mid(2),
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
        QTest::newRow("data encrypted, tested, a wrong one ticked, then the right one")
            << int(ModeTest) << "-psesame"
            << "autre" << Saisies{QStringLiteral("sesame")} << 1 << ok;
        QTest::newRow("headers encrypted, tested, wrong then right")
            << int(ModeTest) << "-hpsesame"
            << "" << fauxPuisJuste << 1 << ok;
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
        QCOMPARE(QDir(sortie).entryList(QDir::Files).size(),
                 garde && mode == ModeExtraction ? 3 : 0);
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
    // Rows come newest first and reach the views in one batch; names fill several storage
    // blocks, one is larger than a block, and each comes back whole. A result written on a row
    // already shown is told to the views.
    void lesLignes() {
        ListeResultats m;
        QAbstractItemModelTester testeur(&m,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy insertions(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy changements(&m, &QAbstractItemModel::dataChanged);
        QStringList noms;
        for (int i = 0; i < 5000; ++i) {
            noms << QStringLiteral("dossier-%1/").arg(i).repeated(20) +
                        QStringLiteral("été 日本 \U0001D11E \uE0A9 %1").arg(i);
            m.ajouterEnTete(i == 2500 ? QString(300 * 1024, QLatin1Char('x')) : noms.last(), i - 3);
            m.ecrireResultat(i % 2 ? QStringLiteral("OK") : QStringLiteral("Ignoré"));
        }
        noms[2500] = QString(300 * 1024, QLatin1Char('x'));
        QCOMPARE(m.rowCount(), 0); // not yet published
        m.publier();
        m.publier(); // nothing waiting: no signal
        QCOMPARE(insertions.size(), 1);
        m.ecrireResultat(QStringLiteral("Lien refusé"));
        QCOMPARE(changements.size(), 1);
        for (int i = 0; i < noms.size(); ++i) {
            const QModelIndex ligne = m.index(int(noms.size()) - 1 - i, 0);
            QCOMPARE(ligne.data().toString(), noms[i]);
            QCOMPARE(ligne.siblingAtColumn(1).data().toString().remove(QChar(0x202F)),
                     QString::number(i - 3));
            QCOMPARE(ligne.siblingAtColumn(2).data().toString(), i == 4999 ? "Lien refusé"
                                                                 : i % 2   ? "OK"
                                                                           : "Ignoré");
        }
    }

    // From the bytes of argv, as the program receives them, to the bytes of the path it opens.
    void lArchiveDeLaLigneDeCommande_data() {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("courant"); // the current directory
        QTest::addColumn<QByteArray>("attendu"); // empty: no archive
        const auto p = [](const char* regle, const QByteArrayList& arguments, const char* attendu,
                          const char* courant = "/home/u") {
            QTest::newRow(regle) << arguments << QByteArray(courant) << QByteArray(attendu);
        };
        p("at the root the slash is doubled", {"test.rar"}, "//test.rar", "/");
        p("a quoted relative name keeps its quotes", {"\"test.rar\""}, "/home/u/\"test.rar\"");
    }

    void lArchiveDeLaLigneDeCommande() {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, courant);
        QFETCH(QByteArray, attendu);
        std::vector<const char*> argv{"korvane"};
        for (const QByteArray& a : arguments) {
            argv.push_back(a.constData());
        }
        const QByteArray texte = texteArguments(int(argv.size()), argv.data());
        QCOMPARE(texte.isEmpty() ? QByteArray()
                                 : cheminArchiveDepuisArguments(texte, courant, StyleChemin::Posix),
                 attendu);
    }
    // A comment's markup is shown as text, never read as rich text; carriage returns break lines.
    void unTexteSeLitTelQuel() {
        aLOuverture([](QMessageBox* boite) {
            auto* libelle = boite->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QCOMPARE(libelle->textFormat(), Qt::PlainText);
            QCOMPARE(libelle->text(), QStringLiteral("<b>gras</b> & <img src=/x>\na < b"));
            QTest::keyClick(boite, Qt::Key_Return);
            QVERIFY(!boite->isVisible());
        });
        platform::interaction().message(nullptr,
                                        QStringLiteral("<b>gras</b> & <img src=/x>\ra < b"),
                                        QStringLiteral("Comment"), platform::Icone::Information);
    }

    // A box is as wide as its title needs in the decoration, however short its text: "Erreur"
    // read "E…r". The window's long title keeps both its ends for the decoration, and its program
    // part whole.
    void lesTitresSeLisentEntiers() {
        int largeur = 0;
        const auto mesurer = [&largeur] {
            QTimer::singleShot(0, qApp, [&largeur] {
                largeur = QApplication::activeModalWidget()->width();
                qobject_cast<QDialog*>(QApplication::activeModalWidget())->done(0);
            });
        };
        mesurer();
        platform::interaction().message(nullptr, "x", "Erreur", platform::Icone::Exclamation);
        QVERIFY2(largeur >= platform::largeurPourTitre("Erreur"),
                 qPrintable(QString::number(largeur)));
        mesurer();
        platform::interaction().motDePasse(nullptr, "Mot de passe", "x");
        QVERIFY(largeur >= platform::largeurPourTitre("Mot de passe"));
        FausseInteraction b;
        FUnRAR f;
        f.show();
        f.resize(520, f.height());
        const QString titre = Titre + " : /home" + QString("/dossier").repeated(40) + "/fin.rar";
        f.setWindowTitle(titre);
        const QString vu = f.windowHandle()->title();
        QVERIFY2(vu.startsWith(Titre + " : /h") && vu.endsWith("fin.rar") &&
                     platform::largeurPourTitre(vu) <= f.width(),
                 qPrintable(vu));
        QCOMPARE(f.windowTitle(), titre);
    }

    // Return and Escape keep the user's file; only a deliberate choice replaces it.
    void laQuestionDeRemplacementNeRemplaceQueSurDemande_data() {
        QTest::addColumn<int>("touche"); // 0: a click on "Oui"
        QTest::addColumn<int>("reponse");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QMessageBox::No);
        QTest::newRow("Return") << int(Qt::Key_Return) << int(QMessageBox::No);
        QTest::newRow("a click on Oui") << 0 << int(QMessageBox::Yes);
    }

    void laQuestionDeRemplacementNeRemplaceQueSurDemande() {
        QFETCH(int, touche);
        QFETCH(int, reponse);
        aLOuverture([touche](QMessageBox* boite) {
            if (touche == 0) {
                boite->button(QMessageBox::Yes)->click();
                return;
            }
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : boite, Qt::Key(touche));
        });
        const QMessageBox::StandardButton choisi = platform::interaction().question(
            nullptr, QStringLiteral("Le fichier « a.txt » existe déjà. Voulez-vous le remplacer ?"),
            QStringLiteral("Confirmation"),
            QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
        QCOMPARE(int(choisi), reponse);
    }

    // Before an extraction, the question when the entries need more than the destination has
    // left, with sizes that never read alike.
    void laPlaceAvantDExtraire_data() {
        QTest::addColumn<qint64>("besoin");
        QTest::addColumn<bool>("auMoins"); // no listing: the volumes' size
        QTest::addColumn<qint64>("libre");
        QTest::addColumn<QString>("dossier");
        QTest::addColumn<QString>("question"); // empty: none
        const auto r = [](const char* phrase, qint64 besoin, qint64 libre, const char* question,
                          const char* dossier = "/d", bool auMoins = false) {
            QTest::newRow(phrase) << besoin << auMoins << libre << QString::fromUtf8(dossier)
                                  << (*question
                                          ? QString::fromUtf8(question) + ". Extraire quand même ?"
                                          : QString());
        };
        r("exactly the room left: none", 5000, 5000, "");
        r("short: decimal units, the folder's name", 3200000000, 1100000000,
          "Il faut 3,2 Go sur « dossier » et il n'en reste que 1,1 Go", "/home/u/dossier");
        r("a byte short: the need rounded up, the room down", 1000000001, 1000000000,
          "Il faut 1,1 Go sur « d » et il n'en reste que 1,0 Go");
        r("rounded up past 999,9 Mo: the next unit", 999950001, 512,
          "Il faut 1,0 Go sur « d » et il n'en reste que 512 o");
        r("without a listing, at the root", 950000000, 12345678,
          "Il faut au moins 950,0 Mo sur « / » et il n'en reste que 12,3 Mo", "/", true);
        r("a name that would hide its end", 2000, 1000,
          "Il faut 2,0 ko sur « a\\u202Eb » et il n'en reste que 1,0 ko", "/x/a\u202Eb");
    }
    void laPlaceAvantDExtraire() {
        QFETCH(qint64, besoin);
        QFETCH(bool, auMoins);
        QFETCH(qint64, libre);
        QFETCH(QString, dossier);
        QTEST(questionEspace(besoin, auMoins, libre, dossier).value_or(QString()), "question");
    }
};

QTEST_MAIN(TestFenetre)
#include "tst_fenetre.moc"

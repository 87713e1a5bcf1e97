#include "Archives.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "ModuleRAR.h"
#include "Passe.h"
#include "Unrar.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

using namespace ModuleRAR;

namespace {

// Writes the files (name, content) into `dossier` and stores them, in that order, in `archive`.
QString archiver(const QTemporaryDir& dossier, const QString& archive,
                 const QList<QPair<QString, QByteArray>>& fichiers,
                 const QStringList& options = {}) {
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    if (rar.isEmpty()) {
        qFatal("rar is missing: scripts/install-deps installs it");
    }
    QStringList noms;
    for (const auto& [nom, contenu] : fichiers) {
        QDir(dossier.path()).mkpath(QFileInfo(nom).path());
        QFile f(dossier.filePath(nom));
        if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size()) {
            qFatal("cannot write %s", qPrintable(nom));
        }
        noms << nom;
    }
    QProcess p;
    p.setWorkingDirectory(dossier.path());
    p.start(rar, QStringList{QStringLiteral("a"), QStringLiteral("-idq")} + options +
                     QStringList{dossier.filePath(archive)} + noms);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qFatal("rar failed: %s", p.readAllStandardError().constData());
    }
    return dossier.filePath(archive);
}

const QList<QPair<QString, QByteArray>> ABC{{QStringLiteral("a.txt"), "1"},
                                            {QStringLiteral("b.txt"), "22"},
                                            {QStringLiteral("c.txt"), "333"}};

QString enTeteResultat(const FUnRAR& f) {
    return f.modeleResultats()->headerData(2, Qt::Horizontal).toString();
}

// The six archive controls, menu items first: all six must always agree.
QList<bool> controlesArchive(const FUnRAR& f) {
    QList<bool> etats;
    for (const char* nom :
         {"Mnu_Extraire", "Mnu_Tester", "Mnu_Lister", "Toolbar1_2", "Toolbar1_3", "Toolbar1_4"}) {
        etats << f.findChild<QAction*>(QString::fromLatin1(nom))->isEnabled();
    }
    return etats;
}

const QList<bool> TousActifs{true, true, true, true, true, true};
const QList<bool> TousInactifs{false, false, false, false, false, false};

QString panneau(const FUnRAR& f, int n) {
    return f.findChild<QLabel*>(QStringLiteral("StatusBar1_%1").arg(n))->text();
}

} // namespace

class TestFUnRAR : public QObject {
    Q_OBJECT

private slots:
    void init() {
        CheminArchive.clear();
        NomArchive.clear();
    }

    void sansArgumentLaFenetreAttendSansArchive() {
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        QCOMPARE(f.windowTitle(), QStringLiteral("Korvane v 1.0"));
        QCOMPARE(controlesArchive(f), TousInactifs);
        QCOMPARE(f.modeleResultats()->nombreLignes(), 0);
        QCOMPARE(enTeteResultat(f), QStringLiteral("Résultat"));
        QVERIFY(boites.messages.isEmpty());
        QVERIFY(CheminArchive.isEmpty());
    }

    void avecUneArchiveLaDerniereEntreeEstEnHaut() {
        QTemporaryDir d;
        const QString archive = archiver(d, QStringLiteral("test.rar"), ABC);
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);

        QCOMPARE(CheminArchive, archive);
        QCOMPARE(f.windowTitle(), QStringLiteral("Korvane v 1.0 : ") + archive);
        QCOMPARE(colonne(f, 0), (QStringList{"c.txt", "b.txt", "a.txt"}));
        QCOMPARE(colonne(f, 1), (QStringList{"3", "2", "1"}));
        QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));
        QCOMPARE(enTeteResultat(f), QStringLiteral("Liste"));
        QCOMPARE(controlesArchive(f), TousActifs);
        QVERIFY(f.isVisible());
        // Only the open command describes the archive in the status bar.
        QCOMPARE(panneau(f, 2), QString());
        QCOMPARE(panneau(f, 3), QString());
        QVERIFY(NomArchive.isEmpty());
        QVERIFY(boites.messages.isEmpty());
    }

    void unNomRelatifPartDuDossierCourant() {
        QTemporaryDir d;
        archiver(d, QStringLiteral("rel.rar"), ABC);
        const QString avant = QDir::currentPath();
        QDir::setCurrent(d.path());
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QStringLiteral("rel.rar"));
        QDir::setCurrent(avant);
        QCOMPARE(CheminArchive, QDir(d.path()).canonicalPath() + QStringLiteral("/rel.rar"));
        QCOMPARE(f.modeleResultats()->nombreLignes(), 3);
    }

    void unEchecAuDemarrageFinitAvantQueLaFenetreParaisse_data() {
        QTest::addColumn<QString>("fichier"); // what lies at the path
        QTest::addColumn<QString>("suffixe");
        QTest::newRow("missing file") << "absent" << QString();
        QTest::newRow("not an archive") << "texte"
                                        << "Ce n'est pas un fichier archive RAR";
        // Opened by the library, a pipe would wait for a writer for ever.
        QTest::newRow("named pipe") << "tube" << QString();
        QTest::newRow("folder") << "dossier" << QString();
        QTest::newRow("device") << "/dev/zero" << QString();
    }

    void unEchecAuDemarrageFinitAvantQueLaFenetreParaisse() {
        QFETCH(QString, fichier);
        QFETCH(QString, suffixe);
        QTemporaryDir d;
        QString chemin = d.filePath(QStringLiteral("x.rar"));
        if (fichier == QLatin1String("texte")) {
            archives::ecrire(chemin, "ceci n'est pas une archive RAR, seulement du texte.\n");
        } else if (fichier == QLatin1String("tube")) {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else if (fichier == QLatin1String("dossier")) {
            QVERIFY(QDir().mkdir(chemin));
        } else if (fichier.startsWith(QLatin1Char('/'))) {
            chemin = fichier;
        }
        const QString attendu = suffixe.isEmpty()
                                    ? QStringLiteral("Ne peut ouvrir le fichier ") + chemin
                                    : chemin + suffixe;

        FausseInteraction boites;
        FUnRAR f;
        try {
            f.Form_Load(chemin);
            QFAIL("the program went on after a failed open");
        } catch (const FinDuProgramme& fin) {
            QCOMPARE(fin.statut, 1);
        }
        QCOMPARE(boites.messages.size(), 1);
        QCOMPARE(boites.messages[0].texte, attendu);
        QCOMPARE(boites.messages[0].titre, QStringLiteral("Erreur"));
        QVERIFY(!f.isVisible());
    }

    void ouvrirAnnuleNeChangeRien() {
        QTemporaryDir d;
        const QString archive = archiver(d, QStringLiteral("test.rar"), ABC);
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);
        boites.fichiers.enqueue(std::nullopt);
        f.Toolbar1_ButtonClick(1);
        QCOMPARE(boites.dialoguesFichier, 1);
        QCOMPARE(CheminArchive, archive);
        QCOMPARE(f.modeleResultats()->nombreLignes(), 3);
        QCOMPARE(f.windowTitle(), QStringLiteral("Korvane v 1.0 : ") + archive);
        QCOMPARE(controlesArchive(f), TousActifs);
    }

    void ouvrirDecritLArchiveDansLaBarreDEtat() {
        QTemporaryDir d;
        const QString premiere = archiver(d, QStringLiteral("premiere.rar"), ABC);
        const QString seconde =
            archiver(d, QStringLiteral("seconde.rar"), {{QStringLiteral("seul.txt"), "x"}});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());

        boites.fichiers.enqueue(premiere);
        f.Mnu_Ouvrir_Click();
        const qint64 taille = QFileInfo(premiere).size();
        QCOMPARE(panneau(f, 2), QStringLiteral("premiere.rar :  %1 Octets ").arg(taille));
        QCOMPARE(panneau(f, 3), QStringLiteral(" 3 Fichiers "));
        QCOMPARE(NomArchive, QStringLiteral("premiere.rar"));
        QCOMPARE(controlesArchive(f), TousActifs);

        boites.fichiers.enqueue(seconde);
        f.Mnu_Ouvrir_Click();
        QCOMPARE(colonne(f, 0), QStringList{QStringLiteral("seul.txt")});
        QCOMPARE(panneau(f, 3), QStringLiteral(" 1 Fichiers "));
        QCOMPARE(f.windowTitle(), QStringLiteral("Korvane v 1.0 : ") + seconde);
        QCOMPARE(panneau(f, 1), panneau(f, 1).trimmed()); // panel 1 never carries numbers
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
        QString archive = archiver(d, QStringLiteral("depose.rar"), ABC);
        const QByteArray latin1 = QFile::encodeName(d.path()) + "/lat\xe9.rar";
        // A name that Qt cannot spell is removed here: the temporary folder could not.
        const auto retirer = qScopeGuard([&latin1] { ::unlink(latin1.constData()); });
        if (quoi == QLatin1String("latin1")) {
            QCOMPARE(::rename(QFile::encodeName(archive).constData(), latin1.constData()), 0);
        }
        QList<QUrl> urls{QUrl::fromLocalFile(archive)};
        if (quoi == QLatin1String("latin1")) {
            urls = {QUrl(QStringLiteral("file://") + QFile::encodeName(d.path()) +
                         QStringLiteral("/lat%E9.rar"))};
        } else if (quoi == QLatin1String("deux")) {
            urls << QUrl::fromLocalFile(archive);
        } else if (quoi == QLatin1String("dossier")) {
            urls = {QUrl::fromLocalFile(d.path())};
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
        if (ouvert) {
            QDropEvent depot(QPointF(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(&f, &depot);
        }
        const QStringList resultats = ouvert ? QStringList{"OK", "OK", "OK"} : QStringList{};
        QCOMPARE(colonne(f, 2), resultats);
        QCOMPARE(panneau(f, 3), ouvert ? QStringLiteral(" 3 Fichiers ") : QString());
        QCOMPARE(controlesArchive(f), ouvert ? TousActifs : TousInactifs);
        QVERIFY(boites.messages.isEmpty());
    }

    // Each command reads the archive afresh: one replaced, cut or deleted since it was opened is
    // seen for what it is now, and a failure ends the program with its message.
    void lArchiveChangeEntreDeuxCommandes() {
        QTemporaryDir d;
        const QString chemin = archiver(d, QStringLiteral("archive.rar"), ABC);
        const QString autre =
            archiver(d, QStringLiteral("autre.rar"), {{QStringLiteral("seul.txt"), "x"}});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        boites.fichiers.enqueue(chemin);
        f.Mnu_Ouvrir_Click();
        QCOMPARE(colonne(f, 0).size(), 3);

        QFile::remove(chemin);
        QVERIFY(QFile::copy(autre, chemin));
        f.Mnu_Tester_Click();
        QCOMPARE(colonne(f, 0).first(), QStringLiteral("seul.txt"));
        QCOMPARE(colonne(f, 2).first(), QStringLiteral("OK"));

        const auto echec = [&](const QString& attendu) {
            boites.messages.clear();
            try {
                f.Mnu_Tester_Click();
                QFAIL("the test pass went on");
            } catch (const FinDuProgramme& fin) {
                QCOMPARE(fin.statut, 1);
            }
            QCOMPARE(boites.messages.size(), 1);
            QCOMPARE(boites.messages[0].texte, attendu);
            QCOMPARE(boites.messages[0].titre, QStringLiteral("Erreur"));
        };
        QFile archive(chemin);
        QVERIFY(archive.open(QIODevice::ReadWrite));
        QVERIFY(archive.resize(archive.size() - 8)); // the end-of-archive block
        archive.close();
        echec(QStringLiteral("Archive incomplète : fin d'archive inattendue"));
        QFile::remove(chemin);
        echec(QStringLiteral("Ne peut ouvrir le fichier ") + chemin);
    }

    void ouvrirUnCheminVideFermeSansToucherAuxLignes() {
        QTemporaryDir d;
        const QString archive = archiver(d, QStringLiteral("test.rar"), ABC);
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        boites.fichiers.enqueue(archive);
        f.Mnu_Ouvrir_Click();
        const QString panneau2 = panneau(f, 2);

        boites.fichiers.enqueue(QString());
        f.Mnu_Ouvrir_Click();
        QVERIFY(CheminArchive.isEmpty());
        QVERIFY(NomArchive.isEmpty());
        QCOMPARE(f.windowTitle(), QStringLiteral("Korvane v 1.0"));
        QCOMPARE(controlesArchive(f), TousInactifs);
        QCOMPARE(f.modeleResultats()->nombreLignes(), 3);
        QCOMPARE(panneau(f, 2), panneau2);

        // Close then removes the rows left behind and empties the panels.
        f.Mnu_Fermer_Click();
        QCOMPARE(f.modeleResultats()->nombreLignes(), 0);
        QCOMPARE(panneau(f, 2), QString());
        QCOMPARE(panneau(f, 3), QString());
        QVERIFY(boites.messages.isEmpty());
    }

    void fermerGardeLeCheminEtLEnTete() {
        QTemporaryDir d;
        const QString archive = archiver(d, QStringLiteral("test.rar"), ABC);
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);
        f.Mnu_Tester_Click();
        QCOMPARE(enTeteResultat(f), QStringLiteral("Test"));
        QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));
        f.Mnu_Lister_Click();
        QCOMPARE(enTeteResultat(f), QStringLiteral("Liste"));
        QCOMPARE(f.modeleResultats()->nombreLignes(), 3);

        f.Mnu_Fermer_Click();
        QCOMPARE(f.windowTitle(), QStringLiteral("Korvane v 1.0"));
        QCOMPARE(controlesArchive(f), TousInactifs);
        QCOMPARE(CheminArchive, archive);
        QCOMPARE(enTeteResultat(f), QStringLiteral("Liste"));
    }

    void laBarreDOutilsAppelleLaCommandeDeSonBouton() {
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        f.Toolbar1_ButtonClick(0);
        f.Toolbar1_ButtonClick(7);
        f.Toolbar1_ButtonClick(-1);
        QVERIFY(boites.messages.isEmpty());
        QCOMPARE(boites.dialoguesFichier, 0);

        f.Toolbar1_ButtonClick(5);
        QCOMPARE(boites.messages.size(), 1);
        QCOMPARE(boites.messages[0].titre, QStringLiteral("A propos"));
        const QStringList lignes = boites.messages[0].texte.split(QLatin1Char('\r'));
        QCOMPARE(lignes.size(), 7);
        QCOMPARE(lignes[0], QStringLiteral("Korvane version 1.0 - Extraction de fichiers RAR"));
        QVERIFY(lignes[1].isEmpty() && lignes[5].isEmpty());
        QVERIFY(lignes[3].startsWith(QStringLiteral("E-Mail : ")));
        QVERIFY(lignes[4].startsWith(QStringLiteral("Url : ")));
        QVERIFY(!boites.messages[0].texte.contains(QLatin1Char('\n')));

        try {
            f.Toolbar1_ButtonClick(6);
            QFAIL("quit returned");
        } catch (const FinDuProgramme& fin) {
            QCOMPARE(fin.statut, 0);
        }
    }

    void leMotDePasseVitAvecLaCase() {
        QTemporaryDir d;
        const QString archive =
            archiver(d, QStringLiteral("secret.rar"), ABC, {QStringLiteral("-hpsesame")});
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(QString());
        auto* check1 = f.findChild<QCheckBox*>(QStringLiteral("Check1"));

        boites.motsDePasse.enqueue(std::nullopt);
        check1->setChecked(true);
        QVERIFY(!check1->isChecked()); // cancelled prompt
        boites.motsDePasse.enqueue(QString());
        check1->setChecked(true);
        QVERIFY(!check1->isChecked()); // empty password
        QCOMPARE(f.argumentMotDePasse(), QString());

        boites.motsDePasse.enqueue(QStringLiteral("sesame"));
        check1->setChecked(true);
        QVERIFY(check1->isChecked());
        QCOMPARE(f.argumentMotDePasse(), QStringLiteral("sesame"));
        QCOMPARE(boites.demandesMotDePasse, 3);

        boites.fichiers.enqueue(archive);
        f.Mnu_Ouvrir_Click();
        f.Mnu_Tester_Click();
        QCOMPARE(colonne(f, 2), (QStringList{"OK", "OK", "OK"}));
        QVERIFY(boites.messages.isEmpty());
        QCOMPARE(boites.demandesMotDePasse, 3); // asked once, used by every pass

        check1->setChecked(false);
        QCOMPARE(f.argumentMotDePasse(), QString());
        // Ticking again asks again: the old password was forgotten.
        boites.motsDePasse.enqueue(std::nullopt);
        check1->setChecked(true);
        QCOMPARE(boites.demandesMotDePasse, 4);
        // Without one, the pass asks, and given none, stops: no box, the window goes on.
        f.Mnu_Lister_Click();
        QCOMPARE(boites.demandesMotDePasse, 5);
        QVERIFY(boites.messages.isEmpty());
        QCOMPARE(f.modeleResultats()->nombreLignes(), 0);
        QVERIFY(!check1->isChecked());
    }

    // The library asks for a password when it needs one, again when it was wrong; typed, it is
    // kept for the next commands as if the box had been ticked; cancelled, the pass stops quietly.
    void unMotDePasseEstDemandeQuandIlManque_data() {
        using Saisies = QList<std::optional<QString>>;
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("commande");
        QTest::addColumn<Saisies>("saisies");
        QTest::addColumn<int>("incorrects");        // prompts that said "incorrect"
        QTest::addColumn<QStringList>("resultats"); // top row first
        const Saisies juste{QStringLiteral("sesame")};
        const Saisies fauxPuisJuste{QStringLiteral("autre"), QStringLiteral("sesame")};
        const QStringList ok{"OK", "OK", "OK"};
        QTest::newRow("headers encrypted, from the command line")
            << "-hpsesame"
            << "demarrage" << juste << 0 << ok;
        QTest::newRow("headers encrypted, opened, wrong then right")
            << "-hpsesame"
            << "ouvrir" << fauxPuisJuste << 1 << ok;
        QTest::newRow("headers encrypted, from the command line, given up")
            << "-hpsesame"
            << "demarrage" << Saisies{std::nullopt} << 0 << QStringList{};
        QTest::newRow("data encrypted, tested") << "-psesame"
                                                << "tester" << juste << 0 << ok;
        QTest::newRow("data encrypted, extracted, wrong then right")
            << "-psesame"
            << "extraire" << fauxPuisJuste << 1 << ok;
        QTest::newRow("data encrypted, extracted, given up")
            << "-psesame"
            << "extraire" << Saisies{std::nullopt} << 0 << QStringList{"", "", ""}.mid(0, 1);
        QTest::newRow("data encrypted, listed: nothing to ask") << "-psesame"
                                                                << "lister" << Saisies{} << 0 << ok;
    }

    void unMotDePasseEstDemandeQuandIlManque() {
        using Saisies = QList<std::optional<QString>>;
        QFETCH(QString, option);
        QFETCH(QString, commande);
        QFETCH(Saisies, saisies);
        QFETCH(int, incorrects);
        QFETCH(QStringList, resultats);
        DossierCourantGarde garde;
        QTemporaryDir d;
        const QString archive = archiver(d, QStringLiteral("secret.rar"), ABC, {option});
        const QString sortie = d.filePath(QStringLiteral("sortie"));
        QDir().mkpath(sortie);
        FausseInteraction boites;
        for (const std::optional<QString>& saisie : saisies) {
            boites.motsDePasse.enqueue(saisie);
        }
        FUnRAR f;
        if (commande == QLatin1String("demarrage")) {
            f.Form_Load(archive);
        } else {
            CheminArchive = archive;
            boites.fichiers.enqueue(archive);
            if (commande == QLatin1String("ouvrir")) {
                f.Mnu_Ouvrir_Click();
            } else if (commande == QLatin1String("tester")) {
                f.Mnu_Tester_Click();
            } else if (commande == QLatin1String("lister")) {
                f.Mnu_Lister_Click();
            } else {
                DossierDestination = sortie;
                repondreAuDialogue("Command1");
                f.Mnu_Extraire_Click();
            }
        }
        QVERIFY(boites.messages.isEmpty());
        QCOMPARE(boites.demandesMotDePasse, qsizetype(saisies.size()));
        QCOMPARE(boites.libellesMotDePasse.count(
                     QStringLiteral("Mot de passe incorrect. Mot de passe de l'archive :")),
                 incorrects);
        QCOMPARE(colonne(f, 2), resultats);
        const bool donne = resultats == QStringList{"OK", "OK", "OK"} && !saisies.isEmpty();
        QCOMPARE(f.findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked(), donne);
        if (commande == QLatin1String("extraire")) {
            // Each entry written once, none asked about or skipped because of the prompt.
            QVERIFY(boites.questions.isEmpty());
            QCOMPARE(QDir(sortie).entryList(QDir::Files).size(), donne ? 3 : 0);
        }
        if (donne) {
            // Kept for the next command, which asks nothing.
            f.Mnu_Tester_Click();
            QCOMPARE(colonne(f, 2), resultats);
            QCOMPARE(boites.demandesMotDePasse, qsizetype(saisies.size()));
        }
    }
};

QTEST_MAIN(TestFUnRAR)
#include "tst_funrar.moc"

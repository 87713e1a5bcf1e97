// Finding and taking entries in the list: the filter and the sort, the entries that chosen rows
// stand for, the extraction of those alone, and an entry opened unless it could run.

#include "Archives.h"
#include "EcrivainRar.h"
#include "FUnRAR.h"
#include "ListeMontree.h"
#include "ListeResultats.h"
#include "Ouverture.h"
#include "Passe.h"
#include "Prise.h"
#include "PriseFenetre.h"
#include "Restes.h"

#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <limits>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Rows as a pass adds them, in archive order: a name ending in "/" is a folder.
void remplir(ListeResultats& m, const QStringList& noms, qsizetype debut = 0) {
    for (qsizetype i = debut; i < noms.size(); ++i) {
        const bool dossier = noms[i].endsWith(QLatin1Char('/'));
        m.ajouterEnTete(dossier ? noms[i].chopped(1) : noms[i], noms[i].size(), 0, dossier,
                        quint32(i));
    }
    m.publier();
}

// The files that entries opened left in the run folders of the temporary folder.
int laisses() {
    int n = 0;
    for (QDirIterator i(QDir::tempPath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         i.hasNext();) {
        n += i.next().contains(QLatin1String("/korvane-")) ? 1 : 0;
    }
    return n;
}

QStringList montres(const ListeMontree& v) {
    QStringList noms;
    for (int l = 0; l < v.rowCount(); ++l) {
        noms << v.index(l, 0).data().toString();
    }
    return noms;
}

// The files beneath `dossier`, as "path=size": the library checks each entry's CRC, so the right
// size is the right content.
QStringList fichiersSous(const QString& dossier) {
    QStringList l;
    for (QDirIterator i(dossier, QDir::Files, QDirIterator::Subdirectories); i.hasNext();) {
        const QString chemin = i.next();
        l << QDir(dossier).relativeFilePath(chemin) + '=' + QString::number(i.fileInfo().size());
    }
    l.sort();
    return l;
}

// Chooses in `f`'s list the rows of `noms`.
void choisir(FUnRAR& f, const QStringList& noms) {
    auto* vue = f.findChild<QTableView*>(QStringLiteral("ListView1"));
    for (int l = 0; l < vue->model()->rowCount(); ++l) {
        if (noms.contains(vue->model()->index(l, 0).data().toString())) {
            vue->selectionModel()->select(vue->model()->index(l, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

} // namespace

class TestPrise : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The run folders of this program only, not those of others running beside it.
        QVERIFY(temporaire_.isValid());
        qputenv("TMPDIR", QFile::encodeName(temporaire_.path()));
    }

    // The rows kept, top first, whatever the case, accents, ligatures and compatibility forms,
    // typed one key at a time, then as the pass adds its last rows, then as keys are taken back;
    // a sort keeps to them. Each row shown is found again at its line.
    void leFiltreEtLeTri_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("puis"); // the field's text once every row has come
        QTest::addColumn<int>("colonne");  // sorted by it, -1: the pass's order
        QTest::addColumn<bool>("inverse");
        QTest::addColumn<QString>("vus");
        const auto ligne = [](const char* phrase, const QString& texte, const char* vus,
                              const QString& puis = QStringLiteral("="), int colonne = -1,
                              bool inverse = false) {
            QTest::newRow(phrase) << texte << (puis == "=" ? texte : puis) << colonne << inverse
                                  << QString::fromUtf8(vus);
        };
        ligne("no case, no accents", "ETE", "Été/b.txt,été/a.txt,Été,éte.txt");
        ligne("a folder's", "été/", "Été/b.txt,été/a.txt");
        ligne("a ligature typed plain", "coeur", "coeur.txt,Mon cœur, mon âme");
        ligne("a ligature typed as such", "CŒUR, MON ÂME", "Mon cœur, mon âme");
        ligne("ß and ss", "Straße", "strasse.txt,STRAẞE");
        ligne("a compatibility character", "ﬁ", "Documents/Rapport annuel FINAL.pdf,fin.txt,ﬁn");
        ligne("no name running into the next", "txtd", "");
        ligne("rows far apart", "9", "99,98,97,96,95,94,93,92,91,90,89,79,69,59,49,39,29,19,9");
        ligne("across the end of a folder", "te/a.t", "été/a.txt");
        ligne("across the ends of two folders", "/y/z.", "x/y/z.txt");
        ligne("capitals across the end of a folder", "NTS/RAP",
              "Documents/Rapport annuel FINAL.pdf");
        ligne("a key taken back", "été/b", "Été/b.txt,été/a.txt", "été/");
        ligne("keys taken back to a ligature", "coeur.t", "coeur.txt,Mon cœur, mon âme", "cœur");
        ligne("a text that holds none typed before", "ab", "zèbre", "zè");
        ligne("typed on: not where the text first showed, further on", "mon ", "Mon cœur, mon âme",
              "mon a");
        ligne("typed on past what was kept of the rest, over capitals", "rapport",
              "Documents/Rapport annuel FINAL.pdf", "rapport annuel final");
        ligne("every key taken back", "coeur", "115 rows", "");
        // Accents weigh only between names otherwise alike; "." comes before "/".
        ligne("by name, French", "ét", "Été,éte.txt,été/a.txt,Été/b.txt", "=", 0);
        ligne("by name, reversed, filtered", "e/", "Été/b.txt,été/a.txt", "=", 0, true);
        // Rows alike keep the pass's order.
    }

    void leFiltreEtLeTri() {
        QFETCH(QString, texte);
        QFETCH(QString, puis);
        QFETCH(int, colonne);
        QFETCH(bool, inverse);
        QFETCH(QString, vus);
        // Rows that no text matches first, for the others to lie beyond the first 64.
        QStringList noms;
        for (int i = 0; i < 100; ++i) {
            noms << QString::number(i);
        }
        noms << QStringList{"ab",          "Ab\u202Ec",
                            "éte.txt",     "Été/",
                            "été/a.txt",   "Été/b.txt",
                            "zèbre",       "Mon cœur, mon âme",
                            "coeur.txt",   "STRAẞE",
                            "strasse.txt", "ﬁn",
                            "fin.txt",     "Documents/Rapport annuel FINAL.pdf",
                            "x/y/z.txt"};
        ListeResultats m;
        ListeMontree v(&m);
        remplir(m, noms.mid(0, 103));
        for (qsizetype n = 0; n <= texte.size(); ++n) {
            v.filtrer(texte.left(n));
        }
        remplir(m, noms, 103);
        v.filtrer(puis);
        if (colonne >= 0) {
            v.trier(colonne, inverse ? Qt::DescendingOrder : Qt::AscendingOrder);
        }
        QCOMPARE(puis.isEmpty() ? QString::number(v.rowCount()) + " rows"
                                : montres(v).join(QLatin1Char(',')),
                 vus);
        for (int l = 0; l < v.rowCount(); ++l) {
            QCOMPARE(v.lignesDe({v.rangSource(l)}), std::vector<int>{l});
        }
        if (colonne >= 0) {
            // A row that comes all the same puts the pass's order back; the rows chosen stay so.
            QItemSelectionModel choix(&v);
            choix.select(v.index(v.rowCount() - 1, 0), QItemSelectionModel::Select);
            noms << QStringLiteral("venue.txt");
            remplir(m, noms, noms.size() - 1);
            QCOMPARE(v.colonneTri(), -1);
            QCOMPARE(choix.selectedIndexes().size(), 1);
            QCOMPARE(choix.selectedIndexes()[0].data().toString(), vus.split(',').last());
        }
    }

    // A row gives back what it was given, beyond the first block of rows and the first 65,536
    // folders too, at any size or place, the rows below it untouched.
    void lesChampsDUneLigne_data() {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<qint64>("taille");
        QTest::addColumn<qint64>("compressee");
        QTest::addColumn<bool>("dossier");
        QTest::addColumn<qint64>("place");
        QTest::newRow("in folders") << "a/b/c.txt" << qint64(12) << qint64(7) << false << qint64(3);
        QTest::newRow("none known") << "x" << qint64(-1) << qint64(-1) << false << qint64(5000);
        QTest::newRow("the extremes")
            << "été/ü/\u202E\n.bin" << std::numeric_limits<qint64>::max()
            << std::numeric_limits<qint64>::min() << true << qint64(0xFFFFFFFF);
        QTest::newRow("a folder's own part") << "d/" << qint64(0) << qint64(0) << true << qint64(0);
        QTest::newRow("long") << QString(70000, QChar(u'é')) + "/" + QString(3000, QLatin1Char('x'))
                              << qint64(1) << qint64(1) << false << qint64(1);
    }

    void lesChampsDUneLigne() {
        QFETCH(QString, nom);
        QFETCH(qint64, taille);
        QFETCH(qint64, compressee);
        QFETCH(bool, dossier);
        QFETCH(qint64, place);
        ListeResultats m;
        for (int i = 0; i < 70000; ++i) {
            m.ajouterEnTete(QStringLiteral("d%1/f").arg(i), i, i / 2, false, quint32(i));
            m.ecrireResultat(i % 2 == 0 ? QStringLiteral("OK") : QStringLiteral("Erreur"));
        }
        m.ajouterEnTete(nom, taille, compressee, dossier, quint32(place));
        m.ecrireResultat(QStringLiteral("Ignoré"));
        m.publier();
        QCOMPARE(m.texte(0, ListeResultats::ColonneFichier), nom);
        QCOMPARE(m.texte(0, ListeResultats::ColonneResultat), "Ignoré");
        QCOMPARE(m.taille(0), taille);
        QCOMPARE(m.compressee(0), compressee);
        QCOMPARE(m.estDossier(0), dossier);
        QCOMPARE(m.place(0), quint32(place));
        QCOMPARE(m.texte(1, ListeResultats::ColonneFichier), "d69999/f");
        QCOMPARE(m.texte(1, ListeResultats::ColonneResultat), "Erreur");
        QCOMPARE(m.texte(70000, ListeResultats::ColonneResultat), "OK");
        QCOMPARE(m.compressee(1), qint64(34999));
        QCOMPARE(m.place(1), 69999U);
    }

    // Another archive (Ouvrir, as a drop and Archives récentes open one), or none, empties and
    // closes the filter; another pass over the same one keeps it.
    void leFiltreSuitLArchive_data() {
        QTest::addColumn<QStringList>("lignes");
        QTest::newRow("Ouvrir") << QStringList{"trois.txt"};
        QTest::newRow("Fermer") << QStringList();
        QTest::newRow("Lister") << QStringList{"un.txt"};
    }

    void leFiltreSuitLArchive() {
        QFETCH(QStringList, lignes);
        const QByteArray geste = QTest::currentDataTag();
        QTemporaryDir d;
        FausseInteraction boites;
        boites.fichiers << archives::creer(d.path(), QStringLiteral("b.rar"), {{"trois.txt", "3"}});
        FUnRAR f;
        f.Form_Load(archives::creer(d.path(), QStringLiteral("a.rar"),
                                    {{"un.txt", "1"}, {"deux.txt", "2"}}));
        f.prise().Mnu_Filtrer_Click();
        auto* champ = f.findChild<QLineEdit*>(QStringLiteral("filtre"));
        champ->setText(QStringLiteral("un"));
        geste == "Ouvrir"   ? f.Mnu_Ouvrir_Click()
        : geste == "Fermer" ? f.Mnu_Fermer_Click()
                            : f.Mnu_Lister_Click();
        const bool garde = geste == "Lister";
        QCOMPARE(champ->text(), garde ? "un" : "");
        QCOMPARE(f.findChild<QWidget*>(QStringLiteral("barreFiltre"))->isHidden(), !garde);
        QCOMPARE(montres(*f.listeMontree()), lignes);
        QVERIFY(boites.messages.isEmpty());
    }

    // What a pass is given for the rows chosen: their places, once each, in order; a folder's
    // row brings what lies beneath it, not what is only named like it.
    void lesPlacesChoisies_data() {
        QTest::addColumn<QList<int>>("choisies"); // places in the archive
        QTest::addColumn<QList<int>>("places");
        QTest::newRow("files") << QList<int>{5, 1} << QList<int>{1, 5};
        QTest::newRow("a folder") << QList<int>{0} << QList<int>{0, 1, 2, 3};
        QTest::newRow("a folder within") << QList<int>{2} << QList<int>{2, 3};
        QTest::newRow("a folder and what it holds")
            << QList<int>{3, 0, 1} << QList<int>{0, 1, 2, 3};
        QTest::newRow("an empty folder") << QList<int>{6} << QList<int>{6};
    }

    void lesPlacesChoisies() {
        QFETCH(QList<int>, choisies);
        QFETCH(QList<int>, places);
        ListeResultats m;
        remplir(m, {"d/", "d/a", "d/e/", "d/e/f", "d2/x", "dx", "vide/"});
        std::vector<int> rangs;
        for (const int p : choisies) {
            rangs.push_back(m.nombreLignes() - 1 - p);
        }
        const std::vector<quint32> vues = placesChoisies(m, rangs);
        QCOMPARE(QList<int>(vues.begin(), vues.end()), places);
    }

    // Only the entries chosen reach the disk, whole, in a solid archive too, where the library
    // decodes the entries it skips to reach the next; the list keeps its rows and their order.
    void extraireLaSelection_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("an archive") << QStringList();
        QTest::newRow("a solid archive") << QStringList{QStringLiteral("-s")};
    }

    void extraireLaSelection() {
        QFETCH(QStringList, options);
        QTemporaryDir d;
        DossierCourantGarde garde;
        FausseInteraction boites;
        const QString archive = archives::creer(d.path(), QStringLiteral("s.rar"),
                                                {{"a.txt", QByteArray(50000, 'a')},
                                                 {"b.txt", "b"},
                                                 {"dos/", {}},
                                                 {"dos/c.txt", QByteArray(70000, 'c')},
                                                 {"dos/sous/d.txt", "d"},
                                                 {"e.txt", "e"}},
                                                options);
        FUnRAR f;
        f.Form_Load(archive);
        auto* vue = f.findChild<QTableView*>(QStringLiteral("ListView1"));
        const auto vues = [vue](int c) {
            QStringList textes;
            for (int l = 0; l < vue->model()->rowCount(); ++l) {
                textes << vue->model()->index(l, c).data().toString();
            }
            return textes;
        };
        emit vue->horizontalHeader()->sectionClicked(0); // by name, not in the pass's order
        const QStringList noms = vues(0);
        QStringList resultats = vues(2);
        choisir(f, {"b.txt", "dos"});
        QDir().mkpath(d.filePath(QStringLiteral("dest")));
        ModuleRAR::DossierDestination = d.filePath(QStringLiteral("dest"));
        repondreAuDialogue("Command1");
        f.prise().Mnu_ExtraireSelection_Click();
        QCOMPARE(fichiersSous(ModuleRAR::DossierDestination),
                 (QStringList{"b.txt=1", "dos/c.txt=70000", "dos/sous/d.txt=1"}));
        // Every row stays where it was shown: those extracted say so, the others keep theirs.
        for (int l = 0; l < noms.size(); ++l) {
            if (noms[l] == "b.txt" || noms[l].startsWith("dos")) {
                resultats[l] = QStringLiteral("OK");
            }
        }
        QCOMPARE(vues(0), noms);
        QCOMPARE(vues(2), resultats);
        QCOMPARE(noms.size(), 7);
        QCOMPARE(f.findChild<QLabel*>(QStringLiteral("bilan"))->text(),
                 QStringLiteral("5 extraits sur 7"));
        // The end line's link shows the folder chosen in the file manager.
        auto* lien = f.findChild<QLabel*>(QStringLiteral("ouvrirDossier"));
        QVERIFY(!lien->isHidden());
        emit lien->linkActivated("dossier");
        QCOMPARE(boites.dossiers,
                 QStringList{QFileInfo(ModuleRAR::DossierDestination).canonicalFilePath()});
        QVERIFY(boites.messages.isEmpty());
    }

    // Dragging rows out carries the URLs of what their extraction put directly in a new private
    // folder: a folder's row its folder, a file's row the first element of its path, with only
    // the entries chosen beneath; the list keeps its rows. Beyond 1 GiB, a box and nothing.
    void glisserDesLignes() {
        QTemporaryDir d;
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archives::creer(d.path(), QStringLiteral("g.rar"),
                                    {{"a.txt", "un"},
                                     {"b.txt", "deux"},
                                     {"dos/", {}},
                                     {"dos/c.txt", "trois"},
                                     {"dos/d.txt", "quatre"},
                                     {"autre/", {}},
                                     {"autre/e.txt", "cinq"}}));
        f.modeleResultats()->ajouterEnTete(QStringLiteral("gros.bin"), qint64(3) << 30, 0, false,
                                           99);
        f.modeleResultats()->publier();
        const QStringList lignes = colonne(f, 0);
        choisir(f, {"a.txt", "autre", "dos/c.txt"});
        const std::unique_ptr<QMimeData> donnees = f.prise().glisser().donnees();
        QVERIFY(donnees);
        const QDir dossier = QFileInfo(donnees->urls().value(0).toLocalFile()).dir();
        QStringList noms;
        for (const QUrl& url : donnees->urls()) {
            noms << dossier.relativeFilePath(url.toLocalFile());
        }
        QCOMPARE(noms, (QStringList{"a.txt", "autre", "dos"}));
        QCOMPARE(fichiersSous(dossier.path()),
                 (QStringList{"a.txt=2", "autre/e.txt=4", "dos/c.txt=5"}));
        QVERIFY(boites.messages.isEmpty());
        choisir(f, {"gros.bin"}); // joins the rows chosen
        QVERIFY(!f.prise().glisser().donnees());
        QCOMPARE(boites.vues(),
                 QStringList{"Korvane v 1.0: Les entrées choisies font 3,3 Go : Korvane n'en "
                             "glisse pas plus de 1 Go. « Extraire la sélection » les extrait dans "
                             "le dossier de votre choix."});
        QCOMPARE(colonne(f, 0), lignes);
    }

    // An entry goes to the desktop read-only from a folder of its own when a viewer shows it, by
    // its name and by its content alike, and its mode does not let it run; else nothing of it
    // stays behind. A folder filters the list to what it holds.
    void ouvrirUneEntree_data() {
        QTest::addColumn<QByteArray>("nom");
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("ouvert");
        const QByteArray elf = archives::lire(QCoreApplication::applicationFilePath()).left(64);
        const QByteArray zip = QByteArray("PK\3\4") + QByteArray(26, '\0');
        const auto ligne = [](const char* phrase, const char* nom, const QByteArray& contenu,
                              bool ouvert, int mode = 0) {
            QTest::newRow(phrase) << QByteArray(nom) << contenu << mode << ouvert;
        };
        ligne("a text", "d/lisez moi.txt", "bonjour\n", true);
        ligne("an empty text", "vide.txt", "", true);
        ligne("a text in an executable mode", "texte.txt", "texte\n", false, 0755);
        ligne("a text that its group may run", "groupe.txt", "texte\n", false, 0654);
        ligne("a text that others may run", "autres.txt", "texte\n", false, 0645);
        ligne("a script named as a text", "notes.txt", "#!/bin/sh\necho\n", false);
        ligne("a program named as a text", "lisez.txt", elf, false);
        ligne("a text named as a script", "installer.sh", "echo\n", false);
        ligne("a desktop entry", "lire.desktop", "[Desktop Entry]\nExec=sh\n", false);
        ligne("an image", "photo.png", "\x89PNG\r\n\x1a\n", true);
        ligne("a web page named as an image", "photo.png", "<!DOCTYPE html><script>", false);
        ligne("an SVG image", "i.svg", "<svg xmlns='http://www.w3.org/2000/svg'/>", false);
        ligne("a PDF", "d.pdf", "%PDF-1.4\n", true);
        ligne("PostScript", "p.ps", "%!PS-Adobe-3.0\n", false);
        ligne("an HTML application", "p.hta", "<html><script language=VBScript>", false);
        ligne("a remote-desktop profile", "b.rdp", "full address:s:10.0.0.1\n", false);
        ligne("an office document, a zip inside", "lettre.docx", zip, true);
        ligne("an e-book", "livre.epub", zip + "mimetypeapplication/epub+zip", true);
        ligne("a sound that only its name tells", "chanson.mp3", QByteArray(64, '\0'), true);
    }

    void ouvrirUneEntree() {
        QFETCH(QByteArray, nom);
        QFETCH(QByteArray, contenu);
        QFETCH(int, mode);
        QFETCH(bool, ouvert);
        QTemporaryDir d;
        FausseInteraction boites;
        const QString archive = ecrivain::ecrire(
            d.filePath(QStringLiteral("o.rar")),
            ecrivain::rar5({{.genre = ecrivain::Entree::Genre::Dossier, .nom = "d"},
                            {.nom = nom, .contenu = contenu, .mode = quint32(mode)}}));
        FUnRAR f;
        f.Form_Load(archive);
        const int avant = laisses();
        f.prise().ouvrirLigne(0);
        QCOMPARE(boites.documents.size(), ouvert ? 1 : 0);
        QCOMPARE(laisses(), avant + boites.documents.size()); // nothing stays of a refused one
        QCOMPARE(boites.vues(),
                 ouvert ? QStringList()
                        : QStringList{"Erreur: Korvane n'ouvre que les documents, images, sons et "
                                      "vidéos : extrayez « " +
                                      QFile::decodeName(nom) + " » pour l'ouvrir vous-même."});
        if (ouvert) {
            const QString doc = boites.documents.first();
            QVERIFY(doc.endsWith(QFile::decodeName(nom)));
            QCOMPARE(archives::lire(doc), contenu);
            struct stat s {};
            QCOMPARE(::stat(QFile::encodeName(doc).constData(), &s), 0);
            QCOMPARE(s.st_mode & 07777, 0400u);
            const QString dossier = doc.chopped(nom.size() + 1);
            QCOMPARE(::stat(QFile::encodeName(dossier).constData(), &s), 0);
            QCOMPARE(s.st_mode & 07777, 0700u);
            // In the folder of this run, which a later run tells alive by its name.
            QVERIFY(dossier.contains(restes::debutDuPassage(::getpid()) + '-'));
        }
        QCOMPARE(colonne(f, 0), (QStringList{QFile::decodeName(nom), "d"}));
        f.prise().ouvrirLigne(1);
        QCOMPARE(montres(*f.listeMontree()), (QStringList{QFile::decodeName(nom)}).filter("d/"));
    }

    // When the desktop says that no application took an entry, its private copy goes and one box
    // says so, offering to extract it while its archive is open and idle.
    void unRefusDuBureau_data() {
        QTest::addColumn<bool>("fermee"); // the archive closed before the desktop answered
        QTest::addColumn<QMessageBox::StandardButton>("reponse");
        QTest::addColumn<QStringList>("extraits");
        QTest::newRow("extracted") << false << QMessageBox::Yes << QStringList{"a.txt=3"};
        QTest::newRow("not extracted") << false << QMessageBox::No << QStringList();
        QTest::newRow("its archive closed") << true << QMessageBox::Yes << QStringList();
    }

    void unRefusDuBureau() {
        QFETCH(bool, fermee);
        QFETCH(QMessageBox::StandardButton, reponse);
        QFETCH(QStringList, extraits);
        QTemporaryDir d;
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archives::creer(d.path(), QStringLiteral("r.rar"), {{"a.txt", "un\n"}}));
        const int avant = laisses();
        f.prise().ouvrirLigne(0);
        QCOMPARE(laisses(), avant + 1);
        if (fermee) {
            f.Mnu_Fermer_Click();
        }
        QDir().mkpath(d.filePath(QStringLiteral("dest")));
        ModuleRAR::DossierDestination = d.filePath(QStringLiteral("dest"));
        boites.reponses << reponse;
        if (reponse == QMessageBox::Yes && !fermee) {
            repondreAuDialogue("Command1");
        }
        boites.refusDocuments.takeFirst()();
        QCOMPARE(laisses(), avant);
        const QString dit = QStringLiteral("Aucune application du bureau n'ouvre « a.txt ».");
        QCOMPARE(boites.vues(), fermee ? QStringList{"Erreur: " + dit} : QStringList());
        QCOMPARE(boites.questions.size(), fermee ? 0 : 1);
        QCOMPARE(fichiersSous(ModuleRAR::DossierDestination), extraits);
    }

    // At start-up, what runs that were killed left of their entries goes, directly in the
    // temporary folder and through no link; nothing of a live run, of another user, or not named
    // as a run folder.
    void lesPassagesMorts_data() {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<char>("genre"); // d: a folder, l: a link to one, a: another's
        QTest::addColumn<bool>("reste");
        const QString vivant = restes::debutDuPassage(::getpid());
        const QString mort = QStringLiteral("korvane-2147483647-1"); // no pid is that high
        QTest::newRow("a dead run's") << mort + "-abc123" << 'd' << false;
        QTest::newRow("a run whose pid went to another") << vivant + "1-abc123" << 'd' << false;
        QTest::newRow("a live run's") << vivant + "-abc123" << 'd' << true;
        QTest::newRow("not named as a run's") << "korvane-abc123" << 'd' << true;
        QTest::newRow("a link named as a dead run's") << mort + "-lien00" << 'l' << true;
        QTest::newRow("another user's dead run") << mort + "-autre0" << 'a' << true;
    }

    void lesPassagesMorts() {
        QFETCH(QString, nom);
        QFETCH(char, genre);
        QTemporaryDir t;
        const QString dehors = t.filePath(QStringLiteral("dehors/f"));
        archives::ecrire(dehors, "reste");
        const QString chemin = t.filePath(nom);
        const QString sous = chemin + QStringLiteral("/sous");
        if (genre == 'l') {
            QVERIFY(QFile::link(t.filePath(QStringLiteral("dehors")), chemin));
        } else {
            // What an archive may hold: a folder that denies the user, a link out of the folder.
            archives::ecrire(sous + QStringLiteral("/f"), "x");
            QVERIFY(QFile::link(t.filePath(QStringLiteral("dehors")), chemin + "/lien"));
            ::chmod(QFile::encodeName(sous).constData(), 0);
            if (genre == 'a' &&
                ::chown(QFile::encodeName(chemin).constData(), ::geteuid() + 1, gid_t(-1)) != 0) {
                QSKIP("only root gives a folder to another user");
            }
        }
        ouverture::retirerPassagesMorts(t.path());
        QTEST(QFileInfo(chemin).exists() || QFileInfo(chemin).isSymLink(), "reste");
        QCOMPARE(archives::lire(dehors), "reste");
        ::chmod(QFile::encodeName(sous).constData(), 0700);
    }

private:
    QTemporaryDir temporaire_;
};

QTEST_MAIN(TestPrise)
#include "tst_prise.moc"

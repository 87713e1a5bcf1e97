// The pass against the real library, on archives made here.

#include "Archives.h"
#include "Environnement.h"
#include "ModuleRAR.h"
#include "RetourEnregistre.h"
#include "Unrar.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs a pass; returns the failure message, or empty when the pass ended normally.
QString passe(RetourEnregistre& r, int mode, const QString& chemin, const QString& mdp = {}) {
    try {
        r.chemin = chemin;
        TraiterArchive(unrar(), r, mode, QFile::encodeName(chemin), mdp);
    } catch (const ErreurFatale& e) {
        return e.message;
    }
    return QString();
}

const archives::Fichiers ABC{{QStringLiteral("a.txt"), "1"},
                             {QStringLiteral("b.txt"), "22"},
                             {QStringLiteral("c.txt"), "333"}};

QStringList toutSous(const QString& racine) {
    QStringList noms;
    QDirIterator it(racine, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        noms << it.next();
    }
    noms.sort();
    return noms;
}

// The file headers, in archive order.
QList<archives::Bloc> entrees(const QByteArray& archive) {
    QList<archives::Bloc> fichiers;
    for (const archives::Bloc& b : archives::blocs(archive)) {
        if (b.type == 2) {
            fichiers << b;
        }
    }
    return fichiers;
}

} // namespace

class TestBibliotheque : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // As the program does at start: names cross the boundary in the locale's encoding.
        environnement::localeUtf8();
    }

    void lesModesDonnentLesEntreesDansLOrdreInverse_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("libelle");
        QTest::newRow("list") << int(ModeListe) << QStringLiteral("Liste");
        QTest::newRow("test") << int(ModeTest) << QStringLiteral("Test");
        QTest::newRow("extract") << int(ModeExtraction) << QStringLiteral("Extraction");
    }

    void lesModesDonnentLesEntreesDansLOrdreInverse() {
        QFETCH(int, mode);
        QFETCH(QString, libelle);
        QTemporaryDir d;
        archives::ecrire(d.filePath(QStringLiteral("commentaire.txt")), "Bonjour, archive !");
        const QString archive =
            archives::creer(d.path(), QStringLiteral("abc.rar"), ABC,
                            {QStringLiteral("-z") + d.filePath(QStringLiteral("commentaire.txt"))});
        const QString sortie = d.filePath(QStringLiteral("sortie"));
        QDir().mkpath(sortie);
        const QString avant = QDir::currentPath();
        QDir::setCurrent(sortie);
        RetourEnregistre r;
        const QString erreur = passe(r, mode, archive);
        QDir::setCurrent(avant);

        QCOMPARE(erreur, QString());
        QCOMPARE(r.noms(), (QStringList{"c.txt", "b.txt", "a.txt"}));
        QCOMPARE(r.lignes[0].taille, 1);
        QCOMPARE(r.lignes[2].taille, 3);
        for (const Ligne& l : r.lignes) {
            QCOMPARE(l.resultat, QStringLiteral("OK"));
        }
        QCOMPARE(r.enTete, libelle);
        // The comment comes first, then the window, then the rows.
        QCOMPARE(r.evenements.mid(0, 3), (QStringList{"commentaire", "fenetre", "ligne"}));
        QVERIFY(r.commentaireVu.startsWith(QStringLiteral("Bonjour, archive !")));
        QCOMPARE(QFileInfo::exists(sortie + QStringLiteral("/c.txt")), mode == ModeExtraction);
    }

    // A password asked for when the library needs it, asked again when it was wrong, and a pass
    // that stops quietly when the user gives none; no entry is tested twice.
    void lesMotsDePasse_data() {
        using Saisies = QList<std::optional<QString>>;
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("donne"); // with the box ticked
        QTest::addColumn<Saisies>("saisies");
        QTest::addColumn<QList<bool>>("demandes");  // whether each prompt said "incorrect"
        QTest::addColumn<QStringList>("resultats"); // in archive order; empty: abandoned first
        const Saisies juste{QStringLiteral("sesame")};
        const QStringList ok{"OK", "OK", "OK"};
        for (const char* option : {"-psesame", "-hpsesame"}) {
            const QString o = QString::fromLatin1(option);
            const QString quoi = o.startsWith(QLatin1String("-p")) ? QStringLiteral("data")
                                                                   : QStringLiteral("headers");
            QTest::newRow(qPrintable(quoi + " encrypted, the right one given"))
                << o << "sesame" << Saisies{} << QList<bool>{} << ok;
            QTest::newRow(qPrintable(quoi + " encrypted, typed when asked"))
                << o << "" << juste << QList<bool>{false} << ok;
            QTest::newRow(qPrintable(quoi + " encrypted, a wrong one given"))
                << o << "autre" << juste << QList<bool>{true} << ok;
            QTest::newRow(qPrintable(quoi + " encrypted, typed wrong then right"))
                << o << "" << (Saisies{QStringLiteral("autre")} + juste) << QList<bool>{false, true}
                << ok;
        }
        QTest::newRow("data encrypted, given up")
            << "-psesame"
            << "" << Saisies{std::nullopt} << QList<bool>{false} << QStringList{""};
        QTest::newRow("headers encrypted, given up")
            << "-hpsesame"
            << "" << Saisies{std::nullopt} << QList<bool>{false} << QStringList{};
    }

    void lesMotsDePasse() {
        using Saisies = QList<std::optional<QString>>;
        QFETCH(QString, option);
        QFETCH(QString, donne);
        QFETCH(Saisies, saisies);
        QFETCH(QList<bool>, demandes);
        QFETCH(QStringList, resultats);
        QTemporaryDir d;
        const QString archive = archives::creer(d.path(), QStringLiteral("p.rar"), ABC, {option});
        RetourEnregistre r;
        for (const std::optional<QString>& saisie : saisies) {
            r.saisies.enqueue(saisie);
        }
        QCOMPARE(passe(r, ModeTest, archive, donne), QString());
        QCOMPARE(r.demandes, demandes);
        QStringList vus;
        for (const Ligne& l : r.lignes) {
            vus << l.resultat;
        }
        QCOMPARE(vus, resultats);
        QCOMPARE(r.evenements.contains(QStringLiteral("abandon")), resultats.size() < 3);
    }

    void lesEchecsDOuverture() {
        QTemporaryDir d;
        const QString absent = d.filePath(QStringLiteral("absent.rar"));
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeListe, absent),
                 QStringLiteral("Ne peut ouvrir le fichier ") + absent);
        QVERIFY(!r.evenements.contains(QStringLiteral("fenetre")));

        const QString texte = d.filePath(QStringLiteral("texte.rar"));
        archives::ecrire(texte, QByteArray(2000, 'x'));
        RetourEnregistre r2;
        QCOMPARE(passe(r2, ModeListe, texte),
                 texte + QStringLiteral("Ce n'est pas un fichier archive RAR"));
        QVERIFY(!r2.evenements.contains(QStringLiteral("fenetre")));
    }

    void desDonneesAbimeesArretentLePassage() {
        QTemporaryDir d;
        const archives::Fichiers fichiers{{QStringLiteral("a.txt"), QByteArray(3000, 'a')},
                                          {QStringLiteral("b.txt"), QByteArray(3000, 'b')},
                                          {QStringLiteral("c.txt"), QByteArray(3000, 'c')}};
        const QString archive =
            archives::creer(d.path(), QStringLiteral("crc.rar"), fichiers, {QStringLiteral("-m0")});
        QByteArray octets = archives::lire(archive);
        // The stored data of the third file: its bytes change, its header does not.
        const archives::Bloc troisieme = entrees(octets).at(2);
        octets[troisieme.finEnTete + 10] = 'X';
        archives::ecrire(archive, octets);

        RetourEnregistre r;
        QCOMPARE(passe(r, ModeTest, archive), QStringLiteral("CRC Erreur"));
        QCOMPARE(r.lignes.size(), 3);
        QCOMPARE(r.lignes[0].resultat, QStringLiteral("OK"));
        QCOMPARE(r.lignes[1].resultat, QStringLiteral("OK"));
        QCOMPARE(r.lignes[2].resultat, QString());

        // A broken header CRC on the second entry.
        QByteArray entete = archives::lire(archives::creer(d.path(), QStringLiteral("h.rar"), ABC));
        const archives::Bloc second = entrees(entete).at(1);
        entete[second.debut] = char(entete[second.debut] ^ 0x55);
        archives::ecrire(d.filePath(QStringLiteral("h.rar")), entete);
        RetourEnregistre r2;
        // The library still reads the damaged header, and says so at the end of the archive.
        QCOMPARE(passe(r2, ModeListe, d.filePath(QStringLiteral("h.rar"))),
                 QStringLiteral("File header broken"));
        QCOMPARE(r2.noms(), (QStringList{"c.txt", "b.txt", "a.txt"}));
    }

    void aucuneEntreeNEcritHorsDuDossierChoisi_data() {
        QTest::addColumn<QByteArray>("ancien");
        QTest::addColumn<QByteArray>("nouveau");
        QTest::newRow("parent folder")
            << QByteArray("xxxoutside.txt") << QByteArray("../outside.txt");
        QTest::newRow("two levels up")
            << QByteArray("xxxxxxoutside.txt") << QByteArray("../../outside.txt");
        QTest::newRow("absolute path")
            << QByteArray("xtmpxkorvane-abs.txt") << QByteArray("/tmp/korvane-abs.txt");
    }

    void aucuneEntreeNEcritHorsDuDossierChoisi() {
        QFETCH(QByteArray, ancien);
        QFETCH(QByteArray, nouveau);
        QTemporaryDir d;
        const QString archive = archives::creer(
            d.path(), QStringLiteral("evasion.rar"),
            {{QStringLiteral("sage.txt"), "ok"}, {QString::fromUtf8(ancien), "evasion"}});
        archives::ecrire(archive, archives::renommer(archives::lire(archive), ancien, nouveau));
        const QString bac = d.filePath(QStringLiteral("bac"));
        const QString sortie = bac + QStringLiteral("/profond/sortie");
        QDir().mkpath(sortie);
        QFile::remove(QStringLiteral("/tmp/korvane-abs.txt"));
        const QStringList avantBac = toutSous(d.path());

        const QString avant = QDir::currentPath();
        QDir::setCurrent(sortie);
        RetourEnregistre r;
        const QString erreur = passe(r, ModeExtraction, archive);
        QDir::setCurrent(avant);

        QCOMPARE(erreur, QString());
        QCOMPARE(r.noms().first(), QString::fromUtf8(nouveau));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/korvane-abs.txt")));
        // Everything new lies inside the chosen folder.
        for (const QString& chemin : toutSous(d.path())) {
            if (!avantBac.contains(chemin)) {
                QVERIFY2(chemin.startsWith(sortie + QLatin1Char('/')), qPrintable(chemin));
            }
        }
        QVERIFY(QFileInfo::exists(sortie + QStringLiteral("/sage.txt")));
    }

    void lesAnciensFormats_data() {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QString>("motDePasse");
        QTest::addColumn<int>("entrees");
        QTest::newRow("RAR 4 with folders and a link") << "rar.rar"
                                                       << "" << 5;
        QTest::newRow("Japanese names") << "rar_unicode.rar"
                                        << "" << -1;
        QTest::newRow("archive comment") << "rar_subblock.rar"
                                         << "" << -1;
        QTest::newRow("encrypted data") << "rar_encryption_data.rar"
                                        << "12345678" << -1;
        QTest::newRow("encrypted headers") << "rar_encryption_header.rar"
                                           << "12345678" << -1;
        QTest::newRow("four volumes") << "rar_multivolume.part0001.rar"
                                      << "" << -1;
        QTest::newRow("self-extracting") << "rar_sfx.exe"
                                         << "" << -1;
        QTest::newRow("no end-of-archive block") << "rar_noeof.rar"
                                                 << "" << 1;
    }

    // Archives written by older RAR versions, which our rar cannot make, from the shared fixtures
    // when this checkout sits beside them.
    void lesAnciensFormats() {
        QFETCH(QString, fichier);
        QFETCH(QString, motDePasse);
        QFETCH(int, entrees);
        const QString source =
            qEnvironmentVariable("KORVANE_SOURCE_DIR") + QStringLiteral("/../shared/fixtures/rar4");
        if (!QFileInfo(source).isDir()) {
            QSKIP("no shared/fixtures/rar4 beside this checkout: older formats not tested");
        }
        QTemporaryDir d;
        for (const QString& nom : QDir(source).entryList(QDir::Files)) {
            QFile::copy(source + QLatin1Char('/') + nom, d.filePath(nom));
        }
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeTest, d.filePath(fichier), motDePasse), QString());
        QVERIFY(!r.lignes.isEmpty());
        if (entrees >= 0) {
            QCOMPARE(r.lignes.size(), entrees);
        }
        for (const Ligne& l : r.lignes) {
            QCOMPARE(l.resultat, QStringLiteral("OK"));
        }
        if (fichier == QLatin1String("rar_subblock.rar")) {
            QVERIFY(r.commentaireVu.startsWith(QStringLiteral("test rar with archive comment")));
        }
    }

    void tailleSurSoixanteQuatreBitsEtNomsEntiers() {
        QTemporaryDir d;
        const QString longNom = QString(140, QLatin1Char('d')) + QLatin1Char('/') +
                                QString(159, QLatin1Char('f')); // 300 characters
        const archives::Fichiers fichiers{
            {QStringLiteral("grand.bin"), "petit en vrai"},
            {longNom, "long"},
            {QStringLiteral("répertoire/été.txt"), "accents"},
            {QStringLiteral("表だよ/新しいファイル.txt"), "japonais"},
        };
        const QString dossier = d.filePath(QStringLiteral("é dossier"));
        QDir().mkpath(dossier);
        const QString archive = archives::creer(dossier, QStringLiteral("noms été.rar"), fichiers);
        archives::ecrire(archive, archives::tailleDeclaree(archives::lire(archive), "grand.bin",
                                                           5ull * 1024 * 1024 * 1024));
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeListe, archive), QString());
        QList<QString> noms;
        for (const Ligne& l : r.lignes) {
            noms << l.nom;
        }
        QVERIFY2(noms.contains(longNom), qPrintable(noms.join(QLatin1Char('|'))));
        QCOMPARE(longNom.size(), 300);
        QVERIFY(noms.contains(QStringLiteral("répertoire/été.txt")));
        QVERIFY(noms.contains(QStringLiteral("表だよ/新しいファイル.txt")));
        QCOMPARE(r.lignes[0].nom, QStringLiteral("grand.bin"));
        QCOMPARE(r.lignes[0].taille, Q_INT64_C(5368709120));
    }
};

QTEST_GUILESS_MAIN(TestBibliotheque)
#include "tst_bibliotheque.moc"

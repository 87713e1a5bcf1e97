// The pass in the engine, in this process: against the real library, on archives made here (what
// each mode shows, names as the library gives them, passwords, cut and older archives), and
// against a stand-in for the library, for the results that no real archive gives.

#include "Archives.h"
#include "EcrivainRar.h"
#include "Environnement.h"
#include "FinArchive.h"
#include "Large.h"
#include "Lectures.h"
#include "Messages.h"
#include "Passe.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Vu passe(int mode, const QString& archive, const QString& motDePasse = {}) {
    return passerDansLeMoteur({.mode = mode, .archive = archive, .coche = motDePasse});
}

// The failure the pass ended on, or nothing.
QString echec(const Vu& vu) {
    return vu.fin ? vu.messages.last().texte : QString();
}

const archives::Fichiers ABC{{"a.txt", "1"}, {"b.txt", "22"}, {"c.txt", "333"}};
const archives::Fichiers Melange{
    {"a.txt", "1"},
    {"dossier/b.txt", QByteArray("une ligne de texte qui se comprime\n").repeated(40)},
    {"dossier/c.bin", QByteArray(300, '\x07')},
    {"d.txt", "dernier"}};

} // namespace

namespace doublure {

struct Entree {
    QString nom;
    quint64 taille = 0;
    int resultat = 0;
};

// The script, and what the pass did with it.
struct Etat {
    int resultatOuverture = 0;
    int changeAvant = -1; // the call, counted from 0, at which a volume changes under the pass
    bool commentairePlein = false; // a comment that fills the whole buffer, without a NUL
    QList<Entree> entrees;
    int finEnTete = ERAR_END_ARCHIVE;
    int suivante = 0;
    QStringList appels;
    int invalides = 0; // calls with another handle than the one the open gave
};
Etat etat;
int jeton = 0;

// A read of a volume shortened since it was opened, as the helper's reads serve it (Lectures.h).
void lireUnVolumeChange() {
    static std::optional<Lectures> lectures;
    Lectures::mettreEnService(&lectures.emplace());
    QTemporaryFile f;
    QVERIFY(f.open() && f.write(QByteArray(1000, 'v')) == 1000 && f.flush());
    const int fd = ::open(QFile::encodeName(f.fileName()).constData(), O_RDONLY);
    lectures->suivre(fd);
    char octet = 0;
    QVERIFY(f.resize(10) && lectures->lire(fd, &octet, 1) == -1);
    ::close(fd);
}

void appel(void* h, const QString& quoi) {
    etat.invalides += h != &jeton;
    if (etat.appels.size() == etat.changeAvant) {
        lireUnVolumeChange();
    }
    etat.appels << quoi;
}

void* ouvrir(RAROpenArchiveDataEx* d) {
    etat.appels << QStringLiteral("ouvrir");
    etat.suivante = 0; // opened again, the archive starts at its first header
    d->OpenResult = unsigned(etat.resultatOuverture);
    if (etat.commentairePlein) {
        std::memset(d->CmtBuf, 'z', d->CmtBufSize);
        d->CmtState = ERAR_SMALL_BUF;
    }
    // A failed open still hands back something that is not a usable handle.
    static int autre = 0;
    return etat.resultatOuverture == 0 ? &jeton : &autre;
}

int lireEnTete(void* h, RARHeaderDataEx* e) {
    appel(h, QStringLiteral("lire"));
    if (etat.suivante >= etat.entrees.size()) {
        return etat.finEnTete;
    }
    const Entree& x = etat.entrees.at(etat.suivante);
    std::wcsncpy(e->FileNameW, x.nom.toStdWString().c_str(), 1023);
    e->UnpSize = unsigned(x.taille & 0xffffffffu);
    e->UnpSizeHigh = unsigned(x.taille >> 32);
    return 0;
}

int traiter(void* h, int, char*, char*) {
    appel(h, QStringLiteral("traiter"));
    return etat.entrees.at(etat.suivante++).resultat;
}

int fermer(void* h) {
    appel(h, QStringLiteral("fermer"));
    return 0;
}

void motDePasse(void* h, char* mdp) {
    appel(h, QStringLiteral("mot de passe ") + QString::fromLocal8Bit(mdp));
}

const ModuleRAR::UnrarApi api{ouvrir,
                              fermer,
                              lireEnTete,
                              traiter,
                              motDePasse,
                              [](void*, CHANGEVOLPROC) {},
                              [](void*, UNRARCALLBACK, long) {},
                              [] { return 8; }};

} // namespace doublure

namespace doublure {

const QTemporaryDir dossier;
const QString archive = dossier.filePath(QStringLiteral("x.rar"));

// A pass over a file that is there (nothing else goes to the library), scripted as given.
Vu passe(int mode, const QList<Entree>& entrees = {}, const QString& mdp = {}) {
    archives::ecrire(archive, "Rar!");
    etat.entrees = entrees;
    return passerDansLeMoteur(
        {.mode = mode, .archive = archive, .destination = dossier.path(), .coche = mdp}, &api);
}

} // namespace doublure

class TestMoteur : public QObject {
    Q_OBJECT

private slots:
    // As the program does at start: names cross the boundary in the locale's encoding.
    void initTestCase() { environnement::localeUtf8(); }

    // Names whole, 300 characters long, with accents or in other scripts, from an archive whose
    // own path has accents.
    void lesEntreesDansLOrdreInverse() {
        QTemporaryDir d;
        archives::ecrire(d.filePath(QStringLiteral("commentaire.txt")), "Bonjour, archive !");
        const QString longNom =
            QString(140, QLatin1Char('d')) + QLatin1Char('/') + QString(159, QLatin1Char('f'));
        const QString japonais = QStringLiteral("表だよ/新しいファイル.txt");
        const archives::Fichiers f{
            {"a.txt", "1"}, {longNom, "22"}, {"répertoire/été.txt", "333"}, {japonais, "4444"}};
        const QString archive =
            archives::creer(d.filePath(QStringLiteral("é dossier")), QStringLiteral("noms été.rar"),
                            f, {QStringLiteral("-z") + d.filePath("commentaire.txt")});
        const QString sortie = d.filePath(QStringLiteral("sortie"));
        QDir().mkpath(sortie);
        const Vu vu =
            passerDansLeMoteur({.mode = ModeExtraction, .archive = archive, .destination = sortie});
        QVERIFY(!vu.fin);
        QCOMPARE(vu.noms, (QStringList{japonais, "répertoire/été.txt", longNom, "a.txt"}));
        QCOMPARE(vu.tailles, (QStringList{"4", "3", "2", "1"}));
        QCOMPARE(vu.resultats, QStringList(4, QStringLiteral("OK")));
        QCOMPARE(vu.enTete, QStringLiteral("Extraction"));
        // The comment comes first, then the window, then the rows.
        QCOMPARE(vu.evenements.mid(0, 3), (QStringList{"commentaire", "fenetre", "ligne"}));
        QVERIFY(vu.messages.first().texte.startsWith(QStringLiteral("Bonjour, archive !")));
        QVERIFY(QFileInfo::exists(sortie + QLatin1Char('/') + japonais));
    }

    // Complete archives of every kind that rar writes pass in both modes, and so do they with
    // bytes after their end block, as a download tool may leave; a password given with the box
    // ticked is never asked for.
    void rienDApresCoup_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("motDePasse");
        QTest::newRow("compressed") << QStringList{} << QString();
        QTest::newRow("encrypted data") << QStringList{"-psecret"} << "secret";
        QTest::newRow("encrypted headers") << QStringList{"-hpsecret"} << "secret";
        QTest::newRow("volumes") << QStringList{"-v1k", "-m0"} << QString();
        QTest::newRow("self-extracting") << QStringList{"-sfx"} << QString();
        QTest::newRow("older format, RAR 4") << QStringList{"rar4"} << QString();
    }

    void rienDApresCoup() {
        QFETCH(QStringList, options);
        QFETCH(QString, motDePasse);
        QTemporaryDir d;
        if (options == QStringList{"rar4"}) {
            QList<ecrivain::Entree> entrees;
            for (const auto& [nom, contenu] : Melange) {
                entrees.append({.nom = nom.toUtf8(), .contenu = contenu});
            }
            ecrivain::ecrire(d.filePath(QStringLiteral("x.rar")), ecrivain::rar4(entrees));
        } else {
            archives::creer(d.path(), QStringLiteral("x.rar"), Melange, options);
        }
        const QStringList produits = QDir(d.path()).entryList({"x*"}, QDir::Files, QDir::Name);
        const QString premier = d.filePath(produits.first());
        const QString dernier = d.filePath(produits.last());
        QByteArray queue(200, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(queue.data()), 50);
        for (int fois = 0; fois < 2; ++fois) {
            for (const int mode : {int(ModeListe), int(ModeTest)}) {
                const Vu vu = passe(mode, premier, motDePasse);
                QCOMPARE(echec(vu), QString());
                QCOMPARE(vu.libellesMotDePasse, QStringList());
            }
            archives::ecrire(dernier, archives::lire(dernier) + queue);
        }
    }

    void init() { doublure::etat = {}; }

    // Each opening is closed once, and no handle but the open's is ever used: a failed open's is
    // not even closed.
    void cleanup() {
        const QStringList& appels = doublure::etat.appels;
        QCOMPARE(doublure::etat.invalides, 0);
        QCOMPARE(appels.count(QStringLiteral("fermer")),
                 appels.count(QStringLiteral("ouvrir")) - (doublure::etat.resultatOuverture != 0));
    }

    // A code of the library at the open, for the second of three entries, or for the header read
    // after the last one: the failure shown, if any, and the rows' results.
    void lesCodes_data() {
        QTest::addColumn<int>("ouverture");
        QTest::addColumn<int>("entree");
        QTest::addColumn<int>("fin");
        QTest::addColumn<QString>("message");       // "@" stands for the archive's path
        QTest::addColumn<QStringList>("resultats"); // top row first
        const int fin = ERAR_END_ARCHIVE;
        const QStringList arret{"", "OK"};
        const QStringList OK3{"OK", "OK", "OK"};
        QTest::newRow("open fails with 13")
            << 13 << 0 << fin << "@Ce n'est pas un fichier archive RAR" << QStringList{};
        QTest::newRow("open fails with any other code")
            << 24 << 0 << fin << "Erreur à l'ouverture de l'archive (code 24) : @" << QStringList{};
        for (const auto& [code, texte] :
             {std::pair{12, "CRC Erreur"}, std::pair{16, "Ereur dans la création du fichier"}}) {
            QTest::newRow(qPrintable(QStringLiteral("entry %1 stops the pass").arg(code)))
                << 0 << code << fin << texte << arret;
        }
        // Rows tell what became of every entry: none is left without a result.
        for (const auto& [code, texte] :
             {std::pair{11, "Pas assez de mémoire"}, std::pair{23, "Fichier d'origine introuvable"},
              std::pair{21, "Erreur (code 21)"}}) {
            QTest::newRow(qPrintable(QStringLiteral("entry %1 goes on").arg(code)))
                << 0 << code << fin << QString() << QStringList{"OK", texte, "OK"};
        }
        QTest::newRow("entry: password missing")
            << 0 << 22 << fin << "Mot de passe nécessaire pour cette archive" << arret;
        QTest::newRow("entry: wrong password, asked nobody")
            << 0 << 24 << fin << "Mot de passe incorrect" << arret;
        QTest::newRow("end: broken header") << 0 << 0 << 12 << "File header broken" << OK3;
        QTest::newRow("end: volume missing")
            << 0 << 0 << 15 << "Erreur dans l'ouverture du volume" << OK3;
        QTest::newRow("end: another code") << 0 << 0 << 21 << QString() << OK3;
    }

    void lesCodes() {
        QFETCH(int, ouverture);
        QFETCH(int, entree);
        QFETCH(int, fin);
        QFETCH(QString, message);
        QFETCH(QStringList, resultats);
        doublure::etat.resultatOuverture = ouverture;
        doublure::etat.finEnTete = fin;
        const Vu vu = doublure::passe(ModeTest, {{"a", 1, 0}, {"b", 2, entree}, {"c", 3, 0}});
        QCOMPARE(vu.fin ? vu.messages.last().texte : QString(),
                 message.replace(QLatin1Char('@'), doublure::archive));
        QCOMPARE(vu.resultats, resultats);
    }

    // No entry fills the disk: one that declares more than the room left is not started, and
    // none writes past what it declared (a folder nothing), whatever its header claims. (The
    // library removes a file it could not write whole.)
    void uneEntreeNEcritQueCeQuElleDeclare_data() {
        QTest::addColumn<Gardes::Genre>("genre");
        QTest::addColumn<qint64>("declare"); // by its header; -1: unknown
        QTest::addColumn<int>("ecrit");      // bytes the library then writes
        QTest::addColumn<bool>("commencee");
        QTest::addColumn<int>("reste"); // bytes of its file afterwards; -1: none made
        constexpr qint64 Enorme = Q_INT64_C(1) << 50;
        QTest::newRow("a file that fits")
            << Gardes::Genre::Fichier << qint64(100) << 100 << true << 100;
        QTest::newRow("a file that writes past what it declared")
            << Gardes::Genre::Fichier << qint64(100) << 300 << true << 100;
        QTest::newRow("a file of unknown size")
            << Gardes::Genre::Fichier << qint64(-1) << 300 << true << 300;
        QTest::newRow("a file larger than any disk")
            << Gardes::Genre::Fichier << Enorme << 0 << false << -1;
        QTest::newRow("a folder that writes") << Gardes::Genre::Dossier << Enorme << 1 << true << 0;
    }

    void uneEntreeNEcritQueCeQuElleDeclare() {
        QFETCH(Gardes::Genre, genre);
        QFETCH(qint64, declare);
        QFETCH(int, ecrit);
        QFETCH(bool, commencee);
        QFETCH(int, reste);
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails, as in the helper
        QTemporaryDir d;
        DossierCourantGarde garde;
        QDir::setCurrent(d.path());
        Vu vu;
        RetourEnregistre retour(vu);
        {
            Gardes g(retour, ModeExtraction, {});
            const std::optional<Reserve::Manque> manque = g.debutEntree(genre, declare);
            QCOMPARE(!manque, commencee);
            if (manque) {
                QCOMPARE(manque->besoin, declare);
                QVERIFY(manque->reste >= 0 && manque->reste < declare);
                return;
            }
            const int fd = g.ouvrir("x", O_WRONLY | O_CREAT | O_EXCL, 0644);
            QVERIFY(fd >= 0);
            int faits = 0;
            for (ssize_t n = 1; faits < ecrit && n > 0; faits += int(std::max<ssize_t>(n, 0))) {
                n = ::write(fd, QByteArray(ecrit - faits, 'o').constData(),
                            std::size_t(ecrit - faits));
            }
            QCOMPARE(g.fermer(fd), 0);
            g.finEntree(faits == ecrit ? 0 : ERAR_EWRITE);
        }
        QCOMPARE(QFileInfo(d.filePath(QStringLiteral("x"))).size(), qint64(reste));
    }

    // Whatever the library makes of a read that fails because a volume changed under the pass, a
    // damaged entry or the archive's end, the user is told that the read failed.
    void unVolumeChange_data() {
        QTest::addColumn<int>("appel");  // lire, traiter, lire, traiter...
        QTest::addColumn<int>("entree"); // the library's code for the second entry
        QTest::addColumn<QStringList>("resultats");
        QTest::newRow("read for an entry") << 3 << 12 << QStringList{"", "OK"};
        QTest::newRow("read for a header") << 6 << 0 << QStringList{"OK", "OK", "OK"};
    }
    void unVolumeChange() {
        QFETCH(int, appel);
        QFETCH(int, entree);
        doublure::etat.changeAvant = appel;
        const auto horsService = qScopeGuard([] { Lectures::mettreEnService(nullptr); });
        const Vu vu = doublure::passe(ModeTest, {{"a", 1, 0}, {"b", 2, entree}, {"c", 3, 0}});
        QCOMPARE(echec(vu), QStringLiteral("Erreur en lecture"));
        QTEST(vu.resultats, "resultats");
    }

    // The library asks whether a name exists, then makes it: the guards take the first answer
    // for the open, which makes only a new file. What appears in between is refused and stays as
    // it was; the library's own descriptor serves its calls by name until the entry's end.
    void unNomQuiApparaitEntreDeuxAppels_data() {
        QTest::addColumn<QByteArray>("entre"); // made in between: "-> t" a link to t
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("a file of the user's") << QByteArray("mien");
        QTest::newRow("a link of the user's to a file outside") << QByteArray("-> ../dehors.txt");
    }

    void unNomQuiApparaitEntreDeuxAppels() {
        QFETCH(QByteArray, entre);
        QTemporaryDir d;
        archives::ecrire(d.filePath(QStringLiteral("dehors.txt")), "dehors");
        QVERIFY(QDir(d.path()).mkdir(QStringLiteral("dest")));
        DossierCourantGarde garde;
        QDir::setCurrent(d.filePath(QStringLiteral("dest")));
        Vu vu;
        RetourEnregistre retour(vu);
        Gardes g(retour, ModeExtraction, {});
        g.debutEntree(Gardes::Genre::Fichier, -1);
        QCOMPARE(g.acces("x", F_OK), -1);
        if (entre.startsWith("-> ")) {
            QCOMPARE(::symlink(entre.mid(3).constData(), "x"), 0);
        } else if (!entre.isEmpty()) {
            archives::ecrire(QStringLiteral("x"), entre);
        }
        const int fd = g.ouvrir("x", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QCOMPARE(fd == -1 && errno == EEXIST, !entre.isEmpty());
        QCOMPARE(archives::lire(d.filePath(QStringLiteral("dehors.txt"))), "dehors");
        if (fd >= 0) {
            QCOMPARE(g.fermer(fd), 0);
            QCOMPARE(g.fermer(fd), -1); // closed once, as the kernel has it
            QCOMPARE(g.changerMode("x", 0604), 0);
            QCOMPARE(g.finEntree(0)->resultat, Resultat::OK);
            QCOMPARE(::fcntl(fd, F_GETFD), -1); // the library's descriptor, closed at the end
            struct stat s {};
            QCOMPARE(::stat("x", &s) == 0 ? s.st_mode & 07777 : 0U, 0604U);
            return;
        }
        // What was made in between stays as it was: a link, a file of the user's with its bytes.
        QCOMPARE(QFileInfo(QStringLiteral("x")).isSymLink(), entre.startsWith("-> "));
        QCOMPARE(archives::lire(QStringLiteral("x")), entre.startsWith("-> ") ? "dehors" : entre);
    }

    // Nothing but a comment as long as the buffer: the comment as far as the buffer holds it and
    // never past it, first; the window; the column's label left as it was.
    void unCommentaireSansEntree() {
        doublure::etat.commentairePlein = true;
        const Vu vu = doublure::passe(ModeTest);
        QCOMPARE(vu.messages.first().texte, QString(16384, QLatin1Char('z')));
        QCOMPARE(vu.evenements, (QStringList{"commentaire", "fenetre"}));
        QCOMPARE(vu.enTete, QStringLiteral("Résultat"));
    }

    // What an entry's header says beside its name: the time in UTC, the system that says what
    // the attributes are, and a CRC only where it is the data's (RAR 5 mixes an encrypted entry's
    // with a key). As "system attributes (octal) flags packed-size CRC".
    void lesDetailsDeLEnTete_data() {
        QTest::addColumn<QByteArray>("archive"); // empty: made by rar -psecret
        QTest::addColumn<QString>("details");
        using E = ecrivain::Entree;
        const E unix{.nom = "a", .contenu = "abc", .mode = 0640};
        const E windows{
            .nom = "a", .contenu = "abc", .mode = 0x23, .hote = ecrivain::Hote::Windows};
        const E dossier{.genre = E::Genre::Dossier, .nom = "d"};
        QTest::newRow("RAR 5, Unix") << ecrivain::rar5({unix}) << "3 100640 12 3 352441c2";
        QTest::newRow("RAR 5, Windows") << ecrivain::rar5({windows}) << "2 43 12 3 352441c2";
        QTest::newRow("RAR 4, local time") << ecrivain::rar4({windows}) << "2 43 12 3 352441c2";
        QTest::newRow("RAR 4, a folder: a CRC of 0")
            << ecrivain::rar4({unix, dossier}) << "3 40755 9 0 0";
        QTest::newRow("RAR 5, encrypted") << QByteArray() << "3 100644 10 16 0";
    }
    void lesDetailsDeLEnTete() {
        QFETCH(QByteArray, archive);
        QTemporaryDir d;
        const QString chemin =
            archive.isEmpty() ? archives::creer(d.path(), "x.rar", {{"a", "abc"}}, {"-psecret"})
                              : ecrivain::ecrire(d.filePath(QStringLiteral("x.rar")), archive);
        const Vu vu = passe(ModeListe, chemin);
        QCOMPARE(echec(vu), QString());
        const DetailsEntree& e = vu.details.first(); // the last entry
        QVERIFY(archive.isEmpty() || e.modification == ecrivain::Date);
        QTEST(QString::asprintf("%d %o %d %lld %x", e.systeme, e.attributs, e.drapeaux,
                                qint64(e.compressee), e.crc),
              "details");
    }

    // The library's wide names to UTF-8, and a typed password back, as Qt converts them.
    void lesTextesLarges_data() {
        QTest::addColumn<QList<uint>>("large");
        QTest::addColumn<QByteArray>("utf8");
        QTest::newRow("letters of every width")
            << QList<uint>{'a', 0xE9, 0x20AC, 0x1F600}
            << QByteArray("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
        QTest::newRow("a lone surrogate") << QList<uint>{'a', 0xD800, 'b'} << QByteArray();
        QTest::newRow("a cut sequence, a stray continuation byte") << QList<uint>{}
                                                                   << QByteArray("a\xe2\x82 \x80"
                                                                                 "b\xf0\x9f\x98");
        QTest::newRow("overlong forms, an encoded surrogate")
            << QList<uint>{} << QByteArray("\xc0\xaf \xe0\x80\xaf \xed\xa0\x80");
    }
    void lesTextesLarges() {
        QFETCH(QList<uint>, large);
        QFETCH(QByteArray, utf8);
        if (!large.isEmpty()) {
            const std::wstring w(large.cbegin(), large.cend());
            const QByteArray qt = QString::fromWCharArray(w.data(), qsizetype(w.size())).toUtf8();
            QCOMPARE(QByteArray::fromStdString(large::versUtf8(w)), qt);
        }
        if (!utf8.isEmpty()) {
            QVERIFY(large::depuisUtf8(utf8.toStdString()) ==
                    QString::fromUtf8(utf8).toStdWString());
        }
    }

    // The signature is looked for in pieces over the first 4 MiB: one across two pieces is found,
    // the earlier of the two formats wins, and none beyond the search is taken.
    void leFormatApresUnProgramme_data() {
        QTest::addColumn<int>("avant"); // bytes of a program before the signature
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<int>("format");
        const QByteArray r5("Rar!\x1A\x07\x01\x00", 8);
        const QByteArray r4("Rar!\x1A\x07\x00", 7);
        QTest::newRow("at the start") << 0 << r5 << 5;
        QTest::newRow("across two pieces") << 65536 - 3 << r5 << 5;
        QTest::newRow("RAR 4 after a program, then a RAR 5 one") << 300000 << r4 + r5 << 4;
        QTest::newRow("beyond the search") << 4 * 1024 * 1024 + 1 << r5 << 0;
        QTest::newRow("none") << 100000 << QByteArray("Rar!\x1A\x07\x02", 7) << 0;
    }
    void leFormatApresUnProgramme() {
        QFETCH(int, avant);
        QFETCH(QByteArray, signature);
        QTemporaryDir d;
        const QString chemin = d.filePath(QStringLiteral("x.exe"));
        archives::ecrire(chemin, QByteArray(avant, 'M') + signature + QByteArray(100, '\0'));
        QTEST(formatArchive(QFile::encodeName(chemin).toStdString()), "format");
    }

    // The library's reads served from a window of its volume give every byte and every offset that
    // the system's own reads give, and leave the descriptor's offset exact for what is not served.
    // A volume changed meanwhile fails with EIO where the window would need the file ("lire!").
    void lesLecturesServies_data() {
        QTest::addColumn<QStringList>("suite");
        const auto r = [](const char* phrase, const char* suite) {
            QTest::newRow(phrase) << QString::fromLatin1(suite).split(QLatin1Char(','));
        };
        r("an entry across two windows", "lire 7,aller 262100,lire 7,lire 43,aller 262100,lire 50");
        r("a seek back before the window",
          "aller 600000,lire 10,aller 5000,lire 0,plus -5,lire 20");
        r("a read larger than the window, after what it holds", "lire 100,lire 1000000,lire 5");
        r("from the end and past it", "fin -10,lire 100,lire 10,aller 5000000,lire 10,fin 0");
        r("a volume closed, the next one read", "lire 300000,fermer,lire 7,plus 9,lire 1000000");
        r("a dup: the offset exact, read by the system since", "lire 7,aller 9000,dup,lire 10");
        r("shortened under the window", "lire 100,couper 50000,lire 10,aller 400000,lire! 10");
        r("rewritten, its size kept", "lire 10,dater,lire 10,lire! 1000000,aller 0,lire! 1");
    }
    void lesLecturesServies() {
        QFETCH(QStringList, suite);
        QTemporaryDir d;
        QByteArray octets(1500000, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(octets.data()), 1500000 / 4);
        const QByteArray chemin = QFile::encodeName(d.filePath(QStringLiteral("v.rar")));
        archives::ecrire(QFile::decodeName(chemin), octets);
        Lectures l;
        QList<std::pair<int, int>>
            volumes; // each served, and read by the system: one, then the next
        for (int v = 0; v < 2; ++v) {
            volumes.append(
                {::open(chemin.constData(), O_RDONLY), ::open(chemin.constData(), O_RDWR)});
            l.suivre(volumes.last().first);
        }
        for (const QString& pas : suite) {
            const QString quoi = pas.section(QLatin1Char(' '), 0, 0);
            const qint64 n = pas.section(QLatin1Char(' '), 1).toLongLong();
            const auto [s, p] = volumes.first();
            QByteArray a(n, 'a');
            QByteArray b(n, 'b');
            if (quoi.startsWith(u"lire")) {
                const ssize_t lu = l.lire(s, a.data(), std::size_t(n));
                QCOMPARE(lu == -1 ? errno : 0, quoi == u"lire!" ? EIO : 0);
                QCOMPARE(lu, quoi == u"lire!" ? -1 : ::read(p, b.data(), std::size_t(n)));
                QVERIFY2(a.left(lu) == b.left(lu), qPrintable(pas));
            } else if (quoi == u"couper" || quoi == u"dater") {
                const timespec zero[2] = {};
                QCOMPARE(quoi == u"dater" ? ::futimens(p, zero) : ::ftruncate(p, n), 0);
            } else if (quoi == u"fermer" || quoi == u"dup") {
                l.oublier(s);
                QCOMPARE(::lseek(s, 0, SEEK_CUR), ::lseek(p, 0, SEEK_CUR));
                if (quoi == u"fermer") {
                    ::close(s);
                    ::close(p);
                    volumes.removeFirst();
                }
            } else {
                const int depuis = quoi == u"aller"  ? SEEK_SET
                                   : quoi == u"plus" ? SEEK_CUR
                                                     : SEEK_END;
                QCOMPARE(l.deplacer(s, n, depuis), ::lseek(p, n, depuis));
            }
        }
        for (const auto& [s, p] : volumes) {
            l.accorder(s);
            QCOMPARE(::lseek(s, 0, SEEK_CUR), ::lseek(p, 0, SEEK_CUR));
            ::close(s);
            ::close(p);
        }
    }
};

QTEST_GUILESS_MAIN(TestMoteur)
#include "tst_moteur.moc"

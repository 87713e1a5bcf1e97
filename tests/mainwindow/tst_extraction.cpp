// Extractions through the whole extract command, hostile archives first: whatever an archive
// holds, nothing outside the chosen folder appears, changes or vanishes, at every level of
// confinement, the program finishes or ends with a French message, and the rows say what
// happened. Without the guards, the sandbox alone keeps everything outside as it was.

#include "Archives.h"
#include "FUnRAR.h"
#include "ListeResultats.h"
#include "Passe.h"
#include "Protocole.h"

#include <QApplication>
#include <QDirIterator>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Reponses = QList<QMessageBox::StandardButton>;
using Contenus = QMap<QString, QByteArray>; // relative path, content; "-> t" for a link to t
using Entrees = QList<QPair<QByteArray, QByteArray>>;
using Niveau = std::optional<assistant::Niveau>;

const QString Ok = QStringLiteral("OK");
const QString Ignore = QStringLiteral("Ignoré");
const QString Refuse = QStringLiteral("Lien refusé");

// A chosen folder racine/p/q/dest, with sentinels at every level above it, where "..", "../.."
// and "../../.." lead. Their unusual modes show a chmod made through a link.
struct Bac {
    QTemporaryDir d; // first: the paths below are made from it
    const QString racine = QFileInfo(d.path()).canonicalFilePath();
    const QString dest = racine + QStringLiteral("/p/q/dest");
    const QString fabrique = racine + QStringLiteral("/fabrique");

    Bac() {
        for (const QString& niveau : {racine, racine + "/p", racine + "/p/q"}) {
            for (const char* nom : {"x", "y", "xxxx", "outside.txt", "abs.txt", "box/dedans"}) {
                const QString chemin = niveau + QLatin1Char('/') + QLatin1String(nom);
                archives::ecrire(chemin, "sentinelle");
                QFile::setPermissions(chemin,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
            }
        }
        QDir().mkpath(dest);
    }
    // "@" in a stored name or a target stands for the sandbox's root.
    QByteArray ici(QByteArray texte) const { return texte.replace('@', QFile::encodeName(racine)); }
};

QString lireLien(const QString& chemin) {
    char tampon[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(chemin).constData(), tampon, sizeof tampon);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(tampon, n));
}

// Every entry under the sandbox's root but inside the chosen folder, as its path, type and mode,
// time, link count, and content or link target; of the chosen folder itself, its type and mode,
// when asked.
QStringList photo(const Bac& b, bool modeDuDossier) {
    QStringList etat;
    QDirIterator it(b.racine, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        if (chemin.startsWith(b.dest + QLatin1Char('/')) || (chemin == b.dest && !modeDuDossier)) {
            continue;
        }
        struct stat s {};
        ::lstat(QFile::encodeName(chemin).constData(), &s);
        QString ligne = chemin + QStringLiteral(": ") + QString::number(s.st_mode, 8);
        if (chemin != b.dest) {
            ligne += QStringLiteral(" %1.%2 %3 ")
                         .arg(s.st_mtim.tv_sec)
                         .arg(s.st_mtim.tv_nsec)
                         .arg(s.st_nlink);
            ligne += S_ISLNK(s.st_mode) ? lireLien(chemin)
                                        : QString::number(qHash(archives::lire(chemin)));
        }
        etat << ligne;
    }
    etat.sort();
    return etat;
}

// What lies under `dest`, as in Contenus. Each link is there with its target, so a link that leads
// out is seen; a hard link to a file outside shows in that file's link count.
Contenus contenusSous(const QString& dest) {
    Contenus contenus;
    QDirIterator it(dest, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        const QString relatif = QDir(dest).relativeFilePath(chemin);
        if (it.fileInfo().isSymLink()) {
            contenus[relatif] = "-> " + QFile::encodeName(lireLien(chemin));
        } else if (it.fileInfo().isFile()) {
            contenus[relatif] = archives::lire(chemin);
        }
    }
    return contenus;
}

// Puts `contenus` under `dest`: "-> target" makes a symbolic link.
void poser(const Bac& b, const Contenus& contenus) {
    for (auto i = contenus.cbegin(); i != contenus.cend(); ++i) {
        const QString chemin = b.dest + QLatin1Char('/') + i.key();
        QDir().mkpath(QFileInfo(chemin).path());
        if (i.value().startsWith("-> ")) {
            ::symlink(b.ici(i.value().mid(3)).constData(), QFile::encodeName(chemin).constData());
        } else {
            archives::ecrire(chemin, i.value());
        }
    }
}

struct Cas {
    const char* nom;
    Entrees entrees;       // stored name and content in archive order: symbolic links ("-> t"),
                           // files and folders ("/"), hard links ("=> t", to the file before)
    QStringList resultats; // top row first
    Contenus contenus;     // all that lies under the chosen folder afterwards; "@" as in Bac::ici
    Reponses reponses{QMessageBox::YesToAll}; // the answer most open to harm
    int questions = 0;
    Contenus dejaLa{}; // what the user has in the chosen folder before
    QString message{}; // the message that ends the program; empty when the pass finishes
    QStringList options{};
    std::optional<quint64> hote{}; // 0: the names are stored as made on Windows
    qint64 place = -1; // bytes a file may take, as on a full disk; 0: a folder without write access
};

// The archive of `cas`: made by rar under placeholder names, which then become the stored names.
// A placeholder has the length of what it becomes in a link's target (the stored name of a copy's
// source, the text of a hard link's target), where only a text of the same length can replace it.
QString fabriquer(const Bac& b, const Cas& cas) {
    QList<QByteArray> longueurs; // what each entry's placeholder must be as long as
    for (const auto& [nom, contenu] : cas.entrees) {
        longueurs << b.ici(nom);
        if (contenu.startsWith("=> ")) {
            for (qsizetype i = longueurs.size() - 2; i >= 0; --i) {
                if (!cas.entrees[i].second.startsWith("-> ")) {
                    longueurs[i] = b.ici(contenu.mid(3));
                    break;
                }
            }
        }
    }
    archives::Fichiers fichiers;
    archives::Liens liens;
    QList<QPair<QByteArray, QByteArray>> noms;   // placeholder, stored name
    QList<QPair<QByteArray, QByteArray>> cibles; // placeholder in a hard link's target, the target
    QByteArray dernierFichier;
    for (qsizetype i = 0; i < cas.entrees.size(); ++i) {
        const auto& [nom, contenu] = cas.entrees[i];
        QByteArray place = "ent" + QByteArray::number(i + 10);
        if (longueurs[i].size() < 200) { // longer names are no one's target
            place = place.leftJustified(longueurs[i].size(), 'q');
        }
        const QString p = QString::fromLatin1(place);
        if (contenu.startsWith("-> ")) {
            liens.append({p, QFile::decodeName(b.ici(contenu.mid(3)))});
        } else if (contenu.startsWith("=> ")) {
            liens.append({p, QString::fromLatin1(dernierFichier), true});
            cibles.append({dernierFichier, b.ici(contenu.mid(3))});
        } else {
            fichiers.append({p + (contenu == "/" ? "/" : ""), contenu == "/" ? "" : contenu});
            dernierFichier = place;
        }
        noms.append({place, b.ici(nom)});
    }
    const QString chemin =
        archives::creer(b.fabrique, QStringLiteral("x.rar"), fichiers, cas.options, liens);
    QByteArray octets = archives::lire(chemin);
    // Names first, then the targets that still hold a placeholder: hard links, copies.
    for (const auto& [place, nom] : noms + cibles + noms) {
        if (octets.contains(place)) {
            octets = archives::renommer(octets, place, nom, cas.hote);
        }
    }
    archives::ecrire(chemin, octets);
    return chemin;
}

QList<Cas> corpus() {
    // "e/f/g" leads back to the chosen folder: a link "g/../x" beside it leads above, though its
    // name alone says otherwise.
    const QPair<QByteArray, QByteArray> remonte{"e/f/g", "-> ../.."};
    const QByteArray profond = QByteArray("d/").repeated(200) + "f.txt";
    const QByteArray tropLong = QByteArray(24, 'r').append('/').repeated(200) + "f.txt"; // 5005
    const QByteArray a40 = QByteArray("a/").repeated(40) + "../";
    const Entrees abc{
        {"docs/a.txt", "archive a"}, {"docs/sous/b.txt", "archive b"}, {"c.txt", "archive c"}};
    const Contenus miens{
        {"docs/a.txt", "mien a"}, {"c.txt", "mien c"}, {"docs/autre.txt", "autre"}};
    const Entrees grand{
        {"petit.txt", "petit"}, {"grand.bin", QByteArray(300000, 'g')}, {"apres.txt", "apres"}};
    const Contenus siens{{"mien.txt", "mien"}, {"sous/mien.txt", "mien aussi"}};
    const auto avec = [](Contenus c, const Contenus& d) { return c.insert(d), c; };
    using B = QMessageBox;
    // One case a line or two, as a table reads.
    // clang-format off
    return {
        {"folders kept", abc, {Ok, Ok, Ok},
         {{"c.txt", "archive c"}, {"docs/a.txt", "archive a"}, {"docs/sous/b.txt", "archive b"}}},
        {"existing files: yes to one, no to the other", abc, {Ignore, Ok, Ok},
         avec(miens, {{"docs/a.txt", "archive a"}, {"docs/sous/b.txt", "archive b"}}),
         {B::Yes, B::No}, 2, miens},
        {"existing files: no to all", abc, {Ignore, Ok, Ignore},
         avec(miens, {{"docs/sous/b.txt", "archive b"}}), {B::NoToAll}, 1, miens},
        {"existing files: yes to all", abc, {Ok, Ok, Ok}, avec(miens, {{"c.txt", "archive c"},
         {"docs/a.txt", "archive a"}, {"docs/sous/b.txt", "archive b"}}), {B::YesToAll}, 1, miens},
        {"existing files: the box closed otherwise keeps them", abc, {Ignore, Ok, Ignore},
         avec(miens, {{"docs/sous/b.txt", "archive b"}}), {B::Cancel, B::Escape}, 2, miens},
        {"names that climb: one, two levels up, down then up, absolute", {{"sage.txt", "ok"},
         {"../x", "1"}, {"../../y", "2"}, {"a/../../xxxx", "3"}, {"@/abs.txt", "4"}},
         {Ok, Ok, Ok, Ok, Ok}, {{"x", "1"}, {"y", "2"}, {"xxxx", "3"}, {"@/abs.txt", "4"},
         {"sage.txt", "ok"}}},
        {"backslashes from a Unix host", {{"..\\x", "1"}, {"..\\..\\y", "2"}}, {Ok, Ok},
         {{"..\\x", "1"}, {"..\\..\\y", "2"}}},
        {"backslashes from a Windows host", {{"..\\x", "1"}, {"..\\..\\y", "2"}}, {Ok, Ok},
         {{".._x", "1"}, {".._.._y", "2"}}, {B::YesToAll}, 0, {}, {}, {}, 0},
        {"link to the parent, then a file through it", {{"lien", "-> .."}, {"lien/x", "evasion"}},
         {Ok, Refuse}, {{"lien/x", "evasion"}}},
        {"link to an absolute target, then a file through it",
         {{"lien", "-> @/p"}, {"lien/abs.txt", "evasion"}}, {Ok, Refuse},
         {{"lien/abs.txt", "evasion"}}},
        {"link through a link, then a file of its name",
         {remonte, {"e/f/z", "-> g/../x"}, {"e/f/z", "evasion"}}, {Ok, Refuse, Ok},
         {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {"link through a link, then a folder of its name",
         {remonte, {"e/f/v", "-> g/../box"}, {"e/f/v", "/"}}, {Ok, Refuse, Ok},
         {{"e/f/g", "-> ../.."}}},
        {"hard link through a link that leads out", {remonte, {"e/f/d", "-> g/.."},
         {"e/f/uuuuuu", "donnee"}, {"hl", "=> e/f/d/xxxx"}}, {Refuse, Ok, Refuse, Ok},
         {{"e/f/uuuuuu", "donnee"}, {"e/f/g", "-> ../.."}}},
        // "e/f/d" -> "g/.." leads inside until "e/f/g" is made again, as "../..".
        {"link that a later link makes lead out", {{"e/f/g", "-> h"}, {"e/f/d", "-> g/.."}, remonte,
         {"e/f/uuuuuu", "donnee"}, {"hl", "=> e/f/d/xxxx"}}, {Refuse, Ok, Ok, Ok, Ok},
         {{"e/f/uuuuuu", "donnee"}, {"e/f/g", "-> ../.."}}, {B::YesToAll}, 1},
        {"link inside the folder, then a file of its name", {{"lien", "-> sub/t"},
         {"sub/t", "original"}, {"lien", "remplace"}}, {Ok, Ok, Ok},
         {{"sub/t", "original"}, {"lien", "remplace"}}, {B::YesToAll}, 1},
        // A file beneath a link, a folder in place of one: the links give way to real folders.
        {"links inside the folder, then entries beneath and in place of them", {{"lienD", "-> sub"},
         {"lienE", "-> sub"}, {"sub/t", "original"}, {"lienD/t", "nouveau"}, {"lienE", "/"}},
         {Ok, Ok, Ok, Ok, Ok}, {{"sub/t", "original"}, {"lienD/t", "nouveau"}}},
        {"name of 1,000 bytes", {{"sage.txt", "ok"}, {QByteArray(1000, 'n'), "long"},
         {"apres.txt", "apres"}}, {QString(), Ok}, {{"sage.txt", "ok"}}, {B::YesToAll}, 0, {},
         "Ereur dans la création du fichier"},
        {"folders 200 deep", {{profond, "profond"}}, {Ok}, {{profond, "profond"}}},
        // More than the header's 1,024 characters: what the library makes of the rest is not to
        // be seen, so nothing is made.
        {"folders 200 deep beyond PATH_MAX", {{tropLong, "profond"}}, {Ignore}, {}},
        // The library cuts a name at its first byte that is not UTF-8.
        {"names not valid in the locale's encoding", {{"\xff\xfe.txt", "1"}, {"abc\xff.txt", "2"},
         {"sage.txt", "ok"}}, {Ok, Ok, Ignore}, {{"abc", "2"}, {"sage.txt", "ok"}}},
        {"a name that repeats an earlier one, replaced", {{"a.txt", "premier"},
         {"a.txt", "second"}}, {Ok, Ok}, {{"a.txt", "second"}}, {B::Yes}, 1},
        {"a name that repeats an earlier one, kept", {{"a.txt", "premier"}, {"a.txt", "second"}},
         {Ignore, Ok}, {{"a.txt", "premier"}}, {B::No}, 1},
        // The library keeps what follows the last "/../" of a name: "q/../e/f/z" is "e/f/z".
        {"a chain of links behind x/../ in their names", {{"q/../e/f/g", "-> ../.."},
         {"q/../e/f/z", "-> g/../x"}, {"q/../e/f/z", "evasion"}}, {Ok, Refuse, Ok},
         {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {"a link to an absolute target 40 folders deep behind x/../", {{a40 + "lien", "-> @"},
         {a40 + "lien/abs.txt", "evasion"}}, {Ok, Refuse}, {{"lien/abs.txt", "evasion"}}},
        {"x/../ onto the user's link to a file outside, replaced", {{"x/../notes.txt", "evasion"}},
         {Ok}, {{"notes.txt", "evasion"}}, {B::YesToAll}, 1, {{"notes.txt", "-> ../outside.txt"}}},
        {"x/../ onto the user's link to a file outside, kept", {{"x/../notes.txt", "evasion"}},
         {Ignore}, {{"notes.txt", "-> ../outside.txt"}}, {B::No}, 1,
         {{"notes.txt", "-> ../outside.txt"}}},
        {"x/../ onto the user's file, kept", {{"x/../mien.txt", "evasion"}}, {Ignore},
         {{"mien.txt", "mien"}}, {B::No}, 1, {{"mien.txt", "mien"}}},
        {"a file beneath the user's link to a folder outside, kept", {{"maison/x", "evasion"}},
         {Ignore}, {{"maison", "-> ../.."}}, {B::No}, 1, {{"maison", "-> ../.."}}},
        // Beyond the header's 1,024 characters the guards would see another link than the one the
        // library makes, through which the file "e/f/z" would go out.
        {"a link named with 1,025 characters", {remonte, {QByteArray(1016, 'z') + "/../e/f/z",
         "-> g/../x"}, {"e/f/z", "evasion"}}, {Ok, Ignore, Ok},
         {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {"a link named with 2,047 characters", {remonte, {QByteArray(2038, 'z') + "/../e/f/z",
         "-> g/../x"}, {"e/f/z", "evasion"}}, {Ok, Ignore, Ok},
         {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        // The hard link's target is a file of the user's outside, through the user's own link.
        {"a hard link through the user's link to a folder outside", {{"autre_xx", "cle"},
         {"hl", "=> maison/x"}}, {Refuse, Ok}, {{"autre_xx", "cle"}, {"maison", "-> ../.."}},
         {B::YesToAll}, 0, {{"maison", "-> ../.."}}},
        // Its data would come from the user's old file, kept with "Non".
        {"a copy of a file that the user kept", {{"x1.bin", "nouveau"}, {"x2.bin", "nouveau"}},
         {Ignore, Ignore}, {{"x1.bin", "mien"}}, {B::No}, 1, {{"x1.bin", "mien"}}, {}, {"-oi:1"}},
        {"a hard link to a file that the user kept", {{"x1.bin", "nouveau"}, {"hl", "=> x1.bin"}},
         {Ignore, Ignore}, {{"x1.bin", "mien"}}, {B::No}, 1, {{"x1.bin", "mien"}}},
        {"names with nowhere to go", {{"..", "1"}, {".", "2"}, {"/", "3"}, {"sage.txt", "ok"}},
         {Ok, Ignore, Ignore, Ignore}, {{"sage.txt", "ok"}}},
        // The message of the library's code, the user's files untouched, nothing left of what failed.
        {"a folder without write permission", grand, {QString()}, siens, {B::YesToAll}, 0, siens,
         "Ereur dans la création du fichier", {}, {}, 0},
        {"a full disk", grand, {QString(), Ok}, avec(siens, {{"petit.txt", "petit"}}),
         {B::YesToAll}, 0, siens, "Erreur en écriture", {}, {}, 64 * 1024},
    };
    // clang-format on
}

} // namespace

class TestExtraction : public QObject {
    Q_OBJECT

private slots:
    // A write beyond RLIMIT_FSIZE then fails instead of ending the process that made it.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void init() { ModuleRAR::DossierDestination.clear(); }

    void rienNeSortDuDossierChoisi_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<Niveau>("niveau");
        QTest::addColumn<bool>("gardes");
        const QList<Cas> cas = corpus();
        const QList<std::tuple<const char*, Niveau, bool>> niveaux{
            {"", std::nullopt, true},
            {", without the sandbox", assistant::Niveau::Landlock, true},
            {", without the sandbox nor Landlock", assistant::Niveau::Gardes, true},
            {", the sandbox alone", assistant::Niveau::Bac, false}};
        for (const auto& [suffixe, niveau, gardes] : niveaux) {
            for (int i = 0; i < cas.size(); ++i) {
                QTest::newRow(qPrintable(QLatin1String(cas[i].nom) + QLatin1String(suffixe)))
                    << i << niveau << gardes;
            }
        }
    }

    // With the guards, the rows, questions and files the user sees; at every level, nothing
    // outside the chosen folder that changes (contents, modes, times, links and link counts).
    void rienNeSortDuDossierChoisi() {
        QFETCH(int, index);
        QFETCH(Niveau, niveau);
        QFETCH(bool, gardes);
        if (!gardes && assistant::niveau() != assistant::Niveau::Bac) {
            QSKIP("bubblewrap cannot make its sandbox here");
        }
        const Cas cas = corpus().at(index);
        const assistant::Niveau effectif = niveau.value_or(assistant::niveau());
        if (cas.place == 0 && ::geteuid() == 0 && effectif != assistant::Niveau::Bac) {
            // In the sandbox the helper has no capabilities, root's neither.
            QSKIP("root without the sandbox: a folder without write permission cannot refuse it");
        }
        Bac bac;
        const QString archive = fabriquer(bac, cas);
        poser(bac, cas.dejaLa);
        // The chosen folder is the sandbox's writable place, itself included: an entry named "."
        // may change its mode, which only the guards keep.
        const QStringList avant = photo(bac, gardes);
        const QFileDevice::Permissions droits = QFile::permissions(bac.dest);
        if (cas.place == 0) {
            QFile::setPermissions(bac.dest, QFile::ReadOwner | QFile::ExeOwner);
        }
        // A write beyond the limit fails with EFBIG, which the helper inherits, SIGXFSZ ignored.
        rlimit limite{};
        ::getrlimit(RLIMIT_FSIZE, &limite);
        const rlimit ancienne = limite;
        limite.rlim_cur = cas.place > 0 ? rlim_t(cas.place) : limite.rlim_cur;
        ::setrlimit(RLIMIT_FSIZE, &limite);

        const Vu vu = passer({.mode = ModeExtraction,
                              .archive = archive,
                              .destination = bac.dest,
                              .reponses = cas.reponses,
                              .niveau = niveau,
                              .options = gardes ? 0U : quint32(protocole::SansGardes)});

        ::setrlimit(RLIMIT_FSIZE, &ancienne);
        QFile::setPermissions(bac.dest, droits);
        QCOMPARE(photo(bac, gardes), avant);
        QCOMPARE(vu.fin.value_or(1), 1);
        if (!gardes) {
            return;
        }
        Contenus attendus;
        for (auto i = cas.contenus.cbegin(); i != cas.contenus.cend(); ++i) {
            attendus[QString(i.key()).replace('@', bac.racine.mid(1))] = i.value();
        }
        QCOMPARE(contenusSous(bac.dest), attendus);
        QCOMPARE(vu.resultats, cas.resultats);
        QCOMPARE(vu.questions.size(), cas.questions);
        QCOMPARE(vu.fin.has_value(), !cas.message.isEmpty());
        QCOMPARE(vu.messages.size(), cas.message.isEmpty() ? 0 : 1);
        if (!cas.message.isEmpty()) {
            QCOMPARE(vu.messages[0].texte, cas.message);
            QCOMPARE(vu.messages[0].titre, QStringLiteral("Erreur"));
        }
        // The current directory stays in the chosen folder after the pass.
        QCOMPARE(vu.dossierCourant, bac.dest);
        QCOMPARE(vu.enTete, QStringLiteral("Extraction"));
    }

    // Cancelled, or the folder gone between the dialog and the pass: nothing is extracted, and
    // the window, the list and the current directory stay as they were.
    void rienNEstExtraitSansDossier_data() {
        QTest::addColumn<bool>("annule");
        QTest::newRow("cancelled") << true;
        QTest::newRow("folder gone after the dialog") << false;
    }

    void rienNEstExtraitSansDossier() {
        QFETCH(bool, annule);
        DossierCourantGarde garde;
        Bac bac;
        const QString archive = fabriquer(bac, corpus().first());
        FausseInteraction boites;
        FUnRAR f;
        f.Form_Load(archive);
        f.Mnu_Tester_Click();
        const QString avant = QDir::currentPath();
        ModuleRAR::DossierDestination = bac.dest;
        QTimer::singleShot(0, qApp, [&] {
            if (!annule) {
                QDir(bac.dest).removeRecursively();
            }
            QApplication::activeModalWidget()
                ->findChild<QPushButton*>(QLatin1String(annule ? "Command2" : "Command1"))
                ->click();
        });
        f.Mnu_Extraire_Click();
        QCOMPARE(ModuleRAR::DossierDestination.isEmpty(), annule);
        QCOMPARE(QDir::currentPath(), avant);
        QCOMPARE(colonne(f, 2), (QStringList{Ok, Ok, Ok}));
        QCOMPARE(f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Test"));
        QCOMPARE(boites.messages.size(), annule ? 0 : 1);
        QVERIFY(annule || boites.messages[0].texte.contains(bac.dest));
    }
};

QTEST_MAIN(TestExtraction)
#include "tst_extraction.moc"

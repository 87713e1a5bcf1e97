// Extractions through the whole extract command, hostile archives first: whatever an archive
// holds, nothing outside the chosen folder appears, changes or vanishes, at every level of
// confinement, the program finishes or ends with a French message, and the rows say what is on
// disk. Without the guards, each kernel layer alone keeps what it covers.

#include "Arbre.h"
#include "Archives.h"
#include "EcrivainRar.h"
#include "FUnRAR.h"
#include "ListeResultats.h"
#include "Passe.h"
#include "Protocole.h"

#include <QApplication>
#include <QDateTime>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Reponses = QList<QMessageBox::StandardButton>;
using Contenus = QMap<QByteArray, QByteArray>; // relative path, content; "-> t": a link to t
using Entrees = QList<QPair<QByteArray, QByteArray>>;
using ecrivain::Entree;

const QString Ok = QStringLiteral("OK");
const QString Ignore = QStringLiteral("Ignoré");
const QString Refuse = QStringLiteral("Lien refusé");
const QString Origine = QStringLiteral("Fichier d'origine introuvable");

// A chosen folder racine/p/q/dest, with sentinels at every level above it, where "..", "../.."
// and "../../.." lead, and in a folder beside it named like it and more. Their unusual modes show
// a chmod made through a link.
struct Bac {
    QTemporaryDir d; // first: the paths below are made from it
    const QString racine = QFileInfo(d.path()).canonicalFilePath();
    const QString dest = racine + QStringLiteral("/p/q/dest");

    Bac() {
        for (const QString& niveau :
             {racine, racine + "/p", racine + "/p/q", racine + "/p/q/dest2"}) {
            for (const char* nom : {"x", "y", "xxxx", "outside.txt", "abs.txt", "box/dedans"}) {
                const QString chemin = niveau + QLatin1Char('/') + QLatin1String(nom);
                archives::ecrire(chemin, "sentinelle");
                QFile::setPermissions(chemin,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
            }
        }
        QDir().mkpath(dest);
    }
    ~Bac() { arbre::effacer(d.path()); }
    Bac(const Bac&) = delete;
    Bac& operator=(const Bac&) = delete;
    // "@" in a stored name or a target stands for the sandbox's root.
    QByteArray ici(QByteArray texte) const { return texte.replace('@', QFile::encodeName(racine)); }
};

// Everything under the sandbox's root but inside the chosen folder, with modes and times unless
// only Landlock is at work, which does not cover them; the chosen folder's own mode when the guards
// are; of what was in it before, `siens`, what must stay as it was. A folder's time changes with
// what is added to it, and its link count with its subfolders: its time may only stay or become
// the pass's own, never another one (the archive's).
QList<QByteArray> photo(const Bac& b, bool modes, bool dossier, qint64 debut,
                        const QMap<QByteArray, QByteArray>& siens = {}) {
    QMap<QByteArray, QByteArray> a = arbre::lire(b.racine, modes);
    const QByteArray dest = QFile::encodeName(QDir(b.racine).relativeFilePath(b.dest));
    for (auto i = a.begin(); i != a.end();) {
        const bool dedans = i.key().startsWith(dest + '/');
        if ((i.key() == dest && !dossier) || (dedans && !siens.contains(i.key()))) {
            i = a.erase(i);
            continue;
        }
        const uint type = i.value().left(i.value().indexOf(' ')).toUInt(nullptr, 8) & S_IFMT;
        if ((i.key() == dest || dedans) && type == S_IFDIR) {
            const qint64 date = arbre::date(i.value());
            i.value() = i.value().left(i.value().indexOf(' '));
            if (modes && date != arbre::Ancienne && date < debut) {
                i.value() += ' ' + QByteArray::number(date);
            }
        }
        ++i;
    }
    QList<QByteArray> lignes; // one an entry, so that a difference reads at its line
    for (auto i = a.cbegin(); i != a.cend(); ++i) {
        lignes << i.key() + ": " + i.value();
    }
    return lignes;
}

// What lies under `dest`, as in Contenus; folders are not listed.
Contenus contenusSous(const QString& dest) {
    Contenus contenus;
    const QMap<QByteArray, QByteArray> a = arbre::lire(dest, false);
    for (auto i = a.cbegin(); i != a.cend(); ++i) {
        const QList<QByteArray> champs = i.value().split(' ');
        if (champs[0] == QByteArray::number(S_IFLNK, 8)) {
            contenus[i.key()] = i.value().mid(i.value().indexOf("-> "));
        } else if (champs[0] == QByteArray::number(S_IFREG, 8)) {
            QFile f;
            f.open(::open((QFile::encodeName(dest) + '/' + i.key()).constData(), O_RDONLY),
                   QIODevice::ReadOnly, QFile::AutoCloseHandle);
            contenus[i.key()] = f.readAll();
        }
    }
    return contenus;
}

// Puts `contenus` under `dest`: "-> target" makes a symbolic link, a name ending in "/" a folder.
void poser(const Bac& b, const Contenus& contenus) {
    for (auto i = contenus.cbegin(); i != contenus.cend(); ++i) {
        const QByteArray chemin = QFile::encodeName(b.dest) + '/' + i.key();
        QDir().mkpath(QFile::decodeName(chemin.left(chemin.lastIndexOf('/'))));
        if (i.key().endsWith('/')) {
            ::mkdir(chemin.constData(), 0750);
        } else if (i.value().startsWith("-> ")) {
            QVERIFY(::symlink(b.ici(i.value().mid(3)).constData(), chemin.constData()) == 0);
        } else {
            // By its bytes: a name that is not UTF-8 must stay as it is.
            const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
            QVERIFY(fd >= 0 && ::write(fd, i.value().constData(), std::size_t(i.value().size())) ==
                                   i.value().size());
            ::close(fd);
        }
    }
}

struct Cas {
    const char* nom;
    Entrees entrees;       // stored name and content in archive order: symbolic links ("-> t"),
                           // hard links ("=> t") and copies ("~> t") of a stored name t, folders
                           // ("/"), files that declare N bytes ("#> N"), files
    QStringList resultats; // top row first
    Contenus contenus;     // all that lies under the chosen folder afterwards; "@" as in Bac::ici
    Reponses reponses{QMessageBox::YesToAll}; // the answer most open to harm
    int questions = 0;
    Contenus dejaLa{}; // what the user has in the chosen folder before
    QString message{}; // the message that ends the program; empty when the pass finishes; ending
                       // in "…": its beginning, the rest being the machine's
    bool rar4 = false; // names of 8-bit bytes, as older archivers wrote them
    ecrivain::Hote hote = ecrivain::Hote::Unix;
    qint64 place = -1; // bytes a file may take, as on a full disk; 0: a folder without write access
    QString demande{}; // the name the first question shows
};

QString fabriquer(const Bac& b, const Cas& cas) {
    QList<Entree> entrees;
    for (const auto& [nom, contenu] : cas.entrees) {
        Entree e{.nom = b.ici(nom), .contenu = b.ici(contenu.mid(3)), .hote = cas.hote};
        const QByteArray marque = contenu.left(3);
        e.genre = marque == "-> "   ? Entree::Genre::LienSymbolique
                  : marque == "=> " ? Entree::Genre::LienDur
                  : marque == "~> " ? Entree::Genre::Copie
                  : contenu == "/"  ? Entree::Genre::Dossier
                                    : Entree::Genre::Fichier;
        if (marque == "#> ") {
            e.taille = contenu.mid(3).toLongLong();
            e.contenu = "#";
        } else if (e.genre == Entree::Genre::Fichier) {
            e.contenu = contenu;
        }
        entrees << e;
    }
    return ecrivain::ecrire(b.racine + QStringLiteral("/fabrique/x.rar"),
                            cas.rar4 ? ecrivain::rar4(entrees) : ecrivain::rar5(entrees));
}

QList<Cas> corpus() {
    // "e/f/g" leads back to the chosen folder: a link "g/../x" beside it leads above, though its
    // name alone says otherwise.
    const QPair<QByteArray, QByteArray> remonte{"e/f/g", "-> ../.."};
    const QByteArray profond = QByteArray("d/").repeated(200) + "f.txt";
    const QByteArray a40 = QByteArray("a/").repeated(40) + "../";
    const QByteArray long1500 = QByteArray("a/../").repeated(300); // before the library's last /../
    const QByteArray surrogat = "\xED\xA0\x80"; // U+D800 alone, which the library cannot write
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
        {"existing files and folder: no to all", Entrees{{"docs", "/"}} + abc,
         {Ignore, Ok, Ignore, Ok},
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
         {{".._x", "1"}, {".._.._y", "2"}}, {B::YesToAll}, 0, {}, {}, false,
         ecrivain::Hote::Windows},
        {"link to the parent, then a file through it", {{"lien", "-> .."}, {"lien/x", "evasion"}},
         {Ok, Refuse}, {{"lien/x", "evasion"}}},
        {"link to an absolute target, then a file through it",
         {{"lien", "-> @/p"}, {"lien/abs.txt", "evasion"}}, {Ok, Refuse},
         {{"lien/abs.txt", "evasion"}}},
        {"link through a link, then a file of its name",
         {remonte, {"e/f/z", "-> g/../x"}, {"e/f/z", "evasion"}}, {Ok, Refuse, Ok},
         {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {"link through a link to the folder beside, named like the chosen one and more",
         {remonte, {"e/f/k", "-> g/../dest2"}, {"e/f/k/x", "evasion"}}, {Ok, Refuse, Ok},
         {{"e/f/k/x", "evasion"}, {"e/f/g", "-> ../.."}}},
        {"links and a hard link through the user's link to the folder beside",
         {{"l", "-> cote/x"}, {"k", "-> ./cote/../x"}, {"hl", "=> cote/x"}}, {Refuse, Refuse, Refuse},
         {{"cote", "-> ../dest2"}}, {B::YesToAll}, 0, {{"cote", "-> ../dest2"}}},
        // The library reads sources of up to 2,047 characters, and keeps what follows their last
        // "/../": a way out beyond that through a link that exists is still a way out.
        {"a copy and a hard link whose 1,500-character sources go through the user's link",
         {{"cp", "~> " + long1500 + "cote/x"}, {"hl", "=> " + long1500 + "cote/x"}},
         {Refuse, Refuse}, {{"cote", "-> ../dest2"}}, {B::YesToAll}, 0, {{"cote", "-> ../dest2"}}},
        {"a link made through a later link: refused when made, whatever follows",
         {{"e/f/g", "-> h"}, {"e/f/d", "-> g/.."}, remonte, {"e/f/uuuuuu", "donnee"},
          {"hl", "=> e/f/d/xxxx"}}, {Origine, Ok, Ok, Refuse, Ok},
         {{"e/f/uuuuuu", "donnee"}, {"e/f/g", "-> ../.."}}},
        // Climbing first, then only names: whatever the names become later, it stays beneath.
        {"links to nothing, brought to life later", {{"a/m", "-> ../b/c"}, {"b", "-> ."},
         {"c", "donnee"}, {"a/m", "remplace"}}, {Ok, Ok, Ok, Ok},
         {{"a/m", "remplace"}, {"b", "-> ."}, {"c", "donnee"}}},
        {"link inside the folder, then a file of its name", {{"lien", "-> sub/t"},
         {"sub/t", "original"}, {"lien", "remplace"}}, {Ok, Ok, Ok},
         {{"sub/t", "original"}, {"lien", "remplace"}}},
        // A file beneath a link, a folder in place of one: the links give way to real folders.
        {"links inside the folder, then entries beneath and in place of them", {{"lienD", "-> sub"},
         {"lienE", "-> sub"}, {"sub/t", "original"}, {"lienD/t", "nouveau"}, {"lienE", "/"}},
         {Ok, Ok, Ok, Ok, Ok}, {{"sub/t", "original"}, {"lienD/t", "nouveau"}}},
        {"name of 1,000 bytes", {{"sage.txt", "ok"}, {QByteArray(1000, 'n'), "long"},
         {"apres.txt", "apres"}}, {QString(), Ok}, {{"sage.txt", "ok"}}, {B::YesToAll}, 0, {},
         "Ereur dans la création du fichier"},
        {"folders 200 deep", {{profond, "profond"}}, {Ok}, {{profond, "profond"}}},
        // The library cuts a name at its first byte that is not UTF-8, and at a lone surrogate.
        {"names not valid in the locale's encoding", {{"\xff\xfe.txt", "1"}, {"abc\xff.txt", "2"},
         {"sage.txt", "ok"}}, {Ok, Ok, Ignore}, {{"abc", "2"}, {"sage.txt", "ok"}}},
        {"a name with a lone surrogate over the user's file, kept", {{"notes.txt" + surrogat,
         "evasion"}}, {Ignore}, {{"notes.txt", "mien"}}, {B::No}, 1, {{"notes.txt", "mien"}}, {},
         false, ecrivain::Hote::Unix, -1, "notes.txt"},
        {"folders named . and .. with a lone surrogate", {{"." + surrogat, "/"},
         {".." + surrogat, "/"}, {"sage.txt", "ok"}}, {Ok, Ignore, Ignore}, {{"sage.txt", "ok"}}},
        {"an 8-bit name of an older archive over the user's file, kept", {{"caf\xe9.txt",
         "evasion"}, {"r\xe9pertoire/b.txt", "b"}}, {Ok, Ignore},
         {{"caf\xe9.txt", "mien"}, {"r\xe9pertoire/b.txt", "b"}}, {B::No}, 1,
         {{"caf\xe9.txt", "mien"}}, {}, true, ecrivain::Hote::Unix, -1, "caf\uFFFD.txt"},
        {"a name that repeats an earlier one", {{"a.txt", "premier"}, {"a.txt", "second"}},
         {Ok, Ok}, {{"a.txt", "second"}}},
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
        {"a file beneath the user's link to a folder outside, kept", {{"maison/x", "evasion"}},
         {Ignore}, {{"maison", "-> ../.."}}, {B::No}, 1, {{"maison", "-> ../.."}}},
        {"a link named with 2,047 characters", {remonte, {QByteArray(2038, 'z') + "/../e/f/z",
         "-> g/../x"}, {"e/f/z", "evasion"}}, {Ok, Refuse, Ok},
         {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {"a hard link through the user's link to a folder outside", {{"autre_xx", "cle"},
         {"hl", "=> maison/x"}}, {Refuse, Ok}, {{"autre_xx", "cle"}, {"maison", "-> ../.."}},
         {B::YesToAll}, 0, {{"maison", "-> ../.."}}},
        // Its data would come from the user's old file, kept with "Non".
        {"a copy of a file that the user kept", {{"x1.bin", "nouveau"}, {"x2.bin", "~> x1.bin"}},
         {Ignore, Ignore}, {{"x1.bin", "mien"}}, {B::No}, 1, {{"x1.bin", "mien"}}},
        {"a hard link to a file that the user kept", {{"x1.bin", "nouveau"}, {"hl", "=> x1.bin"}},
         {Ignore, Ignore}, {{"x1.bin", "mien"}}, {B::No}, 1, {{"x1.bin", "mien"}}},
        {"a copy whose source is missing", {{"cp", "~> absent.txt"}, {"apres.txt", "apres"}},
         {Ok, Origine}, {{"apres.txt", "apres"}}},
        {"names with nowhere to go", {{"..", "1"}, {".", "2"}, {"/", "3"}, {"sage.txt", "ok"}},
         {Ok, Ignore, Ignore, Ignore}, {{"sage.txt", "ok"}}},
        // A folder of the user's keeps its mode: the library would make it 0700 before failing.
        {"a link over the user's folder", {{"sujet", "-> cible"}}, {Ignore},
         {{"sujet/dedans", "mien"}}, {B::No}, 0, {{"sujet/dedans", "mien"}}},
        {"a file over the user's folder", {{"sujet", "evasion"}}, {QString()},
         {{"sujet/dedans", "mien"}}, {B::No}, 0, {{"sujet/dedans", "mien"}},
         "Ereur dans la création du fichier"},
        // The message of the library's code, the user's files untouched, nothing left of what failed.
        {"a folder without write permission", grand, {QString()}, siens, {B::YesToAll}, 0, siens,
         "Ereur dans la création du fichier", false, ecrivain::Hote::Unix, 0},
        {"a full disk", grand, {QString(), Ok}, avec(siens, {{"petit.txt", "petit"}}),
         {B::YesToAll}, 0, siens, "Erreur en écriture", false, ecrivain::Hote::Unix, 64 * 1024},
        // Never started, rather than filling the disk until the library's write fails.
        {"an entry larger than any disk", {{"petit.txt", "petit"}, {"enorme.bin", "#> " +
         QByteArray::number(Q_INT64_C(1) << 50)}, {"apres.txt", "apres"}}, {QString(), Ok},
         {{"petit.txt", "petit"}}, {B::YesToAll}, 0, {},
         "Place insuffisante sur « dest » : il faut 1\u202F125,9 To, il reste …"},
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
        QTest::addColumn<int>("niveau");
        const QList<Cas> cas = corpus();
        for (int n = 0; n < niveaux().size(); ++n) {
            for (int i = 0; i < cas.size(); ++i) {
                QTest::newRow(
                    qPrintable(QLatin1String(cas[i].nom) + QLatin1String(niveaux()[n].nom)))
                    << i << n;
            }
        }
    }

    // With the guards, the rows, questions and files the user sees; at every level, nothing
    // outside the chosen folder that changes.
    void rienNeSortDuDossierChoisi() {
        QFETCH(int, index);
        QFETCH(int, niveau);
        const Niveau& n = niveaux()[niveau];
        if (!possible(n)) {
            QSKIP("bubblewrap cannot make its sandbox here");
        }
        const Cas cas = corpus().at(index);
        Bac bac;
        const QString archive = fabriquer(bac, cas);
        poser(bac, cas.dejaLa);
        // What the user has in the chosen folder is kept whole unless the user lets it go; the
        // chosen folder itself, whose mode a folder named "." would change, only the guards keep.
        const bool garde = n.gardes && !cas.reponses.contains(QMessageBox::Yes) &&
                           !cas.reponses.contains(QMessageBox::YesToAll);
        arbre::dater(bac.racine);
        auto siens = n.gardes ? arbre::lire(bac.racine, true) : QMap<QByteArray, QByteArray>();
        if (!garde) {
            // "Oui" lets the user's files go, never the user's folders.
            siens.removeIf([](const auto& i) { return !i.value().startsWith("40"); });
        }
        const qint64 debut = QDateTime::currentSecsSinceEpoch() - 2;
        const auto avant = photo(bac, n.modes, n.gardes, debut, siens);
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
                              .niveau = n.niveau,
                              .options = n.options});

        ::setrlimit(RLIMIT_FSIZE, &ancienne);
        QFile::setPermissions(bac.dest, droits);
        QCOMPARE(photo(bac, n.modes, n.gardes, debut, siens), avant);
        QCOMPARE(vu.fin.value_or(1), 1);
        if (!n.gardes) {
            return;
        }
        Contenus attendus;
        for (auto i = cas.contenus.cbegin(); i != cas.contenus.cend(); ++i) {
            attendus[QByteArray(i.key()).replace('@', QFile::encodeName(bac.racine.mid(1)))] =
                i.value();
        }
        QCOMPARE(contenusSous(bac.dest), attendus);
        // What the pass wrote has the archive's time, set through the library's own descriptor.
        for (auto i = attendus.cbegin(); i != attendus.cend(); ++i) {
            struct stat s {};
            if (!i.value().startsWith("-> ") && cas.dejaLa.value(i.key()) != i.value() &&
                ::stat((QFile::encodeName(bac.dest) + '/' + i.key()).constData(), &s) == 0) {
                QCOMPARE(qint64(s.st_mtim.tv_sec), ecrivain::Date);
            }
        }
        QCOMPARE(vu.resultats, cas.resultats);
        QCOMPARE(vu.questions.size(), cas.questions);
        if (!cas.demande.isEmpty()) {
            QVERIFY2(vu.questions[0].contains(QStringLiteral("« %1 »").arg(cas.demande)),
                     qPrintable(vu.questions[0]));
        }
        QCOMPARE(vu.fin.has_value(), !cas.message.isEmpty());
        QCOMPARE(vu.messages.size(), cas.message.isEmpty() ? 0 : 1);
        if (!cas.message.isEmpty()) {
            const QString& texte = vu.messages[0].texte;
            QVERIFY2(cas.message.endsWith(QStringLiteral("…"))
                         ? texte.startsWith(cas.message.chopped(1))
                         : texte == cas.message,
                     qPrintable(texte));
            QCOMPARE(vu.messages[0].titre, QStringLiteral("Erreur"));
        }
        // The current directory stays in the chosen folder after the pass.
        QCOMPARE(vu.dossierCourant, bac.dest);
        QCOMPARE(vu.enTete, QStringLiteral("Extraction"));
    }

    // The folder gone between the dialog and the pass: nothing is extracted, and the window, the
    // list and the current directory stay as they were.
    void rienNEstExtraitSansDossier() {
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
            QDir(bac.dest).removeRecursively();
            QApplication::activeModalWidget()
                ->findChild<QPushButton*>(QStringLiteral("Command1"))
                ->click();
        });
        f.Mnu_Extraire_Click();
        QCOMPARE(QDir::currentPath(), avant);
        QCOMPARE(colonne(f, 2), (QStringList{Ok, Ok, Ok}));
        QCOMPARE(f.modeleResultats()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Test"));
        QCOMPARE(boites.messages.size(), 1);
        QVERIFY(boites.messages[0].texte.contains(bac.dest));
    }
};

QTEST_MAIN(TestExtraction)
#include "tst_extraction.moc"

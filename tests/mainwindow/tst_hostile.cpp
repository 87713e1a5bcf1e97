// Hostile archives and failing destinations, through the whole extract command: whatever an
// archive holds, nothing outside the chosen folder appears, changes or vanishes, the program
// finishes or ends with a French message, never a crash, and the rows say what happened.

#include "Archives.h"
#include "Assistant.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"
#include "Protocole.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

using Reponses = QList<QMessageBox::StandardButton>;
using Contenus = QMap<QString, QByteArray>; // relative path, content

const QByteArray Sentinelle("sentinelle");
const QString Creation = QStringLiteral("Ereur dans la création du fichier");
const QString Ecriture = QStringLiteral("Erreur en écriture");

// A sandbox whose chosen folder is racine/p/q/dest, with sentinels at every level above it,
// where "..", "../.." and "../../.." lead. Their unusual modes show a chmod made through a link.
class Bac {
    QTemporaryDir d_; // first: the paths below are made from it

public:
    Bac()
        : racine(QFileInfo(d_.path()).canonicalFilePath())
        , dest(racine + QStringLiteral("/p/q/dest"))
        , fabrique(racine + QStringLiteral("/fabrique")) {
        for (const QString& niveau :
             {racine, racine + QStringLiteral("/p"), racine + QStringLiteral("/p/q")}) {
            for (const char* nom : {"x", "y", "xxxx", "outside.txt", "abs.txt", "box/dedans"}) {
                const QString chemin = niveau + QLatin1Char('/') + QLatin1String(nom);
                archives::ecrire(chemin, Sentinelle);
                QFile::setPermissions(chemin,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
            }
        }
        QDir().mkpath(dest);
        QDir().mkpath(fabrique);
    }

    const QString racine;
    const QString dest;
    const QString fabrique;
};

QString lireLien(const QString& chemin) {
    char tampon[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(chemin).constData(), tampon, sizeof tampon);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(tampon, n));
}

QString reel(const QString& chemin) {
    char tampon[PATH_MAX];
    return ::realpath(QFile::encodeName(chemin).constData(), tampon) ? QFile::decodeName(tampon)
                                                                     : QString();
}

QString decrire(const QFileInfo& i) {
    if (i.isSymLink()) {
        return QStringLiteral("lien ") + lireLien(i.filePath());
    }
    struct stat s {};
    ::lstat(QFile::encodeName(i.filePath()).constData(), &s);
    const QString etat = QStringLiteral("%1 %2 %3")
                             .arg(int(i.permissions()), 0, 16)
                             .arg(i.lastModified().toMSecsSinceEpoch())
                             .arg(s.st_nlink);
    if (i.isDir()) {
        return QStringLiteral("dossier ") + etat;
    }
    QFile f(i.filePath());
    f.open(QIODevice::ReadOnly);
    return QStringLiteral("fichier ") + etat + QLatin1Char(' ') +
           QString::fromLatin1(
               QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex());
}

// Every entry under `racine` with its type, mode, time, link count, content and link target, except
// what lies inside `exclu`; of `exclu` itself, only its mode, which a pass must not change either.
QMap<QString, QString> photo(const QString& racine, const QString& exclu = {}) {
    QMap<QString, QString> etat;
    etat[racine] = decrire(QFileInfo(racine));
    QDirIterator it(racine, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        if (chemin == exclu) {
            etat[chemin] = QString::number(int(it.fileInfo().permissions()), 16);
        } else if (exclu.isEmpty() || !chemin.startsWith(exclu + QLatin1Char('/'))) {
            etat[chemin] = decrire(it.fileInfo());
        }
    }
    return etat;
}

// The entries that differ between two photos, with both states: empty when nothing changed.
QStringList ecarts(const QMap<QString, QString>& avant, const QMap<QString, QString>& apres) {
    QStringList differents;
    QStringList chemins = avant.keys() + apres.keys();
    chemins.removeDuplicates();
    for (const QString& c : chemins) {
        if (avant.value(c) != apres.value(c)) {
            differents << c + QStringLiteral(": ") + avant.value(c) + QStringLiteral(" -> ") +
                              apres.value(c);
        }
    }
    return differents;
}

// What lies under `dest`: each file's content, and "-> target" for each symbolic link.
Contenus contenusSous(const QString& dest) {
    Contenus contenus;
    QDirIterator it(dest, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = QDir(dest).relativeFilePath(it.next());
        if (it.fileInfo().isSymLink()) {
            contenus[chemin] = "-> " + QFile::encodeName(lireLien(it.filePath()));
        } else if (!it.fileInfo().isDir()) {
            contenus[chemin] = archives::lire(it.filePath());
        }
    }
    return contenus;
}

// Links under `dest` through which something could be written outside it: a symbolic link whose
// target, or the folder of a target not there yet, lies outside; a file that shares its data with
// a name outside (a hard link).
QStringList liensQuiSortent(const QString& dest) {
    const auto dehors = [&](const QString& chemin) {
        return !chemin.isEmpty() && chemin != dest && !chemin.startsWith(dest + QLatin1Char('/'));
    };
    QStringList sortants;
    QMap<ino_t, int> noms;
    QMap<ino_t, QPair<QString, nlink_t>> liensDurs;
    QDirIterator it(dest, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        struct stat s {};
        if (::lstat(QFile::encodeName(chemin).constData(), &s) != 0) {
            continue;
        }
        if (S_ISLNK(s.st_mode)) {
            QString ou = reel(chemin);
            if (ou.isEmpty()) {
                const QString cible = lireLien(chemin);
                const QString complet = cible.startsWith(QLatin1Char('/'))
                                            ? cible
                                            : QFileInfo(chemin).path() + QLatin1Char('/') + cible;
                const qsizetype i = complet.lastIndexOf(QLatin1Char('/'));
                const QString dossier = reel(complet.left(i));
                ou = dossier.isEmpty() ? QString() : dossier + complet.mid(i);
            }
            if (dehors(ou)) {
                sortants << chemin + QStringLiteral(" -> ") + ou;
            }
        } else if (S_ISREG(s.st_mode)) {
            ++noms[s.st_ino];
            liensDurs[s.st_ino] = {chemin, s.st_nlink};
        }
    }
    for (auto i = liensDurs.cbegin(); i != liensDurs.cend(); ++i) {
        if (i->second > nlink_t(noms[i.key()])) {
            sortants << i->first + QStringLiteral(" (lien dur)");
        }
    }
    return sortants;
}

struct Issue {
    std::optional<int> fin; // the status the program ended with, when it did
    QList<MessageVu> messages;
    QStringList questions;
    QStringList noms;      // top row first
    QStringList resultats; // top row first
};

// Opens the archive as the command line does, then extracts it into `dest` with the menu and the
// real destination dialog, answering the overwrite questions with `reponses`; the helpers start at
// `niveau` (the strongest this system offers when none), with `options`.
Issue extraire(const QString& archive, const QString& dest, const Reponses& reponses = {},
               std::optional<assistant::Niveau> niveau = {}, quint32 options = 0) {
    DossierCourantGarde garde;
    FausseInteraction boites;
    assistant::imposerNiveau(niveau);
    assistant::imposerOptions(options);
    const auto retablir = qScopeGuard([] {
        assistant::imposerNiveau(std::nullopt);
        assistant::imposerOptions(0);
    });
    for (const auto r : reponses) {
        boites.reponses.enqueue(r);
    }
    FUnRAR f;
    Issue issue;
    try {
        f.Form_Load(archive);
        ModuleRAR::DossierDestination = dest;
        repondreAuDialogue("Command1");
        f.Mnu_Extraire_Click();
    } catch (const FinDuProgramme& fin) {
        issue.fin = fin.statut;
    }
    issue.messages = boites.messages;
    issue.questions = boites.questions;
    const ListeResultats* m = f.modeleResultats();
    for (int i = 0; i < m->nombreLignes(); ++i) {
        issue.noms << m->texte(i, ListeResultats::ColonneFichier);
        issue.resultats << m->texte(i, ListeResultats::ColonneResultat);
    }
    return issue;
}

// Makes `fichiers` and `liens` into an archive, then gives its entries the names `renommages`
// asks for, in order; `hote` also marks the renamed entries as made on that system.
QString faire(const Bac& b, const QString& nom, const archives::Fichiers& fichiers,
              const QList<QPair<QByteArray, QByteArray>>& renommages,
              const archives::Liens& liens = {}, std::optional<quint64> hote = std::nullopt) {
    const QString chemin = archives::creer(b.fabrique, nom, fichiers, {}, liens);
    QByteArray octets = archives::lire(chemin);
    for (const auto& [ancien, nouveau] : renommages) {
        octets = archives::renommer(octets, ancien, nouveau, hote);
    }
    archives::ecrire(chemin, octets);
    return chemin;
}

struct Cas {
    QString nom{};
    std::function<QString(const Bac&)> archive{};
    QStringList resultats{}; // the result column, top row first
    QString message{};       // the message that ends the program; empty when the pass finishes
    Contenus contenus{};     // all that lies under the chosen folder afterwards; "@" stands for the
                             // sandbox's absolute path without its leading "/"
    Reponses reponses{QMessageBox::YesToAll}; // the answer most open to harm
    int questions = 0;
    Contenus dejaLa{}; // what the user has in the chosen folder before, as in `contenus`
};

// Puts `contenus` under `dest`: "-> target" makes a symbolic link.
void poser(const QString& dest, const Contenus& contenus) {
    for (auto i = contenus.cbegin(); i != contenus.cend(); ++i) {
        const QString chemin = dest + QLatin1Char('/') + i.key();
        if (i.value().startsWith("-> ")) {
            QDir().mkpath(QFileInfo(chemin).path());
            ::symlink(i.value().mid(3).constData(), QFile::encodeName(chemin).constData());
        } else {
            archives::ecrire(chemin, i.value());
        }
    }
}

QList<Cas> corpus() {
    const QString lienRefuse = QStringLiteral("Lien refusé");
    const QString ok = QStringLiteral("OK");
    const QString ignore = QStringLiteral("Ignoré");
    const archives::Fichiers sage{{QStringLiteral("sage.txt"), "ok"}};
    // sage.txt, then an entry named `stocke`.
    const auto evasion = [sage](const char* nom, QByteArray stocke) {
        return [nom, stocke, sage](const Bac& b) {
            return faire(b, QString::fromLatin1(nom) + QStringLiteral(".rar"),
                         sage + archives::Fichiers{{QStringLiteral("evasion"), "evasion"}},
                         {{"evasion", stocke}});
        };
    };
    const auto fichiers = [](const char* nom, const archives::Fichiers& f,
                             const QList<QPair<QByteArray, QByteArray>>& renommages,
                             const archives::Liens& liens = {}) {
        return [=](const Bac& b) {
            return faire(b, QString::fromLatin1(nom) + QStringLiteral(".rar"), f, renommages,
                         liens);
        };
    };
    const auto lien = [](const char* nom, const char* cible) {
        return archives::Lien{QString::fromLatin1(nom), QString::fromLatin1(cible)};
    };
    // "e/f/g" leads back to the chosen folder: a link "g/.." beside it leads above, though its
    // name alone says otherwise.
    const archives::Lien remonte = lien("e/f/g", "../..");
    const archives::Lien dur{QStringLiteral("hl"), QStringLiteral("e/f/tttttt"), true};
    const archives::Fichiers donnee{{QStringLiteral("e/f/tttttt"), "donnee"}};
    const QList<QPair<QByteArray, QByteArray>> versDehors{{"e/f/tttttt", "e/f/uuuuuu"},
                                                          {"e/f/tttttt", "e/f/d/xxxx"}};
    const QString profond = QStringLiteral("d/").repeated(200) + QStringLiteral("f.txt");
    const QString tropLong = QString(24, QLatin1Char('r')).append(QLatin1Char('/')).repeated(200) +
                             QStringLiteral("f.txt"); // 5005 bytes, above PATH_MAX
    const archives::Fichiers deux{{QStringLiteral("a.txt"), "premier"},
                                  {QStringLiteral("a_txt"), "second"}};

    return {
        {.nom = QStringLiteral("parent folder"),
         .archive = evasion("parent", "../x"),
         .resultats = {ok, ok},
         .contenus = {{"x", "evasion"}, {"sage.txt", "ok"}}},
        {.nom = QStringLiteral("two levels up"),
         .archive = evasion("deux", "../../x"),
         .resultats = {ok, ok},
         .contenus = {{"x", "evasion"}, {"sage.txt", "ok"}}},
        {.nom = QStringLiteral("down then up"),
         .archive = evasion("bas-haut", "a/../../x"),
         .resultats = {ok, ok},
         .contenus = {{"x", "evasion"}, {"sage.txt", "ok"}}},
        {.nom = QStringLiteral("absolute path"),
         .archive =
             [evasion](const Bac& b) {
                 return evasion("absolu",
                                QFile::encodeName(b.racine + QStringLiteral("/abs.txt")))(b);
             },
         .resultats = {ok, ok},
         .contenus = {{"@/abs.txt", "evasion"}, {"sage.txt", "ok"}}},
        {.nom = QStringLiteral("backslashes from a Unix host"),
         .archive = fichiers("oblique-unix", {{"un", "1"}, {"deux", "2"}},
                             {{"un", "..\\x"}, {"deux", "..\\..\\y"}}),
         .resultats = {ok, ok},
         .contenus = {{"..\\x", "1"}, {"..\\..\\y", "2"}}},
        {.nom = QStringLiteral("backslashes from a Windows host"),
         .archive =
             [](const Bac& b) {
                 return faire(b, QStringLiteral("oblique-windows.rar"),
                              {{"un", "1"}, {"deux", "2"}},
                              {{"un", "..\\x"}, {"deux", "..\\..\\y"}}, {}, 0);
             },
         .resultats = {ok, ok},
         .contenus = {{".._x", "1"}, {".._.._y", "2"}}},
        {.nom = QStringLiteral("link to the parent, then a file through it"),
         .archive = fichiers("lien-parent", {{"lien_x", "evasion"}}, {{"lien_x", "lien/x"}},
                             {lien("lien", "..")}),
         .resultats = {ok, lienRefuse},
         .contenus = {{"lien/x", "evasion"}}},
        {.nom = QStringLiteral("link to an absolute target, then a file through it"),
         .archive =
             [](const Bac& b) {
                 return faire(b, QStringLiteral("lien-absolu.rar"), {{"lien_abs.txt", "evasion"}},
                              {{"lien_abs.txt", "lien/abs.txt"}},
                              {{QStringLiteral("lien"), b.racine + QStringLiteral("/p")}});
             },
         .resultats = {ok, lienRefuse},
         .contenus = {{"lien/abs.txt", "evasion"}}},
        {.nom = QStringLiteral("link through a link, then a file of its name"),
         .archive = fichiers("chaine", {{"e/f/zz", "evasion"}}, {{"e/f/zz", "e/f/z"}},
                             {remonte, lien("e/f/z", "g/../x")}),
         .resultats = {ok, lienRefuse, ok},
         .contenus = {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {.nom = QStringLiteral("link through a link, then a folder of its name"),
         .archive = fichiers("chaine-dossier", {{"e/f/vv/", {}}}, {{"e/f/vv", "e/f/v"}},
                             {remonte, lien("e/f/v", "g/../box")}),
         .resultats = {ok, lienRefuse, ok},
         .contenus = {{"e/f/g", "-> ../.."}}},
        {.nom = QStringLiteral("hard link through a link that leads out"),
         .archive =
             fichiers("chaine-dur", donnee, versDehors, {remonte, lien("e/f/d", "g/.."), dur}),
         .resultats = {lienRefuse, ok, lienRefuse, ok},
         .contenus = {{"e/f/uuuuuu", "donnee"}, {"e/f/g", "-> ../.."}}},
        // "e/f/d" -> "g/.." leads inside until "e/f/g" is made again, as "../..".
        {.nom = QStringLiteral("link that a later link makes lead out"),
         .archive =
             fichiers("chaine-tardive", donnee,
                      QList{qMakePair(QByteArray("e/f/G"), QByteArray("e/f/g"))} + versDehors,
                      {lien("e/f/g", "h"), lien("e/f/d", "g/.."), lien("e/f/G", "../.."), dur}),
         .resultats = {lienRefuse, ok, ok, ok, ok},
         .contenus = {{"e/f/uuuuuu", "donnee"}, {"e/f/g", "-> ../.."}},
         .questions = 1},
        {.nom = QStringLiteral("link inside the folder, then a file of its name"),
         .archive = fichiers("lien-interne", {{"sub/t", "original"}, {"lienX", "remplace"}},
                             {{"lienX", "lien"}}, {lien("lien", "sub/t")}),
         .resultats = {ok, ok, ok},
         .contenus = {{"sub/t", "original"}, {"lien", "remplace"}},
         .questions = 1},
        // A file beneath a link, a folder in place of one: the links give way to real folders.
        {.nom =
             QStringLiteral("links inside the folder, then entries beneath and in place of them"),
         .archive = fichiers("liens-internes",
                             {{"sub/t", "original"}, {"lienD_t", "nouveau"}, {"lienE_/", {}}},
                             {{"lienD_t", "lienD/t"}, {"lienE_", "lienE"}},
                             {lien("lienD", "sub"), lien("lienE", "sub")}),
         .resultats = {ok, ok, ok, ok, ok},
         .contenus = {{"sub/t", "original"}, {"lienD/t", "nouveau"}}},
        {.nom = QStringLiteral("name of 1,000 bytes"),
         .archive =
             fichiers("mille", sage + archives::Fichiers{{"long", "long"}, {"apres.txt", "apres"}},
                      {{"long", QByteArray(1000, 'n')}}),
         .resultats = {QString(), ok},
         .message = Creation,
         .contenus = {{"sage.txt", "ok"}}},
        {.nom = QStringLiteral("folders 200 deep"),
         .archive = fichiers("profond", {{"f.txt", "profond"}}, {{"f.txt", profond.toLatin1()}}),
         .resultats = {ok},
         .contenus = {{profond, "profond"}}},
        // More than the header's 1,024 characters: what the library would make of the rest is not
        // to be seen, so nothing is made.
        {.nom = QStringLiteral("folders 200 deep beyond PATH_MAX"),
         .archive = fichiers("trop-long", {{"f.txt", "profond"}}, {{"f.txt", tropLong.toLatin1()}}),
         .resultats = {ignore}},
        // The library cuts a name at its first byte that is not UTF-8.
        {.nom = QStringLiteral("names not valid in the locale's encoding"),
         .archive = fichiers("encodage", archives::Fichiers{{"un", "1"}, {"deux", "2"}} + sage,
                             {{"un", "\xff\xfe.txt"}, {"deux", "abc\xff.txt"}}),
         .resultats = {ok, ok, ignore},
         .contenus = {{"abc", "2"}, {"sage.txt", "ok"}}},
        {.nom = QStringLiteral("a name that repeats an earlier one, replaced"),
         .archive = fichiers("double-oui", deux, {{"a_txt", "a.txt"}}),
         .resultats = {ok, ok},
         .contenus = {{"a.txt", "second"}},
         .reponses = {QMessageBox::Yes},
         .questions = 1},
        {.nom = QStringLiteral("a name that repeats an earlier one, kept"),
         .archive = fichiers("double-non", deux, {{"a_txt", "a.txt"}}),
         .resultats = {ignore, ok},
         .contenus = {{"a.txt", "premier"}},
         .reponses = {QMessageBox::No},
         .questions = 1},
        // The library keeps what follows the last "/../" of a name: "q/../e/f/z" is "e/f/z".
        {.nom = QStringLiteral("a chain of links behind x/../ in their names"),
         .archive =
             fichiers("chaine-x", {{"e/f/zz", "evasion"}},
                      {{"e/f/g", "q/../e/f/g"}, {"e/f/z", "q/../e/f/z"}, {"e/f/zz", "q/../e/f/z"}},
                      {remonte, lien("e/f/z", "g/../x")}),
         .resultats = {ok, lienRefuse, ok},
         .contenus = {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {.nom = QStringLiteral("a link to an absolute target 40 folders deep behind x/../"),
         .archive =
             [](const Bac& b) {
                 const QByteArray a40 = QByteArray("a/").repeated(40) + "../";
                 return faire(b, QStringLiteral("quarante.rar"), {{"lien_abs.txt", "evasion"}},
                              {{"lien_abs.txt", a40 + "lien/abs.txt"}, {"lien", a40 + "lien"}},
                              {{QStringLiteral("lien"), b.racine}});
             },
         .resultats = {ok, lienRefuse},
         .contenus = {{"lien/abs.txt", "evasion"}}},
        {.nom = QStringLiteral("x/../ onto the user's link to a file outside, replaced"),
         .archive =
             fichiers("notes-oui", {{"notes_txt", "evasion"}}, {{"notes_txt", "x/../notes.txt"}}),
         .resultats = {ok},
         .contenus = {{"notes.txt", "evasion"}},
         .questions = 1,
         .dejaLa = {{"notes.txt", "-> ../outside.txt"}}},
        {.nom = QStringLiteral("x/../ onto the user's link to a file outside, kept"),
         .archive =
             fichiers("notes-non", {{"notes_txt", "evasion"}}, {{"notes_txt", "x/../notes.txt"}}),
         .resultats = {ignore},
         .contenus = {{"notes.txt", "-> ../outside.txt"}},
         .reponses = {QMessageBox::No},
         .questions = 1,
         .dejaLa = {{"notes.txt", "-> ../outside.txt"}}},
        {.nom = QStringLiteral("x/../ onto the user's file, kept"),
         .archive = fichiers("mien", {{"mien_txt", "evasion"}}, {{"mien_txt", "x/../mien.txt"}}),
         .resultats = {ignore},
         .contenus = {{"mien.txt", "mien"}},
         .reponses = {QMessageBox::No},
         .questions = 1,
         .dejaLa = {{"mien.txt", "mien"}}},
        {.nom = QStringLiteral("a file beneath the user's link to a folder outside, kept"),
         .archive = fichiers("maison-non", {{"maison_x", "evasion"}}, {{"maison_x", "maison/x"}}),
         .resultats = {ignore},
         .contenus = {{"maison", "-> ../.."}},
         .reponses = {QMessageBox::No},
         .questions = 1,
         .dejaLa = {{"maison", "-> ../.."}}},
        // Beyond the header's 1,024 characters the guards would see another link than the one the
        // library makes, through which the file "e/f/z" would go out.
        {.nom = QStringLiteral("a link named with 1,025 characters"),
         .archive =
             fichiers("long-1025", {{"e/f/zz", "evasion"}},
                      {{"e/f/z", QByteArray(1025 - 9, 'z') + "/../e/f/z"}, {"e/f/zz", "e/f/z"}},
                      {remonte, lien("e/f/z", "g/../x")}),
         .resultats = {ok, ignore, ok},
         .contenus = {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        {.nom = QStringLiteral("a link named with 2,047 characters"),
         .archive =
             fichiers("long-2047", {{"e/f/zz", "evasion"}},
                      {{"e/f/z", QByteArray(2047 - 9, 'z') + "/../e/f/z"}, {"e/f/zz", "e/f/z"}},
                      {remonte, lien("e/f/z", "g/../x")}),
         .resultats = {ok, ignore, ok},
         .contenus = {{"e/f/z", "evasion"}, {"e/f/g", "-> ../.."}}},
        // The hard link's target is a file of the user's outside, through the user's own link.
        {.nom = QStringLiteral("a hard link through the user's link to a folder outside"),
         .archive = fichiers("maison-dur", {{"maison_x", "cle"}},
                             {{"maison_x", "autre_xx"}, {"maison_x", "maison/x"}},
                             {{QStringLiteral("hl"), QStringLiteral("maison_x"), true}}),
         .resultats = {lienRefuse, ok},
         .contenus = {{"autre_xx", "cle"}, {"maison", "-> ../.."}},
         .dejaLa = {{"maison", "-> ../.."}}},
        // Its data would come from the user's old file, kept with "Non".
        {.nom = QStringLiteral("a copy of a file that the user kept"),
         .archive =
             [](const Bac& b) {
                 return archives::creer(b.fabrique, QStringLiteral("copie.rar"),
                                        {{"x1.bin", "nouveau"}, {"x2.bin", "nouveau"}},
                                        {QStringLiteral("-oi:1")});
             },
         .resultats = {ignore, ignore},
         .contenus = {{"x1.bin", "mien"}},
         .reponses = {QMessageBox::No},
         .questions = 1,
         .dejaLa = {{"x1.bin", "mien"}}},
        {.nom = QStringLiteral("a hard link to a file that the user kept"),
         .archive = fichiers("dur-garde", {{"x1.bin", "nouveau"}}, {},
                             {{QStringLiteral("hl"), QStringLiteral("x1.bin"), true}}),
         .resultats = {ignore, ignore},
         .contenus = {{"x1.bin", "mien"}},
         .reponses = {QMessageBox::No},
         .questions = 1,
         .dejaLa = {{"x1.bin", "mien"}}},
        {.nom = QStringLiteral("names with nowhere to go"),
         .archive = fichiers("nulle-part",
                             archives::Fichiers{{"un", "1"}, {"deux", "2"}, {"trois", "3"}} + sage,
                             {{"un", ".."}, {"deux", "."}, {"trois", "/"}}),
         .resultats = {ok, ignore, ignore, ignore},
         .contenus = {{"sage.txt", "ok"}}},
    };
}

// Lowers the largest file this process may write for as long as it lives; a write beyond it
// fails with EFBIG instead of killing the process.
class LimiteFichier {
public:
    explicit LimiteFichier(rlim_t octets) {
        ::getrlimit(RLIMIT_FSIZE, &avant_);
        signalAvant_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limite = avant_;
        limite.rlim_cur = octets;
        ::setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteFichier() {
        ::setrlimit(RLIMIT_FSIZE, &avant_);
        std::signal(SIGXFSZ, signalAvant_);
    }
    LimiteFichier(const LimiteFichier&) = delete;
    LimiteFichier& operator=(const LimiteFichier&) = delete;

private:
    rlimit avant_{};
    void (*signalAvant_)(int) = nullptr;
};

// Root writes into any folder, unless the sandbox took its capabilities: for as long as it lives,
// file access is checked as "nobody" when `necessaire`.
class SansPrivileges {
public:
    explicit SansPrivileges(bool necessaire) {
        if (necessaire && ::geteuid() == 0 && ::seteuid(65534) == 0) {
            rendre_ = true;
        }
    }
    ~SansPrivileges() {
        if (rendre_ && ::seteuid(0) != 0) {
            std::abort(); // the rest of the run would not be what it claims
        }
    }
    bool possible() const {
        return rendre_ || ::geteuid() != 0 || assistant::niveau() == assistant::Niveau::Bac;
    }
    SansPrivileges(const SansPrivileges&) = delete;
    SansPrivileges& operator=(const SansPrivileges&) = delete;

private:
    bool rendre_ = false;
};

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ModuleRAR::CheminArchive.clear();
        ModuleRAR::DossierDestination.clear();
    }

    // With the guards, at every level of confinement: the rows and questions the user sees, and
    // nothing outside the chosen folder that changes or that a link left there leads to.
    void rienNeSortDuDossierChoisi_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<std::optional<assistant::Niveau>>("niveau");
        const QList<Cas> cas = corpus();
        const QList<QPair<const char*, std::optional<assistant::Niveau>>> niveaux{
            {"", std::nullopt},
            {", without the sandbox", assistant::Niveau::Landlock},
            {", without the sandbox nor Landlock", assistant::Niveau::Gardes}};
        for (const auto& [suffixe, niveau] : niveaux) {
            for (int i = 0; i < cas.size(); ++i) {
                QTest::newRow(qPrintable(cas[i].nom + QLatin1String(suffixe))) << i << niveau;
            }
        }
    }

    // The guards stand aside: the sandbox alone keeps every file outside as it was (contents,
    // modes, times, links and link counts), whatever the library makes of the archive.
    void leBacSeulGardeToutDehors_data() {
        QTest::addColumn<int>("index");
        const QList<Cas> cas = corpus();
        for (int i = 0; i < cas.size(); ++i) {
            QTest::newRow(qPrintable(cas[i].nom)) << i;
        }
    }

    void leBacSeulGardeToutDehors() {
        QFETCH(int, index);
        if (assistant::niveau() != assistant::Niveau::Bac) {
            QSKIP("bubblewrap cannot make its sandbox here");
        }
        const Cas cas = corpus().at(index);
        Bac bac;
        const QString archive = cas.archive(bac);
        poser(bac.dest, cas.dejaLa);
        const QMap<QString, QString> avant = photo(bac.racine, bac.dest);
        const Issue issue = extraire(archive, bac.dest, cas.reponses, assistant::Niveau::Bac,
                                     protocole::SansGardes);
        // The chosen folder is the sandbox's writable place, itself included: an entry named "."
        // may change its mode, which only the guards keep.
        QMap<QString, QString> apres = photo(bac.racine, bac.dest);
        apres[bac.dest] = avant.value(bac.dest);
        const QStringList changes = ecarts(avant, apres);
        QVERIFY2(changes.isEmpty(), qPrintable(changes.join(QLatin1Char('\n'))));
        QCOMPARE(issue.fin.value_or(1), 1); // the pass ends or stops on the library's failure
    }

    void rienNeSortDuDossierChoisi() {
        QFETCH(int, index);
        QFETCH(std::optional<assistant::Niveau>, niveau);
        const Cas cas = corpus().at(index);
        Bac bac;
        const QString archive = cas.archive(bac);
        poser(bac.dest, cas.dejaLa);
        const QMap<QString, QString> avant = photo(bac.racine, bac.dest);

        const QStringList liensDeLUtilisateur = liensQuiSortent(bac.dest);
        const Issue issue = extraire(archive, bac.dest, cas.reponses, niveau);

        const QStringList changes = ecarts(avant, photo(bac.racine, bac.dest));
        QVERIFY2(changes.isEmpty(), qPrintable(changes.join(QLatin1Char('\n'))));
        // No link leads out but the user's own, if kept.
        for (const QString& lien : liensQuiSortent(bac.dest)) {
            QVERIFY2(liensDeLUtilisateur.contains(lien), qPrintable(lien));
        }
        QCOMPARE(issue.resultats, cas.resultats);
        if (cas.message.isEmpty()) {
            QVERIFY(!issue.fin.has_value());
            QCOMPARE(issue.messages.size(), 0);
        } else {
            QCOMPARE(issue.fin.value_or(-1), 1);
            QCOMPARE(issue.messages.size(), 1);
            QCOMPARE(issue.messages[0].texte, cas.message);
            QCOMPARE(issue.messages[0].titre, QStringLiteral("Erreur"));
        }
        QCOMPARE(issue.questions.size(), cas.questions);
        Contenus attendus;
        for (auto i = cas.contenus.cbegin(); i != cas.contenus.cend(); ++i) {
            QString chemin = i.key();
            attendus[chemin.replace(QLatin1Char('@'), bac.racine.mid(1))] = i.value();
        }
        QCOMPARE(contenusSous(bac.dest), attendus);
    }

    void lesEchecsDeLaDestination_data() {
        QTest::addColumn<bool>("disquePlein");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("resultats");
        QTest::addColumn<QStringList>("ecrits"); // what the pass leaves beside the user's files
        QTest::newRow("folder without write permission")
            << false << Creation << QStringList{QString()} << QStringList{};
        QTest::newRow("full disk")
            << true << Ecriture << QStringList{QString(), "OK"} << QStringList{"petit.txt"};
    }

    void lesEchecsDeLaDestination() {
        QFETCH(bool, disquePlein);
        QFETCH(QString, message);
        QFETCH(QStringList, resultats);
        QFETCH(QStringList, ecrits);
        Bac bac;
        const QString archive =
            archives::creer(bac.fabrique, QStringLiteral("grand.rar"),
                            {{QStringLiteral("petit.txt"), "petit"},
                             {QStringLiteral("grand.bin"), QByteArray(300000, 'g')},
                             {QStringLiteral("apres.txt"), "apres"}},
                            {QStringLiteral("-m0")});
        archives::ecrire(bac.dest + QStringLiteral("/mien.txt"), "mien");
        archives::ecrire(bac.dest + QStringLiteral("/sous/mien.txt"), "mien aussi");
        Issue issue;
        QMap<QString, QString> avant;
        if (disquePlein) {
            avant = photo(bac.racine);
            LimiteFichier limite(64 * 1024);
            issue = extraire(archive, bac.dest, {QMessageBox::YesToAll});
        } else {
            // Only the chosen folder refuses writes; "nobody", who keeps our group, must still
            // reach it and the archive.
            const QFile::Permissions lecture =
                QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
            for (const QString& dossier : {bac.racine, bac.racine + QStringLiteral("/p"),
                                           bac.racine + QStringLiteral("/p/q"), bac.fabrique}) {
                QFile::setPermissions(dossier, QFile::permissions(dossier) | lecture);
            }
            QFile::setPermissions(archive, QFile::permissions(archive) | QFile::ReadGroup |
                                               QFile::ReadOther);
            QFile::setPermissions(bac.dest, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther |
                                                QFile::ExeOther);
            avant = photo(bac.racine);
            // In the sandbox the helper has no capabilities, root's neither: the folder's
            // permissions refuse it. Without the sandbox, root must act as somebody else.
            SansPrivileges nobody(assistant::niveau() != assistant::Niveau::Bac);
            if (!nobody.possible()) {
                QSKIP("running as root without the right to act as another user: a folder "
                      "without write permission cannot refuse us");
            }
            issue = extraire(archive, bac.dest, {QMessageBox::YesToAll});
        }

        QCOMPARE(issue.fin.value_or(-1), 1);
        QCOMPARE(issue.messages.size(), 1);
        QCOMPARE(issue.messages[0].texte, message);
        QCOMPARE(issue.resultats, resultats);
        QCOMPARE(issue.noms.last(), QStringLiteral("petit.txt"));
        // The user's files are untouched, and what failed leaves nothing behind.
        QMap<QString, QString> apres = photo(bac.racine);
        for (const QString& ecrit : ecrits) {
            QVERIFY(apres.remove(bac.dest + QLatin1Char('/') + ecrit) == 1);
        }
        avant.remove(bac.dest); // its time changes as soon as anything is written in it
        apres.remove(bac.dest);
        QCOMPARE(apres, avant);
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"

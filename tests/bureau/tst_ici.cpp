// "Extraire ici" on a stranger's archive lying in the home: whatever it holds, at every level of
// confinement, through the real window, exactly one new name appears beside it, the one the user
// can foresee from the archive's, and nothing else of the folder changes.

#include "Arbre.h"
#include "Archives.h"
#include "EcrivainRar.h"
#include "ExtraireIci.h"
#include "FUnRAR.h"
#include "JournalIci.h"
#include "Messages.h"
#include "Passe.h"
#include "Restes.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

using Entrees = QList<QPair<QByteArray, QByteArray>>; // stored name, content; "-> t" a link

struct Cas {
    const char* nom;
    Entrees entrees;
    QByteArray publie;     // the one new name beside the archive; empty: none
    QByteArrayList dedans; // what lies beneath it, folders aside, with the guards at work
    enum Tour { Ordinaire, Echoue, Place, Plein, SansMotDePasse, Arrete, Ferme } tour = Ordinaire;
    QByteArray archive = "jeu.rar";
};

const QList<Cas> cas{
    {"a hidden file alone", {{".bash_aliases", "alias ls=x"}}, "jeu (2)", {".bash_aliases"}},
    {"a hidden folder with an autostart entry",
     {{".config/autostart/x.desktop", "[Desktop]"}},
     "jeu (2)",
     {".config/autostart/x.desktop"}},
    {"a link alone", {{"lien", "-> .bashrc"}}, "jeu (2)", {"lien"}},
    {"a name that climbs, the archive's", {{"../jeu.txt", "x"}}, "jeu.txt", {"jeu.txt"}},
    {"a climb hidden behind a folder's name",
     {{"Projet/../.config/autostart/y.desktop", "[Desktop]"}},
     "jeu (2)",
     {".config/autostart/y.desktop"}},
    {"a folder of another name", {{"bin/outil", "#!/bin/sh"}}, "jeu (2)", {"bin/outil"}},
    {"a folder named as the archive, there", {{"jeu/a.txt", "a"}}, "jeu (2)", {"jeu/a.txt"}},
    {"a file of the archive's name, there", {{"jeu", "p"}}, "jeu (2)", {"jeu"}},
    {"two entries", {{"a.txt", "a"}, {"d/b.txt", "b"}}, "jeu (2)", {"a.txt", "d/b.txt"}},
    {"one file of another name", {{"authorized_keys", "k"}}, "jeu (2)", {"authorized_keys"}},
    {"one file of the archive's name in capitals", {{"JEU.txt", "j"}}, "jeu (2)", {"JEU.txt"}},
    {"a pass that fails, its box after the publishing",
     {{"a.txt", "a"}, {QByteArray(1000, 'n'), "x"}},
     "jeu (incomplet)",
     {"a.txt"},
     Cas::Echoue},
    {"the room question declined", {{"a.txt", "a"}}, "", {}, Cas::Place},
    {"an entry larger than the room left, after another", {}, "", {}, Cas::Plein},
    {"nothing extracted: no password", {}, "", {}, Cas::SansMotDePasse},
    {"a stopped pass", {}, "jeu (incomplet)", {"a.txt", "b.txt"}, Cas::Arrete},
    {"the window closed during the pass", {}, "jeu (incomplet)", {"a.txt", "b.txt"}, Cas::Ferme},
    {"a folder named as the archive", {{"Photos/a", "a"}}, "Photos", {"a"}, {}, "Photos.part1.rar"},
    {"an archive whose name is not UTF-8",
     {{"a", "a"}, {"b", "b"}},
     "facture-\xe9",
     {"a", "b"},
     {},
     "facture-\xe9.rar"},
};

// A home with what a stranger's archive would aim at, and a folder named as the archive.
void peupler(const QString& maison) {
    for (const char* nom : {".bashrc", ".config/autostart/mien.desktop", ".ssh/authorized_keys",
                            "Projet/notes.txt", "jeu/vieux.txt", "notes.txt"}) {
        archives::ecrire(maison + QLatin1Char('/') + QLatin1String(nom), "mien");
    }
    ::chmod(QFile::encodeName(maison + "/.ssh").constData(), 0700);
    ::chmod(QFile::encodeName(maison + "/.ssh/authorized_keys").constData(), 0600);
}

// The archive beside the home, as the bytes of its path: the case's entries, written byte by
// byte, or one that rar makes (a password that nobody gives, made once; an entry long to extract).
QByteArray fabriquer(const QString& maison, const Cas& c) {
    static QTemporaryDir dossier;
    static const QString sansMotDePasse = archives::creer(
        dossier.path(), QStringLiteral("p.rar"), {{QStringLiteral("a.txt"), "a"}}, {"-pk"});
    const QString archive = maison + QStringLiteral("/fait.rar");
    if (c.tour == Cas::Plein) {
        ecrivain::ecrire(
            archive,
            ecrivain::rar5({{.nom = "a.txt", .contenu = "a"},
                            {.nom = "enorme.bin", .contenu = "#", .taille = qint64(1) << 50}}));
    } else if (c.tour < Cas::SansMotDePasse) {
        archives::brute(archive, c.entrees);
    } else {
        QFile::copy(c.tour == Cas::SansMotDePasse ? sansMotDePasse : archives::longue(), archive);
    }
    const QByteArray chemin = QFile::encodeName(maison) + '/' + c.archive;
    ::rename(QFile::encodeName(archive).constData(), chemin.constData());
    if (c.tour == Cas::Place) {
        // Twice the room left, which others may free meanwhile, without taking any.
        struct statvfs fs {};
        ::statvfs(chemin.constData(), &fs);
        if (::truncate(chemin.constData(), off_t(2 * fs.f_bavail * fs.f_frsize + (1 << 30))) != 0) {
            qFatal("truncate %s: %s", chemin.constData(), std::strerror(errno));
        }
    }
    return chemin;
}

// "Extraire ici" of `archive` through the real window: the status the program ended with, if it
// did.
std::optional<int> extraireIci(const QByteArray& archive) {
    DossierCourantGarde garde;
    FUnRAR f;
    try {
        f.extraireIci(archive);
    } catch (const FinDuProgramme& fin) {
        return fin.statut;
    }
    return std::nullopt;
}

} // namespace

class TestIci : public QObject {
    Q_OBJECT

private slots:
    // bubblewrap, handed the folder KORVANE_AILLEURS names in the place of the destination's.
    void initTestCase() {
        const QString bwrap = QStandardPaths::findExecutable(QStringLiteral("bwrap"));
        archives::ecrire(
            outils_.filePath(QStringLiteral("bwrap")),
            "#!/bin/sh\n[ -z \"$KORVANE_AILLEURS\" ] || exec 7<\"$KORVANE_AILLEURS\"\nexec " +
                QFile::encodeName(bwrap) + " \"$@\"\n");
        QFile::setPermissions(outils_.filePath(QStringLiteral("bwrap")),
                              QFile::ExeOwner | QFile::ReadOwner);
        qputenv("PATH", QFile::encodeName(outils_.path()) + ':' + qgetenv("PATH"));
    }

    void uneSeuleNouveauteACoteDeLArchive_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("niveau");
        for (int n = 0; n < niveaux().size(); ++n) {
            for (int i = 0; i < cas.size(); ++i) {
                QTest::newRow(
                    qPrintable(QLatin1String(cas[i].nom) + QLatin1String(niveaux()[n].nom)))
                    << i << n;
            }
        }
    }

    void uneSeuleNouveauteACoteDeLArchive() {
        QFETCH(int, index);
        QFETCH(int, niveau);
        const Cas& c = cas[index];
        const Niveau& n = niveaux()[niveau];
        if (!possible(n)) {
            QSKIP("bubblewrap cannot make its sandbox here");
        }
        if (c.tour == Cas::Plein && !n.gardes) {
            QSKIP("the room left is the guards' to check: the library writes what is stored");
        }
        QTemporaryDir d;
        const QString maison = d.path();
        peupler(maison);
        const QByteArray archive = fabriquer(maison, c);
        arbre::dater(maison);
        const auto avant = arbre::lire(maison, n.modes);

        DossierCourantGarde garde;
        FausseInteraction boites;
        assistant::imposerNiveau(n.niveau);
        assistant::imposerOptions(n.options);
        const auto retablir = qScopeGuard([] {
            assistant::imposerNiveau(std::nullopt);
            assistant::imposerOptions(0);
        });
        FUnRAR f;
        QTimer guet; // stops the pass, or closes the window, once the large entry is being written
        QObject::connect(&guet, &QTimer::timeout, &f, [&] {
            QDirIterator i(maison, {QStringLiteral("gros.bin")}, QDir::Files,
                           QDirIterator::Subdirectories);
            if (i.hasNext() && QFileInfo(i.next()).size() > 0) {
                c.tour == Cas::Arrete ? f.Mnu_Arreter_Click() : void(f.close());
            }
        });
        if (c.tour >= Cas::Arrete) {
            guet.start(5);
        }
        try {
            f.extraireIci(archive);
        } catch (const FinDuProgramme&) {
            // The program ends there: what follows only sees what was done before.
        }
        const QRegularExpression boite(
            c.tour == Cas::Echoue
                ? QStringLiteral("^Erreur: Ereur dans la création du fichier\nCe "
                                 "qui a été extrait est dans « jeu \\(incomplet\\) »\\.$")
            : c.tour == Cas::Plein
                ? QStringLiteral(
                      "^Erreur: Place insuffisante sur « .+ » : il faut 1\u202F125,9 To, "
                      "il reste .+\\.\nRien de ce qui a été extrait n'a été gardé\\.$")
                : QString());
        QCOMPARE(boites.vues().size(), boite.pattern().isEmpty() ? 0 : 1);
        QVERIFY2(boite.pattern().isEmpty() || boite.match(boites.vues().first()).hasMatch(),
                 qPrintable(boites.vues().join(QLatin1Char('\n'))));
        QCOMPARE(boites.questions.size(), c.tour == Cas::Place ? 1 : 0);
        // Its note in the journal goes with the folder of the pass.
        QCOMPARE(QDir(QFile::decodeName(ici::dossierJournal(false))).entryList(QDir::Files),
                 QStringList());

        auto apres = arbre::lire(maison, n.modes);
        QStringList nouveaux;
        QByteArrayList dedans; // folders aside; a file published is itself
        for (auto i = apres.begin(); i != apres.end();) {
            if (!avant.contains(i.key()) && !i.key().contains('/')) {
                nouveaux << QFile::decodeName(i.key());
            }
            const bool publie =
                !c.publie.isEmpty() && (i.key() == c.publie || i.key().startsWith(c.publie + '/'));
            if (publie && !i.value().startsWith("40")) {
                dedans << (i.key() == c.publie ? i.key() : i.key().mid(c.publie.size() + 1));
            }
            i = publie ? apres.erase(i) : std::next(i);
        }
        QCOMPARE(nouveaux, c.publie.isEmpty() ? QStringList() : QStringList{c.publie});
        QCOMPARE(apres, avant);
        if (n.gardes) {
            QCOMPARE(dedans, c.dedans);
        }
    }

    // A stranger who can write the archive's folder races every pass from inotify's events: the
    // pass's folder and the names published are swapped for a link to the victim's folder, or for
    // a folder of the victim's own lying there. Whatever the timing, neither of them changes.
    void aucuneCourseGagnee_data() {
        QTest::addColumn<bool>("prive");
        QTest::addColumn<int>("niveau");
        for (const int n : {0, 1, 3}) {
            const QLatin1String niveau(niveaux()[n].nom);
            QTest::newRow(qPrintable("a link to the victim's folder" + niveau)) << false << n;
            QTest::newRow(qPrintable("a folder of the victim's own" + niveau)) << true << n;
        }
    }
    void aucuneCourseGagnee() {
        QFETCH(bool, prive);
        QFETCH(int, niveau);
        if (::geteuid() != 0 || !possible(niveaux()[niveau])) {
            QSKIP(::geteuid() != 0 ? "the stranger must be another user, whom only root can start"
                                   : "bubblewrap cannot make its sandbox here");
        }
        assistant::imposerNiveau(niveaux()[niveau].niveau);
        const auto retablir = qScopeGuard([] { assistant::imposerNiveau(std::nullopt); });
        int gagnees = 0;
        int coups = 0;
        for (int essai = 0; essai < 50; ++essai) {
            QTemporaryDir d;
            const QString partage = d.filePath(QStringLiteral("partage"));
            const QString victime = d.filePath(QStringLiteral("victime"));
            const QString sien = partage + QStringLiteral("/prive");
            archives::ecrire(victime + QStringLiteral("/mien"), "mien");
            archives::ecrire(sien + QStringLiteral("/secret"), "secret");
            const QString archive = archives::brute(partage + QStringLiteral("/jeu.rar"),
                                                    {{"a.txt", "a"}, {"b.txt", "b"}});
            for (const auto& [dossier, mode] :
                 {std::pair(d.path(), 0755), std::pair(partage, 0777), std::pair(sien, 0700)}) {
                ::chmod(QFile::encodeName(dossier).constData(), mode_t(mode));
            }
            const auto siens = [&] {
                return arbre::lire(victime, true).values() + arbre::lire(sien, true).values()
                       << QByteArray::number(QFileInfo(sien).permissions());
            };
            const auto avant = siens();
            QProcess course;
            course.start(QStringLiteral(KORVANE_COURSE),
                         QStringList{QStringLiteral("65534"), partage, victime} +
                             (prive ? QStringList{QStringLiteral("prive")} : QStringList()));
            QVERIFY(course.waitForReadyRead());
            FausseInteraction boites;
            extraireIci(QFile::encodeName(archive));
            course.kill();
            course.waitForFinished();
            coups += int(course.readAllStandardOutput().count('\n')) - 1;
            // The victim's own folder, wherever the stranger left it, is put back to be read.
            for (const QString& nom : QDir(partage).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                if (QFile::exists(partage + '/' + nom + QStringLiteral("/secret"))) {
                    QDir(partage).rename(nom, QStringLiteral("prive"));
                }
            }
            gagnees += siens() == avant ? 0 : 1;
        }
        QVERIFY2(coups > 0, "the stranger never swapped anything");
        QCOMPARE(gagnees, 0);
    }

    // Where the archive's folder takes no new folder, or where bubblewrap was led to mount another
    // folder than the pass's (it mounts what the path of the descriptor it is given leads to at
    // that moment), one box says so, the program ends, and nothing is written.
    void uneBoiteEtRienDEcrit_data() {
        QTest::addColumn<bool>("lectureSeule");
        QTest::addColumn<QString>("boite");
        QTest::newRow("a folder that takes no new folder")
            << true
            << "Impossible d'extraire ici : vous n'avez pas le droit d'écrire dans le "
               "dossier « %1 ».";
        QTest::newRow("the sandbox made around another folder")
            << false << Messages::destinationRemplacee();
    }
    void uneBoiteEtRienDEcrit() {
        QFETCH(bool, lectureSeule);
        QFETCH(QString, boite);
        QTemporaryDir d;
        const QString archive =
            archives::brute(d.filePath(QStringLiteral("jeu.rar")), {{"a", "a"}});
        archives::ecrire(d.filePath(QStringLiteral("ailleurs/mien")), "mien");
        ::chmod(QFile::encodeName(d.path()).constData(), lectureSeule ? 0555 : 0755);
        const auto avant = arbre::lire(d.path(), true);
        // Root writes anywhere: the window runs as another user for the while.
        const uid_t moi = ::geteuid();
        if (lectureSeule ? moi == 0 && ::seteuid(65534) != 0 : !possible(niveaux()[0])) {
            QSKIP("the window cannot run as another user, or bubblewrap make its sandbox, here");
        }
        const auto redevenir =
            qScopeGuard([moi] { [[maybe_unused]] const int r = ::seteuid(moi); });
        qputenv(
            "KORVANE_AILLEURS",
            QFile::encodeName(lectureSeule ? QString() : d.filePath(QStringLiteral("ailleurs"))));
        const auto retablir = qScopeGuard([] { qunsetenv("KORVANE_AILLEURS"); });
        FausseInteraction boites;
        const std::optional<int> fin = extraireIci(QFile::encodeName(archive));
        QVERIFY(::seteuid(moi) == 0);
        QCOMPARE(fin, 1);
        QCOMPARE(boites.vues(),
                 QStringList{"Erreur: " + (lectureSeule ? boite.arg(d.path()) : boite)});
        QCOMPARE(arbre::lire(d.path(), true), avant);
    }

    // At start-up, the folder that a killed run made for its pass goes with all it holds, but
    // not a folder that took its path since, nor anything of a live run.
    void leJournal_data() {
        QTest::addColumn<QString>("passage");
        QTest::addColumn<bool>("remplace");
        QTest::addColumn<bool>("reste");
        const QString tue = QStringLiteral("korvane-2147483647-1"); // no pid is that high
        QTest::newRow("a killed run's") << tue << false << false;
        QTest::newRow("a killed run's, its path taken since") << tue << true << true;
        QTest::newRow("a live run's") << restes::debutDuPassage(::getpid()) << false << true;
    }
    void leJournal() {
        QFETCH(QString, passage);
        QFETCH(bool, remplace);
        QTemporaryDir d;
        const QByteArray journal = QFile::encodeName(d.path());
        const QString dossier = d.filePath(QStringLiteral("jeu.korvane-a"));
        archives::ecrire(dossier + QStringLiteral("/jeu/d/f"), "f");
        struct stat s {};
        ::stat(QFile::encodeName(dossier).constData(), &s);
        const std::unique_ptr<ici::Note> note = ici::Note::ouvrir(journal, passage);
        note->nommer(QFile::encodeName(dossier));
        note->identifier(s);
        if (remplace) {
            QDir().rename(dossier, dossier + QStringLiteral("-vrai"));
            QDir().mkdir(dossier);
        }
        ici::balayerJournal(journal);
        QTEST(QFileInfo::exists(dossier), "reste");
        QCOMPARE(QDir(d.path()).entryList({QStringLiteral("ici-*")}).size(),
                 restes::passageVivant(passage) ? 1 : 0);
    }

    // The folder's name drops what makes a file an archive or a volume, and is never hidden.
    void leNomDuJeu_data() {
        QTest::addColumn<QByteArray>("fichier");
        QTest::addColumn<QByteArray>("nom");
        QTest::newRow("new numbering") << QByteArray("Photos.PART02.RAR") << QByteArray("Photos");
        QTest::newRow("old numbering") << QByteArray("photos.r07") << QByteArray("photos");
        QTest::newRow("no mark") << QByteArray("photos.zip") << QByteArray("photos.zip");
        QTest::newRow("a hidden name") << QByteArray(".config.rar") << QByteArray("config");
        QTest::newRow("nothing but the mark") << QByteArray(".rar") << QByteArray("rar");
    }
    void leNomDuJeu() {
        QFETCH(QByteArray, fichier);
        QTEST(ici::nomDuJeu(fichier), "nom");
    }

private:
    QTemporaryDir outils_;
};

QTEST_MAIN(TestIci)
#include "tst_ici.moc"

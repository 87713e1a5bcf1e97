// "Extraire ici" on a stranger's archive lying in the home: whatever it holds, at every level of
// confinement, through the real window, exactly one new name appears beside it, the one the user
// can foresee from the archive's, and nothing else of the folder changes.

#include "Arbre.h"
#include "Archives.h"
#include "ExtraireIci.h"
#include "FUnRAR.h"
#include "Passe.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

using Entrees = QList<QPair<QByteArray, QByteArray>>; // stored name, content; "-> t" a link

struct Cas {
    const char* nom;
    Entrees entrees;
    QByteArray publie;     // the one new name beside the archive; empty: none
    QByteArrayList dedans; // what lies beneath it, folders aside, with the guards at work
    enum Tour { Ordinaire, Echoue, SansMotDePasse, Arrete, Ferme } tour = Ordinaire;
};

const QList<Cas> cas{
    {"a hidden file alone", {{".bash_aliases", "alias ls=x"}}, "jeu (2)", {".bash_aliases"}},
    {"a hidden folder with an autostart entry",
     {{".config/autostart/x.desktop", "[Desktop]"}},
     "jeu (2)",
     {".config/autostart/x.desktop"}},
    {"a link alone", {{"lien", "-> .bashrc"}}, "jeu (2)", {"lien"}},
    {"a name that climbs", {{"../x.txt", "x"}}, "x.txt", {"x.txt"}},
    {"a climb hidden behind a folder's name",
     {{"Projet/../.config/autostart/y.desktop", "[Desktop]"}},
     "jeu (2)",
     {".config/autostart/y.desktop"}},
    {"a folder of another name", {{"bin/outil", "#!/bin/sh"}}, "jeu (2)", {"bin/outil"}},
    {"a folder named as the archive, there", {{"jeu/a.txt", "a"}}, "jeu (2)", {"jeu/a.txt"}},
    {"a file named as a folder there", {{"Projet", "p"}}, "jeu (2)", {"Projet"}},
    {"two entries", {{"a.txt", "a"}, {"d/b.txt", "b"}}, "jeu (2)", {"a.txt", "d/b.txt"}},
    {"one visible file", {{"lisez-moi.txt", "l"}}, "lisez-moi.txt", {"lisez-moi.txt"}},
    {"one visible file whose name is taken", {{"notes.txt", "n"}}, "jeu (2)", {"notes.txt"}},
    {"a pass that fails, its box after the publishing",
     {{"a.txt", "a"}, {QByteArray(1000, 'n'), "x"}},
     "a.txt",
     {"a.txt"},
     Cas::Echoue},
    {"nothing extracted: no password", {}, "", {}, Cas::SansMotDePasse},
    {"a stopped pass", {}, "jeu (2)", {"a.txt", "b.txt"}, Cas::Arrete},
    {"the window closed during the pass", {}, "jeu (2)", {"a.txt", "b.txt"}, Cas::Ferme},
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

// The archive beside the home: the case's entries, written byte by byte, or one that rar makes
// (a password that nobody gives, made once; an entry long to extract).
QString fabriquer(const QString& maison, const Cas& c) {
    static QTemporaryDir dossier;
    static const QString sansMotDePasse = archives::creer(
        dossier.path(), QStringLiteral("p.rar"), {{QStringLiteral("a.txt"), "a"}}, {"-pk"});
    const QString archive = maison + QStringLiteral("/jeu.rar");
    if (c.tour < Cas::SansMotDePasse) {
        return archives::brute(archive, c.entrees);
    }
    QFile::copy(c.tour == Cas::SansMotDePasse ? sansMotDePasse : archives::longue(), archive);
    return archive;
}

} // namespace

class TestIci : public QObject {
    Q_OBJECT

private slots:
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
        QTemporaryDir d;
        const QString maison = d.path();
        peupler(maison);
        const QString archive = fabriquer(maison, c);
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
            f.extraireIci(QFile::encodeName(archive));
        } catch (const FinDuProgramme&) {
            // The program ends there: what follows only sees what was done before.
        }
        QCOMPARE(boites.vues(),
                 c.tour == Cas::Echoue
                     ? QStringList{QStringLiteral("Erreur: Ereur dans la création du fichier")}
                     : QStringList());

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
};

QTEST_MAIN(TestIci)
#include "tst_ici.moc"

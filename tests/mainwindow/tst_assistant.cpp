// The pass in its helper process, seen from the window: whatever becomes of the helper (a crash of
// the library, nonsense on its pipe, a library taken over), the user gets the rows so far and a
// box, and no partial file or process is left.

#include "Archives.h"
#include "Assistant.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Passe.h"
#include "Protocole.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QThreadPool>

#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>

#include <unistd.h>

using namespace ModuleRAR;

namespace {

using Genre = Messages::Echec::Genre;
using protocole::Type;

const QByteArray Dort = "sleep 5";

QString exact(const QString& fin) {
    return QRegularExpression::anchoredPattern(QRegularExpression::escape(
        QStringLiteral("La bibliothèque UnRAR s'est arrêtée sur cette archive ") + fin));
}

// `octets` as printf writes them from its format.
QByteArray octal(const QByteArray& octets) {
    QByteArray texte;
    for (const char c : octets) {
        texte += '\\' + QByteArray::number(quint8(c), 8);
    }
    return texte;
}

// A stand-in helper's shell function: `page F N` writes in the shared page the path F and its
// identity, its inode moved by N.
const QByteArray Page = "le() { n=$1; for i in $(seq $2); do "
                        "printf \"\\\\$(printf %o $((n % 256)))\"; n=$((n / 256)); done; }\n"
                        "page() { { le ${#1} 4; le $(stat -c %d \"$1\") 8; "
                        "le $(($(stat -c %i \"$1\") + $2)) 8; printf %s \"$1\"; } >&5; }\n";

// One frame of a stand-in helper.
QByteArray trame(Type type, const std::function<void(protocole::Redaction&)>& charge = {}) {
    std::string t;
    protocole::Redaction r(t);
    r.debut(type);
    if (charge) {
        charge(r);
    }
    r.fin();
    return QByteArray::fromStdString(t);
}

// A helper's first words: its hello once the library is loaded, then its protections.
QByteArray bonjour(quint32 version = protocole::Version) {
    return trame(Type::Bonjour,
                 [version](protocole::Redaction& r) {
                     r.u32(version);
                     r.u32(8);
                 }) +
           trame(Type::Protections, [](protocole::Redaction& r) {
               r.u8(0);
               r.u8(0);
           });
}

// The helper says that the library could not create a file, with `detail`, or fails as `genre`.
QByteArray echec(const QString& detail, Genre genre = Genre::Fichier) {
    return trame(Type::Echec, [&detail, genre](protocole::Redaction& r) {
        r.u8(quint8(genre));
        r.u32(genre == Genre::Fichier ? 16 : 4);
        r.texte(assistant::utf8(detail));
    });
}

// A row named with the bytes `nom`, and a replace question.
QByteArray ligneDe(const QByteArray& nom, const DetailsEntree& d = {}) {
    return trame(Type::Ligne, [&nom, &d](protocole::Redaction& r) {
        r.octets(assistant::vue(nom));
        r.i64(1);
        r.i64(d.compressee);
        r.u8(d.drapeaux);
        r.u32(d.place);
        r.u8(d.systeme);
        r.i64(d.modification);
        r.u32(d.attributs);
        r.u32(d.crc);
    });
}

QByteArray remplacer(const QByteArray& nom) {
    return trame(Type::Remplacer,
                 [&nom](protocole::Redaction& r) { r.octets(assistant::vue(nom)); });
}

} // namespace

class TestAssistant : public EssaisDePasses {
    Q_OBJECT

private slots:
    // First, while nothing is known of this system: start-up learns whether the library loads
    // and whether the sandbox can be made from the helper started ahead for the archive given,
    // which then runs its list; without an archive, from one probe. No other helper is started.
    void auDemarrageAuPlusUneSonde_data() {
        QTest::addColumn<bool>("archive");
        QTest::newRow("an archive given: the helper of its list tells") << true;
        QTest::newRow("none: one probe") << false;
    }

    void auDemarrageAuPlusUneSonde() {
        QFETCH(bool, archive);
        const int avant = assistant::auxiliairesDemarres();
        FausseInteraction b;
        if (archive) {
            assistant::preparer(QFile::encodeName(archives::longue()));
        }
        QCOMPARE(assistant::sonder().value_or(QString()), QString());
        QCOMPARE(assistant::auxiliairesDemarres(), avant + 1);
        if (archive) {
            FUnRAR f;
            f.Form_Load(QFile::encodeName(archives::longue()));
            QCOMPARE(colonne(f, 0), (QStringList{"gros.bin", "b.txt", "a.txt"}));
            QCOMPARE(assistant::auxiliairesDemarres(), avant + 1);
        }
    }

    // A library that crashes, helpers that break the conversation or step out of their pass (as
    // a library taken over by an archive would): a box and status 1, within seconds, never a hang
    // or a crash of the window, and nothing of the user's removed; the file the pass made goes.
    void uneFinAnormaleEstUneBoite_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("archive");   // of tests/donnees; empty: an ordinary one
        QTest::addColumn<QByteArray>("trames"); // what a stand-in helper sends; "-": none there
        QTest::addColumn<QByteArray>("avant");  // what it does first, in the folder extracted into
        QTest::addColumn<QByteArray>("fin");    // how it ends
        QTest::addColumn<QString>("message");   // a regular expression
        QTest::addColumn<bool>("reste");        // fait.bin, which it may make there, is left
        const QString code3 = exact(QStringLiteral("(code 3)"));
        const QString tue = exact(QStringLiteral("(signal 9)"));
        const QByteArray b = bonjour();
        const QByteArray ligne = ligneDe("a");
        const auto cas = [](const char* nom, const QByteArray& trames, const QByteArray& fin,
                            const QString& message, const char* archive = "", int mode = ModeTest,
                            const QByteArray& avant = {}, bool reste = false) {
            QTest::newRow(nom) << mode << QString::fromUtf8(archive) << trames << avant << fin
                               << message << reste;
        };
        // On these the library reads memory it never wrote; this heap makes it crash.
        cas("library crash, as found by the fuzzer", {}, {}, ArretBibliotheque.pattern(),
            "c1314.rar");
        cas("a library that cannot be loaded, said before the hello",
            echec(QStringLiteral("libunrar.so.5\nRARGetDllVersion"), Genre::Bibliotheque), "exit 0",
            "^La bibliothèque UnRAR \\(libunrar.so.5\\) ne fournit pas la fonction "
            "RARGetDllVersion");
        cas("missing helper", "-", {}, "^Le programme .*korvane-passe-faux, qui");
        cas("ends without a word", b, "exit 3", code3);
        cas("bytes that are no frame", "pas une trame", Dort, tue);
        // Believed, these would end as the library's "cannot create", or another box, once the
        // helper has left; each bound of what a pass can say has its own.
        const QByteArray partira = "sleep 1; exit 0";
        const auto rompt = [&](const char* nom, const QByteArray& trames, int mode = ModeTest) {
            cas(nom, b + trames, partira, tue, "c1314.rar", mode);
        };
        cas("a helper of another version", bonjour(protocole::Version + 1), Dort, tue);
        rompt("a second hello", b);
        cas("a row before its hello", ligne + b, Dort, tue);
        cas("a failure of the pass before its hello", echec(QString()) + b, Dort, tue);
        rompt("a frame longer than the window takes",
              echec(QString(protocole::TailleMaxRetour, QLatin1Char('x'))));
        QByteArray court = echec(QStringLiteral("detail"));
        court[court.size() - 10] = char(200); // the detail's length, past the frame's end
        rompt("a text longer than its frame", court + trame(Type::Fin));
        cas("the end said, then still there", b + trame(Type::Fin), "exec sleep 30", tue);
        const QByteArray illisible(protocole::NomMax + 1, char(0x80)); // as many characters
        rompt("a name longer than the library makes", ligneDe(illisible));
        // As many characters as the library makes, in more bytes.
        cas("a name as long as the library makes, then the library's failure",
            b + ligneDe(QByteArray("é").repeated(protocole::NomMax)) + echec(QString()), "exit 0",
            "^Ereur dans la création du fichier$", "c1314.rar");
        const QByteArray commentaire = trame(Type::Commentaire, [](protocole::Redaction& r) {
            r.texte("encore");
            r.u8(0);
        });
        rompt("a second comment", commentaire + commentaire);
        rompt("a comment longer than the library's buffer",
              trame(Type::Commentaire, [](protocole::Redaction& r) {
                  r.octets(std::string(3 * 16384 + 1, 'c'));
                  r.u8(1);
              }));
        const QByteArray archive = trame(Type::Archive, [](protocole::Redaction& r) {
            r.u32(0);
            r.u8(5);
        });
        rompt("a second archive", archive + archive);
        // c1314.rar's 1,314 bytes hold no more than 187 headers, nor 26,280 characters of names.
        rompt("more entries than the volumes hold",
              trame(Type::Sautee, [](protocole::Redaction& r) { r.i64(1); }).repeated(188));
        rompt("more characters of names than the volumes hold",
              ligneDe(illisible.left(protocole::NomMax)).repeated(13));
        // Details that no header record holds.
        rompt("a flag of no detail", ligneDe("a", {.drapeaux = 16}));
        rompt("a system that the library does not name",
              ligneDe("a", {.systeme = DetailsEntree::Inconnu + 1}));
        rompt("a time before 1601", ligneDe("a", {.modification = DetailsEntree::DateMin - 1}));
        rompt("a time past the library's count",
              ligneDe("a", {.modification = DetailsEntree::DateMax + 1}));
        rompt("a replace question in a test", ligne + remplacer(QByteArrayLiteral("victime.txt")));
        rompt("a replace question of a name longer than the library makes",
              ligne + remplacer(illisible), ModeExtraction);
        const auto resultat = [&](Resultat r, quint32 code) {
            return ligne + trame(Type::Resultat, [r, code](protocole::Redaction& w) {
                       w.u8(quint8(r));
                       w.u32(code);
                   });
        };
        rompt("a result that only the window gives", resultat(Resultat::Interrompu, 0));
        rompt("a stop that the window did not ask for", ligne + trame(Type::Arret));
        rompt("a result's code that no library gives", resultat(Resultat::Code, 256));
        // The window's own words, to the helper and of it.
        rompt("a request, which only the window makes", trame(Type::Demande));
        rompt("an answer, which only the window gives", trame(Type::Reponse));
        rompt("a missing helper, said by the helper", echec(QString(), Genre::Installation));
        rompt("a signal, said by the helper", echec(QString(), Genre::Signal));
        rompt("an exit status, said by the helper", echec(QString(), Genre::Sortie));
        rompt("a lack of room, in a pass that writes nothing",
              echec(QStringLiteral("1\n0"), Genre::Place));
        // The window removes only the file that the pass made, by the identity that the helper
        // saw on it when it made it; not one of the user's, born before the pass, whatever
        // identity the helper gives.
        const auto page = [&](const char* nom, const QByteArray& avant, bool reste) {
            cas(nom, b + ligne, "exit 3", code3, "", ModeExtraction, avant, reste);
        };
        page("the file it made", "sleep 0.02; : >fait.bin; page fait.bin 0", false);
        page("a file not the one it names", "sleep 0.02; : >fait.bin; page fait.bin 1", true);
        page("the user's file, born before the pass", "page mien.txt 0", false);
    }

    void uneFinAnormaleEstUneBoite() {
        QFETCH(int, mode);
        QFETCH(QString, archive);
        QFETCH(QByteArray, trames);
        QFETCH(QByteArray, avant);
        QFETCH(QByteArray, fin);
        QFETCH(QString, message);
        QFETCH(bool, reste);
        QTemporaryDir d;
        // The user's files, above the folder extracted into and in it.
        archives::ecrire(d.filePath(QStringLiteral("victime.txt")), "mien");
        QDir(d.path()).mkpath(QStringLiteral("dest"));
        archives::ecrire(d.filePath(QStringLiteral("dest/mien.txt")), "mien");
        DossierCourantGarde garde;
        QDir::setCurrent(d.path());
        // The stand-in's bytes are in its script: in the sandbox it sees no other file of ours.
        const QString faux = d.filePath(QStringLiteral("korvane-passe-faux"));
        if (!trames.isEmpty() && trames != "-") {
            archives::ecrire(faux, "#!/bin/sh\n" + Page + avant + "\nprintf '" + octal(trames) +
                                       "' >&4\n" + fin + "\n");
            QFile::setPermissions(faux, QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("MALLOC_PERTURB_", "65");
        const auto retablir = qScopeGuard([] { qunsetenv("MALLOC_PERTURB_"); });
        QElapsedTimer chrono;
        chrono.start();
        const Vu vu =
            passer({.mode = mode,
                    .archive = archive.isEmpty() ? archives::longue()
                                                 : qEnvironmentVariable("KORVANE_SOURCE_DIR") +
                                                       "/tests/donnees/" + archive,
                    .destination = d.filePath(QStringLiteral("dest")),
                    .coche = QStringLiteral("korvane"),
                    .programme = trames.isEmpty() ? QString() : faux});
        QCOMPARE(vu.fin.value_or(-1), 1);
        QVERIFY(vu.questions.isEmpty());
        QVERIFY2(QRegularExpression(message).match(vu.messages.last().texte).hasMatch(),
                 qPrintable(vu.messages.last().texte));
        QCOMPARE(archives::lire(d.filePath(QStringLiteral("victime.txt"))), QByteArray("mien"));
        QCOMPARE(archives::lire(d.filePath(QStringLiteral("dest/mien.txt"))), QByteArray("mien"));
        QCOMPARE(QFile::exists(d.filePath(QStringLiteral("dest/fait.bin"))), reste);
        QVERIFY(chrono.elapsed() < 20000); // a helper that lingers is not waited for
    }

    // Code run inside the library, as an archive that took it over would run it, outside the
    // sandbox: no process of its own, no signal to another, nothing outside the chosen folder
    // truncated, chmodded or dated, nor, under Landlock, opened at all, and the window's memory
    // out of reach. The stand-in says what it managed as its open's code, 100 and a bit for each:
    // 1 a process, 2 a signal (by kill or a pipe's owner), 4 truncate, 8 chmod, 16 utimes by name,
    // 32 opened for writing, 64 for reading (a file beside the archive), 128 fchmod and 256
    // futimens on that, 512 the window's memory, 1024 a file of the home read, 2048 a file made
    // in the current folder.
    void uneBibliothequePriseResteEnfermee_data() {
        QTest::addColumn<assistant::Niveau>("niveau");
        QTest::addColumn<quint32>("options");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("reussites");
        constexpr int Dossier = 2048; // an extraction writes into its folder at every level
        QTest::newRow("Landlock at the kernel's own ABI")
            << assistant::Niveau::Landlock << 0U << int(ModeExtraction) << Dossier;
        QTest::newRow("Landlock ABI 2, which covers neither truncate nor signals")
            << assistant::Niveau::Landlock << (2U << protocole::DecalageAbi) << int(ModeExtraction)
            << Dossier;
        QTest::newRow("Landlock in a test, which writes nowhere")
            << assistant::Niveau::Landlock << 0U << int(ModeTest) << 0;
        QTest::newRow("without Landlock: the user's files opened, their modes and times changed")
            << assistant::Niveau::Gardes << 0U << int(ModeTest)
            << (32 | 64 | 128 | 256 | 1024 | Dossier);
    }

    void uneBibliothequePriseResteEnfermee() {
        QFETCH(assistant::Niveau, niveau);
        QFETCH(quint32, options);
        QFETCH(int, mode);
        QFETCH(int, reussites);
#if defined(KORVANE_SOUS_SANITISEUR)
        reussites |= 1; // a sanitized helper keeps the clone that its leak checker needs
#endif
        QTemporaryDir d;
        const QString archive =
            archives::creer(d.path(), QStringLiteral("x.rar"), {{QStringLiteral("a.txt"), "a"}});
        const QString victime = d.filePath(QStringLiteral("victime"));
        archives::ecrire(victime, "mien");
        QTemporaryFile maison(QDir::homePath() + QStringLiteral("/.korvane-victime-XXXXXX"));
        QVERIFY(maison.open());
        QDir(d.path()).mkdir(QStringLiteral("dest"));
        DossierCourantGarde garde;
        QDir::setCurrent(d.filePath(QStringLiteral("dest"))); // a test's too
        QProcess temoin;
        temoin.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(temoin.waitForStarted());
        qputenv("KORVANE_VICTIME", QFile::encodeName(victime));
        qputenv("KORVANE_MAISON", QFile::encodeName(maison.fileName()));
        qputenv("KORVANE_TEMOIN", QByteArray::number(temoin.processId()));
        qputenv("LD_LIBRARY_PATH", KORVANE_DOUBLURE);
        const auto retablir = qScopeGuard([] {
            for (const char* v :
                 {"KORVANE_VICTIME", "KORVANE_MAISON", "KORVANE_TEMOIN", "LD_LIBRARY_PATH"}) {
                qunsetenv(v);
            }
        });
        const Vu vu = passer({.mode = mode,
                              .archive = archive,
                              .destination = d.filePath(QStringLiteral("dest")),
                              .niveau = niveau,
                              .options = options});
        QCOMPARE(vu.messages.last().texte,
                 QStringLiteral("Erreur à l'ouverture de l'archive (code %1) : %2")
                     .arg(100 + reussites)
                     .arg(archive));
        QCOMPARE(temoin.state(), QProcess::Running);
        QCOMPARE(archives::lire(victime), QByteArray("mien"));
        temoin.kill();
        temoin.waitForFinished();
    }

    // After each pass the helper of the next one is started ahead; it serves one pass at most,
    // and only one that would have started it the same way: in the sandbox, not a pass over
    // another archive. Nothing is left behind but that helper, which goes with the window: every
    // descriptor is closed again (counted from the second pass, once Qt has opened what it keeps
    // for the run). Leaks are the sanitized build's.
    void unAuxiliaireDevanceSertUnePasseAuPlus() {
        QTemporaryDir d;
        const QString a =
            archives::creer(d.path(), QStringLiteral("a.rar"), {{QStringLiteral("a.txt"), "1"}});
        const QString b =
            archives::creer(d.path(), QStringLiteral("b.rar"), {{QStringLiteral("b.txt"), "2"}});
        const int autreArchive = assistant::niveau() == assistant::Niveau::Bac ? 1 : 0;
        // Opening an archive lists it: a pass; testing it is another, over the same archive.
        const struct {
            QString archive;
            QString entree;
            int demarresPourLaPasse;
        } passes[] = {{a, "a.txt", 1},
                      {QString(), "a.txt", 0},
                      {b, "b.txt", autreArchive},
                      {QString(), "b.txt", 0}};
        FausseInteraction boites;
        std::optional<FUnRAR> f(std::in_place);
        qsizetype descripteurs = -1;
        QList<pid_t> devance;
        for (const auto& passe : passes) {
            const int avant = assistant::auxiliairesDemarres();
            if (passe.archive.isEmpty()) {
                f->Mnu_Tester_Click();
            } else {
                boites.fichiers.enqueue(passe.archive);
                f->Mnu_Ouvrir_Click();
            }
            QCOMPARE(colonne(*f, 0), QStringList{passe.entree});
            QCOMPARE(assistant::auxiliairesDemarres() - avant, passe.demarresPourLaPasse);
            QCOMPARE(enfants(), QList<pid_t>());
            QCoreApplication::processEvents();
            QCOMPARE(assistant::auxiliairesDemarres() - avant, passe.demarresPourLaPasse + 1);
            QCOMPARE(enfants().size(), 1);
            QVERIFY(!devance.contains(enfants().first()));
            devance << enfants().first();
            // The toolkit's paint threads come and go, each with descriptors of its own.
            QThreadPool::globalInstance()->waitForDone();
            const auto n =
                qsizetype(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
            QVERIFY(descripteurs < 0 || n == descripteurs);
            descripteurs = devance.size() == 1 ? -1 : n;
        }
        f.reset();
        QCOMPARE(enfants(), QList<pid_t>());
    }
};

QTEST_MAIN(TestAssistant)
#include "tst_assistant.moc"

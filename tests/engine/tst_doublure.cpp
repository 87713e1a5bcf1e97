// The pass against a stand-in for the library, for the results that no real archive gives.

#include "Archives.h"
#include "Messages.h"
#include "Passe.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace doublure {

struct Entree {
    QString nom;
    quint64 taille = 0;
    int resultat = 0;
};

// The script, and what the pass did with it.
struct Etat {
    int resultatOuverture = 0;
    bool commentairePlein = false; // a comment that fills the whole buffer, without a NUL
    QList<Entree> entrees;
    int finEnTete = ERAR_END_ARCHIVE;
    int suivante = 0;
    QStringList appels;
    unsigned modeOuverture = 99;
    int invalides = 0; // calls with another handle than the one the open gave
};
Etat etat;
int jeton = 0;

void appel(void* h, const QString& quoi) {
    etat.invalides += h != &jeton;
    etat.appels << quoi;
}

void* ouvrir(RAROpenArchiveDataEx* d) {
    etat.appels << QStringLiteral("ouvrir");
    etat.suivante = 0; // opened again, the archive starts at its first header
    etat.modeOuverture = d->OpenMode;
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

int traiter(void* h, int operation, char* chemin, char* nom) {
    QString quoi = QStringLiteral("traiter %1").arg(operation);
    if (chemin != nullptr || nom != nullptr) {
        quoi += QStringLiteral(" vers une destination");
    }
    appel(h, quoi);
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

namespace {

const QTemporaryDir dossier;
const QString archive = dossier.filePath(QStringLiteral("x.rar"));

// A pass over a file that is there (nothing else goes to the library), scripted as given.
Vu passe(int mode, const QList<doublure::Entree>& entrees = {}, const QString& mdp = {}) {
    archives::ecrire(archive, "Rar!");
    doublure::etat.entrees = entrees;
    return passerDansLeMoteur(
        {.mode = mode, .archive = archive, .destination = dossier.path(), .coche = mdp},
        &doublure::api);
}

} // namespace

class TestDoublure : public QObject {
    Q_OBJECT

private slots:
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
        const QStringList ouvertures{"Pas assez de mémoire", "@: Archive invalide",
                                     "@Ce n'est pas un fichier archive RAR",
                                     "Format d'archive inconnu", "Ne peut ouvrir le fichier @"};
        for (int code = 11; code <= 15; ++code) {
            QTest::newRow(qPrintable(QStringLiteral("open fails with %1").arg(code)))
                << code << 0 << fin << ouvertures[code - 11] << QStringList{};
        }
        QTest::newRow("open fails with any other code")
            << 24 << 0 << fin << "Erreur à l'ouverture de l'archive (code 24) : @" << QStringList{};
        const QStringList fatals{"CRC Erreur",
                                 "Erreur ou mauvais volume",
                                 "Format d'archive inconnu",
                                 "Erreur dans l'ouverture du volume",
                                 "Ereur dans la création du fichier",
                                 "Erreur dans la fermeture du fichier",
                                 "Erreur en lecture",
                                 "Erreur en écriture"};
        for (int code = 12; code <= 19; ++code) {
            QTest::newRow(qPrintable(QStringLiteral("entry %1 stops the pass").arg(code)))
                << 0 << code << fin << fatals[code - 12] << arret;
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
        QTest::newRow("end: password missing")
            << 0 << 0 << 22 << "Mot de passe nécessaire pour cette archive" << OK3;
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
        const Vu vu = passe(ModeTest, {{"a", 1, 0}, {"b", 2, entree}, {"c", 3, 0}});
        QCOMPARE(vu.fin ? vu.messages.last().texte : QString(),
                 message.replace(QLatin1Char('@'), archive));
        QCOMPARE(vu.resultats, resultats);
    }

    // The open mode and the operation of each mode, never with a destination path or name; a
    // given password reaches the library before the first header, an empty one never does; sizes
    // beyond 31 and 32 bits whole.
    void chaqueModeSonOuvertureEtSonOperation_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("motDePasse");
        QTest::addColumn<unsigned>("ouverture");
        QTest::addColumn<QString>("operation");
        QTest::newRow("list skips") << int(ModeListe) << "" << unsigned(RAR_OM_LIST) << "traiter 0";
        QTest::newRow("test tests, with a password")
            << int(ModeTest) << "sésame" << unsigned(RAR_OM_EXTRACT) << "traiter 1";
        QTest::newRow("extract extracts")
            << int(ModeExtraction) << "" << unsigned(RAR_OM_EXTRACT) << "traiter 2";
    }

    void chaqueModeSonOuvertureEtSonOperation() {
        QFETCH(int, mode);
        QFETCH(QString, motDePasse);
        QFETCH(unsigned, ouverture);
        QFETCH(QString, operation);
        const Vu vu =
            passe(mode, {{"k1", Q_UINT64_C(0x80000000), 0}, {"k2", Q_UINT64_C(0x1'4000'0001), 0}},
                  motDePasse);
        QVERIFY(!vu.fin);
        QCOMPARE(doublure::etat.modeOuverture, ouverture);
        QStringList appels{"ouvrir", "lire", operation, "lire", operation, "lire", "fermer"};
        if (!motDePasse.isEmpty()) {
            appels.insert(1, QStringLiteral("mot de passe ") + motDePasse);
        }
        QCOMPARE(doublure::etat.appels, appels);
        QCOMPARE(vu.tailles, (QStringList{"5368709121", "2147483648"}));
    }

    // Nothing but a comment as long as the buffer: the comment as far as the buffer holds it and
    // never past it, first; the window; the column's label left as it was.
    void unCommentaireSansEntree() {
        doublure::etat.commentairePlein = true;
        const Vu vu = passe(ModeTest);
        QCOMPARE(vu.messages.first().texte, QString(16384, QLatin1Char('z')));
        QCOMPARE(vu.evenements, (QStringList{"commentaire", "fenetre"}));
        QCOMPARE(vu.enTete, QStringLiteral("Résultat"));
    }
};

QTEST_GUILESS_MAIN(TestDoublure)
#include "tst_doublure.moc"

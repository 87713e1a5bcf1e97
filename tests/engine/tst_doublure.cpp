// The pass against a stand-in for the library, for the results that no real archive gives.

#include "Archives.h"
#include "Messages.h"
#include "Passe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace doublure {

struct Entree {
    QString nom;
    quint64 taille = 0;
    int resultat = 0;
};

// The script, and what the pass did.
int resultatOuverture = 0;
QByteArray commentaire; // "plein": fills the whole buffer, without a NUL
QList<Entree> entrees;
int finEnTete = ERAR_END_ARCHIVE;
int jeton = 0;
QStringList appels;
unsigned modeOuverture = 99;
bool nomsNuls = true;
int invalides = 0; // calls with another handle than the one the open gave
int suivante = 0;

void verifier(void* h) {
    invalides += h != &jeton;
}

void* ouvrir(RAROpenArchiveData* d) {
    appels << QStringLiteral("ouvrir");
    suivante = 0; // opened again, the archive starts at its first header
    modeOuverture = d->OpenMode;
    d->OpenResult = unsigned(resultatOuverture);
    if (commentaire == "plein") {
        std::memset(d->CmtBuf, 'z', d->CmtBufSize);
        d->CmtState = ERAR_SMALL_BUF;
    } else if (!commentaire.isEmpty()) {
        std::memcpy(d->CmtBuf, commentaire.constData(), std::size_t(commentaire.size()) + 1);
        d->CmtState = 1;
    }
    // A failed open still hands back something that is not a usable handle.
    static int autre = 0;
    return resultatOuverture == 0 ? &jeton : &autre;
}

int fermer(void* h) {
    verifier(h);
    appels << QStringLiteral("fermer");
    return 0;
}

int lireEnTete(void* h, RARHeaderDataEx* e) {
    verifier(h);
    appels << QStringLiteral("lire");
    if (suivante >= entrees.size()) {
        return finEnTete;
    }
    const Entree& x = entrees.at(suivante);
    std::wcsncpy(e->FileNameW, x.nom.toStdWString().c_str(), 1023);
    e->UnpSize = unsigned(x.taille & 0xffffffffu);
    e->UnpSizeHigh = unsigned(x.taille >> 32);
    return 0;
}

int traiter(void* h, int operation, char* chemin, char* nom) {
    verifier(h);
    appels << QStringLiteral("traiter %1").arg(operation);
    nomsNuls = nomsNuls && chemin == nullptr && nom == nullptr;
    return entrees.at(suivante++).resultat;
}

void motDePasse(void* h, char* mdp) {
    verifier(h);
    appels << QStringLiteral("mot de passe ") + QString::fromLocal8Bit(mdp);
}

void volume(void*, CHANGEVOLPROC) {}
void rappel(void*, UNRARCALLBACK, long) {}
int version() {
    return 8;
}

const ModuleRAR::UnrarApi api{ouvrir,     fermer, lireEnTete, traiter,
                              motDePasse, volume, rappel,     version};

} // namespace doublure

namespace {

using Entrees = QList<doublure::Entree>;

const QTemporaryDir dossier;
const QString archive = dossier.filePath(QStringLiteral("x.rar"));

// A pass over a file that is there (nothing else goes to the library), scripted as given.
Vu passe(int mode, const Entrees& entrees = {}, const QString& mdp = {}) {
    archives::ecrire(archive, "Rar!");
    doublure::entrees = entrees;
    return passerDansLeMoteur(
        {.mode = mode, .archive = archive, .destination = dossier.path(), .coche = mdp},
        &doublure::api);
}

QString echec(const Vu& vu) {
    return vu.fin ? vu.messages.last().texte : QString();
}

} // namespace

class TestDoublure : public QObject {
    Q_OBJECT

private slots:
    void init() {
        doublure::resultatOuverture = 0;
        doublure::commentaire.clear();
        doublure::finEnTete = ERAR_END_ARCHIVE;
        doublure::appels.clear();
        doublure::modeOuverture = 99;
        doublure::nomsNuls = true;
        doublure::invalides = 0;
    }

    // Each opening is closed once, and no handle but the open's is ever used.
    void cleanup() {
        QCOMPARE(doublure::invalides, 0);
        QCOMPARE(doublure::appels.count(QStringLiteral("fermer")),
                 doublure::appels.count(QStringLiteral("ouvrir")) -
                     (doublure::resultatOuverture != 0));
    }

    void lesEchecsDOuverture_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // "@" stands for the archive's path
        QTest::newRow("out of memory") << 11 << "Pas assez de mémoire";
        QTest::newRow("bad data") << 12 << "@: Archive invalide";
        QTest::newRow("not an archive") << 13 << "@Ce n'est pas un fichier archive RAR";
        QTest::newRow("unknown format") << 14 << "Format d'archive inconnu";
        QTest::newRow("cannot open") << 15 << "Ne peut ouvrir le fichier @";
        QTest::newRow("any other code") << 24 << "Erreur à l'ouverture de l'archive (code 24) : @";
    }

    void lesEchecsDOuverture() {
        QFETCH(int, code);
        QFETCH(QString, message);
        doublure::resultatOuverture = code;
        const Vu vu = passe(ModeListe);
        QCOMPARE(echec(vu), message.replace(QLatin1Char('@'), archive));
        // The handle of a failed open is never used, not even to close it.
        QCOMPARE(doublure::appels, QStringList{"ouvrir"});
        QVERIFY(vu.noms.isEmpty());
    }

    void lesEchecsDEntreeEtDeFin_data() {
        QTest::addColumn<int>("entree");      // the second entry's result
        QTest::addColumn<int>("fin");         // the header read after the last entry
        QTest::addColumn<QString>("message"); // empty: the pass goes on
        const QStringList fatals{"CRC Erreur",
                                 "Erreur ou mauvais volume",
                                 "Format d'archive inconnu",
                                 "Erreur dans l'ouverture du volume",
                                 "Ereur dans la création du fichier",
                                 "Erreur dans la fermeture du fichier",
                                 "Erreur en lecture",
                                 "Erreur en écriture"};
        for (int code = 12; code <= 19; ++code) {
            QTest::newRow(qPrintable(QStringLiteral("entry %1").arg(code)))
                << code << ERAR_END_ARCHIVE << fatals[code - 12];
        }
        for (const int code : {11, 20, 21}) {
            QTest::newRow(qPrintable(QStringLiteral("entry %1 goes on").arg(code)))
                << code << ERAR_END_ARCHIVE << QString();
        }
        QTest::newRow("entry: password missing")
            << 22 << ERAR_END_ARCHIVE << "Mot de passe nécessaire pour cette archive";
        QTest::newRow("entry: wrong password, asked nobody")
            << 24 << ERAR_END_ARCHIVE << "Mot de passe incorrect";
        QTest::newRow("end: broken header") << 0 << 12 << "File header broken";
        QTest::newRow("end: volume missing") << 0 << 15 << "Erreur dans l'ouverture du volume";
        QTest::newRow("end: password missing")
            << 0 << 22 << "Mot de passe nécessaire pour cette archive";
        QTest::newRow("end: another code") << 0 << 21 << QString();
    }

    void lesEchecsDEntreeEtDeFin() {
        QFETCH(int, entree);
        QFETCH(int, fin);
        QFETCH(QString, message);
        doublure::finEnTete = fin;
        const Vu vu = passe(ModeTest, {{"a", 1, 0}, {"b", 2, entree}, {"c", 3, 0}});
        QCOMPARE(echec(vu), message);
        const bool arret = !message.isEmpty() && fin == ERAR_END_ARCHIVE;
        const QStringList noms = arret ? QStringList{"b", "a"} : QStringList{"c", "b", "a"};
        QCOMPARE(vu.noms, noms);
        QCOMPARE(vu.resultats.last(), QStringLiteral("OK"));
        QCOMPARE(vu.resultats.at(vu.noms.indexOf(QStringLiteral("b"))),
                 entree == 0 ? QStringLiteral("OK") : QString());
    }

    // The open mode and the operation of each mode; never a destination path or name; sizes
    // beyond 31 and 32 bits whole.
    void chaqueModeSonOuvertureEtSonOperation_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<unsigned>("ouverture");
        QTest::addColumn<QString>("operation");
        QTest::newRow("list skips") << int(ModeListe) << unsigned(RAR_OM_LIST) << "traiter 0";
        QTest::newRow("test tests") << int(ModeTest) << unsigned(RAR_OM_EXTRACT) << "traiter 1";
        QTest::newRow("extract extracts")
            << int(ModeExtraction) << unsigned(RAR_OM_EXTRACT) << "traiter 2";
    }

    void chaqueModeSonOuvertureEtSonOperation() {
        QFETCH(int, mode);
        QFETCH(unsigned, ouverture);
        QFETCH(QString, operation);
        const Vu vu =
            passe(mode, {{"k1", Q_UINT64_C(0x80000000), 0}, {"k2", Q_UINT64_C(0x1'4000'0001), 0}});
        QVERIFY(!vu.fin);
        QCOMPARE(doublure::modeOuverture, ouverture);
        QCOMPARE(doublure::appels,
                 (QStringList{"ouvrir", "lire", operation, "lire", operation, "lire", "fermer"}));
        QVERIFY(doublure::nomsNuls);
        QCOMPARE(vu.tailles, (QStringList{"5368709121", "2147483648"}));
    }

    // A given password reaches the library before the first header; an empty one never does.
    void leMotDePasseAvantLePremierEnTete() {
        passe(ModeTest, {{"a", 1, 0}}, QStringLiteral("sésame"));
        QCOMPARE(doublure::appels.mid(0, 3),
                 (QStringList{"ouvrir", "mot de passe sésame", "lire"}));
        doublure::appels.clear();
        passe(ModeTest, {{"a", 1, 0}});
        QVERIFY(doublure::appels.filter(QStringLiteral("mot de passe")).isEmpty());
    }

    // A comment as long as the buffer or longer is shown as far as it holds, never past it; any
    // comment comes before everything else.
    void leCommentaireResteDansSonTampon() {
        doublure::commentaire = "plein";
        QCOMPARE(passe(ModeListe).messages.first().texte, QString(16384, QLatin1Char('z')));
        doublure::commentaire = "court";
        const Vu court = passe(ModeListe);
        QCOMPARE(court.messages.first().texte, QStringLiteral("court"));
        QCOMPARE(court.evenements.first(), QStringLiteral("commentaire"));
    }

    void uneArchiveSansEntreeNeTouchePasLEnTete() {
        const Vu vu = passe(ModeTest);
        QCOMPARE(vu.enTete, QStringLiteral("Résultat"));
        QCOMPARE(vu.evenements, QStringList{"fenetre"});
    }

    void uneBibliothequeAbsenteOuIncompleteEstNommee() {
        const ModuleRAR::Chargement absente =
            ModuleRAR::chargerUnrar(QStringLiteral("libkorvane-absente.so.5"));
        QVERIFY(!absente.api);
        QVERIFY(absente.erreur.contains(QStringLiteral("libkorvane-absente.so.5")));
        QVERIFY(absente.erreur.contains(QStringLiteral("apt install libunrar5")));
        // A real library that is not UnRAR: the first entry point it lacks is named.
        const ModuleRAR::Chargement autre = ModuleRAR::chargerUnrar(QStringLiteral("libz.so.1"));
        QVERIFY(!autre.api);
        QVERIFY(autre.erreur.contains(QStringLiteral("RAROpenArchive")));
    }
};

QTEST_GUILESS_MAIN(TestDoublure)
#include "tst_doublure.moc"

// The pass against a stand-in for the library, for the results that no real archive gives.

#include "Archives.h"
#include "Messages.h"
#include "ModuleRAR.h"
#include "RetourEnregistre.h"

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

// The script.
int resultatOuverture = 0;
QByteArray commentaire;
bool commentairePlein = false; // fills the whole buffer, without a NUL
QList<Entree> entrees;
int finEnTete = ERAR_END_ARCHIVE;

// What the pass did.
int jeton = 0;
QStringList appels;
unsigned modeOuverture = 99;
bool nomsNuls = true;
int utilisationsInvalides = 0;
int suivante = 0;

void reinitialiser() {
    resultatOuverture = 0;
    commentaire.clear();
    commentairePlein = false;
    entrees.clear();
    finEnTete = ERAR_END_ARCHIVE;
    appels.clear();
    modeOuverture = 99;
    nomsNuls = true;
    utilisationsInvalides = 0;
    suivante = 0;
}

void verifier(void* h) {
    if (h != &jeton) {
        ++utilisationsInvalides;
    }
}

void* ouvrir(RAROpenArchiveData* d) {
    appels << QStringLiteral("ouvrir");
    suivante = 0; // opened again, the archive starts at its first header
    modeOuverture = d->OpenMode;
    d->OpenResult = unsigned(resultatOuverture);
    if (commentairePlein) {
        std::memset(d->CmtBuf, 'z', d->CmtBufSize);
        d->CmtState = 1;
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
    const std::wstring nom = x.nom.toStdWString();
    std::wcsncpy(e->FileNameW, nom.c_str(), 1023);
    e->UnpSize = unsigned(x.taille & 0xffffffffu);
    e->UnpSizeHigh = unsigned(x.taille >> 32);
    return 0;
}

int traiter(void* h, int operation, char* chemin, char* nom) {
    verifier(h);
    appels << QStringLiteral("traiter %1").arg(operation);
    if (chemin != nullptr || nom != nullptr) {
        nomsNuls = false;
    }
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

QString passe(RetourEnregistre& r, int mode, const QString& mdp = {}) {
    try {
        // A file must be there: nothing else is handed to the library.
        static const QTemporaryDir dossier;
        r.chemin = dossier.filePath(QStringLiteral("x.rar"));
        archives::ecrire(r.chemin, "Rar!");
        TraiterArchive(doublure::api, r, mode, QFile::encodeName(r.chemin), mdp);
    } catch (const ErreurFatale& e) {
        return e.message;
    }
    return QString();
}

} // namespace

class TestDoublure : public QObject {
    Q_OBJECT

private slots:
    void init() { doublure::reinitialiser(); }

    void lesEchecsDOuverture_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
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
        RetourEnregistre r;
        const QString vu = passe(r, ModeListe);
        QCOMPARE(vu, QString(message).replace(QLatin1Char('@'), r.chemin));
        // The handle of a failed open is never used, not even to close it.
        QCOMPARE(doublure::appels, QStringList{QStringLiteral("ouvrir")});
        QCOMPARE(doublure::utilisationsInvalides, 0);
        QVERIFY(r.lignes.isEmpty());
    }

    void lesEchecsDEntree_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // empty: the pass goes on
        QTest::newRow("12") << 12 << "CRC Erreur";
        QTest::newRow("13") << 13 << "Erreur ou mauvais volume";
        QTest::newRow("14") << 14 << "Format d'archive inconnu";
        QTest::newRow("15") << 15 << "Erreur dans l'ouverture du volume";
        QTest::newRow("16") << 16 << "Ereur dans la création du fichier";
        QTest::newRow("17") << 17 << "Erreur dans la fermeture du fichier";
        QTest::newRow("18") << 18 << "Erreur en lecture";
        QTest::newRow("19") << 19 << "Erreur en écriture";
        QTest::newRow("22") << 22 << "Mot de passe nécessaire pour cette archive";
        QTest::newRow("24") << 24 << "Mot de passe incorrect";
        QTest::newRow("11 goes on") << 11 << "";
        QTest::newRow("20 goes on") << 20 << "";
        QTest::newRow("21 goes on") << 21 << "";
    }

    void lesEchecsDEntree() {
        QFETCH(int, code);
        QFETCH(QString, message);
        doublure::entrees = {{QStringLiteral("a"), 1, 0},
                             {QStringLiteral("b"), 2, code},
                             {QStringLiteral("c"), 3, 0}};
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeTest), message);
        QCOMPARE(r.lignes[0].resultat, QStringLiteral("OK"));
        QCOMPARE(r.lignes[1].resultat, QString());
        QCOMPARE(r.lignes.size(), message.isEmpty() ? 3 : 2);
        // Each opening is closed once however the pass ends; a wrong password opens it again.
        QCOMPARE(doublure::appels.count(QStringLiteral("fermer")),
                 doublure::appels.count(QStringLiteral("ouvrir")));
    }

    void laFinDesEnTetes_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("end of archive") << 10 << "";
        QTest::newRow("broken header") << 12 << "File header broken";
        QTest::newRow("password missing") << 22 << "Mot de passe nécessaire pour cette archive";
        QTest::newRow("wrong password") << 24 << "Mot de passe incorrect";
        QTest::newRow("another code") << 21 << "";
    }

    void laFinDesEnTetes() {
        QFETCH(int, code);
        QFETCH(QString, message);
        doublure::entrees = {{QStringLiteral("a"), 1, 0}};
        doublure::finEnTete = code;
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeListe), message);
        QCOMPARE(r.noms(), QStringList{QStringLiteral("a")});
    }

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
        // Names that cannot exist in the current directory, so extraction asks nothing.
        doublure::entrees = {{QStringLiteral("korvane-absent-1"), 1, 0},
                             {QStringLiteral("korvane-absent-2"), 2, 0}};
        RetourEnregistre r;
        QCOMPARE(passe(r, mode), QString());
        QCOMPARE(doublure::modeOuverture, ouverture);
        QCOMPARE(doublure::appels,
                 (QStringList{"ouvrir", "lire", operation, "lire", operation, "lire", "fermer"}));
        QVERIFY(doublure::nomsNuls);
    }

    void leMotDePasseAvantLePremierEnTete() {
        doublure::entrees = {{QStringLiteral("a"), 1, 0}};
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeTest, QStringLiteral("sésame")), QString());
        QCOMPARE(doublure::appels.mid(0, 3),
                 (QStringList{"ouvrir", "mot de passe sésame", "lire"}));

        doublure::reinitialiser();
        doublure::entrees = {{QStringLiteral("a"), 1, 0}};
        RetourEnregistre sans;
        QCOMPARE(passe(sans, ModeTest, QString()), QString());
        for (const QString& appel : doublure::appels) {
            QVERIFY(!appel.startsWith(QStringLiteral("mot de passe")));
        }
    }

    void leCommentaireResteDansSonTampon() {
        doublure::commentairePlein = true;
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeListe), QString());
        QCOMPARE(r.commentaireVu, QString(16384, QLatin1Char('z')));

        doublure::reinitialiser();
        doublure::commentaire = "court";
        RetourEnregistre court;
        QCOMPARE(passe(court, ModeListe), QString());
        QCOMPARE(court.commentaireVu, QStringLiteral("court"));
        QCOMPARE(court.evenements.first(), QStringLiteral("commentaire"));
    }

    void uneArchiveSansEntreeNeTouchePasLEnTete() {
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeTest), QString());
        QCOMPARE(r.enTete, QStringLiteral("Résultat"));
        QCOMPARE(r.evenements, QStringList{QStringLiteral("fenetre")});
        QCOMPARE(doublure::appels.last(), QStringLiteral("fermer"));
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
        QVERIFY(autre.erreur.contains(QStringLiteral("libunrar5")));
    }

    void lesTaillesDeQuatreGigaEtPlus() {
        doublure::entrees = {{QStringLiteral("a"), Q_UINT64_C(0x80000000), 0},
                             {QStringLiteral("b"), Q_UINT64_C(0x1'4000'0001), 0}};
        RetourEnregistre r;
        QCOMPARE(passe(r, ModeListe), QString());
        QCOMPARE(r.lignes[0].taille, Q_INT64_C(2147483648));
        QCOMPARE(r.lignes[1].taille, Q_INT64_C(5368709121));
    }
};

QTEST_GUILESS_MAIN(TestDoublure)
#include "tst_doublure.moc"

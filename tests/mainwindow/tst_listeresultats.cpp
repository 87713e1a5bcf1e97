#include "ListeResultats.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

QString affiche(const ListeResultats& m, int ligne, int colonne) {
    return m.data(m.index(ligne, colonne)).toString();
}

} // namespace

class TestListeResultats : public QObject {
    Q_OBJECT

private slots:
    void laDerniereLigneAjouteeEstEnHaut() {
        ListeResultats m;
        QAbstractItemModelTester testeur(&m,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.ajouterEnTete(QStringLiteral("a"), 1);
        m.ecrireResultat(QStringLiteral("OK"));
        m.ajouterEnTete(QStringLiteral("b"), 2);
        m.publier();
        m.ajouterEnTete(QStringLiteral("c"), -3);
        m.ecrireResultat(QStringLiteral("OK"));
        m.publier();

        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(affiche(m, 0, 0), QStringLiteral("c"));
        QCOMPARE(affiche(m, 0, 1), QStringLiteral("-3"));
        QCOMPARE(affiche(m, 0, 2), QStringLiteral("OK"));
        QCOMPARE(affiche(m, 1, 0), QStringLiteral("b"));
        QCOMPARE(affiche(m, 1, 2), QString()); // its result was never written
        QCOMPARE(affiche(m, 2, 0), QStringLiteral("a"));
        QCOMPARE(affiche(m, 2, 2), QStringLiteral("OK"));
    }

    void chaqueLigneGardeSonResultat() {
        ListeResultats m;
        const QStringList resultats{QStringLiteral("OK"),          QStringLiteral("OK"),
                                    QStringLiteral("Ignoré"),      QStringLiteral("OK"),
                                    QStringLiteral("Lien refusé"), QStringLiteral("Lien refusé"),
                                    QStringLiteral("Ignoré")};
        for (const QString& r : resultats) {
            m.ajouterEnTete(r, 0);
            m.ecrireResultat(QString(r)); // equal text, not the same string
        }
        m.publier();
        for (qsizetype i = 0; i < resultats.size(); ++i) {
            QCOMPARE(affiche(m, int(resultats.size() - 1 - i), 2), resultats[i]);
        }
    }

    void lesLignesNonPublieesComptentPourLAppelant() {
        ListeResultats m;
        for (int i = 0; i < 5; ++i) {
            m.ajouterEnTete(QString::number(i), i);
        }
        QCOMPARE(m.nombreLignes(), 5);
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.texte(0, 0), QStringLiteral("4"));
        m.publier();
        QCOMPARE(m.rowCount(), 5);
    }

    void unePublicationAnnonceToutLeLotEnUneFois() {
        ListeResultats m;
        QSignalSpy insertions(&m, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 10000; ++i) {
            m.ajouterEnTete(QStringLiteral("f%1").arg(i), i);
        }
        m.publier();
        m.publier(); // nothing waiting: no signal
        QCOMPARE(insertions.size(), 1);
        QCOMPARE(insertions.at(0).at(1).toInt(), 0);
        QCOMPARE(insertions.at(0).at(2).toInt(), 9999);
        QCOMPARE(affiche(m, 0, 0), QStringLiteral("f9999"));
        QCOMPARE(affiche(m, 9999, 0), QStringLiteral("f0"));
    }

    // Names far beyond one storage block, one larger than a block, and text outside ASCII: each row
    // must give back exactly the name it was given.
    void lesNomsReviennentIntacts() {
        ListeResultats m;
        QStringList noms;
        for (int i = 0; i < 700; ++i) {
            noms << QStringLiteral("dossier-%1/").arg(i).repeated(40) +
                        QStringLiteral("été 日本 \U0001D11E \uE0A9 %1").arg(i);
        }
        noms.insert(350, QString(300 * 1024, QLatin1Char('x')));
        noms << QString();
        for (int i = 0; i < noms.size(); ++i) {
            m.ajouterEnTete(noms[i], i);
        }
        m.publier();
        QCOMPARE(m.rowCount(), noms.size());
        for (int i = 0; i < noms.size(); ++i) {
            const int rang = int(noms.size()) - 1 - i;
            QCOMPARE(affiche(m, rang, 0), noms[i]);
            QCOMPARE(affiche(m, rang, 1), QString::number(i));
        }

        m.viderLignes();
        m.ajouterEnTete(QStringLiteral("après"), 7);
        m.publier();
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(affiche(m, 0, 0), QStringLiteral("après"));
    }

    void leResultatDUneLignePublieeEstAnnonce() {
        ListeResultats m;
        m.ajouterEnTete(QStringLiteral("a"), 1);
        m.publier();
        QSignalSpy changements(&m, &QAbstractItemModel::dataChanged);
        m.ecrireResultat(QStringLiteral("OK"));
        QCOMPARE(changements.size(), 1);
        QCOMPARE(affiche(m, 0, 2), QStringLiteral("OK"));
    }

    void lEnTeteDeLaTroisiemeColonneSuitLePassage() {
        ListeResultats m;
        QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Résultat"));
        m.definirEnTeteResultat(QStringLiteral("Test"));
        m.viderLignes();
        // Emptying the list leaves the label of the last pass.
        QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Test"));
        QCOMPARE(m.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestListeResultats)
#include "tst_listeresultats.moc"

#include "DelegueTexte.h"
#include "ListeResultats.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>

// The list's own delegate must paint exactly what the toolkit's delegate paints: same place, same
// colours, same ellipsis.
class TestDelegue : public QObject {
    Q_OBJECT

private:
    static QImage peindre(QAbstractItemDelegate* delegue, int ligneChoisie, bool retourALaLigne) {
        ListeResultats modele;
        modele.ajouterEnTete(QStringLiteral("court.txt"), 2);
        modele.ecrireResultat(QStringLiteral("OK"));
        modele.ajouterEnTete(QStringLiteral("un dossier au nom très long/sous-dossier/encore plus "
                                            "loin/fichier_dont_le_nom_depasse_la_colonne.txt"),
                             1234567890123);
        modele.ecrireResultat(QStringLiteral("Lien refusé"));
        modele.ajouterEnTete(QStringLiteral("été 日本/ok"), 0);
        modele.publier();

        QTableView vue;
        vue.setModel(&modele);
        vue.setItemDelegate(delegue);
        vue.setShowGrid(false);
        vue.setWordWrap(retourALaLigne);
        vue.verticalHeader()->hide();
        vue.setSelectionBehavior(QAbstractItemView::SelectRows);
        vue.horizontalHeader()->resizeSection(0, 160);
        vue.horizontalHeader()->resizeSection(1, 50); // too narrow for its number
        vue.horizontalHeader()->resizeSection(2, 60);
        vue.resize(300, 120);
        vue.show();
        if (ligneChoisie >= 0) {
            vue.setFocus();
            vue.setCurrentIndex(modele.index(ligneChoisie, 0));
        }
        QApplication::processEvents();
        return vue.viewport()->grab().toImage();
    }

private slots:
    void peintCommeLaBoiteAOutils_data() {
        QTest::addColumn<int>("ligneChoisie");
        QTest::addColumn<bool>("retourALaLigne");
        QTest::newRow("sans choix") << -1 << false;
        QTest::newRow("ligne longue choisie") << 1 << false;
        QTest::newRow("première ligne choisie") << 0 << false;
        QTest::newRow("retour à la ligne") << 1 << true;
    }

    void peintCommeLaBoiteAOutils() {
        QFETCH(int, ligneChoisie);
        QFETCH(bool, retourALaLigne);
        QStyledItemDelegate standard;
        DelegueTexte notre;
        const QImage attendue = peindre(&standard, ligneChoisie, retourALaLigne);
        const QImage obtenue = peindre(&notre, ligneChoisie, retourALaLigne);
        QVERIFY(!attendue.isNull());
        QCOMPARE(obtenue.size(), attendue.size());
        QVERIFY(obtenue == attendue);
    }
};

QTEST_MAIN(TestDelegue)
#include "tst_delegue.moc"

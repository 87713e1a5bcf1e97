// What the program shows through the system: the real boxes, closed from a timer.

#include "Interaction.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `regarder` on the box as soon as it is up; what it leaves open is closed without answer.
void aLOuverture(std::function<void(QMessageBox*)> regarder) {
    QTimer::singleShot(0, qApp, [regarder] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(boite != nullptr);
        regarder(boite);
        if (boite->isVisible()) {
            boite->done(0);
        }
    });
}

} // namespace

class TestSysteme : public QObject {
    Q_OBJECT

private slots:
    void unTexteSeLitTelQuel_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("vu");
        QTest::addColumn<bool>("defile"); // in a scrollable area rather than the label
        QTest::newRow("markup is text, carriage returns break lines")
            << QStringLiteral("Bienvenue <b>important</b> & /tmp/<i>/x\ra < b et c > d\r\nfin")
            << QStringLiteral("Bienvenue <b>important</b> & /tmp/<i>/x\na < b et c > d\nfin")
            << false;
        const QString longue = QStringLiteral("<i>sans fin</i> ").repeated(1024);
        QTest::newRow("one line of 16384 characters") << longue << longue << true;
    }

    void unTexteSeLitTelQuel() {
        QFETCH(QString, texte);
        QFETCH(QString, vu);
        QFETCH(bool, defile);
        aLOuverture([&](QMessageBox* boite) {
            QVERIFY(boite->frameGeometry().height() <=
                    boite->screen()->availableGeometry().height());
            QVERIFY(boite->findChild<QPushButton*>()->isVisible());
            auto* zone = boite->findChild<QPlainTextEdit*>();
            auto* libelle = boite->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QCOMPARE(zone != nullptr && zone->isVisible(), defile);
            QCOMPARE(libelle->isVisible(), !defile);
            if (defile) {
                QVERIFY(zone->isReadOnly());
                QCOMPARE(zone->toPlainText(), vu);
            } else {
                QCOMPARE(libelle->textFormat(), Qt::PlainText);
                QCOMPARE(libelle->text(), vu);
            }
            QTest::keyClick(boite, Qt::Key_Return);
            QVERIFY(!boite->isVisible());
        });
        platform::interaction().message(nullptr, texte, QStringLiteral("Comment"),
                                        platform::Icone::Information);
    }

    // Return and Escape keep the user's file; only a deliberate choice replaces it.
    void laQuestionDeRemplacementNeRemplaceQueSurDemande_data() {
        QTest::addColumn<int>("touche"); // 0: a click on "Oui"
        QTest::addColumn<int>("reponse");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QMessageBox::No);
        QTest::newRow("Return") << int(Qt::Key_Return) << int(QMessageBox::No);
        QTest::newRow("a click on Oui") << 0 << int(QMessageBox::Yes);
    }

    void laQuestionDeRemplacementNeRemplaceQueSurDemande() {
        QFETCH(int, touche);
        QFETCH(int, reponse);
        aLOuverture([touche](QMessageBox* boite) {
            if (touche == 0) {
                boite->button(QMessageBox::Yes)->click();
                return;
            }
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : boite, Qt::Key(touche));
        });
        const QMessageBox::StandardButton choisi = platform::interaction().question(
            nullptr, QStringLiteral("Le fichier « a.txt » existe déjà. Voulez-vous le remplacer ?"),
            QStringLiteral("Confirmation"),
            QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
        QCOMPARE(int(choisi), reponse);
    }
};

QTEST_MAIN(TestSysteme)
#include "tst_systeme.moc"

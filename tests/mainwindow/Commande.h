#pragma once

// Drives the extract command as a user does: the FUnRAR menu, then the real destination dialog.

#include "ModuleRAR.h"
#include "Unrar.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Answers the destination dialog as soon as it is up, with the button named `bouton`.
inline void repondreAuDialogue(const char* bouton) {
    QTimer::singleShot(0, qApp, [bouton] {
        QWidget* dialogue = QApplication::activeModalWidget();
        QVERIFY(dialogue != nullptr);
        auto* b = dialogue->findChild<QPushButton*>(QString::fromLatin1(bouton));
        QVERIFY(b != nullptr);
        b->click();
    });
}

// The extract command changes the current directory; a test puts it back.
class DossierCourantGarde {
public:
    DossierCourantGarde()
        : avant_(QDir::currentPath()) {}
    ~DossierCourantGarde() { QDir::setCurrent(avant_); }
    DossierCourantGarde(const DossierCourantGarde&) = delete;
    DossierCourantGarde& operator=(const DossierCourantGarde&) = delete;

private:
    QString avant_;
};

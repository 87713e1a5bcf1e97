#include "Passe.h"

#include "FUnRAR.h"
#include "ListeResultats.h"
#include "ModuleRAR.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

QStringList colonne(const FUnRAR& f, int c) {
    QStringList textes;
    for (int i = 0; i < f.modeleResultats()->nombreLignes(); ++i) {
        textes << f.modeleResultats()->texte(i, c);
    }
    return textes;
}

void repondreAuDialogue(const char* bouton) {
    QTimer::singleShot(0, qApp, [bouton] {
        QWidget* dialogue = QApplication::activeModalWidget();
        QVERIFY(dialogue != nullptr);
        auto* b = dialogue->findChild<QPushButton*>(QString::fromLatin1(bouton));
        QVERIFY(b != nullptr);
        b->click();
    });
}

DossierCourantGarde::DossierCourantGarde()
    : avant_(QDir::currentPath()) {}

DossierCourantGarde::~DossierCourantGarde() {
    QDir::setCurrent(avant_);
}

Vu passer(const Passage& passage) {
    DossierCourantGarde garde;
    FausseInteraction boites;
    for (const QMessageBox::StandardButton r : passage.reponses) {
        boites.reponses.enqueue(r);
    }
    if (!passage.coche.isEmpty()) {
        boites.motsDePasse.enqueue(passage.coche);
    }
    for (const std::optional<QString>& m : passage.motsDePasse) {
        boites.motsDePasse.enqueue(m);
    }
    assistant::imposerNiveau(passage.niveau);
    assistant::imposerOptions(passage.options);
    const auto retablir = qScopeGuard([] {
        assistant::imposerNiveau(std::nullopt);
        assistant::imposerOptions(0);
    });

    FUnRAR f;
    auto* check1 = f.findChild<QCheckBox*>(QStringLiteral("Check1"));
    check1->setChecked(!passage.coche.isEmpty());
    ModuleRAR::CheminArchive = passage.archive;
    Vu vu;
    try {
        switch (passage.mode) {
        case ModeExtraction:
            ModuleRAR::DossierDestination = passage.destination;
            repondreAuDialogue("Command1");
            f.Mnu_Extraire_Click();
            break;
        case ModeTest:
            f.Mnu_Tester_Click();
            break;
        default:
            f.Mnu_Lister_Click();
            break;
        }
    } catch (const FinDuProgramme& fin) {
        vu.fin = fin.statut;
    }
    vu.messages = boites.messages;
    vu.questions = boites.questions;
    vu.libellesMotDePasse = boites.libellesMotDePasse;
    vu.noms = colonne(f, ListeResultats::ColonneFichier);
    vu.tailles = colonne(f, ListeResultats::ColonneTaille);
    vu.resultats = colonne(f, ListeResultats::ColonneResultat);
    vu.enTete =
        f.modeleResultats()->headerData(ListeResultats::ColonneResultat, Qt::Horizontal).toString();
    vu.coche = check1->isChecked();
    return vu;
}

#include "Passe.h"

#include "CheminsPartages.h"
#include "Enfants.h"
#include "FUnRAR.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "ModuleRAR.h"
#include "Protocole.h"
#include "Unrar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {

// Every helper a test starts is the build's, from the first one on: a probe of the sandbox made
// before any pass would otherwise look for a helper beside the test program, find none, and take
// that for a sandbox that works.
[[maybe_unused]] const bool programmeDeLaConstruction = [] {
    assistant::definirProgramme(QStringLiteral(KORVANE_PASSE));
    return true;
}();

} // namespace

void EssaisDePasses::init() {
    ModuleRAR::CheminArchive.clear();
    ModuleRAR::DossierDestination.clear();
}

void EssaisDePasses::cleanup() {
    QCOMPARE(enfants(), QList<pid_t>());
}

const QList<Niveau>& niveaux() {
    static const QList<Niveau> n{
        {"", std::nullopt, 0, true, true},
        {", without the sandbox", assistant::Niveau::Landlock, 0, true, true},
        {", without the sandbox, Landlock ABI 2", assistant::Niveau::Landlock,
         2U << protocole::DecalageAbi, true, true},
        {", without the sandbox nor Landlock", assistant::Niveau::Gardes, 0, true, true},
        {", the sandbox alone", assistant::Niveau::Bac, protocole::SansGardes, false, true},
        {", Landlock alone", assistant::Niveau::Landlock,
         protocole::SansGardes | protocole::SansFiltre, false, false},
    };
    return n;
}

bool possible(const Niveau& n) {
    return n.niveau != assistant::Niveau::Bac || assistant::niveau() == assistant::Niveau::Bac;
}

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
    if (!passage.programme.isEmpty()) {
        assistant::definirProgramme(passage.programme);
    }
    const auto retablir = qScopeGuard([] {
        assistant::imposerNiveau(std::nullopt);
        assistant::imposerOptions(0);
        assistant::definirProgramme(QStringLiteral(KORVANE_PASSE));
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
    vu.dossierCourant = QDir::currentPath();
    return vu;
}

Vu passerDansLeMoteur(const Passage& passage, const ModuleRAR::UnrarApi* api) {
    DossierCourantGarde garde;
    if (passage.mode == ModeExtraction) {
        QDir::setCurrent(passage.destination);
    }
    Vu vu;
    vu.enTete = QStringLiteral("Résultat");
    RetourEnregistre retour(vu);
    try {
        TraiterArchive(api != nullptr ? *api : unrar(), retour, passage.mode,
                       QFile::encodeName(passage.archive).toStdString(),
                       passage.coche.toStdString(), nullptr);
    } catch (const Messages::Echec& e) {
        vu.fin = 1;
        vu.messages.append({Messages::texte(e, passage.archive), Messages::TitreErreur,
                            platform::Icone::Exclamation});
    }
    return vu;
}

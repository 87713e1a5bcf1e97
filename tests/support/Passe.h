#pragma once

// The one way for the tests to run a pass: as a user does, through the real window whose pass runs
// in the helper of this build, or in the engine alone, in this process, for the engine's own
// tests (thousands of passes over cut archives, or a stand-in for the library). Both take what
// the user does and say what the user saw.

#include "Assistant.h"
#include "FausseInteraction.h"
#include "Messages.h"
#include "ModuleRAR.h"
#include "OctetsQt.h"
#include "TraiterArchive.h"

#include <QMessageBox>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

class FUnRAR;

// The programs that run passes through the window derive their test class from this: each test
// starts with no archive or destination left by the one before, and ends with no helper left.
class EssaisDePasses : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
};

// The box of a helper that the library took down.
inline const QRegularExpression ArretBibliotheque(QStringLiteral(
    "^La bibliothèque UnRAR s'est arrêtée sur cette archive \\((signal|code) \\d+\\)$"));

// What the user does.
struct Passage {
    int mode = ModeListe;
    QString archive{};
    QString destination{};                         // extraction: the folder chosen in the dialog
    QList<QMessageBox::StandardButton> reponses{}; // to the replace questions, in turn
    QList<std::optional<QString>> motsDePasse{};   // typed at the pass's prompts; nothing: cancel
    QString coche{}; // when not empty, typed on ticking "Mot de passe" before the pass
    std::optional<assistant::Niveau> niveau{};
    quint32 options = 0; // protocole::Option
    QString programme{}; // another helper than the build's
};

// The levels of confinement that a pass may run at, and what each one keeps alone.
struct Niveau {
    const char* nom; // to end a row's name with
    std::optional<assistant::Niveau> niveau;
    quint32 options;
    bool gardes;
    bool modes; // modes and times outside are kept: Landlock alone does not cover them
};
const QList<Niveau>& niveaux();
// Whether `n` can run here (the sandbox is bubblewrap's, which some systems refuse).
bool possible(const Niveau& n);

// What the user sees afterwards.
struct Vu {
    std::optional<int> fin; // the status the program ended with, when it did
    QList<MessageVu> messages;
    QStringList questions;
    QStringList libellesMotDePasse;
    QStringList noms; // top row first
    QStringList tailles;
    QStringList resultats;
    QString enTete;
    bool coche = false;       // "Mot de passe" ticked afterwards
    QString dossierCourant{}; // the process's current directory right after the pass
    QStringList evenements{}; // in the engine alone: "commentaire", "fenetre", "ligne", "abandon"
    QList<DetailsEntree> details{}; // in the engine alone, top row first
};

// What a pass writes and asks, recorded as the window would show it.
class RetourEnregistre final : public RetourMoteur {
public:
    explicit RetourEnregistre(Vu& vu)
        : vu_(vu) {}

    void commentaire(std::string_view texte, bool) override {
        vu_.evenements << QStringLiteral("commentaire");
        vu_.messages.append(
            {texteQt(texte), Messages::TitreCommentaire, platform::Icone::Information});
    }
    void montrerFenetre() override { vu_.evenements << QStringLiteral("fenetre"); }
    void enTeteResultat(std::string_view libelle) override { vu_.enTete = texteQt(libelle); }
    void detailsLigne(const DetailsEntree& d) override { vu_.details.prepend(d); }
    void nouvelleLigne(std::string_view nom, std::int64_t taille) override {
        vu_.evenements << QStringLiteral("ligne");
        vu_.noms.prepend(texteQt(nom));
        vu_.tailles.prepend(QString::number(taille));
        vu_.resultats.prepend(QString());
    }
    void resultat(Resultat r, int code) override {
        vu_.resultats.first() = Messages::texteResultat(r, code);
    }
    // The engine's own tests answer neither: the window's do.
    Remplacement remplacer(std::string_view nom) override {
        vu_.questions << texteQt(nom);
        return Remplacement::Non;
    }
    std::optional<std::string> motDePasse(bool) override {
        vu_.libellesMotDePasse << QStringLiteral("Mot de passe de l'archive :");
        return std::nullopt;
    }
    void abandon() override { vu_.evenements << QStringLiteral("abandon"); }
    [[noreturn]] void echec(const EchecPasse& e) override { throw Messages::Echec::depuis(e); }

private:
    static QString texteQt(std::string_view t) { return QString::fromUtf8(assistant::vueQt(t)); }

    Vu& vu_;
};

Vu passer(const Passage& passage);
// In this process, with the library's entry points `api` (the real library's by default); the
// program's ending is the failure's message in `messages` and `fin` 1. No question or password
// prompt is answered.
Vu passerDansLeMoteur(const Passage& passage, const ModuleRAR::UnrarApi* api = nullptr);

// The rows of `f`'s list, column `colonne`, top row first.
QStringList colonne(const FUnRAR& f, int colonne);

// Answers the destination dialog as soon as it is up, with the button named `bouton`.
void repondreAuDialogue(const char* bouton);

// The extract command changes the current directory; a test puts it back.
class DossierCourantGarde {
public:
    DossierCourantGarde();
    ~DossierCourantGarde();
    DossierCourantGarde(const DossierCourantGarde&) = delete;
    DossierCourantGarde& operator=(const DossierCourantGarde&) = delete;

private:
    QString avant_;
};

#pragma once

// Every modal exchange with the user, and ending the program, go through here, so that tests can
// answer prompts and record messages instead of blocking on a real box. Texts are shown exactly as
// they are, line breaks kept, never read as markup.

#include <QMessageBox>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

enum class Icone { Information, Exclamation, Critique };

class Interaction {
public:
    virtual ~Interaction() = default;

    // A modal box with a single OK button; returns once the user closed it.
    virtual void message(QWidget* parent, const QString& texte, const QString& titre,
                         Icone icone) = 0;

    // A modal choice among standard buttons; returns the one pressed. When "No" is offered, it is
    // the answer of Return and of Escape.
    virtual QMessageBox::StandardButton question(QWidget* parent, const QString& texte,
                                                 const QString& titre,
                                                 QMessageBox::StandardButtons boutons) = 0;

    // The file-open dialog: the chosen full path (possibly empty), or nothing when cancelled.
    virtual std::optional<QString> ouvrirFichier(QWidget* parent, const QString& titre,
                                                 const QString& filtre) = 0;

    // The save dialog, offering `nom`: the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> enregistrerFichier(QWidget* parent, const QString& titre,
                                                      const QString& filtre,
                                                      const QString& nom) = 0;

    // Hands the file at `chemin` to the desktop's application for its type. `refus` runs once when
    // the desktop tells, within the few seconds an application takes to start, that none takes
    // it or none started: from the event loop, or before this returns.
    virtual void ouvrirDocument(const QString& chemin, std::function<void()> refus) = 0;

    // Shows the folder at `dossier` in the desktop's file manager, its application for folders;
    // `refus` runs as for ouvrirDocument when none shows it.
    virtual void ouvrirDossier(const QString& dossier, std::function<void()> refus) = 0;

    // A masked entry; nothing when cancelled.
    virtual std::optional<QString> motDePasse(QWidget* parent, const QString& titre,
                                              const QString& libelle) = 0;

    // Ends the program at once with `statut`; no code of the caller runs afterwards.
    [[noreturn]] virtual void terminer(int statut) = 0;
};

// The interaction in force: the real boxes unless a test installed its own.
Interaction& interaction();

// Installs `remplacante` (not owned) in place of the real boxes; null restores them.
void installerInteraction(Interaction* remplacante);

} // namespace platform

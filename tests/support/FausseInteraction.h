#pragma once

// Stands in for the real boxes: records every message, answers prompts from queues set by the
// test, and turns "end the program" into an exception so a test can see that nothing ran after.

#include "Assistant.h"
#include "Interaction.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <stdexcept>

struct MessageVu {
    QString texte;
    QString titre;
    platform::Icone icone;
};

struct FinDuProgramme : std::runtime_error {
    explicit FinDuProgramme(int s)
        : std::runtime_error("fin du programme")
        , statut(s) {}
    int statut;
};

class FausseInteraction final : public platform::Interaction {
public:
    FausseInteraction() {
        platform::installerInteraction(this);
        // The window's passes run in the helper of this build, not beside the test's program.
        assistant::definirProgramme(QStringLiteral(KORVANE_PASSE));
    }
    ~FausseInteraction() override { platform::installerInteraction(nullptr); }

    QList<MessageVu> messages;
    QList<QString> questions;
    QQueue<QMessageBox::StandardButton> reponses; // for question(); Cancel when empty
    QQueue<std::optional<QString>> fichiers;      // for ouvrirFichier(), enregistrerFichier()
    QStringList documents;                        // handed to the desktop
    QList<std::function<void()>> refusDocuments;  // of each: the desktop saying none took it
    QStringList dossiers;                         // shown in the file manager
    QList<std::function<void()>> refusDossiers;   // of each: no file manager showed it
    QQueue<std::optional<QString>> motsDePasse;   // for motDePasse(); cancel when empty
    QStringList libellesMotDePasse;
    QStringList titresDerriere; // of the window behind each password prompt

    void message(QWidget*, const QString& texte, const QString& titre,
                 platform::Icone icone) override {
        messages.append({texte, titre, icone});
    }

    QMessageBox::StandardButton question(QWidget*, const QString& texte, const QString&,
                                         QMessageBox::StandardButtons) override {
        questions.append(texte);
        return reponses.isEmpty() ? QMessageBox::Cancel : reponses.dequeue();
    }

    std::optional<QString> ouvrirFichier(QWidget*, const QString&, const QString&) override {
        return fichiers.isEmpty() ? std::nullopt : fichiers.dequeue();
    }

    std::optional<QString> enregistrerFichier(QWidget*, const QString&, const QString&,
                                              const QString&) override {
        return fichiers.isEmpty() ? std::nullopt : fichiers.dequeue();
    }

    void ouvrirDocument(const QString& chemin, std::function<void()> refus) override {
        documents << chemin;
        refusDocuments << std::move(refus);
    }

    void ouvrirDossier(const QString& dossier, std::function<void()> refus) override {
        dossiers << dossier;
        refusDossiers << std::move(refus);
    }

    std::optional<QString> motDePasse(QWidget* parent, const QString&,
                                      const QString& libelle) override {
        libellesMotDePasse << libelle;
        titresDerriere << parent->window()->windowTitle();
        return motsDePasse.isEmpty() ? std::nullopt : motsDePasse.dequeue();
    }

    [[noreturn]] void terminer(int statut) override { throw FinDuProgramme(statut); }

    // The boxes shown, each as its title and text.
    QStringList vues() const {
        QStringList textes;
        for (const MessageVu& m : messages) {
            textes << m.titre + QStringLiteral(": ") + m.texte;
        }
        return textes;
    }
};

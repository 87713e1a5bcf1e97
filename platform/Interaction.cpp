#include "Interaction.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>

#include <cstdlib>

namespace platform {

namespace {

QMessageBox::Icon iconeQt(Icone icone) {
    switch (icone) {
    case Icone::Information:
        return QMessageBox::Information;
    case Icone::Exclamation:
        return QMessageBox::Warning;
    case Icone::Critique:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

class InteractionQt final : public Interaction {
public:
    void message(QWidget* parent, const QString& texte, const QString& titre,
                 Icone icone) override {
        // Texts may break lines with carriage returns alone, which a label does not break on.
        QString lignes = texte;
        lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox boite(iconeQt(icone), titre, lignes, QMessageBox::Ok, parent);
        boite.setObjectName(QStringLiteral("message"));
        boite.exec();
    }

    QMessageBox::StandardButton question(QWidget* parent, const QString& texte,
                                         const QString& titre,
                                         QMessageBox::StandardButtons boutons) override {
        QMessageBox boite(QMessageBox::Question, titre, texte, boutons, parent);
        boite.setObjectName(QStringLiteral("question"));
        return QMessageBox::StandardButton(boite.exec());
    }

    std::optional<QString> ouvrirFichier(QWidget* parent, const QString& titre,
                                         const QString& filtre) override {
        QFileDialog dialogue(parent, titre, QString(), filtre);
        dialogue.setObjectName(QStringLiteral("ouvrirFichier"));
        dialogue.setFileMode(QFileDialog::ExistingFile);
        dialogue.setAcceptMode(QFileDialog::AcceptOpen);
        if (dialogue.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const QStringList choisis = dialogue.selectedFiles();
        return choisis.isEmpty() ? QString() : choisis.first();
    }

    std::optional<QString> motDePasse(QWidget* parent, const QString& titre,
                                      const QString& libelle) override {
        bool accepte = false;
        QString texte =
            QInputDialog::getText(parent, titre, libelle, QLineEdit::Password, QString(), &accepte);
        if (!accepte) {
            return std::nullopt;
        }
        return texte;
    }

    [[noreturn]] void terminer(int statut) override {
        // The event loop is not returned to: nothing of the pass or its command runs after this.
        std::exit(statut);
    }
};

InteractionQt reelle;
Interaction* enVigueur = &reelle;

} // namespace

Interaction& interaction() {
    return *enVigueur;
}

void installerInteraction(Interaction* remplacante) {
    enVigueur = remplacante != nullptr ? remplacante : &reelle;
}

} // namespace platform

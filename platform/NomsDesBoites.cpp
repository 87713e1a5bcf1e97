#include "NomsDesBoites.h"

#include <QAbstractButton>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace platform {

namespace {

// What is read of a caption: no mnemonic marks ("&&" is a real ampersand), no closing colon.
QString lu(QString texte) {
    texte.replace(QLatin1String("&&"), QLatin1String("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QLatin1Char('\x01'), QLatin1Char('&'));
    while (texte.endsWith(QLatin1Char(':')) || texte.endsWith(QLatin1Char(' ')) ||
           texte.endsWith(QChar(0x00A0)) || texte.endsWith(QChar(0x202F))) {
        texte.chop(1);
    }
    return texte;
}

// The tooltip reads as the description where there is one.
void decrire(QWidget* w, const QString& nom, const QString& description) {
    if (w == nullptr) {
        return;
    }
    if (w->accessibleName().isEmpty() && !nom.isEmpty()) {
        w->setAccessibleName(nom);
    }
    if (w->accessibleDescription().isEmpty() && w->toolTip().isEmpty()) {
        w->setAccessibleDescription(description);
    }
}

void lier(QDialog& boite, const char* libelle, QWidget* champ) {
    auto* l = boite.findChild<QLabel*>(QLatin1String(libelle));
    if (l != nullptr && champ != nullptr && l->buddy() == nullptr) {
        l->setBuddy(champ);
    }
}

} // namespace

void nommerBoite(QDialog& boite) {
    const QString titre = boite.windowTitle();
    QList<QAbstractButton*> boutons;
    for (QAbstractButton* b : boite.findChildren<QAbstractButton*>()) {
        if (!b->text().isEmpty()) {
            boutons << b;
        }
    }
    for (QAbstractButton* b : boutons) {
        decrire(b, {},
                boutons.size() == 1
                    ? QStringLiteral("Ferme « %1 »").arg(titre)
                    : QStringLiteral("Répond « %1 » à « %2 »").arg(lu(b->text()), titre));
    }
    if (qobject_cast<QInputDialog*>(&boite) != nullptr) {
        auto* champ = boite.findChild<QLineEdit*>();
        auto* libelle = boite.findChild<QLabel*>();
        if (champ != nullptr && libelle != nullptr) {
            libelle->setBuddy(champ);
            decrire(champ, lu(libelle->text()),
                    champ->echoMode() == QLineEdit::Normal
                        ? QStringLiteral("Le texte à donner")
                        : QStringLiteral("Ce qui est tapé ne s'affiche pas"));
        }
    }
    decrire(boite.findChild<QPlainTextEdit*>(QStringLiteral("texte")), titre,
            QStringLiteral("Le texte entier du message, qui défile"));

    // The file dialogs, by the names the toolkit gives their parts.
    struct Champ {
        const char* objet;
        const char* libelle;
        QString nom;
        QString description;
    };
    const Champ champs[] = {
        {"lookInCombo", "lookInLabel", QStringLiteral("Dossier"),
         QStringLiteral("Le dossier montré ; ses dossiers parents au choix")},
        {"listView", nullptr, QStringLiteral("Contenu du dossier"),
         QStringLiteral("Ses dossiers et ses fichiers, en liste")},
        {"treeView", nullptr, QStringLiteral("Contenu du dossier"),
         QStringLiteral("Ses dossiers et ses fichiers, en détail")},
        {"sidebar", nullptr, QStringLiteral("Emplacements"),
         QStringLiteral("Les dossiers d'accès rapide")},
        {"fileNameEdit", "fileNameLabel", QStringLiteral("Nom du fichier"),
         QStringLiteral("Le nom du fichier choisi, ou à taper")},
        {"fileTypeCombo", "fileTypeLabel", QStringLiteral("Types de fichiers"),
         QStringLiteral("Les types des fichiers montrés")},
    };
    for (const Champ& c : champs) {
        auto* w = boite.findChild<QWidget*>(QLatin1String(c.objet));
        lier(boite, c.libelle, w);
        decrire(w, c.nom, c.description);
    }
}

} // namespace platform

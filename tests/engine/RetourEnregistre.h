#pragma once

// Records what a pass writes, in order, and turns the end of the program into an exception.

#include "TraiterArchive.h"

#include <QQueue>
#include <QStringList>

#include <stdexcept>

struct ErreurFatale : std::runtime_error {
    explicit ErreurFatale(const QString& m)
        : std::runtime_error(m.toStdString())
        , message(m) {}
    QString message;
};

struct Ligne {
    QString nom;
    qint64 taille = 0;
    QString resultat;
};

class RetourEnregistre final : public RetourPasse {
public:
    QStringList evenements; // "commentaire", "fenetre", "ligne", "erreur" in the order they came
    QList<Ligne> lignes;    // in the order added: the last one is the top of the list
    QString commentaireVu;
    QString enTete = QStringLiteral("Résultat");
    QString chemin;                         // the archive's path, as the messages show it
    QQueue<std::optional<QString>> saisies; // typed at each password prompt; nothing: cancelled
    QList<bool> demandes;                   // each prompt: whether it said "incorrect"

    void commentaire(const QString& texte) override {
        evenements << QStringLiteral("commentaire");
        commentaireVu = texte;
    }
    void montrerFenetre() override { evenements << QStringLiteral("fenetre"); }
    void enTeteResultat(const QString& libelle) override { enTete = libelle; }
    void nouvelleLigne(const QString& nom, qint64 taille) override {
        evenements << QStringLiteral("ligne");
        lignes.append({nom, taille, QString()});
    }
    void resultat(const QString& texte) override { lignes.last().resultat = texte; }
    void abandon() override { evenements << QStringLiteral("abandon"); }
    std::optional<QString> motDePasse(bool incorrect) override {
        demandes << incorrect;
        return saisies.isEmpty() ? std::nullopt : saisies.dequeue();
    }
    [[noreturn]] void echec(const Messages::Echec& e) override {
        evenements << QStringLiteral("erreur");
        throw ErreurFatale(Messages::texte(e, chemin));
    }

    // Rows from the top of the list, as the window shows them.
    QStringList noms() const {
        QStringList n;
        for (auto it = lignes.crbegin(); it != lignes.crend(); ++it) {
            n << it->nom;
        }
        return n;
    }
};

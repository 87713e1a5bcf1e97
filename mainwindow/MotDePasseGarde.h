#pragma once

// What was typed in the password box, and the archive it was typed for; its characters are
// overwritten before it goes.

#include <QString>

class MotDePasseGarde {
public:
    MotDePasseGarde() = default;
    MotDePasseGarde(const MotDePasseGarde&) = delete;
    MotDePasseGarde& operator=(const MotDePasseGarde&) = delete;
    ~MotDePasseGarde() { texte_.fill(QChar()); }

    const QString& texte() const { return texte_; }
    // Empty: none in particular.
    const QString& archive() const { return archive_; }

    void garder(const QString& texte, const QString& archive) {
        texte_.fill(QChar());
        texte_ = texte;
        archive_ = archive;
    }
    void oublier() {
        texte_.fill(QChar());
        texte_.clear();
    }
    // `motDePasse` handed to a pass over `chemin`: typed before any archive was open, a password
    // belongs to the first one it is given to.
    void donnerA(const QString& chemin, const QString& motDePasse) {
        if (archive_.isEmpty() && !motDePasse.isEmpty()) {
            archive_ = chemin;
        }
    }

private:
    QString texte_;
    QString archive_;
};

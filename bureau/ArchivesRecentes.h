#pragma once

// The last archives opened, by any way (argument, Ouvrir, a drop, this list itself), most recent
// first, kept in the program's settings from one run to the next. Paths are kept as their bytes
// on disk: a name that is not valid in the locale's encoding opens again all the same.

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QSettings;

class ArchivesRecentes {
public:
    static constexpr int Nombre = 8;

    // What the menu shows of one archive.
    struct Entree {
        QByteArray chemin;
        QString texte;         // "&1 nom"
        QString bulle;         // the full path
        bool presente = false; // still a file there; a vanished one is greyed
    };

    // The program's own settings, or the file `fichier` (a test's).
    explicit ArchivesRecentes(const QString& fichier = QString());
    ~ArchivesRecentes();

    // Puts `chemin` at the top, in place of any other path to the same file (a link, a hard
    // link), and keeps the most recent Nombre.
    void ajouter(const QByteArray& chemin);
    void effacer();
    QList<QByteArray> chemins() const;
    QList<Entree> entrees() const;

private:
    std::unique_ptr<QSettings> reglages_;
};

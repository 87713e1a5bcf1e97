#pragma once

// Drives and current directories. Linux has no drive letters, so a drive is a mounted volume
// named by its root path, and each drive keeps a current folder of its own, as drive letters do:
// the process's current directory when it lies on that drive, else the folder last made current
// on it during this run, else its root.

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>

namespace platform {

struct Lecteur {
    QString racine; // the volume's mount root, e.g. "/" or "/media/cle"
    QString nom;    // its volume name, often empty
};

// A drive that is not ready, a folder that is gone or unreadable, a directory that cannot be made.
struct ErreurDossier : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The mounted volumes that hold user data, ordered by root path; "/" is always among them.
QList<Lecteur> lecteurs();

// What the drive list shows: "<root path> [<volume name>]", or the root path alone without a name.
QString texteLecteur(const Lecteur& lecteur);

// The root of the drive holding `chemin` (the longest listed root that contains it), or empty
// when none does.
QString lecteurDe(const QString& chemin);

// A drive that cannot be read (permissions, a vanished or stale mount) is not ready.
bool estPret(const QString& racine);

// Whether the folder exists and its entries can be read.
bool dossierLisible(const QString& chemin);

// The bytes that the user can still write on the file system that holds `chemin` (what is kept
// for the administrator aside); nothing when it cannot be told.
std::optional<qint64> espaceLibre(const QString& chemin);
#ifdef Q_OS_UNIX
// The same, of the folder open at `dossier`, whatever became of the names that led there.
std::optional<qint64> espaceLibre(int dossier);
#endif

// The current folder of the drive at `racine`.
QString dossierCourant(const QString& racine);

// Makes the drive current: its current folder becomes the process's current directory.
// Throws ErreurDossier when the drive is not ready.
void rendreLecteurCourant(const QString& racine);

// Makes `chemin` the process's current directory and its drive's current folder.
// Throws ErreurDossier when the folder cannot be entered.
void changerDossierCourant(const QString& chemin);

// Creates the directory `nom` relative to the process's current directory.
// Throws ErreurDossier when it exists already or the file system refuses it.
void creerDossier(const QString& nom);

// Replaces the mounted volumes by `source` (a test's own drives); an empty function restores them.
void installerVolumes(std::function<QList<Lecteur>()> source);

} // namespace platform

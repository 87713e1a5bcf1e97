#pragma once

// Turns the command-line argument text into the full path of the archive to open.

#include <QByteArray>
#include <QString>

enum class StyleChemin {
    Windows, // drive letters: "C:\x.rar" whole, "\"C:\x y.rar\"" without its quotes
    Posix,   // "/x.rar" whole, "\"/x y.rar\"" without its quotes
};

StyleChemin styleCheminNatif();

// The argument text out of the program's arguments (its name first), as the system's bytes:
// everything after the name, joined by blanks, options of the toolkit's included. A file manager
// passes one path, blanks and all, as a single argument; a path typed unquoted in a shell arrives
// in pieces and is put back together.
QByteArray texteArguments(int argc, const char* const* argv);

// What the command line asks: "Extraire ici" when its first argument is exactly `--extraire-ici`,
// the archive's argument text being the arguments after it; otherwise the whole argument text is
// the archive's, that word included wherever else it stands.
struct Demande {
    bool extraireIci = false;
    QByteArray texte;
};
Demande demandeDepuisArguments(int argc, const char* const* argv);

// `texte` is the whole argument text (not empty); `dossierCourant` the current directory written
// in `style`. Only the first characters are examined: a path that does not start at a root is
// joined to the current directory as it stands, quotes and all. The bytes of a name that is not
// valid in the locale's encoding go through unchanged.
QString cheminArchiveDepuisArguments(const QString& texte, const QString& dossierCourant,
                                     StyleChemin style);
QByteArray cheminArchiveDepuisArguments(const QByteArray& texte, const QByteArray& dossierCourant,
                                        StyleChemin style);

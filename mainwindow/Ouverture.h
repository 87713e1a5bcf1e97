#pragma once

// Opening one entry of an archive: it is extracted alone into a folder of its own, then handed to
// the desktop's application for its type, which must never be one that runs it.

#include <QString>

namespace ouverture {

// A new folder that only the user can enter (0700), inside this run's own folder in the system's
// temporary folder, which goes with everything in it when the program ends. Empty when none could
// be made.
QString dossierNeuf();

// The one file that an extraction left beneath `dossier`; empty when it left none, or something
// else than an ordinary file (a link, a device).
QString fichierExtrait(const QString& dossier);

// Whether the file at `chemin` could run: its mode lets it, or the MIME database takes it, by its
// content or by its name, for a program, a script, an installer, a desktop entry or a shortcut.
bool programme(const QString& chemin);

} // namespace ouverture

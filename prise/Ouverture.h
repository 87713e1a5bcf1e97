#pragma once

// Opening one entry of an archive: it is extracted alone into a folder of its own, then handed to
// the desktop's application for its type, which must be one that only shows it.

#include <QString>

namespace ouverture {

// A new folder that only the user can enter (0700), inside this run's own folder in the system's
// temporary folder, which goes with everything in it when the program ends. Empty when none could
// be made.
QString dossierNeuf();

// Removes `dossier` and all it holds, giving back to the user the folders that deny their own
// writes, and going through no link.
void retirer(const QString& dossier);

// The one file that an extraction left beneath `dossier`; empty when it left none, or something
// else than an ordinary file (a link, a device).
QString fichierExtrait(const QString& dossier);

// Whether the file at `chemin` is of a kind that a viewer shows (a plain text, an image, a sound,
// a video, a PDF, an office document, an e-book) by its name and by its content alike, and its
// mode does not let it run.
bool montrable(const QString& chemin);

// Removes, directly in `temporaire`, the run folders of runs that are over (SIGKILL, a crash):
// only folders of the user, named after their run (restes::debutDuPassage()), never one of a
// live run.
void retirerPassagesMorts(const QString& temporaire);

} // namespace ouverture

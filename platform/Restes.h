#pragma once

// What a run of the program leaves behind: how a later run tells whether a run is still alive,
// and the removal of folders through descriptors, through no link, whatever modes they carry.

#include <QString>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace restes {

// How the process `pid` is named among runs, "korvane-PID-START", START being when the process
// started: a later run tells by it whether that run is alive, though the system may have given
// its pid to another process since. Empty when `pid` runs no process.
QString debutDuPassage(pid_t pid);

// Whether the run named `passage` (as debutDuPassage() names it) is alive.
bool passageVivant(const QString& passage);

// The entries of the folder `nom` of the folder open at `parent` (AT_FDCWD: a path), opened with
// `drapeaux` besides, to read with readdir() and close with closedir(); null when it cannot be
// opened.
DIR* lireDossier(int parent, const char* nom, int drapeaux = 0);

// Removes everything that the folder open (for reading) at `dossier` holds, giving back to the
// user the folders that deny their own reads and writes.
void vider(int dossier);

// Removes the folder `nom` of the folder open at `parent`, and all it holds.
void retirerDans(int parent, const char* nom);

// Removes the empty folder `nom` of the folder open at `parent` only while that name still leads
// to the folder of identity `identite`: a name in a folder that others can write may have been
// given to another folder meanwhile. Only an empty folder ever goes.
bool retirerVideSiMeme(int parent, const char* nom, const struct stat& identite);

} // namespace restes

#pragma once

// One pass over one archive: open, comment, every header in archive order, close.

#include "ModuleRAR.h"
#include "RetourPasse.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// Where the library writes the entry stored as `nom`, relative to the current directory: what
// follows the last "/../" of the name, without the "/", "./" and "../" at its start (on Windows,
// drive letters and server names too). Empty when nothing is left.
QString cheminExtrait(const QString& nom);

// Runs one pass in `mode` (ModeTraitement) over the archive at `chemin`, given as the bytes of its
// path on disk. An empty password is never handed to the library. Without `gardes` (for the tests
// of the sandbox), every entry goes to the library as it is, with no question and no link check.
void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourPasse& retour, int mode,
                    const QByteArray& chemin, const QString& motDePasse, bool avecGardes = true);

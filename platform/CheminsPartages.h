#pragma once

// The strings that both windows share for the whole run (the program's module ModuleRAR; the
// library's own binding lives with the helper that loads it).

#include <QByteArray>
#include <QString>

namespace ModuleRAR {

inline QString CheminArchive; // full path of the current archive
// The bytes of that path on disk, which the text above may not spell exactly when the name is not
// valid in the locale's encoding; empty when none were kept.
inline QByteArray CheminArchiveOctets;
inline QString NomArchive;         // its file name, as the open dialog reports it
inline QString DossierDestination; // folder confirmed in the destination dialog, or empty

} // namespace ModuleRAR

#pragma once

// The UnRAR library's records, constants and entry points, bound at run time.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>

#include <unrar/dll.hpp>

// The header defines these Windows type names as macros on Unix; keep them out of our code.
#undef CALLBACK
#undef PASCAL
#undef LONG
#undef HANDLE
#undef LPARAM
#undef UINT

// The library reads and writes these records with 1-byte packing; a copy with natural alignment
// would shift the comment pointer and let the library write over the wrong fields.
static_assert(offsetof(RARHeaderData, CmtBuf) == 556);
static_assert(offsetof(RARHeaderDataEx, CmtBuf) == 10284);
static_assert(offsetof(RAROpenArchiveData, OpenMode) == sizeof(char*));

namespace ModuleRAR {

// Strings shared by both windows for the whole run.
inline QString CheminArchive; // full path of the current archive
// The bytes of that path on disk, which the text above may not spell exactly when the name is not
// valid in the locale's encoding; empty when none were kept.
inline QByteArray CheminArchiveOctets;
inline QString NomArchive;         // its file name, as the open dialog reports it
inline QString DossierDestination; // folder confirmed in the destination dialog, or empty

using ArchiveHandle = void*;

// The bound entry points. The engine only ever calls through this table, so a test can hand it
// the entry points of a stand-in library.
struct UnrarApi {
    ArchiveHandle (*RAROpenArchive)(RAROpenArchiveData*) = nullptr;
    int (*RARCloseArchive)(ArchiveHandle) = nullptr;
    int (*RARReadHeaderEx)(ArchiveHandle, RARHeaderDataEx*) = nullptr;
    int (*RARProcessFile)(ArchiveHandle, int, char*, char*) = nullptr;
    void (*RARSetPassword)(ArchiveHandle, char*) = nullptr;
    void (*RARSetChangeVolProc)(ArchiveHandle, CHANGEVOLPROC) = nullptr;
    void (*RARSetCallback)(ArchiveHandle, UNRARCALLBACK, long) = nullptr;
    int (*RARGetDllVersion)() = nullptr;
};

struct Chargement {
    std::optional<UnrarApi> api;
    QString erreur; // why loading failed, in the words shown to the user
};

// The file name of the library on this system: libunrar.so.5, or unrar.dll on Windows.
QString nomBibliotheque();

// Loads the library from `fichier` (a name searched the usual way, or a path) and looks up every
// entry point by name. The library stays loaded for the rest of the process.
Chargement chargerUnrar(const QString& fichier = nomBibliotheque());

} // namespace ModuleRAR

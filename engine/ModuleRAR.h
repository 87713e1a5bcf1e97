#pragma once

// The UnRAR library's entry points, bound at run time. Only the helper loads the library.

#include "CodesRAR.h"
#include "Vocabulaire.h"

#include <optional>
#include <string>

namespace ModuleRAR {

using ArchiveHandle = void*;

// The bound entry points. The engine only ever calls through this table, so a test can hand it
// the entry points of a stand-in library.
struct UnrarApi {
    ArchiveHandle (*RAROpenArchiveEx)(RAROpenArchiveDataEx*) = nullptr;
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
    EchecPasse erreur; // why loading failed, for the window to say
};

// The file name of the library on this system.
inline constexpr const char* NomBibliotheque = "libunrar.so.5";

// Loads the library from `fichier` (a name searched the usual way, or a path) and looks up every
// entry point by name. The library stays loaded for the rest of the process.
Chargement chargerUnrar(const std::string& fichier = NomBibliotheque);

} // namespace ModuleRAR

#include "ModuleRAR.h"

#include <dlfcn.h>

namespace ModuleRAR {

namespace {

template <typename Fn>
bool lier(void* bibliotheque, const char* nom, Fn& cible, std::string& manquant) {
    cible = reinterpret_cast<Fn>(::dlsym(bibliotheque, nom));
    if (cible == nullptr && manquant.empty()) {
        manquant = nom;
    }
    return cible != nullptr;
}

} // namespace

Chargement chargerUnrar(const std::string& fichier) {
    void* bibliotheque = ::dlopen(fichier.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (bibliotheque == nullptr) {
        const char* raison = ::dlerror();
        return {std::nullopt,
                {GenreEchec::Bibliotheque, 0, fichier + '\n' + (raison != nullptr ? raison : "")}};
    }

    UnrarApi api;
    std::string manquant;
    lier(bibliotheque, "RAROpenArchiveEx", api.RAROpenArchiveEx, manquant);
    lier(bibliotheque, "RARCloseArchive", api.RARCloseArchive, manquant);
    lier(bibliotheque, "RARReadHeaderEx", api.RARReadHeaderEx, manquant);
    lier(bibliotheque, "RARProcessFile", api.RARProcessFile, manquant);
    lier(bibliotheque, "RARSetPassword", api.RARSetPassword, manquant);
    lier(bibliotheque, "RARSetChangeVolProc", api.RARSetChangeVolProc, manquant);
    lier(bibliotheque, "RARSetCallback", api.RARSetCallback, manquant);
    lier(bibliotheque, "RARGetDllVersion", api.RARGetDllVersion, manquant);
    if (!manquant.empty()) {
        ::dlclose(bibliotheque);
        return {std::nullopt, {GenreEchec::Bibliotheque, 1, fichier + '\n' + manquant}};
    }
    // Never closed: the entry points must stay valid until the process ends.
    return {api, {}};
}

} // namespace ModuleRAR

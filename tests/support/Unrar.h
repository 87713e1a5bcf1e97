#pragma once

// The real library, loaded once per test program; a test cannot run without it.

#include "ModuleRAR.h"

#include <QtGlobal>

inline const ModuleRAR::UnrarApi& unrar() {
    static const ModuleRAR::Chargement chargement = ModuleRAR::chargerUnrar();
    if (!chargement.api) {
        qFatal("%s", chargement.erreur.detail.c_str());
    }
    return *chargement.api;
}
